#pragma once
// The window's file list as the controller uses it: every call goes to the list, and
// the rows whose image or hint changed, rows appended and rows deleted are noted. When
// the controller ends (one user action or event), what changed goes to the journal as
// one change. The percent cell changes several times a second while a row converts;
// alone it writes nothing, and is written with the row's next image or hint change.

#include "base/Controls.h"

#include <set>

namespace ondrevo {

class BatchModel;
class IEdit;
class IEventLoop;
class ListJournal;

class JournaledFileList : public IFileList {
public:
    // Rows appended, deleted and cleared are appended, deleted and cleared in `model` too.
    JournaledFileList(IFileList& list, ListJournal& journal, BatchModel& model)
        : list_(list)
        , journal_(journal)
        , model_(model)
    {
    }
    ~JournaledFileList() override { Commit(); }
    JournaledFileList(const JournaledFileList&) = delete;
    JournaledFileList& operator=(const JournaledFileList&) = delete;

    // Hands what changed since the last commit to the journal. Never raises: the list
    // works without its journal.
    void Commit() noexcept;

    int RowCount() const override { return list_.RowCount(); }
    void AppendRow(const std::string& caption, int imageIndex, const std::vector<std::string>& subItems) override;
    std::string Caption(int row) const override { return list_.Caption(row); }
    int ImageIndex(int row) const override { return list_.ImageIndex(row); }
    void SetImageIndex(int row, int imageIndex) override;
    std::string SubItem(int row, int k) const override { return list_.SubItem(row, k); }
    void SetSubItem(int row, int k, const std::string& text) override { list_.SetSubItem(row, k, text); }
    std::string RowHint(int row) const override { return list_.RowHint(row); }
    void SetRowHint(int row, const std::string& hint) override;
    int Selected() const override { return list_.Selected(); }
    std::vector<int> SelectedRows() const override { return list_.SelectedRows(); }
    void DeleteRow(int row) override;
    void DeleteAllRows() override;

private:
    // The model's phase of `row` as the journal stores it, "" when the row's image says otherwise.
    std::string JournaledPhaseName(int row) const;

    IFileList& list_;
    ListJournal& journal_;
    BatchModel& model_;
    std::set<int> changedRows_;
    bool wholeList_ = false; // rows were deleted: positions moved
};

// What the status line says after a list came back (and how many more are left).
extern const char* const kListRestoredMessage;
// The hint of a row that was converting when the program ended.
extern const char* const kInterruptedHint;
// What the status line says when the journal cannot write (followed by the database's
// reason), and when it writes again.
extern const char* const kListNotKeptMessage;
extern const char* const kListKeptAgainMessage;

// At start: appends the rows of the list a program left behind when it ended without
// Quit (see ListJournal::Restore), each with its phase. A row that was converting comes
// back by what is on disk: when its part is gone and the output's name holds that very
// file, the rename happened and the row comes back converted (stopped when the file is
// shorter than a whole one); otherwise it comes back interrupted, with a hint that says so. A row the batch could not
// work with (no file name, an unknown image, a playing time that is not hh:mm:ss, a file that is gone or is not a
// regular file) comes back failed, the hint saying why, its playing time readable. The status line says the list came
// back, how to go on, and how many lists of other ended programs are left for the next starts.
void RestoreJournaledList(ListJournal& journal, IFileList& list, BatchModel& model, IEdit& statusLine);

// Removes the parts that no running program holds from the folders the journal noted
// parts in (see ListJournal::PartFolders).
void RemoveAbandonedParts(ListJournal& journal);

// What the status line says after a list came back, with `listsLeft` lists of other
// ended programs left for the next starts.
std::string RestoredText(int listsLeft);

// Has the journal's health shown in the main window's status line, through tasks on
// `loop` (which outlives the journal): once when the list stops being kept, with the
// reason, and once when it is kept again, if the status line still says it was not.
void ShowJournalHealth(ListJournal& journal, IEventLoop& loop);

} // namespace ondrevo
