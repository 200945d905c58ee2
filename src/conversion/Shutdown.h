#pragma once
// Powering the machine off when a batch has converted its last row.

#include <cstdint>
#include <functional>

namespace ondrevo {

class ILoginManager;

// Asks the login manager to power the machine off: reach it, ask whether power-off is
// allowed ("yes"), then request it without interaction. Each step that fails issues
// `quitRequest` and the later steps still run (and fail in turn), so after any failure
// the program ends once the current events are handled, and the machine stays on.
// `flags` 8 means power off; no other request is made. UI thread.
void ShutdownComputer(std::uint32_t flags, ILoginManager& manager, const std::function<void()>& quitRequest);

} // namespace ondrevo
