#include "app/JournaledFileList.h"

#include "conversion/Batch.h"
#include "conversion/BatchModel.h"
#include "media/MediaTextRules.h"
#include "parameters/ListJournal.h"

namespace ondrevo {

const char* const kListRestoredMessage = "The list of the last session was restored";
const char* const kInterruptedHint = "Interrupted: Ondrevo ended during this conversion";

void JournaledFileList::AppendRow(const std::string& caption, int imageIndex, const std::vector<std::string>& subItems)
{
    list_.AppendRow(caption, imageIndex, subItems);
    changedRows_.insert(list_.RowCount() - 1);
    model_.Append(caption, subItems.size() > 2 ? PlayingTimeMilliseconds(subItems[2]) : 0);
}

void JournaledFileList::SetImageIndex(int row, int imageIndex)
{
    const bool changed = list_.ImageIndex(row) != imageIndex;
    list_.SetImageIndex(row, imageIndex);
    if (changed)
        changedRows_.insert(row);
}

void JournaledFileList::SetRowHint(int row, const std::string& hint)
{
    const bool changed = list_.RowHint(row) != hint;
    list_.SetRowHint(row, hint);
    if (changed)
        changedRows_.insert(row);
}

void JournaledFileList::DeleteRow(int row)
{
    list_.DeleteRow(row);
    if (row < model_.Count())
        model_.Remove(row);
    wholeList_ = true;
}

void JournaledFileList::DeleteAllRows()
{
    list_.DeleteAllRows();
    model_.Clear();
    wholeList_ = true;
}

void JournaledFileList::Commit() noexcept
{
    try {
        if (!wholeList_ && changedRows_.empty())
            return;
        ListChange change;
        change.wholeList = wholeList_ || journal_.NeedsWholeList();
        const auto snapshot = [&](int row) {
            JournalRow written { row, list_.Caption(row), list_.ImageIndex(row), {}, list_.RowHint(row) };
            for (std::size_t k = 0; k < written.subItems.size(); ++k)
                written.subItems[k] = list_.SubItem(row, static_cast<int>(k));
            change.rows.push_back(std::move(written));
        };
        const int rows = list_.RowCount();
        if (change.wholeList) {
            for (int row = 0; row < rows; ++row)
                snapshot(row);
        } else {
            for (int row : changedRows_)
                if (row < rows)
                    snapshot(row);
        }
        changedRows_.clear();
        wholeList_ = false;
        journal_.Record(std::move(change));
    } catch (...) {
        // The journal only keeps the list for the next start; the list itself is unharmed.
    }
}

namespace {

// The phase a journal row was in; rows of journals that kept only images go by their image.
RowPhase JournaledPhase(const JournalRow& row)
{
    switch (row.imageIndex) {
    case batch::kConvertingImage:
        return RowPhase::Converting;
    case batch::kEndedImage:
        return RowPhase::Converted;
    case batch::kFailedImage:
        return RowPhase::Failed;
    default:
        return RowPhase::Waiting;
    }
}

} // namespace

void RestoreJournaledList(ListJournal& journal, IFileList& list, BatchModel& model, IEdit& statusLine)
{
    const std::vector<JournalRow> rows = journal.Restore();
    if (rows.empty())
        return;
    for (const JournalRow& row : rows) {
        RowPhase phase = JournaledPhase(row);
        std::string hint = row.hint;
        if (phase == RowPhase::Converting) {
            phase = RowPhase::Interrupted;
            hint = kInterruptedHint;
        }
        list.AppendRow(row.caption, batch::PhaseImage(phase), { row.subItems.begin(), row.subItems.end() });
        const int at = list.RowCount() - 1;
        list.SetRowHint(at, hint);
        if (at < model.Count())
            model.SetPhase(at, phase, hint);
    }
    statusLine.SetText(std::string(kListRestoredMessage) + ". " + batch::kGoOnHint + ".");
}

} // namespace ondrevo
