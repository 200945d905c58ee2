#include "support/TempDir.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace ondrevo::testing {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "ondrevo-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

WorkingDirectory::WorkingDirectory(const std::filesystem::path& folder)
    : previous_(std::filesystem::current_path())
{
    std::filesystem::current_path(folder);
}

WorkingDirectory::~WorkingDirectory()
{
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
}

int Shell(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ShellOutput(const std::string& command)
{
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return output;
    std::array<char, 4096> buffer {};
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        output.append(buffer.data(), n);
    pclose(pipe);
    return output;
}

std::string ShellQuote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

void GenerateClip(const std::string& path, double seconds, bool video, bool audio, const std::string& extraOptions)
{
    std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y";
    const std::string duration = std::to_string(seconds);
    if (video)
        command += " -f lavfi -i testsrc2=size=320x240:rate=25:duration=" + duration;
    if (audio)
        command += " -f lavfi -i sine=frequency=440:sample_rate=44100:duration=" + duration;
    command += " " + extraOptions + " " + ShellQuote(path);
    ASSERT_EQ(Shell(command), 0) << command;
}

} // namespace ondrevo::testing
