#include "process/ThreadStartFault.h"

#include <mutex>
#include <utility>

namespace ondrevo {
namespace {

std::mutex mutex;
int startsLeft = -1; // -1: not armed
std::exception_ptr armed;

} // namespace

void ThreadStartFault::Arm(int startsBefore, std::exception_ptr error)
{
    std::lock_guard lock(mutex);
    startsLeft = startsBefore;
    armed = std::move(error);
}

void ThreadStartFault::Disarm()
{
    Arm(-1, nullptr);
}

void ThreadStartFault::Check()
{
    std::exception_ptr error;
    {
        std::lock_guard lock(mutex);
        if (startsLeft < 0)
            return;
        if (startsLeft-- > 0)
            return;
        error = std::exchange(armed, nullptr);
    }
    if (error)
        std::rethrow_exception(error);
}

} // namespace ondrevo
