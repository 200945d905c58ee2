#pragma once
// The mini player window's event handlers. Each one that needs the controller creates a
// TMplayerFunc, uses it and frees it. The windows route their events here through
// Dispatch (the runner's events through the runner's own), so an error escaping a
// handler is shown by the error report. UI thread.

#include <cstdint>
#include <string>

namespace ondrevo {

class IMplayerWindow;
class TJvCreateProcess;

class TMplayerFrmHandlers {
public:
    explicit TMplayerFrmHandlers(IMplayerWindow& window)
        : window_(window)
    {
    }

    // Connects the player runner's read and end events to their handlers.
    void WireNonVisualEvents(TJvCreateProcess& jvCmdProc);

    // Shown: plays the file named by JvLabFile.
    void FormShow();
    // Closing: tells a running player to quit (and has it ended if it does not).
    void FormClose();
    // One line of the player's output: the position label and bar follow it.
    void JvCmdProcRead(const std::string& line, bool startsOnNewLine);
    // The player ended: the position label goes back to "00:00:00".
    void JvCmdProcTerminate(std::uint32_t exitCode);

private:
    IMplayerWindow& window_;
};

} // namespace ondrevo
