// The start-up character type: a UTF-8 path reaches the media information library
// whatever locale the user's environment names. Each case runs this test program again
// as a child with that environment, because the locale is process-wide and a program
// starts in the "C" locale until it sets one.

#include "support/MediaClips.h"

#include "base/CharacterType.h"
#include "media/MediaQuery.h"
#include "parameters/TSqlDatMod.h"
#include "support/Command.h"
#include "support/MemoryControls.h"

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace ondrevo::testing {
namespace {

const char* const kClipVariable = "ONDREVO_CHILD_CLIP";
const char* const kFolderVariable = "ONDREVO_CHILD_FOLDER";
const char* const kLocaleVariable = "ONDREVO_CHILD_LOCALE";

// The child's side: only runs when started by the cases below.
TEST(CharacterTypeChild, Utf8PathOpensAfterTheStartUpFunction)
{
    const char* clip = std::getenv(kClipVariable);
    const char* folder = std::getenv(kFolderVariable);
    const char* expectedLocale = std::getenv(kLocaleVariable);
    if (!clip || !folder || !expectedLocale)
        GTEST_SKIP() << "runs only as a child of the CharacterType cases";

    // Under the character type the program starts with, the library cannot open it by
    // its path: the query goes through a link whose name lacks what it cannot read.
    EXPECT_FALSE(CharacterTypeIsUtf8());
    auto before = RunMediaQuery(clip, { { Stream_General, "FileExtension" }, { Stream_General, "FileName" } });
    ASSERT_TRUE(before);
    EXPECT_EQ(before->at(0), "mp4");
    EXPECT_NE(before->at(1), std::filesystem::path(clip).stem().string());

    EXPECT_EQ(EnsureUtf8CharacterType(), expectedLocale);
    EXPECT_TRUE(CharacterTypeIsUtf8());
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");

    TSqlDatMod dataModule(std::string(folder) + "/x.Dat");
    SqlDatMod = &dataModule;
    PlainEventLoop loop;
    MemoryMainWindow window(loop);
    window.openDialog.answers.push_back(std::string(clip));
    window.Event([](TFFmpegFrmHandlers& handlers) { handlers.AddFileBtnClick(); });
    SqlDatMod = nullptr;

    ASSERT_EQ(window.fileList.RowCount(), 1);
    EXPECT_EQ(window.fileList.rows[0].caption, clip);
    EXPECT_EQ(window.fileList.rows[0].subItems[0], "mp4");
    EXPECT_EQ(window.fileList.rows[0].subItems[2], "00:00:02");
    EXPECT_EQ(window.details.rows[1], std::vector<std::string> { std::filesystem::path(clip).filename().string() });
    EXPECT_EQ(window.details.rows[8], std::vector<std::string> { "320x240" });
}

class CharacterType : public ::testing::Test {
protected:
    void SetUp() override
    {
        clip_ = folder_.File("Grüße ' \"Ünï\" клип 🎬 (1).mp4");
        std::filesystem::copy_file(Clips().videoAndAudio, clip_);
    }

    // Runs the child case with a clean environment plus `locale` (e.g. "LC_ALL=C").
    void ExpectChildPasses(const std::string& locale, const std::string& expectedLocale)
    {
        const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
        const char* path = std::getenv("PATH");
        const std::string command = "env -i PATH=" + ShellQuote(path ? path : "/usr/bin:/bin") + " " + locale + " "
            + kClipVariable + "=" + ShellQuote(clip_) + " " + kFolderVariable + "="
            + ShellQuote(folder_.Path().string()) + " " + kLocaleVariable + "=" + ShellQuote(expectedLocale) + " "
            + ShellQuote(self) + " --gtest_filter=CharacterTypeChild.* 2>&1; echo \"exit=$?\"";
        const std::string output = ShellOutput(command);
        EXPECT_NE(output.find("[  PASSED  ] 1 test."), std::string::npos) << output;
        EXPECT_EQ(output.find("SKIPPED"), std::string::npos) << output;
        EXPECT_NE(output.find("exit=0"), std::string::npos) << output;
    }

    TempDir folder_;
    std::string clip_;
};

TEST_F(CharacterType, TheUsersOwnUtf8LocaleIsKeptAndAnyOtherFallsBackToCUtf8WithPlainNumbers)
{
    const std::pair<const char*, const char*> cases[] = {
        { "LC_ALL=C", "C.UTF-8" },
        { "LC_ALL=POSIX", "C.UTF-8" },
        { "LANG=de_DE.ISO-8859-1 LC_NUMERIC=de_DE.UTF-8", "C.UTF-8" }, // not installed
        { "LANG=C LC_CTYPE=C.utf8", "C.utf8" },
    };
    for (const auto& [locale, expected] : cases) {
        SCOPED_TRACE(locale);
        ExpectChildPasses(locale, expected);
    }
}

} // namespace
} // namespace ondrevo::testing
