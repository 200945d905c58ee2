#include "player/TMplayerFunc.h"

#include "base/Errors.h"
#include "base/IntegerText.h"
#include "base/ProgramFolder.h"
#include "media/MediaQuery.h"
#include "media/MediaTextRules.h"
#include "player/MplayerWindow.h"
#include "process/TJvCreateProcess.h"

#include <algorithm>
#include <cctype>

namespace ondrevo {

const char* const kZeroTimeText = "00:00:00";

namespace {

IMplayerWindow& OpenWindow()
{
    if (!MplayerFrm)
        throw Exception("The mini player window does not exist");
    return *MplayerFrm;
}

// The panel's colour, which is also the colour key the player is given.
constexpr const char* kColorKey = "0x101010";

// Up to two characters of `text` from `offset`; fewer (or none) where it is shorter.
std::string TwoCharacters(const std::string& text, std::size_t offset)
{
    return offset < text.size() ? text.substr(offset, 2) : std::string();
}

std::string TwoDigits(int value)
{
    return std::string { static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10) };
}

bool IsDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// "A:" with sound, "V:" without: the player's status lines.
bool IsStatusLine(const std::string& line)
{
    return line.size() >= 2 && line[1] == ':' && (line[0] == 'A' || line[0] == 'V');
}

} // namespace

TMplayerFunc::TMplayerFunc()
    : panelWindowId_(OpenWindow().JvMplayerWindowId())
    , playerPath_(ProgramFolder() + "bin/mplayer")
    , jvLabBgTime_(OpenWindow().JvLabBgTime())
    , jvLabEdTime_(OpenWindow().JvLabEdTime())
    , jvColorTrkBar_(OpenWindow().JvColorTrkBar())
    , jvCmdProc_(OpenWindow().JvCmdProc())
{
}

std::vector<std::string> TMplayerFunc::PlayerArguments(
    const std::string& playerPath, std::uint32_t windowId, const std::string& path)
{
    // Each element reaches the player whole, so a path with spaces or quotes needs no quoting.
    return { playerPath, "-slave", "-identify", "-wid", std::to_string(windowId), "-colorkey", kColorKey, "-framedrop",
        "-autosync", "100", "-vf", "screenshot", path };
}

void TMplayerFunc::PlayFile(const std::string& path)
{
    const std::vector<std::string> arguments = PlayerArguments(playerPath_, panelWindowId_, path);
    jvColorTrkBar_.SetPosition(0);
    LoadPlayTime(path);
    jvCmdProc_.SetCommandLine(arguments);
    jvCmdProc_.Run();
}

void TMplayerFunc::LoadPlayTime(const std::string& path)
{
    const auto answers = RunMediaQuery(path, { { Stream_General, "Duration/String3" } });
    if (!answers)
        return;
    const std::string playingTime = PlayingTimeText(answers->front(), kAddedPlayingTimeDefault);
    jvLabEdTime_.SetCaption(playingTime);
    const int hours = StrToInt(TwoCharacters(playingTime, 0));
    const int minutes = StrToInt(TwoCharacters(playingTime, 3));
    const int seconds = StrToInt(TwoCharacters(playingTime, 6));
    jvColorTrkBar_.SetMax(hours * 3600 + minutes * 60 + seconds);
}

void TMplayerFunc::QuitPlayer()
{
    if (jvCmdProc_.State() != TJvProcessState::psWaiting)
        return;
    // A player left running would go on playing its sound with nothing to stop it.
    jvCmdProc_.Write(kQuitCommand);
    jvCmdProc_.ScheduleEnd(kQuitGrace, kTerminateGrace);
}

std::string TMplayerFunc::SecondsToTimeText(int seconds)
{
    if (seconds < 0)
        seconds = 0;
    std::string text = "0";
    text += std::to_string(seconds / 3600);
    text += ':';
    text += TwoDigits(seconds / 60 % 60);
    text += ':';
    text += TwoDigits(seconds % 60);
    return text;
}

int TMplayerFunc::ParsePosition(const std::string& line)
{
    // Status lines: "A:   2.6 V:   2.6 A-V: ..." with sound, "V:   2.6 ..." without.
    if (!IsStatusLine(line))
        return 0;
    std::string field = line.substr(2, 4);
    // From 10000 s on the number fills more than the four characters ("A:10001.0").
    if (field.size() == 4 && std::all_of(field.begin(), field.end(), IsDigit))
        for (std::size_t i = 6; i < line.size() && IsDigit(line[i]); ++i)
            field += line[i];
    return StrToInt(Trim(field));
}

bool TMplayerFunc::PositionCutShort(const std::string& line)
{
    if (!IsStatusLine(line))
        return false;
    std::size_t i = 2;
    while (i < line.size() && line[i] == ' ')
        ++i;
    if (i < line.size() && line[i] == '-')
        ++i;
    while (i < line.size() && IsDigit(line[i]))
        ++i;
    return i == line.size();
}

} // namespace ondrevo
