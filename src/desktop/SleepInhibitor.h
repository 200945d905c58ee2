#pragma once
// Keeps the machine awake while a batch runs: holding takes a "sleep:idle" inhibitor
// lock in "block" mode from the login manager, letting go closes it. A manager that
// cannot be reached or refuses leaves the inhibitor not held; the batch runs all the
// same. The lock is released when the inhibitor is destroyed. UI thread.

#include "base/Controls.h"
#include "process/UniqueFd.h"

namespace ondrevo {

class ILoginManager;

class SleepInhibitor : public ISleepInhibitor {
public:
    explicit SleepInhibitor(ILoginManager& manager)
        : manager_(manager)
    {
    }
    bool Held() const override { return lock_.Valid(); }
    void SetHeld(bool held) override;

private:
    ILoginManager& manager_;
    UniqueFd lock_;
};

} // namespace ondrevo
