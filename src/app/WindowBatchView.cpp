#include "app/WindowBatchView.h"

#include "app/JournaledFileList.h"
#include "app/MainWindow.h"
#include "base/Controls.h"
#include "conversion/Batch.h"
#include "conversion/BatchEngine.h"
#include "desktop/Shutdown.h"
#include "media/FileAdder.h"
#include "media/FileList.h"
#include "media/MediaTextRules.h"
#include "parameters/TSqlDatMod.h"

#include <cstdio>

namespace ondrevo {
namespace window_view {

const char* const kPauseCaption = "Pause";
const char* const kResumeCaption = "Resume";

int PhaseImage(RowPhase phase)
{
    return batch::PhaseImage(phase);
}

std::string HoursMinutesSeconds(long long milliseconds)
{
    const long long seconds = milliseconds / 1000;
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return text;
}

} // namespace window_view

namespace {

constexpr int kSizeCell = 1;
constexpr int kPlayingTimeCell = 2;
constexpr int kPercentCell = 3;

void SetEditingButtonsEnabled(IMainWindow& window, bool enabled)
{
    for (IButton* button : { &window.AddFileBtn(), &window.DelFileBtn(), &window.ClearFileBtn(), &window.ConvFileBtn(),
             &window.PlayBtn() })
        button->SetEnabled(enabled);
}

void ShowPauseButton(IMainWindow& window, bool enabled, bool paused)
{
    window.PauseButton().SetEnabled(enabled);
    window.PauseButton().SetCaption(paused ? window_view::kResumeCaption : window_view::kPauseCaption);
}

} // namespace

bool WindowBatchView::Shows(int row) const
{
    return row >= 0 && row < window_.FileListView().RowCount();
}

void WindowBatchView::BatchStarted()
{
    SetEditingButtonsEnabled(window_, false);
    ShowPauseButton(window_, true, false);
    window_.SleepInhibitor().SetHeld(true);
    window_.JvTimer().SetEnabled(true);
}

void WindowBatchView::RowStarted(int row, std::size_t)
{
    if (!Shows(row))
        return;
    window_.FileListView().SetSubItem(row, kPercentCell, file_list::kStartPercent);
    // Shows the row started last; its change starts nothing.
    window_.JvEditNumb().SetText(std::to_string(row));
}

void WindowBatchView::RowPhaseChanged(int row, RowPhase phase, const std::string& reason)
{
    if (!Shows(row))
        return;
    if (!SqlDatMod) {
        window_.FileListView().SetImageIndex(row, window_view::PhaseImage(phase));
        window_.FileListView().SetRowHint(row, reason);
        return;
    }
    JournaledFileList list(window_.FileListView(), SqlDatMod->Journal(), engine_.Model());
    list.SetImageIndex(row, window_view::PhaseImage(phase));
    list.SetRowHint(row, reason);
}

void WindowBatchView::RowPercent(int row, int percent)
{
    if (Shows(row))
        window_.FileListView().SetSubItem(row, kPercentCell, std::to_string(percent) + "%");
}

void WindowBatchView::RowFacts(int, const SourceFacts& facts)
{
    file_list::ShowFacts(window_.MsgListView(), facts);
}

void WindowBatchView::RowLength(int row, long long milliseconds, long long bytes)
{
    if (!Shows(row))
        return;
    window_.FileListView().SetSubItem(row, kPlayingTimeCell, window_view::HoursMinutesSeconds(milliseconds));
    if (bytes >= 0)
        window_.FileListView().SetSubItem(row, kSizeCell, MegabytesText(static_cast<unsigned long long>(bytes)));
}

void WindowBatchView::Status(const std::string& text)
{
    window_.JvEditCmdMsg().SetText(text);
}

void WindowBatchView::BatchProgress(int percent, const std::string& text)
{
    window_.BatchDisplay().Show(percent, text);
}

void WindowBatchView::BatchPaused(bool paused)
{
    ShowPauseButton(window_, true, paused);
    window_.BatchDisplay().SetPaused(paused);
    window_.SleepInhibitor().SetHeld(!paused);
    window_.JvTimer().SetEnabled(!paused);
    if (paused)
        window_.JvTrayIcon().SetImageIndex(batch::kIdleTrayImage);
}

void WindowBatchView::BatchEnded(const BatchEnd& end)
{
    window_.BatchDisplay().SetPaused(false);
    window_.BatchDisplay().Clear();
    if (end.complete)
        window_.BatchDisplay().NotifyIfAway(end.summary);
    SetEditingButtonsEnabled(window_, true);
    // Files still being added keep Delete, Clear, Convert and Play waiting.
    if (window_.Adder().Running())
        for (IButton* button :
            { &window_.DelFileBtn(), &window_.ClearFileBtn(), &window_.ConvFileBtn(), &window_.PlayBtn() })
            button->SetEnabled(false);
    ShowPauseButton(window_, false, false);
    if (end.complete && window_.JvCheckBox().Checked()) {
        IMainWindow* window = &window_;
        ShutdownComputer(kShutdownPowerOff, window_.LoginManager(), [window] { window->QuitRequest(); });
    }
    window_.JvEditCmdMsg().SetText(end.status);
    window_.JvTimer().SetEnabled(false);
    window_.JvTrayIcon().SetImageIndex(batch::kIdleTrayImage);
    window_.SleepInhibitor().SetHeld(false);
}

void WindowBatchView::EncoderEnded(std::size_t, bool anyBusy)
{
    window_.EncoderEnded(anyBusy);
}

} // namespace ondrevo
