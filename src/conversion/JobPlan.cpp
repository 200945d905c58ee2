#include "conversion/JobPlan.h"

#include "conversion/Batch.h"
#include "conversion/CommandLine.h"
#include "conversion/WholeOutput.h"
#include "media/FileList.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace ondrevo {
namespace {

bool IsFolder(const std::string& path)
{
    struct stat status { };
    return ::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

long long FileBytes(const std::string& path)
{
    struct stat status { };
    return ::stat(path.c_str(), &status) == 0 ? static_cast<long long>(status.st_size) : -1;
}

} // namespace

JobPlan PlanJob(const JobPlanInput& in)
{
    if (!in.refusal.empty())
        return { JobPlan::Kind::Refuse, in.refusal, true };
    // The encoder, told to overwrite, would destroy the file it is reading; reading a
    // named pipe or a device, it would wait or read for ever, holding the batch.
    const std::string notAFile = file_list::NotAFileKind(in.source);
    if (!notAFile.empty())
        return { JobPlan::Kind::Refuse, "Not converted: " + in.source + " is " + notAFile + ", not a file" };
    if (command_line::SameFile(in.source, in.output))
        return { JobPlan::Kind::Refuse, batch::kOutputIsSourceHint };
    // A folder under the output's name would refuse the rename only after the whole
    // encode. A symbolic link there is replaced as a file is, whatever it points to.
    if (IsFolder(in.output))
        return { JobPlan::Kind::Refuse, in.output + ": " + std::strerror(EISDIR) };
    // A whole earlier output is kept as it is. A row the user chose to convert again is
    // converted, and so is one whose earlier output is over the largest size.
    if (in.existing == ExistingOutputs::Skip && !in.again
        && (in.limit.kilobytes == 0 || FileBytes(in.output) <= in.limit.Bytes())
        && IsWholeOutput(in.output, in.sourceMilliseconds))
        return { JobPlan::Kind::Skip, "" };
    return { JobPlan::Kind::Run, "" };
}

} // namespace ondrevo
