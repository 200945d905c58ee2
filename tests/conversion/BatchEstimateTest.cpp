// The whole batch's share, weighted by playing time, and the time left, on a table of
// batches as they go.

#include "conversion/BatchEstimate.h"

#include <gtest/gtest.h>

namespace ondrevo::testing {
namespace {

using std::chrono::seconds;

struct Step {
    int at; // seconds since the start
    int endedRowSeconds; // a row of this length ended just now (0: none; negative: skipped)
    int running; // seconds converted by the rows still running
    int percent;
    int left; // seconds, -1 while not known
    const char* text; // nullptr: not looked at
};

struct Case {
    const char* what;
    long long total;
    int files;
    std::vector<Step> steps;
};

TEST(BatchEstimate, ShareByPlayingTimeAndATimeLeftThatNeverJumpsBackToHours)
{
    const Case cases[] = {
        { "nothing said in the first 5 s", 600, 3,
            { { 1, 0, 10, 1, -1, "0 of 3 files" }, { 4, 0, 40, 6, -1, "0 of 3 files" },
                { 5, 0, 50, 8, 55, "0 of 3 files, about 55 s left" } } },
        // A 10 s row counts for 10 of 100 s, not for one file in two.
        { "weighted by playing time", 100, 2, { { 10, 10, 0, 10, 90, "1 of 2 files, about 2 min left" } } },
        { "hours, then down freely", 36000, 10,
            { { 60, 0, 300, 0, 7140, "0 of 10 files, about 1 h 59 min left" },
                { 120, 3600, 0, 10, 1080, "1 of 10 files, about 18 min left" } } },
        // The pace drops to a twentieth: the estimate rises only by the time that has
        // passed, not to the 30 min the new pace alone would say.
        { "a slow file", 1000, 2,
            { { 10, 0, 100, 10, 90, nullptr }, { 20, 0, 101, 10, 100, nullptr }, { 50, 0, 102, 10, 130, nullptr } } },
        { "done early", 100, 1, { { 10, 100, 0, 100, 0, "1 of 1 files, about 0 s left" } } },
        { "running past the known length", 100, 1, { { 10, 0, 150, 100, 0, nullptr } } },
        // A row skipped at once is done, but its 50 s were not converted at any pace.
        { "a skipped row", 100, 2,
            { { 0, -50, 0, 0, -1, "1 of 2 files" }, { 10, 0, 25, 50, 10, "1 of 2 files, about 10 s left" } } },
    };
    for (const Case& c : cases) {
        BatchEstimate estimate;
        const auto start = BatchEstimate::Clock::now();
        estimate.Start(start, c.total, c.files);
        for (const Step& step : c.steps) {
            if (step.endedRowSeconds > 0)
                estimate.RowEnded(step.endedRowSeconds, false);
            else if (step.endedRowSeconds < 0)
                estimate.RowSkipped(-step.endedRowSeconds);
            estimate.Update(start + seconds(step.at), step.running);
            EXPECT_EQ(estimate.Percent(), step.percent) << c.what << " at " << step.at;
            EXPECT_EQ(estimate.Left() ? estimate.Left()->count() : -1, step.left) << c.what << " at " << step.at;
            if (step.text) {
                EXPECT_EQ(estimate.Text(), step.text) << c.what << " at " << step.at;
            }
        }
    }
}

TEST(BatchEstimate, TheSummarySaysHowManyWereConvertedAndHowManyFailed)
{
    BatchEstimate estimate;
    estimate.Start(BatchEstimate::Clock::now(), 40, 4);
    estimate.RowEnded(10, false);
    EXPECT_EQ(estimate.Summary(), "1 file converted");
    estimate.RowEnded(10, true);
    estimate.RowEnded(10, false);
    EXPECT_EQ(estimate.Summary(), "2 files converted, 1 failed");
    estimate.RowSkipped(10);
    EXPECT_EQ(estimate.Summary(), "2 files converted, 1 failed, 1 skipped");
}

} // namespace
} // namespace ondrevo::testing
