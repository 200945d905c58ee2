#pragma once
// Temporary folders for tests, and the files in them.

#include <filesystem>
#include <string>
#include <vector>

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

// The whole content of a file; empty when it cannot be read.
std::string FileBytes(const std::string& path);
// The names of the entries of `folder`, sorted.
std::vector<std::string> FolderNames(const std::string& folder);
// Writes an executable shell script: "#!/bin/sh", then `body`. A file or link that was at
// `path` is replaced, never written through.
void WriteScript(const std::string& path, const std::string& body);

// Makes the working directory `folder` while it lives.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::filesystem::path& folder);
    ~WorkingDirectory();

private:
    std::filesystem::path previous_;
};

} // namespace ondrevo::testing
