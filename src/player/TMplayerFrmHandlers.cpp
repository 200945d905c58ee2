#include "player/TMplayerFrmHandlers.h"

#include "player/MplayerWindow.h"
#include "player/TMplayerFunc.h"
#include "process/TJvCreateProcess.h"

namespace ondrevo {

void TMplayerFrmHandlers::WireNonVisualEvents(TJvCreateProcess& jvCmdProc)
{
    jvCmdProc.OnRead = [this](TJvCreateProcess&, const std::string& line, bool startsOnNewLine) {
        JvCmdProcRead(line, startsOnNewLine);
    };
    jvCmdProc.OnTerminate = [this](TJvCreateProcess&, std::uint32_t exitCode) { JvCmdProcTerminate(exitCode); };
}

void TMplayerFrmHandlers::FormShow()
{
    TMplayerFunc().PlayFile(window_.JvLabFile().Caption());
}

void TMplayerFrmHandlers::FormClose()
{
    TMplayerFunc().QuitPlayer();
}

void TMplayerFrmHandlers::JvCmdProcRead(const std::string& line, bool)
{
    // The rest of the line comes with the next piece of output.
    if (TMplayerFunc::PositionCutShort(line))
        return;
    int seconds = 0;
    std::string text;
    {
        TMplayerFunc func;
        seconds = func.ParsePosition(line);
        text = func.SecondsToTimeText(seconds);
    }
    window_.JvLabBgTime().SetCaption(text);
    window_.JvColorTrkBar().SetPosition(seconds);
}

void TMplayerFrmHandlers::JvCmdProcTerminate(std::uint32_t)
{
    window_.JvLabBgTime().SetCaption(kZeroTimeText);
}

} // namespace ondrevo
