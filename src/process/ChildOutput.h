#pragma once
// Runs a short-lived child to read what it prints (standard output and error together),
// for questions asked of a program before the real work: its list of encoders, a
// source's header. The child and whatever it started end before this returns. UI thread
// (it waits for the child).

#include <string>
#include <vector>

namespace ondrevo {

struct ChildOutput {
    std::string text; // everything it printed, or what it had when the time ran out
    bool whole = false; // it closed its output within the time
    bool succeeded = false; // whole, and it exited with status 0
};

// Raises EOSError when the program cannot be started.
ChildOutput ReadChildOutput(const std::vector<std::string>& arguments, int milliseconds);

} // namespace ondrevo
