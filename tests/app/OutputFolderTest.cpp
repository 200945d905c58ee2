// The output folder: the default shown but never stored, a chosen folder stored exactly
// as chosen and shown again after a restart, and answers that are no folder.

#include "support/MemoryControls.h"

#include "app/TFFmpegFunc.h"
#include "base/ProgramFolder.h"
#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace ondrevo::testing {
namespace {

namespace fs = std::filesystem;

class OutputFolderTest : public ::testing::Test, protected ProgramOnShippedCopy {
protected:
    OutputFolderTest() { SetProgramFolderForTesting(programFolder_.Path().string()); }
    ~OutputFolderTest() override { SetProgramFolderForTesting(""); }

    void Choose(const std::optional<std::string>& answer)
    {
        session_->window.desktop.folderAnswers.push_back(answer);
        session_->Event([](TFFmpegFrmHandlers& h) { h.JvBtnSltDirClick(); });
    }
    std::string Field() { return session_->window.jvEditDir.Text(); }
    std::string Stored() { return QueryValue(db, "select dir_name from savedir_videofile where dir_numb = '001'"); }
    std::string Default() { return programFolder_.Path().string() + "/FFOutput"; }

    TempDir programFolder_;
};

TEST_F(OutputFolderTest, FreshDatabaseShowsTheDefaultWithoutStoringIt)
{
    Start();
    EXPECT_EQ(Field(), Default());
    EXPECT_EQ(TFFmpegFunc::DefaultOutputDir(), Default());
    EXPECT_EQ(Stored(), "");
    EXPECT_FALSE(fs::exists(Default())) << "the program creates no folder";

    ExecuteSql(db, "update savedir_videofile set dir_name = NULL");
    Start();
    EXPECT_EQ(Field(), Default());
    EXPECT_TRUE(reports.messages.empty());
}

TEST_F(OutputFolderTest, AwkwardFolderNameSurvivesARestartUnchanged)
{
    const std::string folder = (dir_.Path() / "it's a \"clip\" folder 'x' — Ünïcødé 日本").string();
    fs::create_directory(folder);
    Start();
    Choose(folder);
    EXPECT_EQ(session_->window.desktop.chooserTitles, std::vector<std::string> { "Please select the folder" });
    EXPECT_EQ(Field(), folder);
    EXPECT_EQ(Stored(), folder);

    Start(); // a new data module on the same file
    EXPECT_EQ(Field(), folder);
    session_->Event([](TFFmpegFrmHandlers& h) { h.JvBtnOpenDirClick(); });
    EXPECT_EQ(session_->window.desktop.opened, std::vector<std::string> { folder });
    EXPECT_TRUE(reports.messages.empty());
}

TEST_F(OutputFolderTest, FoldersAreStoredExactlyAsChosen)
{
    Start();
    Choose("/");
    EXPECT_EQ(Stored(), "/");
    const std::string withSeparator = dir_.Path().string() + "/";
    Choose(withSeparator);
    EXPECT_EQ(Field(), withSeparator);
    EXPECT_EQ(Stored(), withSeparator);
}

TEST_F(OutputFolderTest, CancelChangesNothingAndAnswersThatAreNoFolderShowTheDefault)
{
    const std::string first = dir_.File("first");
    fs::create_directory(first);
    Start();
    Choose(first);
    Choose(std::nullopt);
    EXPECT_EQ(Field(), first);

    std::ofstream(dir_.File("a file")) << "x";
    for (const std::string& answer : { dir_.File("a file"), dir_.File("missing"), std::string() }) {
        Choose(first);
        Choose(answer);
        EXPECT_EQ(Field(), Default()) << answer;
        EXPECT_EQ(Stored(), first) << answer;
    }
    Start();
    EXPECT_EQ(Field(), first);
    EXPECT_TRUE(reports.messages.empty());
}

TEST_F(OutputFolderTest, MissingFolderRowIsNeverKept)
{
    ExecuteSql(db, "delete from savedir_videofile");
    Start();
    EXPECT_EQ(Field(), Default());
    Choose(dir_.Path().string());
    EXPECT_EQ(Field(), dir_.Path().string());
    Start();
    EXPECT_EQ(Field(), Default());
    EXPECT_TRUE(reports.messages.empty());
}

} // namespace
} // namespace ondrevo::testing
