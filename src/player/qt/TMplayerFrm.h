#pragma once
// The mini player window: a dark panel whose native window the player draws into, the
// position and the playing time under it, and the position bar. It owns the player's
// runner. Events go to TMplayerFrmHandlers through Dispatch.

#include "base/EventLoop.h"
#include "player/MplayerWindow.h"
#include "player/TMplayerFrmHandlers.h"
#include "process/TJvCreateProcess.h"

#include <QDialog>

namespace ondrevo {

class QtLabel;
class QtPositionBar;

class TMplayerFrm : public QDialog, public IMplayerWindow {
public:
    explicit TMplayerFrm(IEventLoop& loop, QWidget* parent = nullptr);
    ~TMplayerFrm() override;

    std::uint32_t JvMplayerWindowId() override;
    ILabel& JvLabBgTime() override;
    ILabel& JvLabEdTime() override;
    ILabel& JvLabFile() override;
    IPositionBar& JvColorTrkBar() override;
    TJvCreateProcess& JvCmdProc() override { return jvCmdProc_; }
    // Runs the window's modal loop; once it ends (closed, or the program quitting) the
    // close handler has run.
    void ShowModal() override;

    QWidget& Panel() { return *jvMplayer_; }

    static constexpr int kClientWidth = 372;
    static constexpr int kClientHeight = 310;
    static constexpr int kPanelHeight = 259;
    static constexpr unsigned kPanelColor = 0x101010;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void Closing();

    TMplayerFrmHandlers handlers_;
    TJvCreateProcess jvCmdProc_;
    bool shown_ = false;
    bool closed_ = false;

    // Widgets, owned by the window as their parent.
    QWidget* jvMplayer_ = nullptr;
    QtLabel* jvLabBgTime_ = nullptr;
    QtLabel* jvLabLine_ = nullptr;
    QtLabel* jvLabEdTime_ = nullptr;
    QtLabel* jvLabFile_ = nullptr;
    QtPositionBar* jvColorTrkBar_ = nullptr;
};

} // namespace ondrevo
