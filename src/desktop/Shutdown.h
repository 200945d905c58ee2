#pragma once
// Powering the machine off at the end of a batch, through the login manager.

#include <cstdint>
#include <functional>

namespace ondrevo {

class ILoginManager;

// Flag bits as the batch driver passes them. 8 asks to shut down and switch the power
// off; 1 (shut down) may come with it and changes nothing; the force bits 4 and 16 are
// accepted and ignored, since the login manager itself decides how the session's other
// programs are closed. Every other request (logging off with 0, reboot with 2, shut
// down without power-off) is not made here and counts as a refused request.
constexpr std::uint32_t kShutdownPowerOff = 8;

// Asks `manager` for power-off in three steps, in this order:
//   1. connect to the login manager;
//   2. ask whether this user may power off now; only the answer "yes" passes;
//   3. request power-off without interaction (for the flags above; others fail here).
// A step that fails calls `quitRequest` and the remaining steps still run; a step that
// cannot run because an earlier one failed (no connection) fails in turn. So the program
// quits at the end of the batch unless the request was made. Raises nothing of its own;
// `quitRequest` may be called up to three times. UI thread.
void ShutdownComputer(std::uint32_t flags, ILoginManager& manager, const std::function<void()>& quitRequest);

} // namespace ondrevo
