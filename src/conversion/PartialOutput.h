#pragma once
// The file an encoder writes before it is known to be whole: a hidden name beside the
// final one (".clip.3gp.<pid>.ondrevo-part"), locked by this program for as long as it
// exists. Only a whole file is renamed over the final name, in one step, so an earlier
// output survives a failed conversion, and a program killed midway leaves no broken
// file under a final name. Temporary files whose owner is gone (no lock held on them)
// are removed by the next batch. UI thread.

#include "process/UniqueFd.h"

#include <functional>
#include <string>

namespace ondrevo {

class PartialOutput {
public:
    // Bytes the temporary name adds to the final one, at most: the leading dot and the
    // tail with the process id.
    static constexpr std::size_t kNameOverhead = 32;

    // Creates and locks the temporary file for `finalPath` (in the same folder). Raises
    // EOSError with errno when the folder is missing, not writable or full.
    explicit PartialOutput(const std::string& finalPath);
    // Removes the temporary file unless it was committed.
    ~PartialOutput();
    PartialOutput(const PartialOutput&) = delete;
    PartialOutput& operator=(const PartialOutput&) = delete;

    const std::string& Path() const { return path_; }
    const std::string& FinalPath() const { return finalPath_; }
    // The size of the temporary file in bytes, 0 when it cannot be read.
    long long Size() const;
    // Renames the temporary file over the final one, atomically. Raises EOSError.
    void Commit();
    // The same, but a file already under the final name is never replaced: raises
    // EOSError with EEXIST instead, and the temporary file stays.
    void CommitWithoutReplacing();
    // Makes `finalPath` (in the same folder) the name the file takes when committed.
    void Retarget(const std::string& finalPath) { finalPath_ = finalPath; }
    // Writes the file at `path` through to the disk, so that a power cut after a rename
    // finds the whole file rather than an empty one. Any thread; errors are left to the
    // rename that follows.
    static void MakeDurable(const std::string& path) noexcept;
    // Removes the temporary file now.
    void Discard() noexcept;

    // Told of each write through to the disk ("sync") and each rename ("rename") with the
    // temporary file's path, on the thread that makes it, so that tests can check that a
    // file is on the disk before it takes its name. None by default.
    using CallRecorder = std::function<void(const std::string& call, const std::string& path)>;
    static void SetCallRecorder(CallRecorder recorder);

    // The identity of the file at `path` ("device:inode"), which a rename keeps; "" when
    // it cannot be read.
    static std::string IdentityOf(const std::string& path);

    // Whether `name` (a file name without folder) is one of our temporary names.
    static bool IsPartialName(const std::string& name);
    // Removes every temporary file in `folder` that no running program holds. Returns
    // how many were removed; a folder that cannot be read removes nothing.
    static int RemoveAbandoned(const std::string& folder);

private:
    std::string finalPath_;
    std::string path_;
    UniqueFd lock_;
    bool done_ = false;
};

} // namespace ondrevo
