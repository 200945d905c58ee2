// TFFmpegFunc's output-folder operations; the work is done in parameters/OutputFolder.

#include "app/MainWindow.h"
#include "app/TFFmpegFunc.h"
#include "parameters/OutputFolder.h"

namespace ondrevo {

std::string TFFmpegFunc::DefaultOutputDir()
{
    return output_folder::Default();
}

void TFFmpegFunc::LoadOutputDir()
{
    output_folder::Load(sqliteQuery_, jvEditDir_);
}

void TFFmpegFunc::ChooseOutputDir()
{
    // A refused folder is never shown, so the field keeps showing the stored one.
    StoreChoice([&] { return output_folder::Choose(sqliteQuery_, jvEditDir_, window_.Desktop()); }, [] {});
}

void TFFmpegFunc::OpenOutputDir()
{
    output_folder::Open(jvEditDir_, window_.Desktop());
}

} // namespace ondrevo
