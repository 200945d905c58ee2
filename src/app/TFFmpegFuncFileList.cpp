// TFFmpegFunc's file-list and details-panel operations; the work is done in
// media/FileList, and in app/JournaledFileList for the list's journal.

#include "app/TFFmpegFunc.h"

#include "base/Controls.h"
#include "media/FileList.h"
#include "parameters/TSqlDatMod.h"

namespace ondrevo {

void TFFmpegFunc::RestoreFileList()
{
    RestoreJournaledList(dataModule_.Journal(), fileListView_, jvEditCmdMsg_);
}

void TFFmpegFunc::AddVideoFile()
{
    file_list::AddVideoFile(openDialog1_, fileListView_, msgListView_);
}

void TFFmpegFunc::AddDroppedFiles(const std::vector<std::string>& paths)
{
    if (!addFileBtn_.Enabled())
        return;
    file_list::AddVideoFiles(paths, fileListView_, msgListView_);
}

void TFFmpegFunc::DeleteVideoFile()
{
    file_list::DeleteVideoFile(fileListView_, msgListView_);
}

void TFFmpegFunc::ClearVideoFiles()
{
    file_list::ClearVideoFiles(fileListView_, msgListView_, jvEditNumb_, jvEditCmdMsg_);
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
