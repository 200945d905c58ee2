#include "conversion/JobOutcome.h"

#include "conversion/ConversionJob.h"
#include "conversion/SizeAim.h"

#include <cstdio>

namespace ondrevo {
namespace {

// The encoder's exit after SIGTERM or SIGINT: it finalises its file first.
constexpr std::uint32_t kInterruptedExit = 255;

std::string Seconds(long long milliseconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(milliseconds) / 1000.0);
    return text;
}

std::string WhyItFailed(const ConversionJob& job, std::uint32_t exitCode)
{
    if (!job.failureLine.empty())
        return job.failureLine;
    if (!job.lastLine.empty())
        return job.lastLine;
    if (exitCode >= 0x100 && exitCode < 0x200)
        return "The encoder was ended by signal " + std::to_string(exitCode - 0x100);
    return "The encoder ended with code " + std::to_string(exitCode);
}

} // namespace

namespace {

JobOutcome JudgeRun(
    const ConversionJob& job, std::uint32_t exitCode, long long outputMilliseconds, long long outputBytes)
{
    JobOutcome outcome;
    outcome.stopBatch = (job.outputBlocked || job.encoderUnfit) && !WasStopped(job.life);
    if (!job.skippedOutput.empty()) {
        const std::size_t slash = job.skippedOutput.rfind('/');
        outcome.reason
            = "Skipped: " + job.skippedOutput.substr(slash == std::string::npos ? 0 : slash + 1) + " already exists";
        return outcome;
    }
    if (!job.output) {
        // Nothing ran: the output would replace the source, or could not be created.
        outcome.failed = true;
        outcome.reason = WhyItFailed(job, exitCode);
        return outcome;
    }
    if (job.writeFailed) {
        outcome.failed = true;
        outcome.reason = WhyItFailed(job, exitCode);
        return outcome;
    }
    if (WasStopped(job.life)) {
        outcome.keep = (exitCode == 0 || exitCode == kInterruptedExit) && outputBytes > 0 && outputMilliseconds > 0;
        if (!outcome.keep)
            outcome.reason = "Stopped before a playable part was written";
        return outcome;
    }
    outcome.failed = true;
    // A cut output is whole at its cut.
    const long long expected = job.aim.plan.cutMilliseconds > 0 ? job.aim.plan.cutMilliseconds : job.sourceMilliseconds;
    if (exitCode != 0) {
        // Under a limit, a refusal says what it means before the encoder's words.
        outcome.reason = job.aim.limitBytes > 0 ? size_aim::RefusedReason(job.aim, WhyItFailed(job, exitCode)) : "";
        if (outcome.reason.empty())
            outcome.reason = WhyItFailed(job, exitCode);
    } else if (outputBytes <= 0) {
        outcome.reason = "The encoder wrote nothing";
    } else if (expected > 0 && outputMilliseconds * 10 < expected * 9) {
        // A source cut short: the encoder converts what it can read and ends with 0.
        outcome.reason = "Only " + Seconds(outputMilliseconds) + " of " + Seconds(expected) + " were converted";
        if (!job.failureLine.empty())
            outcome.reason += ": " + job.failureLine;
    } else {
        outcome.failed = false;
        outcome.keep = true;
        // A recording still being written: converted as far as it was when read.
        if (job.sourceGrew)
            outcome.reason = "The source grew while it was read: " + Seconds(outputMilliseconds)
                + " were converted, as far as it went then";
    }
    return outcome;
}

} // namespace

JobOutcome JudgeJob(
    const ConversionJob& job, std::uint32_t exitCode, long long outputMilliseconds, long long outputBytes)
{
    JobOutcome outcome = JudgeRun(job, exitCode, outputMilliseconds, outputBytes);
    const size_aim::Aim& aim = job.aim;
    if (aim.limitBytes == 0 || !outcome.keep)
        return outcome;
    // No file over the largest size is ever kept, a stopped part included.
    if (outputBytes > aim.limitBytes) {
        outcome.keep = false;
        outcome.failed = true;
        outcome.reason = size_aim::OverLimitReason(outputBytes, aim.limitBytes, aim.tries);
    } else if ((aim.plan.cutMilliseconds > 0 || aim.plan.audioBps > 0) && outcome.reason.empty()
        && !WasStopped(job.life)) {
        // The hint says what was given up to fit: the end, or the sound's bitrate.
        outcome.reason = aim.plan.reason;
    }
    return outcome;
}

} // namespace ondrevo
