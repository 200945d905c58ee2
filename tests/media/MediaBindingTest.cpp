// Loading the media information library, binding its entry points and running queries
// against the real library.

#include "support/MediaClips.h"

#include "media/MediaInfoDll.h"
#include "media/MediaQuery.h"

#include <dlfcn.h>
#include <filesystem>
#include <gtest/gtest.h>

namespace ondrevo::testing {
namespace {

class MediaBinding : public ::testing::Test {
protected:
    RealMediaLibrary restore_;
};

// All twenty pointers, in the binding order.
std::vector<void*> EntryPoints()
{
    return { reinterpret_cast<void*>(MediaInfo_New), reinterpret_cast<void*>(MediaInfo_Delete),
        reinterpret_cast<void*>(MediaInfo_Open), reinterpret_cast<void*>(MediaInfo_Close),
        reinterpret_cast<void*>(MediaInfo_Inform), reinterpret_cast<void*>(MediaInfo_GetI),
        reinterpret_cast<void*>(MediaInfo_Get), reinterpret_cast<void*>(MediaInfo_Option),
        reinterpret_cast<void*>(MediaInfo_State_Get), reinterpret_cast<void*>(MediaInfo_Count_Get),
        reinterpret_cast<void*>(MediaInfoA_New), reinterpret_cast<void*>(MediaInfoA_Delete),
        reinterpret_cast<void*>(MediaInfoA_Open), reinterpret_cast<void*>(MediaInfoA_Close),
        reinterpret_cast<void*>(MediaInfoA_Inform), reinterpret_cast<void*>(MediaInfoA_GetI),
        reinterpret_cast<void*>(MediaInfoA_Get), reinterpret_cast<void*>(MediaInfoA_Option),
        reinterpret_cast<void*>(MediaInfoA_State_Get), reinterpret_cast<void*>(MediaInfoA_Count_Get) };
}

TEST_F(MediaBinding, LoadsOnceAndRebindsEveryEntryPointOnEveryCall)
{
    ASSERT_TRUE(LoadMediaInfo(kMediaInfoLibraryName));
    void* module = MediaInfoModule;
    ASSERT_NE(module, nullptr);
    for (void* entryPoint : EntryPoints())
        EXPECT_NE(entryPoint, nullptr);

    // A loaded module is kept: a later call with a name that does not exist still
    // succeeds, and the lookups run again.
    const auto get = MediaInfoA_Get;
    MediaInfoA_Get = nullptr;
    MediaInfo_Count_Get = nullptr;
    EXPECT_TRUE(LoadMediaInfo("libondrevo-no-such-library.so.0"));
    EXPECT_EQ(MediaInfoModule, module);
    EXPECT_EQ(MediaInfoA_Get, get);
    EXPECT_NE(MediaInfo_Count_Get, nullptr);
}

TEST_F(MediaBinding, BindEntryPointReportsAbsentNamesAndClearsThePointer)
{
    ASSERT_TRUE(LoadMediaInfo(kMediaInfoLibraryName));
    MediaInfoA_New_Type pointer = nullptr;
    EXPECT_TRUE(BindEntryPoint("MediaInfoA_New", pointer));
    EXPECT_NE(pointer, nullptr);
    EXPECT_FALSE(BindEntryPoint("MediaInfoA_NoSuchFunction", pointer));
    EXPECT_EQ(pointer, nullptr);
}

TEST_F(MediaBinding, QueryCopiesEachTextBeforeAskingTheNext)
{
    // The library answers every Get of one handle in the same buffer.
    auto texts = RunMediaQuery(Clips().videoAndAudio,
        { { Stream_General, "FileName" }, { Stream_General, "FileExtension" }, { Stream_Video, "Width" },
            { Stream_Audio, "Format" }, { Stream_General, "NoSuchParameter" } });
    ASSERT_TRUE(texts);
    EXPECT_EQ(*texts, (std::vector<std::string> { "av", "mp4", "320", "AAC", "" }));
}

TEST_F(MediaBinding, MissingLibraryAbandonsTheQueryAndTheNextQueryLoadsAgain)
{
    // An absolute name that does not exist yet, then does: no reset in between, so
    // the second query can only succeed by trying the load again.
    TempDir folder;
    const std::string name = folder.File("libmediainfo-copy.so.0");
    SetMediaInfoLibraryNameForTesting(name);
    EXPECT_FALSE(RunMediaQuery(Clips().videoAndAudio, { { Stream_General, "FileName" } }));
    EXPECT_FALSE(MediaQuery::Start(Clips().videoAndAudio));
    EXPECT_EQ(MediaInfoModule, nullptr);

    Dl_info info {};
    ASSERT_TRUE(LoadMediaInfo(kMediaInfoLibraryName));
    ASSERT_NE(dladdr(reinterpret_cast<void*>(MediaInfoA_New), &info), 0);
    SetMediaInfoLibraryNameForTesting(name);
    std::filesystem::create_symlink(info.dli_fname, name);

    auto texts = RunMediaQuery(Clips().videoAndAudio, { { Stream_General, "FileName" } });
    ASSERT_TRUE(texts);
    EXPECT_EQ(texts->at(0), "av");
}

TEST_F(MediaBinding, LibraryWithoutTheEntryPointsBehavesAsMissing)
{
    for (const char* other : { "libz.so.1", "libsqlite3.so.0" }) {
        SCOPED_TRACE(other);
        SetMediaInfoLibraryNameForTesting(other);
        // It loads, but binds nothing; a query must not call through null pointers.
        EXPECT_TRUE(LoadMediaInfo(other));
        for (void* entryPoint : EntryPoints())
            EXPECT_EQ(entryPoint, nullptr);
        EXPECT_FALSE(RunMediaQuery(Clips().videoAndAudio, { { Stream_General, "FileName" } }));
        EXPECT_FALSE(MediaQuery::Start(Clips().videoAndAudio));
        EXPECT_FALSE(MediaQuery::StartWithoutLoading(Clips().videoAndAudio));
    }
}

TEST_F(MediaBinding, QueryWithoutLoadingUsesTheEntryPointsBoundBefore)
{
    ASSERT_TRUE(RunMediaQuery(Clips().videoAndAudio, {}));
    // With the module forgotten and no library to load, a loading query fails, but the
    // entry points bound before still serve one that skips the load.
    SetMediaInfoLibraryNameForTesting("libondrevo-no-such-library.so.0");
    EXPECT_FALSE(MediaQuery::Start(Clips().videoAndAudio));
    std::optional<MediaQuery> query = MediaQuery::StartWithoutLoading(Clips().videoAndAudio);
    ASSERT_TRUE(query);
    EXPECT_EQ(query->Get(Stream_General, "FileName"), "av");
}

TEST_F(MediaBinding, UnreadableAndMissingFilesAnswerEmptyTexts)
{
    const std::vector<MediaParameter> parameters = { { Stream_General, "FileName" },
        { Stream_General, "Duration/String3" }, { Stream_Video, "Width" }, { Stream_Audio, "Format" } };
    auto garbage = RunMediaQuery(Clips().garbage, parameters);
    ASSERT_TRUE(garbage);
    EXPECT_EQ(*garbage, (std::vector<std::string> { "garbage", "", "", "" }));
    auto missing = RunMediaQuery(Clips().folder.File("missing.mp4"), parameters);
    ASSERT_TRUE(missing);
    EXPECT_EQ(*missing, (std::vector<std::string> { "", "", "", "" }));
}

} // namespace
} // namespace ondrevo::testing
