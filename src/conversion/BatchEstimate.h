#pragma once
// How far the whole batch has got and when it will end. Its share is weighted by
// playing time: the seconds of source converted out of the seconds of every row. The
// time left comes from the pace so far; it says nothing before the batch has run 5 s,
// is never negative, and never jumps far up (a slow stretch raises it step by step
// rather than back to hours). UI thread.

#include <chrono>
#include <optional>
#include <string>

namespace ondrevo {

class BatchEstimate {
public:
    using Clock = std::chrono::steady_clock;

    // A batch of `files` rows that play `totalSeconds` in all starts at `now`.
    void Start(Clock::time_point now, long long totalSeconds, int files);
    // A row joined the running batch.
    void RowAdded(long long rowSeconds);
    // A row of the batch turned out to play `newSeconds` rather than `oldSeconds`.
    void RowLengthChanged(long long oldSeconds, long long newSeconds);
    // The batch was paused or resumed at `now`: paused time does not count in its pace,
    // and the text says it is paused.
    void SetPaused(Clock::time_point now, bool paused);
    // A row has ended (converted, or failed): its seconds count as done.
    void RowEnded(long long rowSeconds, bool failed);
    // A row was skipped (its whole output was there): it counts as a file done, and its
    // seconds leave the batch, whose pace is of the rows converted.
    void RowSkipped(long long rowSeconds);
    // The time now, and the seconds converted so far by the rows still running.
    void Update(Clock::time_point now, long long runningSeconds);
    void Stop() { running_ = false; }

    bool Running() const { return running_; }
    int Percent() const;
    int FilesDone() const { return filesDone_; }
    int FilesFailed() const { return filesFailed_; }
    // "57 files converted, 3 failed, 2 skipped": how a finished batch went.
    std::string Summary() const;
    // The time left, once known.
    std::optional<std::chrono::seconds> Left() const
    {
        if (!left_)
            return std::nullopt;
        return std::chrono::duration_cast<std::chrono::seconds>(*left_ + std::chrono::milliseconds(500));
    }
    // "12 of 60 files, about 3 min left", or without the time while it is not known;
    // "12 of 60 files, paused" while paused.
    std::string Text() const;

    // "about 45 s", "about 3 min", "about 2 h 5 min".
    static std::string LeftText(std::chrono::seconds left);

private:
    bool running_ = false;
    std::optional<Clock::time_point> pausedAt_;
    Clock::time_point started_ {};
    Clock::time_point lastUpdate_ {};
    long long totalSeconds_ = 0;
    long long endedSeconds_ = 0;
    long long runningSeconds_ = 0;
    int files_ = 0;
    int filesDone_ = 0;
    int filesFailed_ = 0;
    int filesSkipped_ = 0;
    std::optional<std::chrono::milliseconds> left_;
};

} // namespace ondrevo
