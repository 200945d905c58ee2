#pragma once
// When to end a child that does not stop when asked: SIGTERM at one deadline, SIGKILL
// at a later one. Several requests keep the earliest deadline of each kind, so no
// request postpones an end that another one has promised. Plain data: its owner locks.

#include <chrono>
#include <optional>

namespace ondrevo {

class EndSchedule {
public:
    using Clock = std::chrono::steady_clock;

    struct Due {
        bool terminate = false;
        bool kill = false;
    };

    // SIGTERM `terminateAfter` after `now`, SIGKILL `killAfter` after that; negative
    // durations count as zero.
    void Add(Clock::time_point now, std::chrono::milliseconds terminateAfter, std::chrono::milliseconds killAfter);
    // The signals whose deadline has come by `now`; each is handed out once.
    Due TakeDue(Clock::time_point now);
    // The next deadline still to come, if any.
    std::optional<Clock::time_point> Next() const;

private:
    std::optional<Clock::time_point> terminateAt_;
    std::optional<Clock::time_point> killAt_;
};

} // namespace ondrevo
