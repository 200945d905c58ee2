#pragma once
// The mini player window as the logic sees it: the panel the player draws into, the
// two time labels, the hidden label that carries the file's path, the position bar and
// the runner of the player. The Qt window and the tests' in-memory window implement it.

#include "base/Controls.h"

#include <cstdint>

namespace ondrevo {

class TJvCreateProcess;

class IMplayerWindow {
public:
    virtual ~IMplayerWindow() = default;

    // The native window id of the panel JvMplayer; asking for it creates the panel's
    // native window when it does not exist yet. UI thread.
    virtual std::uint32_t JvMplayerWindowId() = 0;
    virtual ILabel& JvLabBgTime() = 0;
    virtual ILabel& JvLabEdTime() = 0;
    virtual ILabel& JvLabFile() = 0;
    virtual IPositionBar& JvColorTrkBar() = 0;
    virtual TJvCreateProcess& JvCmdProc() = 0;

    // Shows the window modally and returns once the user has closed it. The window's
    // show event starts the player; its close handler tells the player to quit. The
    // runner's events are delivered meanwhile. UI thread.
    virtual void ShowModal() = 0;
};

// The open mini player window; null while none is open.
extern IMplayerWindow* MplayerFrm;

} // namespace ondrevo
