// The output folder: shown in JvEditDir, stored in the parameter database, chosen with
// the desktop's folder chooser and opened in its file browser.

#include "app/Controls.h"
#include "app/MainWindow.h"
#include "app/ProgramFolder.h"
#include "app/TFFmpegFunc.h"
#include "parameters/Statements.h"
#include "parameters/TSqliteQuery.h"

#include <filesystem>
#include <system_error>

namespace ondrevo {
namespace {

const char* const kChooserTitle = "Please select the folder";

bool IsFolder(const std::string& path)
{
    std::error_code ignored;
    return !path.empty() && std::filesystem::is_directory(path, ignored);
}

} // namespace

std::string TFFmpegFunc::DefaultOutputDir()
{
    return ProgramFolder() + "FFOutput";
}

void TFFmpegFunc::LoadOutputDir()
{
    RunStatement(sqliteQuery_, OutputFolderStatement());
    const std::string stored = sqliteQuery_.FieldAsString(0);
    // The default is only shown: storing it would pin a folder the user never chose.
    jvEditDir_.SetText(stored.empty() ? DefaultOutputDir() : stored);
}

void TFFmpegFunc::ChooseOutputDir()
{
    const std::optional<std::string> chosen = window_.Desktop().ChooseFolder(kChooserTitle);
    if (!chosen)
        return;
    // The chooser should answer with an existing folder; anything else is treated like
    // an item that is no file-system folder: the default is shown and nothing stored.
    if (!IsFolder(*chosen)) {
        jvEditDir_.SetText(DefaultOutputDir());
        return;
    }
    // Shown first, so a failing update leaves the choice in force until the program ends.
    jvEditDir_.SetText(*chosen);
    RunStatement(sqliteQuery_, SaveOutputFolderStatement(*chosen));
}

void TFFmpegFunc::OpenOutputDir()
{
    // Whatever the desktop makes of the folder is its own affair; nothing is reported.
    window_.Desktop().Open(jvEditDir_.Text());
}

} // namespace ondrevo
