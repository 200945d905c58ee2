#include "app/ConversionTestSupport.h"

#include "base/CharacterType.h"
#include "base/ProgramFolder.h"
#include "conversion/EncoderPool.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace ondrevo::testing {
namespace {

std::string PrepareProgramFolder(const TempDir& dir, const std::function<void(const std::string&)>& prepare)
{
    const std::filesystem::path folder = dir.Path() / "program";
    std::filesystem::create_directories(folder / "bin");
    std::filesystem::create_directories(folder / "FFOutput");
    std::filesystem::create_symlink(ONDREVO_FFMPEG, folder / "bin" / "ffmpeg");
    CopyShippedDatabase((folder / "LibFFmpeg.Dat").string());
    if (prepare)
        prepare((folder / "LibFFmpeg.Dat").string());
    SetProgramFolderForTesting(folder.string());
    return folder.string();
}

} // namespace

ConversionSession::ConversionSession(
    const TempDir& dir, const std::function<void(const std::string& database)>& prepare)
    : Session(PrepareProgramFolder(dir, prepare) + "/LibFFmpeg.Dat")
    , testFolder(dir.Path())
    , programFolder((dir.Path() / "program").string())
    , outputFolder(programFolder + "/FFOutput")
{
    // As the program does at start-up, so that UTF-8 paths reach the media library.
    EnsureUtf8CharacterType();
    Show();
}

ConversionSession::~ConversionSession()
{
    SetProgramFolderForTesting("");
}

std::string ConversionSession::Clip(const std::string& relative, double seconds, const std::string& extraOptions)
{
    const std::filesystem::path path = testFolder / relative;
    std::filesystem::create_directories(path.parent_path());
    GenerateClip(path.string(), seconds, true, true, extraOptions);
    return path.string();
}

void ConversionSession::Add(const std::string& path)
{
    window.openDialog.answers.push_back(path);
    Event([](TFFmpegFrmHandlers& h) { h.AddFileBtnClick(); });
}

void ConversionSession::EncodeUntilStopped()
{
    WriteScript(programFolder + "/bin/ffmpeg", "exec " ONDREVO_FFMPEG " -re -stream_loop -1 \"$@\"");
}

bool ConversionSession::WaitUntilIdle(std::chrono::seconds limit)
{
    return loop.RunUntil([this] { return window.addFileBtn.enabled && !window.encoders.AnyBusy(); }, limit);
}

} // namespace ondrevo::testing
