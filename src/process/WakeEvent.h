#pragma once
// An eventfd that one thread signals to wake another thread out of poll(). Reading
// it clears it. The descriptor is never closed while its owner thread may poll it:
// the event lives in the state shared with that thread.

#include "process/UniqueFd.h"

namespace ondrevo {

class WakeEvent {
public:
    // Raises EOSError when no eventfd can be made.
    WakeEvent();
    int Fd() const { return fd_.Get(); }
    void Signal() noexcept;
    void Clear() noexcept;

private:
    UniqueFd fd_;
};

} // namespace ondrevo
