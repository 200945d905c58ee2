#include "support/MemoryPlayer.h"

#include "base/HandlerDispatch.h"
#include "base/PlainEventLoop.h"

namespace ondrevo::testing {

void MemoryPositionBar::StoreRange(int newMax, int newPosition)
{
    max = newMax;
    if (newPosition != position)
        positions.push_back(newPosition);
    position = newPosition;
}

MemoryMplayerWindow::MemoryMplayerWindow(PlainEventLoop& loop)
    : jvCmdProc(loop)
{
    jvCmdProc.SetConsoleOptions(coOwnerData | coRedirect);
    handlers.WireNonVisualEvents(jvCmdProc);
}

void MemoryMplayerWindow::ShowModal()
{
    ++shown;
    Dispatch([this] { handlers.FormShow(); });
    if (whileShown)
        whileShown(*this);
    Dispatch([this] { handlers.FormClose(); });
}

} // namespace ondrevo::testing
