#pragma once
// The mini player's controller. Each window event creates one, bound to the controls of
// the open window MplayerFrm, uses it once and frees it. It owns nothing.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace ondrevo {

class ILabel;
class IPositionBar;
class TJvCreateProcess;

class TMplayerFunc {
public:
    // Binds to MplayerFrm; raises Exception when no mini player window is open.
    TMplayerFunc();

    // Starts the player on `path` drawing into the panel: resets the bar, shows the
    // playing time, then runs the player. Raises EConvertError for a playing time the
    // media library gives in an unexpected form (the player is then not started) and
    // what the runner's Run raises (EOSError when bin/mplayer cannot be started).
    void PlayFile(const std::string& path);
    // Shows the file's playing time in the end label and makes it the bar's maximum
    // (in seconds). Without the media library nothing changes. Raises EConvertError as
    // PlayFile does.
    void LoadPlayTime(const std::string& path);
    // Asks a running player to quit ("quit" on its input) and has it ended if it is
    // still running a little later. Nothing when no player runs.
    void QuitPlayer();

    // "0" + hours (as many digits as needed) + ":mm:ss"; a negative count is 0.
    static std::string SecondsToTimeText(int seconds);
    // The whole seconds of a player status line ("A:   2.6 V: ..." or, for a file
    // without sound, "V:   2.6 ..."); 0 for any other line. Raises EConvertError when
    // the number after the tag is not a whole number in its first four characters.
    static int ParsePosition(const std::string& line);
    // Whether `line` is a status line whose number has not fully arrived: the player's
    // output reaches the window in pieces, and the text so far ends before the number
    // does ("A:", "V:   ", "A:  1" of "A:  12.3"). The player always writes a decimal
    // point after the whole seconds.
    static bool PositionCutShort(const std::string& line);

    // The player's arguments for `path`, drawing into window `windowId`.
    static std::vector<std::string> PlayerArguments(
        const std::string& playerPath, std::uint32_t windowId, const std::string& path);

    // The slave command that ends the player, and how long it gets before it is ended
    // with SIGTERM, then SIGKILL.
    static constexpr const char* kQuitCommand = "quit\n";
    static constexpr std::chrono::milliseconds kQuitGrace { 2000 };
    static constexpr std::chrono::milliseconds kTerminateGrace { 3000 };

private:
    std::uint32_t panelWindowId_;
    std::string playerPath_;
    ILabel& jvLabBgTime_;
    ILabel& jvLabEdTime_;
    IPositionBar& jvColorTrkBar_;
    TJvCreateProcess& jvCmdProc_;
};

// The position and end labels' text before anything is known.
extern const char* const kZeroTimeText; // "00:00:00"

} // namespace ondrevo
