#include "parameters/SessionOwner.h"

#include <fstream>
#include <optional>
#include <sstream>
#include <unistd.h>

namespace ondrevo {
namespace {

std::string BootId()
{
    std::ifstream in("/proc/sys/kernel/random/boot_id");
    std::string id;
    std::getline(in, id);
    return id;
}

struct ProcessStat {
    char state = '?';
    long long startTime = 0;
};

// The state (field 3) and start time (field 22) of a process. The name (field 2) stands
// in parentheses and may itself hold spaces and parentheses, so the fields are counted
// from the last ")".
std::optional<ProcessStat> ReadProcessStat(long long pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(in, line))
        return std::nullopt;
    const std::size_t nameEnd = line.rfind(')');
    if (nameEnd == std::string::npos)
        return std::nullopt;
    std::istringstream fields(line.substr(nameEnd + 1));
    ProcessStat stat;
    fields >> stat.state;
    std::string skipped;
    for (int field = 4; field < 22; ++field)
        fields >> skipped;
    if (!(fields >> stat.startTime))
        return std::nullopt;
    return stat;
}

} // namespace

SessionOwner SessionOwner::ThisProcess()
{
    SessionOwner owner;
    owner.bootId = BootId();
    owner.pid = getpid();
    if (const auto stat = ReadProcessStat(owner.pid))
        owner.startTime = stat->startTime;
    return owner;
}

bool SessionOwner::Running() const
{
    const std::string bootNow = BootId();
    if (bootNow.empty())
        return true;
    if (bootId != bootNow || pid <= 0)
        return false;
    const auto stat = ReadProcessStat(pid);
    return stat && stat->state != 'Z' && stat->state != 'X' && stat->startTime == startTime;
}

} // namespace ondrevo
