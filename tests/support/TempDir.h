#pragma once
// Temporary folders and generated media for tests.

#include <filesystem>
#include <string>

namespace ondrevo::testing {

// A fresh folder below the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Makes the working directory `folder` while it lives.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::filesystem::path& folder);
    ~WorkingDirectory();

private:
    std::filesystem::path previous_;
};

// Runs a shell command; returns its exit status.
int Shell(const std::string& command);
// Runs a shell command and returns its standard output.
std::string ShellOutput(const std::string& command);
// Quotes a text for the shell.
std::string ShellQuote(const std::string& text);

// Writes a clip with ffmpeg's test sources: `seconds` long, with video and/or audio.
// Extra ffmpeg output options may be given. Fails the test when ffmpeg fails.
void GenerateClip(const std::string& path, double seconds, bool video = true, bool audio = true,
    const std::string& extraOptions = "");

} // namespace ondrevo::testing
