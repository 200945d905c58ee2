// Placeholder; replaced by the selector operations.
#include "app/TFFmpegFunc.h"
#include "app/Controls.h"
namespace ondrevo {
void TFFmpegFunc::FillSelector(ISelector&) {}
void TFFmpegFunc::FillAllSelectors() {}
void TFFmpegFunc::RefillAudioSelectors() {}
int TFFmpegFunc::ReadSavedPosition(int) { return 0; }
int TFFmpegFunc::ReadSavedAudioPosition(int) { return 0; }
void TFFmpegFunc::SaveSelectorPosition(ISelector&) {}
void TFFmpegFunc::SaveAudioPosition(ISelector&) {}
std::string TFFmpegFunc::SelectorFragment(ISelector&) { return {}; }
} // namespace ondrevo
