// Placeholder; replaced by the output folder operations.
#include "app/TFFmpegFunc.h"
namespace ondrevo {
void TFFmpegFunc::LoadOutputDir() {}
void TFFmpegFunc::ChooseOutputDir() {}
void TFFmpegFunc::OpenOutputDir() {}
std::string TFFmpegFunc::DefaultOutputDir() { return {}; }
} // namespace ondrevo
