#pragma once
// The files the list's rows convert, known by device and inode, so that no output
// replaces one of them under another spelling of its path: a hard link in another
// folder, a symbolic link, "./", "//" or "..". Each source is looked up once per batch,
// and so is each output path asked about: a long list costs one look-up per row, not
// one per row and job. UI thread.

#include <string>
#include <sys/types.h>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace ondrevo {

class BatchModel;

class SourceIdentities {
public:
    // Forgets what it knows: the files may have changed since (a new batch starts).
    void Forget();
    // Follows the list's rows: looks up the rows it has not seen yet. Cheap when the
    // list is as it was.
    void Update(const BatchModel& model);
    // Whether `path`, its links followed, is the file of one of the rows. A path that does
    // not exist is none. The answer is kept until Forget or a change of the list.
    bool IsSource(const std::string& path);

private:
    using Identity = std::pair<dev_t, ino_t>;
    struct IdentityHash {
        std::size_t operator()(const Identity& id) const noexcept
        {
            return std::hash<unsigned long long>()(
                static_cast<unsigned long long>(id.second) * 31u + static_cast<unsigned long long>(id.first));
        }
    };
    static bool LookUp(const std::string& path, Identity& identity);

    std::vector<std::string> captions_;
    // Every path looked up, with its identity, or none for a path that does not exist.
    std::unordered_map<std::string, std::pair<bool, Identity>> known_;
    std::unordered_set<Identity, IdentityHash> sources_;
    std::unordered_map<std::string, bool> answers_;
};

} // namespace ondrevo
