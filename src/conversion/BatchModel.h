#pragma once
// The batch as the program knows it: every row of the file list with its phase and
// playing time, whether a batch runs or is paused, and which rows the running batch
// converts and has not started yet. The window shows the model (row images, hints,
// buttons); the model never reads the window back. The list's rows are appended,
// deleted and cleared here and in the window together. UI thread.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace ondrevo {

enum class RowPhase {
    Waiting, // added, not converted yet
    Converting,
    Converted,
    Stopped, // stopped by the user; the part written so far was kept when it was playable
    Failed, // with its reason
    Interrupted, // the program ended while it was converting
};

// The phase's name as the list's journal stores it, and back; an unknown name gives none.
const char* PhaseName(RowPhase phase);
std::optional<RowPhase> PhaseNamed(const std::string& name);

struct BatchRow {
    std::uint64_t id = 0; // stays the row's while it is in the list, whatever its position
    std::string source;
    long long playingMilliseconds = 0;
    RowPhase phase = RowPhase::Waiting;
    std::string reason; // why it failed, or what else the user should know of it
    // Chosen with "Convert this row again" for the running batch: converted whatever
    // output is already there, since the user asked for it once more.
    bool again = false;
    // The files of its latest conversion: the output's final name, the part the encoder
    // writes, and the part's identity (see PartialOutput::IdentityOf). Kept in the list's
    // journal, so that a restore after a kill can tell how far the row's end got.
    std::string output;
    std::string part;
    std::string partId;
};

// The rows a run converts.
enum class RunScope {
    Whole, // Convert: every row, converted ones too
    Remaining, // every row not converted
    Failed, // the rows that failed
    Selected, // the rows the user selected
};

class BatchModel {
public:
    int Count() const { return static_cast<int>(rows_.size()); }
    const BatchRow& Row(int index) const { return rows_.at(static_cast<std::size_t>(index)); }
    // The position of the row with `id`, while it is in the list.
    std::optional<int> IndexOf(std::uint64_t id) const;

    // A row appended during a batch joins it: the batch converts it after its other rows.
    std::uint64_t Append(
        std::string source, long long playingMilliseconds, RowPhase phase = RowPhase::Waiting, std::string reason = {});
    void Remove(int index);
    void Clear();
    void SetPhase(int index, RowPhase phase, std::string reason = {});
    void SetPlayingMilliseconds(int index, long long milliseconds);
    void SetFiles(int index, std::string output, std::string part, std::string partId);

    // The rows a run of `scope` would convert, in list order; `selected` for Selected.
    std::vector<int> RowsOf(RunScope scope, const std::vector<int>& selected = {}) const;

    // A batch over `rows` (in this order) begins; none of them has started. Rows of a
    // Selected run are marked `again`.
    void StartRun(const std::vector<int>& rows, RunScope scope = RunScope::Whole);
    // The batch ends, or is stopped: rows not started keep their phase.
    void EndRun();
    bool Running() const { return running_; }
    bool Paused() const { return running_ && paused_; }
    void SetPaused(bool paused) { paused_ = running_ && paused; }

    // The next row of the batch that has not started, if any.
    std::optional<int> NextRow() const;
    // The row has started: it leaves the queue and converts.
    void RowStarted(int index);
    // A started row that could not start after all goes back to the front of the queue.
    void Requeue(int index);
    // Rows in this batch, appended ones included, and their playing time in all.
    int RunRows() const { return runRows_; }
    long long RunMilliseconds() const { return runMilliseconds_; }

private:
    std::vector<BatchRow> rows_;
    std::uint64_t nextId_ = 1;
    bool running_ = false;
    bool paused_ = false;
    std::deque<std::uint64_t> queue_; // rows of the batch not started yet, by id
    int runRows_ = 0;
    long long runMilliseconds_ = 0;
};

} // namespace ondrevo
