#pragma once
// The main window as a view of the batch engine: what the engine tells goes to the
// window's controls (row images, hints and cells, the details panel, the status line,
// the batch's bar, the buttons, the busy timer, the tray and the sleep inhibitor).
// Changes of a row's image or hint go to the list's journal as they are made. It reads
// the window only for what the window alone decides: whether to power off at the end,
// and whether files are still being added. UI thread.

#include "conversion/BatchView.h"

namespace ondrevo {

class BatchEngine;
class IMainWindow;

namespace window_view {

// The row image of each phase.
int PhaseImage(RowPhase phase);
// The Pause button's captions.
extern const char* const kPauseCaption;
extern const char* const kResumeCaption;
// A playing time as the list's cell shows it ("01:02:03").
std::string HoursMinutesSeconds(long long milliseconds);

} // namespace window_view

class WindowBatchView : public IBatchView {
public:
    WindowBatchView(IMainWindow& window, BatchEngine& engine)
        : window_(window)
        , engine_(engine)
    {
    }

    void BatchStarted() override;
    void RowStarted(int row, std::size_t slot) override;
    void RowPhaseChanged(int row, RowPhase phase, const std::string& reason) override;
    void RowPercent(int row, int percent) override;
    void RowFacts(int row, const SourceFacts& facts) override;
    void RowLength(int row, long long milliseconds, long long bytes) override;
    void Status(const std::string& text) override;
    void BatchProgress(int percent, const std::string& text) override;
    void BatchPaused(bool paused) override;
    void BatchEnded(const BatchEnd& end) override;
    void EncoderEnded(std::size_t slot, bool anyBusy) override;

private:
    // The window's list row, when the window still shows the engine's row there.
    bool Shows(int row) const;

    IMainWindow& window_;
    BatchEngine& engine_;
};

} // namespace ondrevo
