// "Made for": the built-in presets set the window's choices, the user's own are saved,
// deleted, exported and imported, a preset file with a wrong line changes nothing, and
// "(own choices)" shows once a choice differs from the preset picked.

#include "parameters/Presets.h"
#include "support/DatabaseFiles.h"
#include "support/MemoryControls.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace ondrevo::testing {
namespace {

class Presets : public ::testing::Test, protected ProgramOnShippedCopy {
protected:
    // Every stored choice: the positions, and the tables made when first saved.
    std::vector<std::string> Choices() const
    {
        std::vector<std::string> state = StoredState(db);
        for (const char* table : { "convert_sizelimit", "convert_existing", "convert_atonce", "keep_sourcedate" })
            if (QueryValue(db, std::string("select count(*) from sqlite_master where name = '") + table + "'") == "1")
                for (std::string& row : QueryRows(db, std::string("select * from ") + table))
                    state.push_back(table + (": " + row));
        return state;
    }
    // The user's presets as stored, "" before the table is made.
    std::string OwnPresets() const
    {
        if (QueryValue(db, "select count(*) from sqlite_master where name = 'convert_presets'") == "0")
            return {};
        return QueryValue(db, "select group_concat(preset_name, '|') from convert_presets");
    }
    // What the window shows for the eleven choices a preset names.
    static std::string Shown(Session& s)
    {
        std::string shown;
        for (int n = 1; n <= 9; ++n)
            shown += s.Selector(n).Text() + "|";
        return shown + s.window.sizeLimitCombo.Text() + "|" + (s.window.cutToFitCheck.Checked() ? "Yes" : "No");
    }
    std::string WriteFile(const std::string& name, const std::string& text)
    {
        std::ofstream(name, std::ios::binary) << text;
        return name;
    }
    static std::string ReadFile(const std::string& name)
    {
        std::ifstream in(name, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // Picks the "Made for" entry named `name`, as a user does.
    static void Pick(Session& s, const std::string& name)
    {
        const auto& items = s.window.madeForCombo.Items();
        const auto found = std::find(items.begin(), items.end(), name);
        ASSERT_NE(found, items.end()) << name;
        s.window.madeForCombo.UserPick(static_cast<int>(found - items.begin()));
    }
};

TEST_F(Presets, BuiltInOnesSetEveryChoiceTheyNameAndOwnChoicesShowOnceOneDiffers)
{
    Session& s = Start();
    // The shipped choices are no preset's; an older database gets the built-in ones all
    // the same, and no table until a preset of the user's is saved.
    EXPECT_EQ(s.window.madeForCombo.Text(), presets::kOwnChoices);
    ASSERT_EQ(s.window.madeForCombo.ItemCount(), static_cast<int>(presets::BuiltIn().size()) + 1);
    EXPECT_EQ(QueryValue(db, "select count(*) from sqlite_master where name = 'convert_presets'"), "0");
    struct Case {
        const char* preset;
        const char* shown;
    };
    const Case cases[] = {
        { "MMS message, 300 KB",
            "H.263|64 kbit/s|176x144 (QCIF)|15 fps|Fit with black bars|AMR-NB|12.2 kbit/s|Mono|8000 Hz|295 KB "
            "(MMS)|No" },
        { "MMS message, 100 KB",
            "H.263|64 kbit/s|176x144 (QCIF)|15 fps|Fit with black bars|AMR-NB|12.2 kbit/s|Mono|8000 Hz|98 KB|No" },
        { "Any phone (H.263, AMR-NB)",
            "H.263|64 kbit/s|176x144 (QCIF)|15 fps|Fit with black bars|AMR-NB|12.2 kbit/s|Mono|8000 Hz|No limit|No" },
        { "Feature phone, 320x240 screen",
            "MPEG-4 Visual|384 kbit/s|320x240 (QVGA)|15 fps|Fit with black bars|AAC-LC|64 kbit/s|Mono|44100 Hz|No "
            "limit|No" },
        { "Smartphone (H.264, AAC)",
            "H.264 Baseline|768 kbit/s|640x480 (VGA)|25 fps|Fit with black bars|AAC-LC|96 kbit/s|Stereo|44100 "
            "Hz|No limit|No" },
    };
    for (const Case& c : cases) {
        Pick(s, c.preset);
        EXPECT_EQ(Shown(s), c.shown) << c.preset << ": " << s.window.jvEditCmdMsg.Text();
        EXPECT_EQ(s.window.madeForCombo.Text(), c.preset);
        EXPECT_EQ(s.window.madeForCombo.ItemCount(), static_cast<int>(presets::BuiltIn().size())) << "no own choices";
    }
    // Kept as any choice is: a restart shows the same.
    Session& again = Start();
    EXPECT_EQ(Shown(again), cases[4].shown);
    EXPECT_EQ(again.window.madeForCombo.Text(), "Smartphone (H.264, AAC)");

    // One choice off the preset, on any page; back again, the preset shows again.
    struct Change {
        const char* what;
        std::function<void()> act;
        const char* madeFor;
    };
    const Change changes[] = {
        { "video bitrate", [&] { again.Selector(2).UserPick(6); }, presets::kOwnChoices },
        { "video bitrate back", [&] { again.Selector(2).UserPick(7); }, "Smartphone (H.264, AAC)" },
        { "a typed size", [&] { again.window.sizeLimitCombo.UserType("400"); }, presets::kOwnChoices },
        { "no limit", [&] { again.window.sizeLimitCombo.UserPick(0); }, "Smartphone (H.264, AAC)" },
        { "cut to fit", [&] { again.window.cutToFitCheck.UserClick(); }, presets::kOwnChoices },
        { "cut to fit off", [&] { again.window.cutToFitCheck.UserClick(); }, "Smartphone (H.264, AAC)" },
        { "sound channels", [&] { again.Selector(8).UserPick(0); }, presets::kOwnChoices },
        { "sound channels back", [&] { again.Selector(8).UserPick(1); }, "Smartphone (H.264, AAC)" },
        // Choices a built-in preset does not name leave it as it is.
        { "existing outputs", [&] { again.window.existingOutputsCombo.UserPick(2); }, "Smartphone (H.264, AAC)" },
    };
    for (const Change& c : changes) {
        c.act();
        EXPECT_EQ(again.window.madeForCombo.Text(), c.madeFor) << c.what;
        EXPECT_EQ(
            again.window.madeForCombo.Items().back() == presets::kOwnChoices, std::string(c.madeFor) == presets::kOwnChoices)
            << c.what;
    }
    // Picking "(own choices)" itself sets nothing.
    again.Selector(2).UserPick(0);
    const std::vector<std::string> before = Choices();
    again.window.madeForCombo.UserPick(again.window.madeForCombo.ItemCount() - 1);
    EXPECT_EQ(Choices(), before);
    EXPECT_EQ(again.window.madeForCombo.Text(), presets::kOwnChoices);
    EXPECT_TRUE(reports.messages.empty()) << reports.messages.front();
}

TEST_F(Presets, OwnPresetExportedDeletedAndImportedBackGivesTheSameChoices)
{
    Session& s = Start();
    Pick(s, "Feature phone, 320x240 screen");
    s.Selector(4).UserPick(1); // 10 fps
    s.window.sizeLimitCombo.UserType("150");
    s.window.cutToFitCheck.UserClick();
    s.window.desktop.textAnswers = { "  My old phone  " };
    s.Event([](TFFmpegFrmHandlers& h) { h.SavePresetBtnClick(); });
    EXPECT_EQ(s.window.madeForCombo.Text(), "My old phone");
    EXPECT_EQ(s.window.madeForCombo.Items().back(), "My old phone") << "after the built-in ones";
    const std::vector<std::string> saved = Choices();
    const std::string shown = Shown(s);

    s.window.desktop.fileAnswers = { "exported.txt" };
    s.Event([](TFFmpegFrmHandlers& h) { h.ExportPresetBtnClick(); });
    EXPECT_EQ(s.window.desktop.suggestedFiles.back(), "My old phone.txt");
    EXPECT_EQ(ReadFile("exported.txt"),
        "Made for=My old phone\nVideo Codec=MPEG-4 Visual\nVideo Bitrate=384 kbit/s\nVideo Size=320x240 (QVGA)\n"
        "Video Frame Rate=10 fps\nWidth Ratio=Fit with black bars\nAudio Codec=AAC-LC\nAudio Bitrate=64 kbit/s\n"
        "Audio Channel=Mono\nSampling Frequency=44100 Hz\nLargest file size=150 KB\nCut to fit=Yes\n");

    s.Event([](TFFmpegFrmHandlers& h) { h.DeletePresetBtnClick(); });
    EXPECT_EQ(s.window.madeForCombo.Text(), presets::kOwnChoices);
    EXPECT_EQ(s.window.jvEditCmdMsg.Text(), "Preset \"My old phone\" deleted");
    Pick(s, "Smartphone (H.264, AAC)");
    ASSERT_NE(Choices(), saved);

    // Read back by the next start, as a user who moved the file to another machine.
    Session& again = Start();
    again.window.desktop.fileAnswers = { "exported.txt" };
    again.Event([](TFFmpegFrmHandlers& h) { h.ImportPresetBtnClick(); });
    EXPECT_EQ(Choices(), saved);
    EXPECT_EQ(Shown(again), shown);
    EXPECT_EQ(again.window.madeForCombo.Text(), "My old phone");
    EXPECT_EQ(again.window.jvEditCmdMsg.Text(), "Preset \"My old phone\" imported from exported.txt");

    // Built-in presets stay; own choices are no preset to delete.
    Pick(again, "Any phone (H.263, AMR-NB)");
    again.Event([](TFFmpegFrmHandlers& h) { h.DeletePresetBtnClick(); });
    EXPECT_EQ(again.window.jvEditCmdMsg.Text(),
        "\"Any phone (H.263, AMR-NB)\" is built in: built-in presets cannot be deleted");
    EXPECT_EQ(again.window.madeForCombo.ItemCount(), static_cast<int>(presets::BuiltIn().size()) + 1);
    // Names a preset of the user's cannot take.
    for (const char* name : { "", "   ", "MMS message, 300 kb", "(own choices)" }) {
        again.window.desktop.textAnswers = { name };
        again.Event([](TFFmpegFrmHandlers& h) { h.SavePresetBtnClick(); });
        EXPECT_EQ(again.window.jvEditCmdMsg.Text().rfind("No preset saved: ", 0), 0u) << name;
    }
    EXPECT_EQ(OwnPresets(), "My old phone");
    EXPECT_TRUE(reports.messages.empty()) << reports.messages.front();
}

TEST_F(Presets, AFileWithAWrongLineChangesNothingAndTheStatusLineSaysWhichLine)
{
    Session& s = Start();
    struct Case {
        const char* what;
        const char* text;
        // The status line: "Nothing imported from FILE: " then this, or, imported, "".
        const char* error;
        const char* madeFor; // the preset then shown
    };
    const Case cases[] = {
        { "good", "Made for=Quiet\nVideo Codec=H.263\nAudio Codec=No audio\n", "", "Quiet" },
        { "unknown label", "Video Codec=H.263\nVideo Codek=H.263\n", "Line 2: \"Video Codek\" is no choice's label",
            nullptr },
        { "unknown entry", "Video Codec=H.263\nVideo Size=999x999\n", "Line 2: Video Size has no entry \"999x999\"",
            nullptr },
        { "blank lines and remarks", "\n# for my phone\n\n  Video Codec = H.263  \n\n", "", "blank lines and remarks" },
        { "CRLF", "Made for=Old\r\nVideo Codec=H.263\r\nVideo Bitrate=96 kbit/s\r\n", "", "Old" },
        { "duplicate label", "Video Codec=H.263\nvideo codec=MPEG-4 Visual\n",
            "Line 2: video codec is named twice (first on line 1)", nullptr },
        { "letter case", "VIDEO CODEC=h.263\nlargest file size=98\ncut to fit=yes\n", "", "letter case" },
        { "no equals sign", "Video Codec H.263\n", "Line 1: \"Video Codec H.263\" is no Label=Entry line", nullptr },
        { "sound of the codec named below", "Audio Bitrate=None\nAudio Codec=No audio\n", "",
            "sound of the codec named below" },
        { "sound the codec lacks", "Audio Codec=AAC-LC\nAudio Bitrate=None\n",
            "Line 2: Audio Bitrate has no entry \"None\"", nullptr },
        { "no size", "Largest file size=huge\n", "Line 1: Largest file size has no entry \"huge\"", nullptr },
        { "half a box", "Cut to fit=Maybe\n", "Line 1: Cut to fit has no entry \"Maybe\" (Yes or No)", nullptr },
        { "other settings", "Files converted at once=0\n",
            "Line 1: Files converted at once has no entry \"0\" (a number from 1 to 1024)", nullptr },
        { "nothing named", "Made for=Empty\n# nothing\n", "It names no choice", nullptr },
        { "a built-in's name", "Made for=Any phone (H.263, AMR-NB)\nVideo Bitrate=96 kbit/s\n", "",
            "Any phone (H.263, AMR-NB) (imported)" },
    };
    for (const Case& c : cases) {
        // Each case from the same choices.
        Pick(s, "Feature phone, 320x240 screen");
        const std::vector<std::string> before = Choices();
        const std::string presetsBefore = OwnPresets();
        const std::string file = WriteFile(std::string(c.what) + ".txt", c.text);
        s.window.desktop.fileAnswers = { file };
        s.Event([](TFFmpegFrmHandlers& h) { h.ImportPresetBtnClick(); });
        if (*c.error) {
            EXPECT_EQ(s.window.jvEditCmdMsg.Text(), "Nothing imported from " + file + ": " + c.error) << c.what;
            EXPECT_EQ(Choices(), before) << c.what;
            EXPECT_EQ(OwnPresets(), presetsBefore) << c.what;
            EXPECT_EQ(s.window.madeForCombo.Text(), "Feature phone, 320x240 screen") << c.what;
        } else {
            EXPECT_EQ(s.window.jvEditCmdMsg.Text(), "Preset \"" + std::string(c.madeFor) + "\" imported from " + file)
                << c.what;
            EXPECT_NE(Choices(), before) << c.what;
            EXPECT_EQ(s.window.madeForCombo.Text(), c.madeFor) << c.what;
        }
    }
    // Files that are no preset file: nothing is read from them.
    ASSERT_EQ(::mkfifo("pipe.txt", 0600), 0);
    WriteFile("big.txt", std::string(100 * 1024, '#'));
    for (const char* file : { "pipe.txt", "big.txt", "missing.txt", "." }) {
        const std::vector<std::string> before = Choices();
        s.window.desktop.fileAnswers = { file };
        s.Event([](TFFmpegFrmHandlers& h) { h.ImportPresetBtnClick(); });
        EXPECT_EQ(s.window.jvEditCmdMsg.Text(),
            "Nothing imported: " + std::string(file) + " is no preset file that can be read");
        EXPECT_EQ(Choices(), before) << file;
    }
    // A preset naming fewer choices sets those only.
    Pick(s, "Feature phone, 320x240 screen");
    Pick(s, "Quiet");
    EXPECT_EQ(
        Shown(s), "H.263|384 kbit/s|320x240 (QVGA)|15 fps|Fit with black bars|No audio|None|None|None|No limit|No");
    EXPECT_TRUE(reports.messages.empty()) << reports.messages.front();
}

} // namespace
} // namespace ondrevo::testing
