// Files dropped on the list (or handed over by a second start, which goes through the same
// handler) while a batch runs: appended after the batch's rows and converted by the same
// batch, with the editing buttons kept off until both the batch and the adding are over.

#include "app/ConversionTestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace ondrevo::testing {
namespace {

namespace fs = std::filesystem;

class DropDuringBatch : public ::testing::Test {
protected:
    DropDuringBatch()
        : session(dir)
        , window(session.window)
    {
    }

    void Drop(const std::vector<std::string>& paths)
    {
        session.Event([&](TFFmpegFrmHandlers& h) { h.FileListViewDragDrop(paths); });
    }
    std::vector<std::string> Captions() const
    {
        std::vector<std::string> captions;
        for (const auto& row : window.fileList.rows)
            captions.push_back(row.caption);
        return captions;
    }
    std::vector<bool> ListButtons() const
    {
        return { window.addFileBtn.enabled, window.delFileBtn.enabled, window.clearFileBtn.enabled,
            window.convFileBtn.enabled, window.playBtn.enabled };
    }

    TempDir dir;
    ConversionSession session;
    MemoryMainWindow& window;
    ErrorReports reports;
};

TEST_F(DropDuringBatch, AFileAndAFolderDroppedDuringABatchAreAppendedAndTheSameBatchConvertsThem)
{
    const std::string first = session.Clip("first.mp4", 2);
    const std::string single = session.Clip("late/single.mp4", 1);
    const std::string inFolder = session.Clip("folder/a.mp4", 1);
    const std::string inSub = session.Clip("folder/sub/b.mp4", 1);
    session.Add(first);
    session.Convert();
    ASSERT_EQ(session.Phase(0), RowPhase::Converting);
    // The list takes drops while the batch runs.
    session.Event([](TFFmpegFrmHandlers& h) { EXPECT_TRUE(h.FileListViewDragOver()); });
    Drop({ single });
    Drop({ (session.testFolder / "folder").string() });
    ASSERT_TRUE(session.RunUntil([&] { return window.fileList.RowCount() == 4 && !window.adder.Running(); }));
    EXPECT_EQ(Captions(), (std::vector<std::string> { first, single, inFolder, inSub }));
    EXPECT_EQ(ListButtons(), std::vector<bool>(5, false)) << "while the batch runs";

    ASSERT_TRUE(session.WaitUntilIdle());
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(session.Phase(row), RowPhase::Converted) << row;
    for (const char* name : { "first.3gp", "single.3gp", "a.3gp", "b.3gp" })
        EXPECT_TRUE(fs::exists(session.Output(name))) << name;
    EXPECT_TRUE(reports.messages.empty()) << reports.messages.front();
}

TEST_F(DropDuringBatch, StoppedWhileDroppedFilesAreStillBeingAddedTheListButtonsWaitForTheAdding)
{
    session.EncodeUntilStopped();
    const std::string first = session.Clip("first.mp4", 2);
    session.Add(first);
    session.Convert();
    Drop(std::vector<std::string>(40, first));
    ASSERT_TRUE(window.adder.Running());
    session.Stop();
    // Add is back at once; Delete, Clear, Convert and Play wait for the adding, as they do
    // outside a batch.
    EXPECT_EQ(ListButtons(), (std::vector<bool> { true, false, false, false, false }));
    ASSERT_TRUE(session.RunUntil([&] { return !window.adder.Running(); }));
    EXPECT_EQ(window.fileList.RowCount(), 41);
    EXPECT_EQ(ListButtons(), std::vector<bool>(5, true));
    ASSERT_TRUE(session.WaitUntilIdle());
    EXPECT_TRUE(reports.messages.empty()) << reports.messages.front();
}

} // namespace
} // namespace ondrevo::testing
