#pragma once
// In-memory mini player window: labels, a position bar with the widget's rules, the real
// runner on a plain loop and the real handlers. Its modal showing runs the show handler,
// then `whileShown` (where a test drives the loop), then the close handler.

#include "player/MplayerWindow.h"
#include "player/TMplayerFrmHandlers.h"
#include "process/TJvCreateProcess.h"

#include <functional>
#include <string>
#include <vector>

namespace ondrevo {
class PlainEventLoop;
}

namespace ondrevo::testing {

class MemoryLabel : public ILabel {
public:
    explicit MemoryLabel(std::string initial = {})
        : caption(std::move(initial))
    {
    }
    std::string Caption() const override { return caption; }
    void SetCaption(const std::string& text) override { caption = text; }
    std::string caption;
};

// Keeps every position it took, so a test can see the marker move.
class MemoryPositionBar : public CheckedPositionBar {
public:
    int Max() const override { return max; }
    int Position() const override { return position; }
    int max = kDefaultMax;
    int position = 0;
    std::vector<int> positions;

protected:
    void StoreRange(int newMax, int newPosition) override;
};

class MemoryMplayerWindow : public IMplayerWindow {
public:
    explicit MemoryMplayerWindow(PlainEventLoop& loop);

    std::uint32_t JvMplayerWindowId() override { return windowId; }
    ILabel& JvLabBgTime() override { return jvLabBgTime; }
    ILabel& JvLabEdTime() override { return jvLabEdTime; }
    ILabel& JvLabFile() override { return jvLabFile; }
    IPositionBar& JvColorTrkBar() override { return jvColorTrkBar; }
    TJvCreateProcess& JvCmdProc() override { return jvCmdProc; }
    void ShowModal() override;

    std::uint32_t windowId = 4242;
    MemoryLabel jvLabBgTime { "00:00:00" }, jvLabEdTime { "00:00:00" }, jvLabFile { "JvLabFile" };
    MemoryPositionBar jvColorTrkBar;
    TJvCreateProcess jvCmdProc;
    TMplayerFrmHandlers handlers { *this };
    std::function<void(MemoryMplayerWindow&)> whileShown;
    int shown = 0;
};

} // namespace ondrevo::testing
