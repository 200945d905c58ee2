// The main window's own operations and event routing, driven through the in-memory
// window with the real runner on a plain loop.

#include "app/Startup.h"
#include "app/TFFmpegFunc.h"
#include "base/Errors.h"
#include "parameters/TSqlDatMod.h"
#include "support/Command.h"
#include "support/MemoryControls.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace ondrevo {
namespace {

using namespace testing;

class MainWindowLogic : public ::testing::Test {
protected:
    MainWindowLogic()
        : db(dir.File("LibFFmpeg.Dat"))
        , window(loop)
    {
        SqlDatMod = &db;
    }
    ~MainWindowLogic() override { SqlDatMod = nullptr; }

    std::vector<IButton*> FiveButtons()
    {
        return { &window.addFileBtn, &window.delFileBtn, &window.clearFileBtn, &window.convFileBtn, &window.playBtn };
    }

    TempDir dir;
    TSqlDatMod db;
    PlainEventLoop loop;
    MemoryMainWindow window;
};

TEST_F(MainWindowLogic, TheControllerFindsTheNineSelectorsByNameInTableOrder)
{
    TFFmpegFunc func;
    for (int n = 1; n <= 5; ++n)
        EXPECT_EQ(func.VideoSelectors()[static_cast<std::size_t>(n - 1)]->Tag(), n);
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(func.AudioSelectors()[static_cast<std::size_t>(n - 1)]->Tag(), 5 + n);
}

TEST_F(MainWindowLogic, DisableAndEnableSwitchTheFiveButtonsButNeverStop)
{
    TFFmpegFunc().DisableButtons();
    for (IButton* button : FiveButtons())
        EXPECT_FALSE(button->Enabled());
    EXPECT_TRUE(window.stopConvBtn.Enabled());
    window.stopConvBtn.enabled = false;
    TFFmpegFunc().EnableButtons();
    for (IButton* button : FiveButtons())
        EXPECT_TRUE(button->Enabled());
    EXPECT_FALSE(window.stopConvBtn.Enabled());
}

TEST_F(MainWindowLogic, ClosingWithoutABatchWritesNothingAndQuits)
{
    window.fileList.AppendRow("/tmp/a.mp4", 15, { "mp4", "1MB", "00:00:02", "0%" });
    window.Event([](TFFmpegFrmHandlers& h) { h.QuitBtnClick(); });
    EXPECT_TRUE(window.closed);
    ASSERT_EQ(loop.Pending(), 1u); // the quit request, and nothing written to a runner
    loop.Run(); // returns because of it
}

TEST_F(MainWindowLogic, ClosingDuringABatchEnablesTheButtonsAndSendsTheStopCommand)
{
    // A child that reports the first byte it reads, standing in for the encoder.
    const std::string received = dir.File("received");
    window.runner.SetCommandLine({ "/bin/sh", "-c", "head -c 1 > " + ShellQuote(received) });
    bool ended = false;
    window.runner.OnTerminate = [&](TJvCreateProcess&, std::uint32_t) { ended = true; };
    window.runner.Run();
    window.fileList.AppendRow("/tmp/a.mp4", 3, { "mp4", "1MB", "00:00:02", "12%" });
    TFFmpegFunc().DisableButtons();
    window.batch.StartRun({});

    window.Event([](TFFmpegFrmHandlers& h) { h.QuitBtnClick(); });

    for (IButton* button : FiveButtons())
        EXPECT_TRUE(button->Enabled());
    // Nothing else of the batch is touched.
    EXPECT_EQ(window.fileList.ImageIndex(0), 3);
    ASSERT_TRUE(loop.RunUntil([&] { return ended; }));
    EXPECT_EQ(ShellOutput("cat " + ShellQuote(received)), "q");
}

TEST_F(MainWindowLogic, StopOnCloseWithAnEmptyListWritesNothing)
{
    TFFmpegFunc().DisableButtons();
    TFFmpegFunc().StopOnClose();
    EXPECT_FALSE(window.addFileBtn.Enabled());
}

TEST_F(MainWindowLogic, DonateOpensThePageThroughTheDesktop)
{
    window.Event([](TFFmpegFrmHandlers& h) { h.DonateBtnClick(); });
    ASSERT_EQ(window.desktop.opened.size(), 1u);
    EXPECT_EQ(window.desktop.opened[0].rfind("https://", 0), 0u);
}

TEST_F(MainWindowLogic, OnlyTheLeftButtonOfTheTrayIconRestoresTheWindow)
{
    window.Event([](TFFmpegFrmHandlers& h) { h.JvTrayIconClick(TMouseButton::mbRight); });
    window.Event([](TFFmpegFrmHandlers& h) { h.JvTrayIconClick(TMouseButton::mbMiddle); });
    EXPECT_EQ(window.trayIcon.restores, 0);
    window.Event([](TFFmpegFrmHandlers& h) { h.JvTrayIconClick(TMouseButton::mbLeft); });
    window.Event([](TFFmpegFrmHandlers& h) { h.ShowMainForm1Click(); });
    EXPECT_EQ(window.trayIcon.restores, 2);
}

TEST_F(MainWindowLogic, TwoActionsShareNothingButTheControls)
{
    TFFmpegFunc first;
    first.DisableButtons();
    TFFmpegFunc second;
    second.StopOnClose(); // no batch in the window's model: sees the buttons as the first left them
    EXPECT_FALSE(window.addFileBtn.Enabled());
    window.batch.StartRun({});
    TFFmpegFunc third;
    third.StopOnClose();
    EXPECT_TRUE(window.addFileBtn.Enabled());
}

// A settings file that cannot be opened (here a folder in its place) is named in the box,
// with what to do.
TEST(StartupSequence, AnErrorCreatingTheDataModuleShowsAnApplicationErrorAndExitsOne)
{
    TempDir dir;
    WorkingDirectory cwd(dir.Path());
    std::filesystem::create_directory(dir.Path() / "LibFFmpeg.Dat");
    PlainEventLoop loop;
    std::string shownClass, shownMessage;
    bool windowCreated = false;
    StartupEnvironment environment;
    environment.loop = &loop;
    environment.createMainWindow = [&]() -> std::shared_ptr<void> {
        windowCreated = true;
        return nullptr;
    };
    environment.showApplicationError = [&](const std::string& c, const std::string& m) {
        shownClass = c;
        shownMessage = m;
    };
    EXPECT_EQ(RunStartup(environment), 1);
    EXPECT_FALSE(windowCreated);
    EXPECT_EQ(shownClass, "EUniError");
    EXPECT_EQ(shownMessage.rfind(
                  "unable to open database file.\nThe settings file LibFFmpeg.Dat in " + dir.Path().string(), 0),
        0u)
        << shownMessage;
    EXPECT_NE(shownMessage.find("scripts/run.sh"), std::string::npos) << shownMessage;
    EXPECT_EQ(SqlDatMod, nullptr);
    EXPECT_NE(ApplicationErrorText(shownClass, shownMessage).find("EUniError"), std::string::npos);
}

TEST(StartupSequence, OpensTheDatabaseInTheWorkingDirectoryBeforeTheWindowAndClosesAfterTheLoop)
{
    TempDir dir;
    WorkingDirectory cwd(dir.Path());
    PlainEventLoop loop;
    bool dataModuleSeenByWindow = false;
    StartupEnvironment environment;
    environment.loop = &loop;
    environment.createMainWindow = [&]() -> std::shared_ptr<void> {
        dataModuleSeenByWindow = SqlDatMod != nullptr;
        loop.Quit();
        return std::make_shared<int>(0);
    };
    environment.showApplicationError = [](const std::string&, const std::string&) { FAIL(); };
    EXPECT_EQ(RunStartup(environment), 0);
    EXPECT_TRUE(dataModuleSeenByWindow);
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "LibFFmpeg.Dat"));
    EXPECT_EQ(SqlDatMod, nullptr);
}

TEST(StartupSequence, AnErrorCreatingTheWindowAlsoEndsWithStatusOne)
{
    TempDir dir;
    WorkingDirectory cwd(dir.Path());
    PlainEventLoop loop;
    int boxes = 0;
    StartupEnvironment environment;
    environment.loop = &loop;
    environment.createMainWindow = []() -> std::shared_ptr<void> { throw std::runtime_error("no display"); };
    environment.showApplicationError = [&](const std::string& c, const std::string&) {
        ++boxes;
        EXPECT_EQ(c, "std::runtime_error");
    };
    EXPECT_EQ(RunStartup(environment), 1);
    EXPECT_EQ(boxes, 1);
}

} // namespace
} // namespace ondrevo
