#pragma once
// What the batch engine tells a view: the only way it reaches the window or the command
// line. The engine reads nothing back; every call says what changed, in the order it
// happened. Rows are given by their position in the engine's model. UI thread.

#include "conversion/BatchModel.h"
#include "media/SourceFacts.h"

#include <cstddef>
#include <string>

namespace ondrevo {

// How a batch ended.
struct BatchEnd {
    // After its last row; false when stopped, or ended early (`status` says why).
    bool complete = false;
    // "57 files converted, 3 failed".
    std::string summary;
    // The status line after the end ("" after the last row).
    std::string status;
    bool operator==(const BatchEnd&) const = default;
};

class IBatchView {
public:
    virtual ~IBatchView() = default;

    // A batch begins: nothing is converted yet.
    virtual void BatchStarted() = 0;
    // The row starts now, on encoder `slot`; its percent is 0.
    virtual void RowStarted(int row, std::size_t slot) = 0;
    // The row's phase and its reason (why it failed, or what else the user should know).
    virtual void RowPhaseChanged(int row, RowPhase phase, const std::string& reason) = 0;
    // How much of the row is converted, 0..100.
    virtual void RowPercent(int row, int percent) = 0;
    // What the row's source query found when its conversion started.
    virtual void RowFacts(int row, const SourceFacts& facts) = 0;
    // The source plays for a different time than when it was listed (a file mended or
    // replaced since): its length and size (-1 unknown) as found now.
    virtual void RowLength(int row, long long milliseconds, long long bytes) = 0;
    // The status line: the encoder's latest progress line (of the lowest running row),
    // or what the batch waits for.
    virtual void Status(const std::string& text) = 0;
    // The whole batch's share done and its text ("12 of 60 files, about 3 min left").
    virtual void BatchProgress(int percent, const std::string& text) = 0;
    // The batch was paused, or resumed.
    virtual void BatchPaused(bool paused) = 0;
    // The batch is over; encoders told to stop may still be ending.
    virtual void BatchEnded(const BatchEnd& end) = 0;
    // The encoder of `slot` has ended and its row is judged; `anyBusy` whether another
    // still runs.
    virtual void EncoderEnded(std::size_t slot, bool anyBusy) = 0;
};

} // namespace ondrevo
