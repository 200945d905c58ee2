// The error report and the dispatch rules: what escapes a handler is shown once, with
// the message's text rule, and the program goes on.

#include "app/ErrorReport.h"
#include "base/Errors.h"
#include "base/HandlerDispatch.h"
#include "base/IntegerText.h"
#include "base/PlainEventLoop.h"
#include "support/MemoryControls.h"

#include <gtest/gtest.h>

namespace ondrevo {
namespace {

using testing::ErrorReports;
using testing::MemoryEdit;

TEST(ErrorReportText, AppendsAPeriodOnlyAfterCharactersThatSortAfterIt)
{
    EXPECT_EQ(ErrorReportText("no such table: cmbex_vdocodec"), "no such table: cmbex_vdocodec.");
    EXPECT_EQ(ErrorReportText("Done."), "Done.");
    EXPECT_EQ(ErrorReportText("Stopped!"), "Stopped!"); // '!' sorts before '.'
    EXPECT_EQ(ErrorReportText("value -"), "value -"); // '-' sorts before '.'
    EXPECT_EQ(ErrorReportText("'12a' is not valid/"), "'12a' is not valid/."); // '/' sorts after '.'
    EXPECT_EQ(ErrorReportText("Code: 2"), "Code: 2.");
    EXPECT_EQ(ErrorReportText(""), "");
    EXPECT_EQ(ErrorReportText("\xC3\xA9"), "\xC3\xA9."); // bytes of UTF-8 sort after '.'
}

TEST(Dispatch, ReportsEachEscapingErrorOnceWithTheApplicationTitleLeavesTheRestUndoneAndGoesOn)
{
    ErrorReports reports;
    int steps = 0;
    bool after = false;
    Dispatch([] { throw EConvertError("'x' is not a valid integer value"); });
    Dispatch([&] {
        ++steps;
        StrToInt("1x");
        ++steps;
    });
    Dispatch([] { throw 42; }); // not a standard exception
    Dispatch([&] { after = true; });
    EXPECT_EQ(steps, 1);
    ASSERT_EQ(reports.messages.size(), 3u);
    EXPECT_EQ(reports.messages[0], "'x' is not a valid integer value.");
    EXPECT_EQ(reports.messages[1], "'1x' is not a valid integer value.");
    EXPECT_FALSE(reports.messages[2].empty());
    EXPECT_EQ(reports.captions, std::vector<std::string>(3, "Ondrevo"));
    EXPECT_TRUE(after);
}

TEST(EditChangeEvent, FiresBeforeTheSetterReturnsAndOnlyForADifferentText)
{
    MemoryEdit edit("-1");
    std::vector<std::string> seen;
    edit.OnChange = [&] { seen.push_back(edit.Text()); };
    edit.SetText("-1");
    EXPECT_TRUE(seen.empty());
    edit.SetText("0");
    ASSERT_EQ(seen, std::vector<std::string> { "0" }); // already ran when SetText returned
    edit.SetText("0");
    edit.SetText("1");
    EXPECT_EQ(seen, (std::vector<std::string> { "0", "1" }));
}

TEST(EditChangeEvent, AnErrorInTheChangeHandlerIsReportedAndTheSetterReturnsNormally)
{
    ErrorReports reports;
    MemoryEdit edit("-1");
    edit.OnChange = [] { throw EOSError::FromErrno(2); };
    bool returned = false;
    EXPECT_NO_THROW({
        edit.SetText("0");
        returned = true;
    });
    EXPECT_TRUE(returned);
    EXPECT_EQ(edit.Text(), "0");
    ASSERT_EQ(reports.messages.size(), 1u);
    EXPECT_EQ(reports.messages[0], "System Error.  Code: 2.\nNo such file or directory.");
}

TEST(EditChangeEvent, AChangeHandlerThatSetsTheEditAgainNestsLikeTheBatchChain)
{
    // The batch driver writes the next index from inside the previous job's events; each
    // write fires its own change event at once.
    MemoryEdit edit("-1");
    std::vector<std::string> seen;
    edit.OnChange = [&] {
        seen.push_back(edit.Text());
        const int next = StrToInt(edit.Text()) + 1;
        if (next < 3)
            edit.SetText(std::to_string(next));
    };
    edit.SetText("0");
    EXPECT_EQ(seen, (std::vector<std::string> { "0", "1", "2" }));
}

TEST(PlainEventLoop, RunsTasksInOrderAndQuitsAfterThoseAlreadyQueued)
{
    PlainEventLoop loop;
    std::vector<int> order;
    loop.Post([&] { order.push_back(1); });
    loop.Post([&] {
        order.push_back(2);
        loop.Quit();
        loop.Post([&] { order.push_back(4); }); // queued after the quit request
    });
    loop.Post([&] { order.push_back(3); });
    loop.Run();
    EXPECT_EQ(order, (std::vector<int> { 1, 2, 3 }));
    loop.Drain();
    EXPECT_EQ(order, (std::vector<int> { 1, 2, 3, 4 }));
}

TEST(PlainEventLoop, AnErrorInATaskIsReportedAndTheLoopGoesOn)
{
    ErrorReports reports;
    PlainEventLoop loop;
    bool ran = false;
    loop.Post([] { throw EJVCLException("Cannot perform this operation when process is running"); });
    loop.Post([&] {
        ran = true;
        loop.Quit();
    });
    loop.Run();
    EXPECT_TRUE(ran);
    EXPECT_EQ(reports.messages, std::vector<std::string> { "Cannot perform this operation when process is running." });
}

TEST(PlainEventLoop, AcceptsTasksFromOtherThreads)
{
    PlainEventLoop loop;
    int count = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 250; ++i)
                loop.Post([&] { ++count; });
        });
    for (auto& thread : threads)
        thread.join();
    loop.Drain();
    EXPECT_EQ(count, 1000);
}

} // namespace
} // namespace ondrevo
