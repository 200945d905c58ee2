#include "conversion/SourceDate.h"

#include "base/Errors.h"
#include "process/ChildOutput.h"

#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>

namespace ondrevo::source_date {
namespace {

// 2^32 - 1 seconds from 1904, as seconds from 1970.
constexpr long long kLast3gpSecond = 4294967295LL - 2082844800LL;

std::string Trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

} // namespace

bool CopyModificationTime(const std::string& from, const std::string& to)
{
    struct stat source { };
    if (::stat(from.c_str(), &source) != 0)
        return false;
    const struct timespec times[2] = { { 0, UTIME_OMIT }, source.st_mtim };
    return ::utimensat(AT_FDCWD, to.c_str(), times, 0) == 0;
}

std::string CreationTimeOf(const std::string& encoderLog)
{
    std::istringstream lines(encoderLog);
    bool inInput = false;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("Input #0", 0) == 0) {
            inInput = true;
            continue;
        }
        if (!inInput)
            continue;
        const std::string text = Trimmed(line);
        // The container's own metadata ends where its duration and streams begin.
        if (text.rfind("Duration:", 0) == 0 || text.rfind("Stream #", 0) == 0 || line.rfind("Input #", 0) == 0
            || line.rfind("Output #", 0) == 0)
            break;
        const std::size_t colon = text.find(':');
        if (colon != std::string::npos && Trimmed(text.substr(0, colon)) == "creation_time")
            return Trimmed(text.substr(colon + 1));
    }
    return "";
}

bool FitsIn3gp(const std::string& isoTime)
{
    std::tm parts {};
    char separator = 0;
    int consumed = 0;
    if (std::sscanf(isoTime.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d%n", &parts.tm_year, &parts.tm_mon, &parts.tm_mday,
            &separator, &parts.tm_hour, &parts.tm_min, &parts.tm_sec, &consumed)
            != 7
        || (separator != 'T' && separator != ' '))
        return false;
    parts.tm_year -= 1900;
    parts.tm_mon -= 1;
    const long long seconds = ::timegm(&parts);
    return seconds >= 0 && seconds <= kLast3gpSecond;
}

std::vector<std::string> ContainerDateArguments(const std::string& encoder, const std::string& source)
{
    std::vector<std::string> arguments = { "-map_metadata", "0" };
    std::string time;
    try {
        // Without an output the encoder only describes its input, and says it needs one.
        time = CreationTimeOf(
            ReadChildOutput({ encoder, "-hide_banner", "-nostdin", "-i", source }, kHeaderMilliseconds).text);
    } catch (const EOSError&) {
        return arguments; // the conversion itself reports a program that cannot start
    }
    if (!time.empty() && !FitsIn3gp(time))
        arguments.insert(arguments.end(), { "-metadata", "creation_time=" });
    return arguments;
}

} // namespace ondrevo::source_date
