// Placeholder; replaced by the file list operations.
#include "app/TFFmpegFunc.h"
namespace ondrevo {
void TFFmpegFunc::AddVideoFile() {}
void TFFmpegFunc::DeleteVideoFile() {}
void TFFmpegFunc::ClearVideoFiles() {}
void TFFmpegFunc::ShowSelectedFileInfo() {}
void TFFmpegFunc::ShowFileInfo(const std::string&) {}
void TFFmpegFunc::ClearFileInfo() {}
} // namespace ondrevo
