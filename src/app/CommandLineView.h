#pragma once
// ondrevo-convert as a view of the batch engine: what the engine tells becomes lines on
// standard error (in place on a terminal, one line per start and end elsewhere) and,
// with --json, JSON objects on standard output. It keeps each row's last phase, for the
// exit status. UI thread.

#include "conversion/BatchView.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace ondrevo {

class BatchModel;

class CommandLineView : public IBatchView {
public:
    enum class Lines { Terminal, Plain };
    using Clock = std::chrono::steady_clock;

    CommandLineView(const BatchModel& model, std::FILE* progress, Lines lines, std::FILE* json);

    // Called once the batch has ended and no encoder runs any more.
    std::function<void()> onIdle;

    void BatchStarted() override { }
    void RowStarted(int row, std::size_t slot) override;
    void RowPhaseChanged(int row, RowPhase phase, const std::string& reason) override;
    void RowPercent(int row, int percent) override;
    void RowFacts(int, const SourceFacts&) override { }
    void RowLength(int, long long, long long) override { }
    void Status(const std::string& text) override;
    void BatchProgress(int percent, const std::string& text) override;
    void BatchPaused(bool) override { }
    void BatchEnded(const BatchEnd& end) override;
    void EncoderEnded(std::size_t slot, bool anyBusy) override;

    // Rows whose last phase is Failed.
    int FailedRows() const;
    bool Ended() const { return ended_; }

    // `text` as a JSON string, quotes included.
    static std::string JsonString(const std::string& text);

private:
    std::string Name(int row) const;
    void Json(const std::string& object);
    // Redraws the running rows and the batch's line in place (terminal only).
    void Redraw(bool now);
    void ClearDrawn();

    const BatchModel& model_;
    std::FILE* progress_;
    Lines lines_;
    std::FILE* json_;
    std::map<int, RowPhase> phases_;
    std::map<int, bool> skipped_;
    // Running rows in the order they started, with their percents.
    std::vector<std::pair<int, int>> running_;
    std::map<int, Clock::time_point> lastJsonProgress_;
    std::string batchLine_;
    int drawnLines_ = 0;
    Clock::time_point lastDraw_ {};
    bool ended_ = false;
};

} // namespace ondrevo
