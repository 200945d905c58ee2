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

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ondrevo {

class IEventLoop;
class TSqliteQuery;

// What starting one row came to.
enum class StartOutcome {
    Started, // its encoder runs
    Ended, // it needs no encoder (skipped, or refused with its reason): its end is on the loop
    Held, // a lock on the settings file held it back; it waits at the front of the batch
    NoRow, // no such row
};

class BatchEngine {
public:
    // `query` gives the settings file's query whenever a row needs it.
    BatchEngine(IEventLoop& loop, std::function<TSqliteQuery&()> query);
    ~BatchEngine();
    BatchEngine(const BatchEngine&) = delete;
    BatchEngine& operator=(const BatchEngine&) = delete;

    // The folders earlier runs of the program made parts in (the output folders of
    // earlier batches), whose abandoned parts a batch removes; unset means none.
    std::function<std::vector<std::string>()> partFolders;

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
    // Starts `row` on a free encoder now.
    StartOutcome StartRow(int row);

    // The encoder command line `row` would run with the current choices, as a batch
    // would start it (its output name included), without starting anything.
    std::vector<std::string> CommandLineFor(int row);

    // What the runner of `slot` reports, on the loop: an output line, and its end.
    void EncoderLine(std::size_t slot, const std::string& line);
    void EncoderEnded(std::size_t slot, std::uint32_t exitCode);

private:
    IEventLoop& loop_;
    std::function<TSqliteQuery&()> query_;
    IBatchView* view_;
    BatchModel model_;
    BatchChoices choices_;
    // Declared last: its runners, destroyed first, let go of their encoders before the
    // rest goes.
    EncoderPool encoders_;
};

} // namespace ondrevo
