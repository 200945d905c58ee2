#pragma once
// Other programs, for tests and benchmarks: running an argument list or a shell command
// line, and whether a process is gone.

#include <string>
#include <sys/types.h>
#include <vector>

namespace ondrevo::testing {

// Runs `arguments` (the program looked up on PATH) to its end with its input from
// /dev/null. Its output and errors go into the file `log`, or where ours go when `log`
// is empty. Returns its exit status, 128 + the signal that ended it, or -1 when it could
// not start.
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

} // namespace ondrevo::testing
