#pragma once
// Waiting for something a test cannot be told about: a process state, a file, a thread
// count. The condition is checked until it holds; the limit only ever fails a test, it
// never lets one pass, so it is generous and a slow machine only takes longer.

#include <chrono>
#include <functional>

namespace ondrevo::testing {

// True as soon as `condition` holds; false once `limit` has passed without it.
[[nodiscard]] bool WaitUntil(
    const std::function<bool()>& condition, std::chrono::milliseconds limit = std::chrono::seconds(60));

} // namespace ondrevo::testing
