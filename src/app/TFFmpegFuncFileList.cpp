// TFFmpegFunc's file-list and details-panel operations; the work is done in
// media/FileList, and in app/JournaledFileList for the list's journal.

#include "app/TFFmpegFunc.h"

#include "app/MainWindow.h"
#include "base/Controls.h"
#include "conversion/Batch.h"
#include "media/FileAdder.h"
#include "media/FileList.h"
#include "parameters/TSqlDatMod.h"

#include <algorithm>
#include <malloc.h>

namespace ondrevo {

namespace {

// While files are being added, the buttons that would act on the list wait.
void SetListButtonsEnabled(IMainWindow& window, bool enabled)
{
    for (IButton* button : { &window.DelFileBtn(), &window.ClearFileBtn(), &window.ConvFileBtn(), &window.PlayBtn() })
        button->SetEnabled(enabled);
}

} // namespace

void TFFmpegFunc::RestoreFileList()
{
    RestoreJournaledList(dataModule_.Journal(), fileListView_, window_.Batch(), jvEditCmdMsg_);
    // What a killed run left in the folders it converted into, once the rows it left
    // have been judged by it.
    RemoveAbandonedParts(dataModule_.Journal());
}

void TFFmpegFunc::AddVideoFile()
{
    std::vector<std::string> chosen = openDialog1_.ExecuteMany();
    // A name typed into the dialog may be a named pipe or a device, which the encoder
    // would wait on or read for ever.
    std::string refused;
    std::size_t refusedCount = 0;
    const auto notAFile = [&](const std::string& path) {
        const std::string kind = file_list::NotAFileKind(path);
        if (kind.empty())
            return false;
        if (refusedCount++ == 0)
            refused = "Not added: " + path + " is " + kind + ", not a file";
        return true;
    };
    chosen.erase(std::remove_if(chosen.begin(), chosen.end(), notAFile), chosen.end());
    if (refusedCount > 1)
        refused += " (and " + std::to_string(refusedCount - 1) + " more)";
    if (refusedCount > 0)
        jvEditCmdMsg_.SetText(refused);
    // One file is added at once, whatever the dialog answered, as it always was.
    if (chosen.size() == 1 && !Adding())
        file_list::AddChosenFile(chosen.front(), fileListView_, msgListView_);
    else
        AddVideoFiles(chosen);
}

void TFFmpegFunc::AddDroppedFiles(const std::vector<std::string>& paths)
{
    // During a batch too: the rows are appended after the batch's own.
    AddVideoFiles(file_list::ExpandDropped(paths));
}

void TFFmpegFunc::KeepListButtonsWhileAdding()
{
    if (Adding())
        SetListButtonsEnabled(window_, false);
}

bool TFFmpegFunc::Adding()
{
    return window_.Adder().Running();
}

void TFFmpegFunc::AddVideoFiles(const std::vector<std::string>& paths)
{
    if (paths.size() == 1 && !Adding()) {
        const int first = fileListView_.RowCount();
        file_list::AddVideoFiles(paths, fileListView_, msgListView_);
        engine_.RowsAppended(first);
        return;
    }
    if (paths.empty())
        return;
    // The events come later, on the loop: each binds a controller of its own then.
    FileAdder::Events events;
    events.append = [](const file_list::RowFacts& facts) {
        TFFmpegFunc func;
        func.fileListView_.AppendRow(facts.path, file_list::kAddedFileImage,
            { facts.type, facts.size, facts.playingTime, file_list::kStartPercent });
        func.engine_.RowsAppended(func.fileListView_.RowCount() - 1);
    };
    events.progress = [](std::size_t added, std::size_t total) {
        TFFmpegFunc().jvEditCmdMsg_.SetText(
            "Adding " + std::to_string(added) + " of " + std::to_string(total) + " files");
    };
    events.ended = [](const std::string& last) {
        TFFmpegFunc func;
        if (func.Adding())
            return; // more were given meanwhile
        func.jvEditCmdMsg_.SetText("");
        SetListButtonsEnabled(func.window_, func.addFileBtn_.Enabled());
        func.ShowFileInfo(last);
    };
    if (window_.Adder().Add(paths, std::move(events)))
        SetListButtonsEnabled(window_, false);
}

void TFFmpegFunc::DeleteVideoFile()
{
    file_list::DeleteVideoFile(fileListView_, msgListView_);
}

void TFFmpegFunc::ClearVideoFiles()
{
    if (Adding()) {
        window_.Adder().Cancel();
        SetListButtonsEnabled(window_, addFileBtn_.Enabled());
    }
    file_list::ClearVideoFiles(fileListView_, msgListView_, jvEditNumb_, jvEditCmdMsg_);
    // malloc keeps the pages the rows freed for later use; after a long list that is
    // megabytes the system could use, so they are given back now.
    ::malloc_trim(0);
}

void TFFmpegFunc::ShowSelectedFileInfo()
{
    file_list::ShowSelectedFileInfo(fileListView_, msgListView_);
}

void TFFmpegFunc::ShowFileInfo(const std::string& path)
{
    file_list::ShowFileInfo(msgListView_, path);
}

void TFFmpegFunc::ClearFileInfo()
{
    file_list::ClearFileInfo(msgListView_);
}

} // namespace ondrevo
