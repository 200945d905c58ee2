#include "parameters/OutputFolder.h"

#include "base/Controls.h"
#include "base/Errors.h"
#include "base/ProgramFolder.h"
#include "parameters/Statements.h"
#include "parameters/TSqliteQuery.h"

#include <filesystem>
#include <system_error>

namespace ondrevo::output_folder {
namespace {

const char* const kChooserTitle = "Please select the folder";

bool IsFolder(const std::string& path)
{
    std::error_code ignored;
    return !path.empty() && std::filesystem::is_directory(path, ignored);
}

} // namespace

std::string Default()
{
    return DefaultOutputFolder();
}

std::string MakeDefault(const std::string& folder)
{
    if (folder != Default() || IsFolder(folder))
        return "";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return error ? error.message() : "";
}

std::string Read(TSqliteQuery& query)
{
    RunStatement(query, OutputFolderStatement());
    const std::string stored = query.FieldAsString(0);
    return stored.empty() ? Default() : stored;
}

void Load(TSqliteQuery& query, IEdit& folderEdit)
{
    try {
        RunStatement(query, OutputFolderStatement());
    } catch (const EUniError&) {
        // Never left blank: a blank folder would send the outputs to the root of the file
        // system. What the user sees is where the outputs go.
        folderEdit.SetText(Default());
        throw;
    }
    const std::string stored = query.FieldAsString(0);
    // The default is only shown: storing it would pin a folder the user never chose.
    folderEdit.SetText(stored.empty() ? Default() : stored);
}

bool Choose(TSqliteQuery& query, IEdit& folderEdit, IDesktop& desktop)
{
    const std::optional<std::string> chosen = desktop.ChooseFolder(kChooserTitle);
    if (!chosen)
        return false;
    // The chooser should answer with an existing folder; anything else is treated like
    // an item that is no file-system folder: the default is shown and nothing stored.
    if (!IsFolder(*chosen)) {
        folderEdit.SetText(Default());
        return false;
    }
    // Stored first: the field never shows a folder the file does not hold.
    RunStatement(query, SaveOutputFolderStatement(*chosen));
    folderEdit.SetText(*chosen);
    return true;
}

void Open(const IEdit& folderEdit, IDesktop& desktop)
{
    // Whatever the desktop makes of the folder is its own affair; nothing is reported.
    desktop.Open(folderEdit.Text());
}

} // namespace ondrevo::output_folder
