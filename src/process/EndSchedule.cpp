#include "process/EndSchedule.h"

#include <algorithm>

namespace ondrevo {
namespace {

void KeepEarliest(std::optional<EndSchedule::Clock::time_point>& at, EndSchedule::Clock::time_point candidate)
{
    at = at ? std::min(*at, candidate) : candidate;
}

bool TakeIfDue(std::optional<EndSchedule::Clock::time_point>& at, EndSchedule::Clock::time_point now)
{
    if (!at || *at > now)
        return false;
    at.reset();
    return true;
}

} // namespace

void EndSchedule::Add(
    Clock::time_point now, std::chrono::milliseconds terminateAfter, std::chrono::milliseconds killAfter)
{
    using std::chrono::milliseconds;
    const Clock::time_point terminateAt = now + std::max(terminateAfter, milliseconds(0));
    KeepEarliest(terminateAt_, terminateAt);
    KeepEarliest(killAt_, terminateAt + std::max(killAfter, milliseconds(0)));
}

EndSchedule::Due EndSchedule::TakeDue(Clock::time_point now)
{
    Due due;
    due.terminate = TakeIfDue(terminateAt_, now);
    due.kill = TakeIfDue(killAt_, now);
    return due;
}

std::optional<EndSchedule::Clock::time_point> EndSchedule::Next() const
{
    if (terminateAt_ && killAt_)
        return std::min(*terminateAt_, *killAt_);
    return terminateAt_ ? terminateAt_ : killAt_;
}

} // namespace ondrevo
