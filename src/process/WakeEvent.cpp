#include "process/WakeEvent.h"

#include "base/Errors.h"

#include <cerrno>
#include <cstdint>
#include <sys/eventfd.h>

namespace ondrevo {

WakeEvent::WakeEvent()
    : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (!fd_.Valid())
        throw EOSError::FromErrno(errno);
}

void WakeEvent::Signal() noexcept
{
    const std::uint64_t one = 1;
    // Only EINTR can interrupt; a full counter (EAGAIN) still leaves the event readable.
    while (::write(fd_.Get(), &one, sizeof one) < 0 && errno == EINTR) { }
}

void WakeEvent::Clear() noexcept
{
    std::uint64_t value = 0;
    while (::read(fd_.Get(), &value, sizeof value) < 0 && errno == EINTR) { }
}

} // namespace ondrevo
