#pragma once
// What a row's start comes to before anything is written: run its encoder, keep the
// whole output already under its name (Skip), or refuse it with the reason. Looks at
// the files named, changes none. UI thread.

#include "parameters/ExistingOutputs.h"
#include "parameters/SizeLimit.h"

#include <string>

namespace ondrevo {

struct JobPlanInput {
    std::string source;
    // Chosen with "Convert this row again": converted whatever output is there.
    bool again = false;
    ExistingOutputs existing = ExistingOutputs::Replace;
    size_limit::Choice limit;
    // The output's final path.
    std::string output;
    // The source's playing time (0 unknown), against which an earlier output is whole.
    long long sourceMilliseconds = 0;
    // Why the encoder program cannot convert with the choices ("" when it can).
    std::string refusal;
};

struct JobPlan {
    enum class Kind { Run, Skip, Refuse };
    Kind kind = Kind::Run;
    std::string reason;
    // Refused because the encoder program is unfit: every later row would be too.
    bool encoderUnfit = false;
    bool operator==(const JobPlan&) const = default;
};

// Refuses a row the encoder program cannot convert, a source that is no regular file
// (a named pipe, a device, a folder), an output that is the source itself and one whose
// name a folder has; with
// "Skip", keeps a whole earlier output within the largest size unless the row is to be
// converted again; otherwise runs.
JobPlan PlanJob(const JobPlanInput& input);

} // namespace ondrevo
