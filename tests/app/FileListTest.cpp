// Add, Delete, Clear and a click on the file list, run as window events against the
// real media information library on generated clips.

#include "support/MediaClips.h"

#include "app/TFFmpegFunc.h"
#include "base/CharacterType.h"
#include "media/MediaInfoDll.h"
#include "media/MediaTextRules.h"
#include "parameters/TSqlDatMod.h"
#include "support/Command.h"
#include "support/MemoryControls.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace ondrevo::testing {
namespace {

using Rows = std::vector<std::vector<std::string>>;

// The panel as the window definition leaves it: no row has a sub-item.
const Rows kUntouchedPanel(16);

// The panel after ClearFileInfo: one empty value per row, none for the headings.
Rows BlankPanel()
{
    Rows rows(16, std::vector<std::string> { "" });
    rows[0].clear();
    rows[5].clear();
    rows[11].clear();
    return rows;
}

class FileList : public ::testing::Test {
protected:
    void SetUp() override { SqlDatMod = &dataModule_; }
    void TearDown() override { SqlDatMod = nullptr; }

    void Add(const std::optional<std::string>& answer)
    {
        window.openDialog.answers.push_back(answer);
        window.Event([](TFFmpegFrmHandlers& handlers) { handlers.AddFileBtnClick(); });
    }
    // Drops and waits until every file is in: several are added off the UI thread.
    void Drop(const std::vector<std::string>& paths)
    {
        window.Event([&](TFFmpegFrmHandlers& handlers) { handlers.FileListViewDragDrop(paths); });
        EXPECT_TRUE(loop.RunUntil([this] { return !window.adder.Running(); }));
    }
    void PressKey(int key)
    {
        window.Event([key](TFFmpegFrmHandlers& handlers) { handlers.FileListViewKeyDown(key); });
    }
    void Delete()
    {
        window.Event([](TFFmpegFrmHandlers& handlers) { handlers.DelFileBtnClick(); });
    }
    void Clear()
    {
        window.Event([](TFFmpegFrmHandlers& handlers) { handlers.ClearFileBtnClick(); });
    }
    void Click()
    {
        window.Event([](TFFmpegFrmHandlers& handlers) { handlers.FileListViewClick(); });
    }
    // The value column of a details row; empty when the row has no sub-item.
    std::string Value(int row) const
    {
        const auto& items = window.details.rows.at(static_cast<std::size_t>(row));
        return items.empty() ? std::string() : items.front();
    }
    // Sets the cursor without starting a job.
    void SetCursorQuietly(const std::string& text)
    {
        auto handler = std::move(window.jvEditNumb.OnChange);
        window.jvEditNumb.OnChange = nullptr;
        window.jvEditNumb.SetText(text);
        window.jvEditNumb.OnChange = std::move(handler);
    }

    RealMediaLibrary restore_;
    TempDir folder;
    TSqlDatMod dataModule_ { folder.File("x.Dat") };
    PlainEventLoop loop;
    MemoryMainWindow window { loop };
    ErrorReports errors;
};

// The size the list should show, from the command-line tool's reading of the file.
std::string ExpectedSize(const std::string& path)
{
    return SizeText(MediaInfoTool("General;%FileSize/String4%", path), MediaInfoTool("General;%FileSize%", path));
}

TEST_F(FileList, AddingAClipWithVideoAndAudioFillsTheRowAndEveryDetail)
{
    const std::string& path = Clips().videoAndAudio;
    Add(path);

    ASSERT_EQ(window.fileList.RowCount(), 1);
    const auto& row = window.fileList.rows[0];
    EXPECT_EQ(row.caption, path);
    EXPECT_EQ(row.image, 15);
    const std::string size = ExpectedSize(path);
    EXPECT_EQ(row.subItems, (std::vector<std::string> { "mp4", size, "00:00:02", "0%" }));
    // The library gives this small clip in KiB; the list shows MiB.
    EXPECT_TRUE(MediaInfoTool("General;%FileSize/String4%", path).ends_with(" KiB"));
    EXPECT_TRUE(size.ends_with(" MB") && size.starts_with("0.0")) << size;

    const std::string video = MediaInfoTool(
        "Video;%Format%|%BitRate/String%|%Width%x%Height%|%FrameRate/String%|%DisplayAspectRatio/String%", path);
    const std::string audio
        = MediaInfoTool("Audio;%Format%|%BitRate/String%|%Channel(s)/String%|%SamplingRate/String%", path);
    const std::string videoRows = Value(6) + "|" + Value(7) + "|" + Value(8) + "|" + Value(9) + "|" + Value(10);
    const std::string audioRows = Value(12) + "|" + Value(13) + "|" + Value(14) + "|" + Value(15);
    EXPECT_EQ(videoRows, video);
    EXPECT_EQ(audioRows, audio);
    EXPECT_EQ(Value(1), "av.mp4");
    EXPECT_EQ(Value(2), "mp4");
    EXPECT_EQ(Value(3), size);
    EXPECT_EQ(Value(4), "00:00:02");
    EXPECT_EQ(Value(6), "AVC");
    EXPECT_EQ(Value(8), "320x240");
    EXPECT_EQ(Value(9), "25.000 FPS");
    EXPECT_EQ(Value(10), "4:3");
    EXPECT_EQ(Value(12), "AAC");
    EXPECT_EQ(Value(14), "1 channel");
    EXPECT_EQ(Value(15), "44.1 kHz");
    for (int heading : { 0, 5, 11 })
        EXPECT_TRUE(window.details.rows[static_cast<std::size_t>(heading)].empty()) << heading;
    for (int r : { 1, 2, 3, 4, 6, 7, 8, 9, 10, 12, 13, 14, 15 })
        EXPECT_EQ(window.details.rows[static_cast<std::size_t>(r)].size(), 1u) << r;
    EXPECT_TRUE(errors.messages.empty());
}

TEST_F(FileList, CodecRowsFallBackToTheStreamFormat)
{
    // This library version answers the deprecated codec parameter with nothing.
    ASSERT_EQ(MediaInfoTool("Video;%Codec/String%", Clips().videoAndAudio), "");
    Add(Clips().videoAndAudio);
    EXPECT_EQ(Value(6), MediaInfoTool("Video;%Format%", Clips().videoAndAudio));
    EXPECT_EQ(Value(12), MediaInfoTool("Audio;%Format%", Clips().videoAndAudio));
}

TEST_F(FileList, ClipsWithOneKindOfStreamLeaveTheOtherKindsRowsEmpty)
{
    Add(Clips().videoOnly);
    EXPECT_EQ(Value(6), "AVC");
    EXPECT_EQ(Value(8), "320x240");
    for (int r : { 12, 13, 14, 15 })
        EXPECT_EQ(window.details.rows[static_cast<std::size_t>(r)], std::vector<std::string> { "" }) << r;

    Add(Clips().audioOnly);
    EXPECT_EQ(window.fileList.rows[1].subItems[0], "m4a");
    EXPECT_EQ(window.fileList.rows[1].subItems[2], "00:00:02");
    EXPECT_EQ(Value(8), "x");
    for (int r : { 6, 7, 9, 10 })
        EXPECT_EQ(Value(r), "") << r;
    EXPECT_EQ(Value(12), "AAC");
    EXPECT_EQ(Value(15), "44.1 kHz");
}

TEST_F(FileList, FilesTheLibraryCannotReadAndMissingPathsGetTheDefaults)
{
    struct Row {
        const char* fault;
        std::string path;
        std::string libraryReads; // size, playing time and format as the library gives them
        std::string type, size, panelName;
    };
    const Row rows[] = {
        { "an empty file shows no size or a wrong name", Clips().empty, "0.000 Byte||", "3gp", "0.000 MB",
            "empty.3gp" },
        { "a file of noise shows a wrong size", Clips().garbage, "4.883 KiB||", "3gp", "0.005 MB", "garbage.3gp" },
        { "a path that does not exist shows made-up texts", folder.File("gone.mp4"), "", "", "MB", "." },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.fault);
        // The library opens the first two, knows name, type and size, but no playing time.
        if (!row.libraryReads.empty()) {
            ASSERT_EQ(
                MediaInfoTool("General;%FileSize/String4%|%Duration/String3%|%Format%", row.path), row.libraryReads);
        }
        Add(row.path);
        EXPECT_EQ(window.fileList.rows.back().caption, row.path);
        EXPECT_EQ(
            window.fileList.rows.back().subItems, (std::vector<std::string> { row.type, row.size, "02:50:00", "0%" }));
        Rows expected = BlankPanel();
        expected[1] = { row.panelName };
        expected[2] = { row.type };
        expected[3] = { row.size };
        expected[4] = { "02:00:00" };
        expected[8] = { "x" };
        EXPECT_EQ(window.details.rows, expected);
    }
    EXPECT_EQ(window.fileList.RowCount(), 3);
    EXPECT_TRUE(errors.messages.empty());
}

TEST_F(FileList, PathsWithSpacesQuotesAndShellCharactersAreTakenLiterally)
{
    const std::string path = folder.File("it's a \"clip\" $HOME `x` \\ ; & (1).mp4");
    std::filesystem::copy_file(Clips().videoAndAudio, path);
    Add(path);
    ASSERT_EQ(window.fileList.RowCount(), 1);
    EXPECT_EQ(window.fileList.rows[0].caption, path);
    EXPECT_EQ(window.fileList.rows[0].subItems[0], "mp4");
    EXPECT_EQ(window.fileList.rows[0].subItems[2], "00:00:02");
    EXPECT_EQ(Value(1), "it's a \"clip\" $HOME `x` \\ ; & (1).mp4");
    EXPECT_EQ(Value(8), "320x240");
}

TEST_F(FileList, LargeFilesShowTheirSizeInMegabytes)
{
    const std::string gib = folder.File("large.3gp");
    const std::string mib = folder.File("five.3gp");
    ASSERT_EQ(Shell("truncate -s 1325000000 " + ShellQuote(gib) + " && truncate -s 5M " + ShellQuote(mib)), 0);
    ASSERT_EQ(MediaInfoTool("General;%FileSize/String4%", gib), "1.234 GiB");
    ASSERT_EQ(MediaInfoTool("General;%FileSize/String4%", mib), "5.000 MiB");

    Add(gib);
    EXPECT_EQ(window.fileList.rows[0].subItems[1], "1263.618 MB");
    EXPECT_EQ(Value(3), "1263.618 MB");
    Add(mib);
    EXPECT_EQ(window.fileList.rows[1].subItems[1], "5.000 MB");
    EXPECT_EQ(Value(3), "5.000 MB");
}

TEST_F(FileList, ALibraryThatCannotBeLoadedAddsNothingAndLeavesThePanelUntilItCan)
{
    struct Row {
        const char* fault;
        const char* library;
    };
    const Row rows[] = {
        { "a missing library adds a row of made-up texts", "libondrevo-no-such-library.so.0" },
        { "a library without the entry points is called anyway", "libz.so.1" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.fault);
        window.fileList.rows.clear();
        window.details.rows = kUntouchedPanel;
        SetMediaInfoLibraryNameForTesting(row.library);
        const int shown = window.openDialog.shown;
        Add(Clips().videoAndAudio);
        EXPECT_EQ(window.openDialog.shown, shown + 1);
        EXPECT_EQ(window.fileList.RowCount(), 0);
        EXPECT_EQ(window.details.rows, kUntouchedPanel);

        // A click on a row leaves the panel as well.
        window.fileList.AppendRow(Clips().videoAndAudio, 15, { "mp4", "MB", "00:00:02", "0%" });
        window.fileList.selected = 0;
        Click();
        EXPECT_EQ(window.details.rows, kUntouchedPanel);
        EXPECT_TRUE(errors.messages.empty());

        // Once the library can be found, the next query loads it.
        SetMediaInfoLibraryNameForTesting(kMediaInfoLibraryName);
        Add(Clips().videoAndAudio);
        EXPECT_EQ(window.fileList.RowCount(), 2);
        EXPECT_EQ(Value(1), "av.mp4");
    }
}

TEST_F(FileList, DroppedFilesAreAddedInOrderPassingOverWhatIsNoFile)
{
    EnsureUtf8CharacterType(); // as the program does, for the UTF-8 name below
    const std::string odd = folder.File("it's \"odd\" \xc3\xa9t\xc3\xa9.mp4");
    std::filesystem::copy_file(Clips().videoOnly, odd);
    std::filesystem::create_directory(folder.File("a folder.mp4"));
    const std::vector<std::string> dropped
        = { Clips().videoAndAudio, folder.File("a folder.mp4"), folder.File("gone.mp4"), odd, Clips().garbage };
    Drop(dropped);
    ASSERT_EQ(window.fileList.RowCount(), 3);
    EXPECT_EQ(window.fileList.rows[0].caption, Clips().videoAndAudio);
    EXPECT_EQ(window.fileList.rows[1].caption, odd);
    EXPECT_EQ(window.fileList.rows[2].caption, Clips().garbage);
    // Each row is the one Add gives for the same file; the panel shows the last one.
    Add(Clips().videoAndAudio);
    Add(odd);
    EXPECT_EQ(window.fileList.rows[0].subItems, window.fileList.rows[3].subItems);
    EXPECT_EQ(window.fileList.rows[1].subItems, window.fileList.rows[4].subItems);
    EXPECT_EQ(Value(1), "it's \"odd\" \xc3\xa9t\xc3\xa9.mp4");
    Drop({ Clips().garbage });
    EXPECT_EQ(Value(1), "garbage.3gp");
    EXPECT_TRUE(errors.messages.empty());
}

// The media library opens only names it can turn into wide characters: a Latin-1 name
// is read through a link, and the row and the panel show the same facts as for any name.
TEST_F(FileList, NamesThatAreNotUtf8ShowTheirFactsWhetherAddedOrDropped)
{
    EnsureUtf8CharacterType();
    Clips(); // made in the usual temporary folder, before it is changed
    const std::string links = folder.File("tmp");
    std::filesystem::create_directory(links);
    const char* const tmp = std::getenv("TMPDIR");
    const std::string tmpBefore = tmp ? tmp : "";
    ::setenv("TMPDIR", links.c_str(), 1);
    const std::string first = folder.File("caf\xe9.mp4");
    const std::string second = folder.File("na\xefve \xff.mp4");
    std::filesystem::copy_file(Clips().videoAndAudio, first);
    std::filesystem::copy_file(Clips().videoOnly, second);
    Add(Clips().videoAndAudio);
    Add(Clips().videoOnly);

    Add(first);
    EXPECT_EQ(Value(1), "caf\xef\xbf\xbd.mp4");
    EXPECT_EQ(Value(8), "320x240");
    Drop({ first, second });
    ASSERT_EQ(window.fileList.RowCount(), 5);
    for (const auto& [row, like] : { std::pair { 2, 0 }, std::pair { 3, 0 }, std::pair { 4, 1 } })
        EXPECT_EQ(window.fileList.rows[row].subItems, window.fileList.rows[like].subItems) << row;
    EXPECT_EQ(window.fileList.rows[4].caption, second);
    EXPECT_EQ(Value(1), "na\xef\xbf\xbdve \xef\xbf\xbd.mp4");
    // The links went with their queries.
    EXPECT_TRUE(std::filesystem::is_empty(links));
    if (tmp)
        ::setenv("TMPDIR", tmpBefore.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
    EXPECT_TRUE(errors.messages.empty());
}

// A named pipe or a device typed into the dialog would keep the encoder waiting or
// reading for ever.
TEST_F(FileList, WhatIsNoFileIsNotAddedAndTheStatusLineSaysWhy)
{
    const std::string pipe = folder.File("pipe.mp4");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    const std::string dir = folder.File("a folder.mp4");
    std::filesystem::create_directory(dir);

    Add(pipe);
    EXPECT_EQ(window.fileList.RowCount(), 0);
    EXPECT_EQ(window.jvEditCmdMsg.Text(), "Not added: " + pipe + " is a named pipe, not a file");
    window.openDialog.picks.push_back({ "/dev/zero", Clips().videoAndAudio, dir });
    window.Event([](TFFmpegFrmHandlers& h) { h.AddFileBtnClick(); });
    ASSERT_EQ(window.fileList.RowCount(), 1);
    EXPECT_EQ(window.fileList.rows[0].caption, Clips().videoAndAudio);
    EXPECT_EQ(window.jvEditCmdMsg.Text(), "Not added: /dev/zero is a device, not a file (and 1 more)");
    Drop({ pipe, Clips().videoOnly, "/dev/null" });
    ASSERT_EQ(window.fileList.RowCount(), 2);
    EXPECT_EQ(window.fileList.rows[1].caption, Clips().videoOnly);
    EXPECT_TRUE(errors.messages.empty());
}

TEST_F(FileList, ManyFilesAreAddedInOrderWhileTheListButtonsWaitFromAPickOrAFolderDrop)
{
    namespace fs = std::filesystem;
    // A folder with subfolders and files of other types; a loose file of another type is
    // added all the same, as a single Add would.
    const fs::path top = folder.Path() / "top";
    fs::create_directories(top / "sub");
    for (const char* name : { "b.MP4", "a.txt", "sub/c.mkv", "sub/d.jpg", "sub/e.mp4" })
        fs::copy_file(Clips().videoAndAudio, top / name);
    const std::string loose = folder.File("notes.txt");
    std::ofstream(loose) << "not a video";
    struct Case {
        const char* what;
        std::function<void()> act;
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        { "a folder and a file dropped together",
            [&] { window.Event([&](TFFmpegFrmHandlers& h) {
                      h.FileListViewDragDrop({ top.string(), loose });
                  }); },
            { (top / "b.MP4").string(), (top / "sub/c.mkv").string(), (top / "sub/e.mp4").string(), loose } },
        { "three picked at once in the Add dialog",
            [&] {
                window.openDialog.picks.push_back({ loose, Clips().garbage, Clips().videoOnly });
                window.Event([](TFFmpegFrmHandlers& h) { h.AddFileBtnClick(); });
            },
            { loose, Clips().garbage, Clips().videoOnly } },
    };
    std::vector<std::string> statuses;
    window.jvEditCmdMsg.OnChange = [&] { statuses.push_back(window.jvEditCmdMsg.Text()); };
    for (const Case& c : cases) {
        window.fileList.rows.clear();
        statuses.clear();
        c.act();
        EXPECT_FALSE(window.convFileBtn.enabled) << c.what;
        EXPECT_FALSE(window.clearFileBtn.enabled) << c.what;
        EXPECT_TRUE(window.addFileBtn.enabled) << c.what;
        ASSERT_TRUE(loop.RunUntil([&] { return !window.adder.Running(); })) << c.what;
        std::vector<std::string> captions;
        for (const auto& row : window.fileList.rows)
            captions.push_back(row.caption);
        EXPECT_EQ(captions, c.rows) << c.what;
        EXPECT_NE(
            std::find(statuses.begin(), statuses.end(), "Adding 1 of " + std::to_string(c.rows.size()) + " files"),
            statuses.end())
            << c.what;
        EXPECT_EQ(window.jvEditCmdMsg.Text(), "") << c.what;
        EXPECT_TRUE(window.convFileBtn.enabled && window.clearFileBtn.enabled && window.delFileBtn.enabled
            && window.playBtn.enabled)
            << c.what;
        // Each row is the one a single Add gives.
        const std::vector<std::string> added = window.fileList.rows.back().subItems;
        Add(c.rows.back());
        EXPECT_EQ(window.fileList.rows.back().subItems, added) << c.what;
    }
    EXPECT_TRUE(errors.messages.empty());
}

TEST_F(FileList, ClosingOrClearingWhileFilesAreBeingAddedStopsTheAdding)
{
    std::vector<std::string> many(200, Clips().videoAndAudio);
    for (const bool close : { false, true }) {
        window.fileList.rows.clear();
        window.Event([&](TFFmpegFrmHandlers& h) { h.FileListViewDragDrop(many); });
        ASSERT_TRUE(loop.RunUntil([&] { return window.fileList.RowCount() > 0; }));
        if (close)
            window.Close();
        else
            TFFmpegFunc().ClearVideoFiles();
        loop.Drain();
        EXPECT_FALSE(window.adder.Running());
        EXPECT_LT(window.fileList.RowCount(), 200) << (close ? "close" : "clear");
        EXPECT_TRUE(close || window.fileList.RowCount() == 0);
    }
    EXPECT_TRUE(errors.messages.empty());
}

TEST_F(FileList, NothingIsDroppedWithoutTheLibrary)
{
    SetMediaInfoLibraryNameForTesting("libondrevo-no-such-library.so.0");
    Drop({ Clips().videoAndAudio, Clips().videoOnly });
    EXPECT_EQ(window.fileList.RowCount(), 0);
    EXPECT_EQ(window.details.rows, kUntouchedPanel);
    EXPECT_TRUE(errors.messages.empty());
}

TEST_F(FileList, TheDeleteKeyOnTheListDeletesOnlyWhileDeleteIsEnabled)
{
    Add(Clips().videoAndAudio);
    Add(Clips().videoOnly);
    window.fileList.selected = 0;
    TFFmpegFunc().DisableButtons();
    PressKey(VK_DELETE);
    EXPECT_EQ(window.fileList.RowCount(), 2);
    TFFmpegFunc().EnableButtons();
    PressKey('A');
    EXPECT_EQ(window.fileList.RowCount(), 2);
    PressKey(VK_DELETE);
    ASSERT_EQ(window.fileList.RowCount(), 1);
    EXPECT_EQ(window.fileList.rows[0].caption, Clips().videoOnly);
    // The last row going blanks the panel, as the button does.
    window.fileList.selected = 0;
    PressKey(VK_DELETE);
    EXPECT_EQ(window.fileList.RowCount(), 0);
    EXPECT_EQ(window.details.rows, BlankPanel());
}

TEST_F(FileList, CancellingTheDialogAddsNothing)
{
    Add(std::nullopt);
    EXPECT_EQ(window.openDialog.shown, 1);
    EXPECT_EQ(window.fileList.RowCount(), 0);
    EXPECT_EQ(window.details.rows, kUntouchedPanel);
}

TEST_F(FileList, TheSameFileAddedTwiceGivesTwoRowsAndAddingKeepsTheSelectionAndShowsTheNewFile)
{
    Add(Clips().videoAndAudio);
    EXPECT_EQ(window.fileList.selected, -1);
    Add(Clips().videoAndAudio);
    ASSERT_EQ(window.fileList.RowCount(), 2);
    EXPECT_EQ(window.fileList.rows[0].caption, window.fileList.rows[1].caption);
    EXPECT_EQ(window.fileList.rows[0].subItems, window.fileList.rows[1].subItems);
    window.fileList.selected = 0;
    Add(Clips().videoOnly);
    EXPECT_EQ(window.fileList.selected, 0);
    EXPECT_EQ(Value(1), "video.mp4");
    EXPECT_EQ(Value(12), "");
}

TEST_F(FileList, AClickShowsTheSelectedRowsFileOnly)
{
    Add(Clips().videoAndAudio);
    Add(Clips().audioOnly);
    const Rows audioPanel = window.details.rows;
    Click();
    EXPECT_EQ(window.details.rows, audioPanel);

    window.fileList.selected = 0;
    Click();
    EXPECT_EQ(Value(1), "av.mp4");
    EXPECT_EQ(Value(8), "320x240");
}

TEST_F(FileList, DeleteRemovesTheSelectedRowAndBlanksThePanelWhenNoneRemain)
{
    Add(Clips().videoAndAudio);
    Add(Clips().videoOnly);
    const Rows shown = window.details.rows;

    // No selection: nothing is deleted and the panel stays.
    Delete();
    EXPECT_EQ(window.fileList.RowCount(), 2);
    EXPECT_EQ(window.details.rows, shown);

    // The panel keeps showing the deleted file while rows remain.
    window.fileList.selected = 1;
    Delete();
    ASSERT_EQ(window.fileList.RowCount(), 1);
    EXPECT_EQ(window.fileList.rows[0].caption, Clips().videoAndAudio);
    EXPECT_EQ(window.details.rows, shown);

    window.fileList.selected = 0;
    Delete();
    EXPECT_EQ(window.fileList.RowCount(), 0);
    EXPECT_EQ(window.details.rows, BlankPanel());
}

TEST_F(FileList, OnAnEmptyListClearChangesNothingAndDeleteBlanksThePanel)
{
    SetCursorQuietly("3");
    window.jvEditCmdMsg.SetText("frame=  152 fps=0.0");
    window.details.rows[1] = { "stale.mp4" };
    const Rows panel = window.details.rows;
    Clear();
    EXPECT_EQ(window.jvEditNumb.Text(), "3");
    EXPECT_EQ(window.jvEditCmdMsg.Text(), "frame=  152 fps=0.0");
    EXPECT_EQ(window.details.rows, panel);

    window.details.rows[5] = { "stale" };
    window.details.rows[0] = { "kept" };
    Delete();
    Rows expected = BlankPanel();
    expected[0] = { "kept" };
    EXPECT_EQ(window.details.rows, expected);
}

TEST_F(FileList, ClearRemovesAllRowsResetsTheCursorAndEmptiesTheStatusLine)
{
    Add(Clips().videoAndAudio);
    Add(Clips().videoOnly);
    window.fileList.selected = 1;
    SetCursorQuietly("1");
    window.jvEditCmdMsg.SetText("frame=  152 fps=0.0");
    Clear();
    EXPECT_EQ(window.fileList.RowCount(), 0);
    EXPECT_EQ(window.fileList.selected, -1);
    EXPECT_EQ(window.details.rows, BlankPanel());
    EXPECT_EQ(window.jvEditNumb.Text(), "-1");
    EXPECT_EQ(window.jvEditCmdMsg.Text(), "");
    EXPECT_TRUE(errors.messages.empty());
}

} // namespace
} // namespace ondrevo::testing
