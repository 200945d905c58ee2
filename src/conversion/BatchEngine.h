#pragma once
// The batch engine: one long-lived object that owns a batch. It holds the rows (source,
// playing time, phase, reason), the run's queue, the encoder slots (each with its runner
// and its job), the choices rows start with, the estimate of what is left and the
// shutdown of its encoders. It starts the next row by calling it, tells its view what
// changed (IBatchView) and reads nothing back from it. The window and the command line
// are its two views. Its runners report to it directly on the loop. UI thread.

#include "conversion/BatchChoices.h"
#include "conversion/BatchModel.h"
#include "conversion/BatchView.h"
#include "conversion/EncoderPool.h"
#include "conversion/StartPreparation.h"
#include "parameters/ReadOnlySettings.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace ondrevo {

class IEventLoop;
class ListJournal;
class TSqliteQuery;
class WorkerThread;

// What starting one row came to.
enum class StartOutcome {
    Started, // its encoder runs
    Ended, // it needs no encoder (skipped, or refused with its reason): its end is on the loop
    Held, // a lock on the settings file held it back; it waits at the front of the batch
    Preparing, // its start is read on the worker thread: it runs or ends once that is done
    NoRow, // no such row
};

class BatchEngine {
public:
    // `query` gives the settings file's query on the UI thread (a row's command line
    // shown, the encoder check of the command line); `settingsPlace`, asked when a batch
    // begins, where the worker thread opens the file to read the rows' starts.
    BatchEngine(IEventLoop& loop, std::function<TSqliteQuery&()> query, std::function<SettingsPlace()> settingsPlace);
    ~BatchEngine();
    BatchEngine(const BatchEngine&) = delete;
    BatchEngine& operator=(const BatchEngine&) = delete;

    // The journal that knows the folders earlier runs of the program made parts in (the
    // output folders of earlier batches), whose abandoned parts a batch removes; asked on
    // the UI thread, read on the worker thread. Unset or null means none.
    std::function<ListJournal*()> partFolders;

    // The view told of every change; none (null) tells nothing.
    void SetView(IBatchView* view);
    IBatchView& View() { return *view_; }

    BatchModel& Model() { return model_; }
    const BatchModel& Model() const { return model_; }
    EncoderPool& Encoders() { return encoders_; }
    TSqliteQuery& Query() { return query_(); }

    // The choices the next row starts with. Raising the files at once during a batch
    // starts more rows there and then.
    const BatchChoices& Choices() const { return choices_; }
    void SetChoices(BatchChoices choices);

    // Converts the rows of `scope` (`selected` for RunScope::Selected) in list order, as
    // batch::ConvertRows; whether it would convert any now.
    void Convert(RunScope scope, const std::vector<int>& selected = {});
    bool CanConvert(RunScope scope, const std::vector<int>& selected = {}) const;
    void Stop();
    void PauseOrResume();
    // Rows from `first` on were appended to the model.
    void RowsAppended(int first);
    // A tick of the busy timer: a row a lock held back is tried again.
    void RetryStalledStart();
    // Asks every running encoder to finish its file now; whether any ran.
    bool AskEncodersToFinish();
    // Starts `row` on a free encoder: at once when its start waits for nothing, else once
    // the worker thread has read it (Preparing).
    StartOutcome StartRow(int row);

    // The encoder command line `row` would run with the current choices, as a batch
    // would start it (its output name included), without starting anything.
    std::vector<std::string> CommandLineFor(int row);

    // What the runner of `slot` reports, on the loop: an output line, and its end. An
    // end waits while the source's facts are still being read (returns false then).
    void EncoderLine(std::size_t slot, const std::string& line);
    bool EncoderEnded(std::size_t slot, std::uint32_t exitCode);

    // The work that may wait, on the engine's worker thread, one piece at a time; each
    // result comes back on the loop (and not at all once the engine has gone).
    // Whether the batch's encoder program was asked what it has: its first row's start
    // asks it, and the rows after it start once it is known.
    bool EncoderChecked() const { return encoderChecked_; }
    void SetEncoderChecked(bool checked) { encoderChecked_ = checked; }
    // A row's start (StartPreparation); batch::FinishStart takes it on the loop.
    void PrepareStart(StartRequest request);
    // Removes the parts that killed runs of the program left in `folder` and in the
    // folders of earlier batches, and their pass logs, before the batch's first start.
    void RemoveAbandonedParts(const std::string& folder);
    // A started row's facts; batch::FactsRead takes them on the loop.
    void ReadFacts(std::uint64_t ticket, std::size_t slot, const std::string& source);
    // The settings file on the UI thread for a start read at once: it never waits for a
    // lock. Null when it cannot be opened. Opened at a batch's first start after that
    // start's, closed with the batch.
    TSqliteQuery* SettingsAtOnce();
    // The facts of a source as it was listed (ListFacts): a row's start that finds its
    // file unchanged takes them instead of reading it again.
    void RememberListedFacts(const std::string& source, ListedFacts listed);
    const ListedFacts* Listed(const std::string& source) const;
    // Whether a row's start is being read now.
    bool Preparing() const;
    std::uint64_t NextTicket() { return ++tickets_; }
    // The batch is over: the worker lets go of the settings file.
    void BatchOver();

private:
    struct WorkerSide;
    // Runs `done` on the loop unless the engine has gone meanwhile.
    void Deliver(std::function<void()> done);

    IEventLoop& loop_;
    std::function<TSqliteQuery&()> query_;
    std::function<SettingsPlace()> settingsPlace_;
    std::shared_ptr<bool> alive_;
    // Where the settings file was when the batch began, and its connection on this thread.
    std::optional<SettingsPlace> place_;
    std::unique_ptr<ReadOnlySettings> settingsAtOnce_;
    std::unordered_map<std::string, ListedFacts> listed_;
    std::uint64_t tickets_ = 0;
    bool encoderChecked_ = false;
    IBatchView* view_;
    BatchModel model_;
    BatchChoices choices_;
    // Its runners, destroyed before the model and the choices, let go of their encoders
    // before the rest goes. The worker thread ends before anything (it reads the pool's
    // encoder check).
    EncoderPool encoders_;
    std::unique_ptr<WorkerSide> workerSide_;
    std::unique_ptr<WorkerThread> worker_;
};

} // namespace ondrevo
