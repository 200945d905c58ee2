#include "app/JournaledFileList.h"

#include "app/MainWindow.h"
#include "base/EventLoop.h"
#include "conversion/Batch.h"
#include "conversion/BatchModel.h"
#include "conversion/PartialOutput.h"
#include "conversion/WholeOutput.h"
#include "media/MediaTextRules.h"
#include "parameters/ListJournal.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace ondrevo {

const char* const kListRestoredMessage = "The list of the last session was restored";
const char* const kInterruptedHint = "Interrupted: Ondrevo ended during this conversion";
const char* const kListNotKeptMessage = "The file list cannot be kept for the next start: ";
const char* const kListKeptAgainMessage = "The file list is kept for the next start again";

namespace {

constexpr std::size_t kPlayingTimeCell = 2;
constexpr std::size_t kPercentCell = 3;

// Whether the batch can read a playing time cell: hh:mm:ss, two digits each.
bool PlayingTimeReadable(const std::string& cell)
{
    if (cell.size() < 8)
        return false;
    for (std::size_t i : { 0, 1, 3, 4, 6, 7 })
        if (cell[i] < '0' || cell[i] > '9')
            return false;
    return true;
}

// Why a row of the journal cannot come back as it was written (a journal edited by hand
// or damaged, or a file gone since), or "" when it can.
std::string WhyNotRestored(const JournalRow& row)
{
    using namespace batch;
    if (row.caption.empty())
        return "The kept list named no file for this row";
    const int image = row.imageIndex;
    if (image != kWaitingImage && image != kConvertingImage && image != kEndedImage && image != kFailedImage)
        return "The kept list gave this row an unknown state";
    if (!PlayingTimeReadable(row.subItems[kPlayingTimeCell]))
        return "The kept list gave this row no playing time (\"" + row.subItems[kPlayingTimeCell] + "\")";
    struct stat status { };
    if (::stat(row.caption.c_str(), &status) != 0)
        return row.caption + ": " + std::strerror(errno);
    if (!S_ISREG(status.st_mode))
        return row.caption + ": not a regular file";
    return "";
}

std::string RestoredTextOf(int listsLeft)
{
    std::string text = kListRestoredMessage;
    if (listsLeft == 1)
        text += " (1 more comes back at the next start)";
    else if (listsLeft > 1)
        text += " (" + std::to_string(listsLeft) + " more come back at the next starts, one at each)";
    return text + ". " + batch::kGoOnHint + ".";
}

} // namespace

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

std::string JournaledFileList::JournaledPhaseName(int row) const
{
    // A row whose image was set past the model (not by the batch) is kept by its image.
    if (row >= model_.Count() || batch::PhaseImage(model_.Row(row).phase) != list_.ImageIndex(row))
        return "";
    return PhaseName(model_.Row(row).phase);
}

void JournaledFileList::Commit() noexcept
{
    try {
        if (!wholeList_ && changedRows_.empty())
            return;
        ListChange change;
        change.wholeList = wholeList_;
        std::set<std::string> folders;
        const auto snapshot = [&](int row) {
            JournalRow written;
            written.position = row;
            written.caption = list_.Caption(row);
            written.imageIndex = list_.ImageIndex(row);
            written.hint = list_.RowHint(row);
            written.phase = JournaledPhaseName(row);
            for (std::size_t k = 0; k < written.subItems.size(); ++k)
                written.subItems[k] = list_.SubItem(row, static_cast<int>(k));
            if (row < model_.Count()) {
                const BatchRow& batchRow = model_.Row(row);
                written.output = batchRow.output;
                written.part = batchRow.part;
                written.partId = batchRow.partId;
                if (const std::size_t slash = batchRow.part.rfind('/'); slash != std::string::npos && slash > 0)
                    folders.insert(batchRow.part.substr(0, slash));
            }
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
        change.partFolders.assign(folders.begin(), folders.end());
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
    if (const std::optional<RowPhase> phase = PhaseNamed(row.phase))
        return *phase;
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

// How far the end of a row that was converting got, by what is on disk: its part gone
// and the output's name holding that very file means the part was renamed, so the row
// ended (converted when the file is whole, stopped when it is shorter). Converting when
// that cannot be told: the part is still there, or the output is another file or none.
RowPhase PhaseOnDisk(const JournalRow& row)
{
    if (row.part.empty() || row.partId.empty() || row.output.empty())
        return RowPhase::Converting;
    struct stat status { };
    if (::lstat(row.part.c_str(), &status) == 0 || errno != ENOENT)
        return RowPhase::Converting;
    if (PartialOutput::IdentityOf(row.output) != row.partId)
        return RowPhase::Converting;
    return IsWholeOutput(row.output, PlayingTimeMilliseconds(row.subItems[kPlayingTimeCell])) ? RowPhase::Converted
                                                                                              : RowPhase::Stopped;
}

} // namespace

void RemoveAbandonedParts(ListJournal& journal)
{
    for (const std::string& folder : journal.PartFolders())
        PartialOutput::RemoveAbandoned(folder);
}

void RestoreJournaledList(ListJournal& journal, IFileList& list, BatchModel& model, IEdit& statusLine)
{
    const ListJournal::RestoredList restored = journal.Restore();
    if (restored.rows.empty())
        return;
    for (JournalRow row : restored.rows) {
        RowPhase phase = JournaledPhase(row);
        if (const std::string why = WhyNotRestored(row); !why.empty()) {
            phase = RowPhase::Failed;
            row.hint = why;
            if (!PlayingTimeReadable(row.subItems[kPlayingTimeCell]))
                row.subItems[kPlayingTimeCell] = kAddedPlayingTimeDefault;
        } else if (phase == RowPhase::Converting) {
            phase = PhaseOnDisk(row);
            row.hint = "";
            if (phase == RowPhase::Converted)
                row.subItems[kPercentCell] = "100%";
            if (phase == RowPhase::Converting) {
                phase = RowPhase::Interrupted;
                row.hint = kInterruptedHint;
            }
        }
        list.AppendRow(row.caption, batch::PhaseImage(phase), { row.subItems.begin(), row.subItems.end() });
        const int at = list.RowCount() - 1;
        list.SetRowHint(at, row.hint);
        if (at < model.Count()) {
            model.SetPhase(at, phase, row.hint);
            model.SetFiles(at, row.output, row.part, row.partId);
        }
    }
    statusLine.SetText(RestoredText(restored.listsLeft));
}

std::string RestoredText(int listsLeft)
{
    return RestoredTextOf(listsLeft);
}

void ShowJournalHealth(ListJournal& journal, IEventLoop& loop)
{
    journal.SetHealthReport([&loop](bool failing, const std::string& reason) {
        loop.Post([failing, reason] {
            if (!FFmpegFrm)
                return;
            IEdit& statusLine = FFmpegFrm->JvEditCmdMsg();
            if (failing)
                statusLine.SetText(kListNotKeptMessage + reason);
            else if (statusLine.Text().starts_with(kListNotKeptMessage))
                statusLine.SetText(kListKeptAgainMessage);
        });
    });
}

} // namespace ondrevo
