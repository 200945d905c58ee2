#include "conversion/BatchEstimate.h"

#include <algorithm>

namespace ondrevo {
namespace {

// Before this much of the batch has run, its pace says too little.
constexpr std::chrono::seconds kFirstEstimate { 5 };

} // namespace

void BatchEstimate::Start(Clock::time_point now, long long totalSeconds, int files)
{
    *this = BatchEstimate {};
    running_ = true;
    started_ = lastUpdate_ = now;
    totalSeconds_ = std::max(totalSeconds, 0LL);
    files_ = files;
}

void BatchEstimate::RowAdded(long long rowSeconds)
{
    totalSeconds_ += std::max(rowSeconds, 0LL);
    ++files_;
}

void BatchEstimate::RowLengthChanged(long long oldSeconds, long long newSeconds)
{
    totalSeconds_ = std::max(totalSeconds_ - std::max(oldSeconds, 0LL) + std::max(newSeconds, 0LL), 0LL);
}

void BatchEstimate::SetPaused(Clock::time_point now, bool paused)
{
    if (paused && !pausedAt_) {
        pausedAt_ = now;
    } else if (!paused && pausedAt_) {
        // The pace counts from a start moved on by the pause.
        started_ += now - *pausedAt_;
        lastUpdate_ = now;
        pausedAt_.reset();
    }
}

void BatchEstimate::RowEnded(long long rowSeconds, bool failed)
{
    endedSeconds_ += std::max(rowSeconds, 0LL);
    filesDone_ = std::min(filesDone_ + 1, files_);
    filesFailed_ += failed ? 1 : 0;
}

void BatchEstimate::RowSkipped(long long rowSeconds)
{
    totalSeconds_ = std::max(totalSeconds_ - std::max(rowSeconds, 0LL), 0LL);
    filesDone_ = std::min(filesDone_ + 1, files_);
    ++filesSkipped_;
}

std::string BatchEstimate::Summary() const
{
    const int converted = std::max(filesDone_ - filesFailed_ - filesSkipped_, 0);
    std::string text = std::to_string(converted) + (converted == 1 ? " file" : " files") + " converted";
    if (filesFailed_ > 0)
        text += ", " + std::to_string(filesFailed_) + " failed";
    if (filesSkipped_ > 0)
        text += ", " + std::to_string(filesSkipped_) + " skipped";
    return text;
}

void BatchEstimate::Update(Clock::time_point now, long long runningSeconds)
{
    runningSeconds_ = std::max(runningSeconds, 0LL);
    if (pausedAt_)
        return;
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - started_);
    const long long done = std::min(endedSeconds_ + runningSeconds_, totalSeconds_);
    if (elapsed < kFirstEstimate || done <= 0) {
        lastUpdate_ = now;
        return;
    }
    // Source seconds per wall second so far.
    const double pace = static_cast<double>(done) * 1000.0 / static_cast<double>(elapsed.count());
    const auto estimate
        = std::chrono::milliseconds(static_cast<long long>(static_cast<double>(totalSeconds_ - done) * 1000.0 / pace));
    if (!left_) {
        left_ = estimate;
    } else {
        // Down freely; up by at most the time that has passed, so a slow file moves the
        // end away step by step instead of throwing the estimate back to hours.
        const auto passed = std::chrono::duration_cast<std::chrono::milliseconds>(now - lastUpdate_);
        left_ = std::min(estimate, *left_ + passed);
    }
    left_ = std::max(*left_, std::chrono::milliseconds(0));
    lastUpdate_ = now;
}

int BatchEstimate::Percent() const
{
    if (totalSeconds_ <= 0)
        return files_ > 0 ? filesDone_ * 100 / files_ : 0;
    const long long done = std::min(endedSeconds_ + runningSeconds_, totalSeconds_);
    return static_cast<int>(done * 100 / totalSeconds_);
}

std::string BatchEstimate::LeftText(std::chrono::seconds left)
{
    const long long s = std::max<long long>(left.count(), 0);
    if (s < 60)
        return "about " + std::to_string(s) + " s";
    const long long minutes = (s + 30) / 60;
    if (minutes < 60)
        return "about " + std::to_string(minutes) + " min";
    return "about " + std::to_string(minutes / 60) + " h " + std::to_string(minutes % 60) + " min";
}

std::string BatchEstimate::Text() const
{
    std::string text = std::to_string(filesDone_) + " of " + std::to_string(files_) + " files";
    if (pausedAt_)
        return text + ", paused";
    if (const auto left = Left())
        text += ", " + LeftText(*left) + " left";
    return text;
}

} // namespace ondrevo
