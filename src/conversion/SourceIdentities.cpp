#include "conversion/SourceIdentities.h"

#include "conversion/BatchModel.h"

#include <sys/stat.h>

namespace ondrevo {

void SourceIdentities::Forget()
{
    captions_.clear();
    known_.clear();
    sources_.clear();
    answers_.clear();
}

bool SourceIdentities::LookUp(const std::string& path, Identity& identity)
{
    struct stat status { };
    if (::stat(path.c_str(), &status) != 0)
        return false;
    identity = { status.st_dev, status.st_ino };
    return true;
}

void SourceIdentities::Update(const BatchModel& model)
{
    const std::size_t rows = static_cast<std::size_t>(model.Count());
    bool same = captions_.size() == rows;
    for (std::size_t row = 0; same && row < rows; ++row)
        same = captions_[row] == model.Row(static_cast<int>(row)).source;
    if (same)
        return;
    captions_.resize(rows);
    sources_.clear();
    answers_.clear();
    for (std::size_t row = 0; row < rows; ++row) {
        captions_[row] = model.Row(static_cast<int>(row)).source;
        auto [entry, added] = known_.try_emplace(captions_[row]);
        if (added)
            entry->second.first = LookUp(captions_[row], entry->second.second);
        if (entry->second.first)
            sources_.insert(entry->second.second);
    }
}

bool SourceIdentities::IsSource(const std::string& path)
{
    if (sources_.empty())
        return false;
    const auto [answer, added] = answers_.try_emplace(path, false);
    if (added) {
        Identity identity;
        answer->second = LookUp(path, identity) && sources_.count(identity) > 0;
    }
    return answer->second;
}

} // namespace ondrevo
