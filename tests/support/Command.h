#pragma once
// Other programs, for tests and benchmarks: running an argument list or a shell command
// line, whether a process is gone, and waiting for what a test cannot be told about (a
// process state, a file, a thread count).

#include <chrono>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace ondrevo::testing {

// Starts `arguments` (the program looked up on PATH) with its input from /dev/null, its
// output and errors in the file `log` (where ours go when `log` is empty) and, when
// given, `environment` as its whole environment. Returns its pid; -1 when it cannot start.
pid_t StartCommand(const std::vector<std::string>& arguments, const std::string& log = "",
    const std::vector<std::string>* environment = nullptr);
// Waits for a started command's end: its exit status, or 128 + the signal that ended it.
int WaitCommand(pid_t pid);
// StartCommand, then WaitCommand; -1 when it could not start.
int RunCommand(const std::vector<std::string>& arguments, const std::string& log = "");
// Runs a shell command; returns its exit status.
int Shell(const std::string& command);
// Runs a shell command and returns its standard output.
std::string ShellOutput(const std::string& command);
// Quotes a text for the shell.
std::string ShellQuote(const std::string& text);
// Whether a process has ended and been reaped, so that its id names nothing (a zombie is
// not gone). False for ids that name no single process (0 and below).
bool ProcessGone(pid_t pid);
// True as soon as `condition` holds; false once `limit` has passed without it. The limit
// only ever fails a test, it never lets one pass: it is generous, and a slow machine only
// takes longer.
[[nodiscard]] bool WaitUntil(
    const std::function<bool()>& condition, std::chrono::milliseconds limit = std::chrono::seconds(60));

} // namespace ondrevo::testing
