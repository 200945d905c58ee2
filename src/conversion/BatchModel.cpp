#include "conversion/BatchModel.h"

#include <algorithm>
#include <array>
#include <utility>

namespace ondrevo {
namespace {

constexpr std::array<std::pair<RowPhase, const char*>, 6> kPhaseNames { {
    { RowPhase::Waiting, "waiting" },
    { RowPhase::Converting, "converting" },
    { RowPhase::Converted, "converted" },
    { RowPhase::Stopped, "stopped" },
    { RowPhase::Failed, "failed" },
    { RowPhase::Interrupted, "interrupted" },
} };

bool InScope(const BatchRow& row, RunScope scope)
{
    switch (scope) {
    case RunScope::Whole:
    case RunScope::Selected:
        return true;
    case RunScope::Remaining:
        return row.phase != RowPhase::Converted && row.phase != RowPhase::Converting;
    case RunScope::Failed:
        return row.phase == RowPhase::Failed;
    }
    return false;
}

} // namespace

const char* PhaseName(RowPhase phase)
{
    for (const auto& [p, name] : kPhaseNames)
        if (p == phase)
            return name;
    return "waiting";
}

std::optional<RowPhase> PhaseNamed(const std::string& name)
{
    for (const auto& [phase, n] : kPhaseNames)
        if (name == n)
            return phase;
    return std::nullopt;
}

std::optional<int> BatchModel::IndexOf(std::uint64_t id) const
{
    const auto found = std::find_if(rows_.begin(), rows_.end(), [id](const BatchRow& row) { return row.id == id; });
    if (found == rows_.end())
        return std::nullopt;
    return static_cast<int>(found - rows_.begin());
}

std::uint64_t BatchModel::Append(std::string source, long long playingMilliseconds, RowPhase phase, std::string reason)
{
    BatchRow row;
    row.id = nextId_++;
    row.source = std::move(source);
    row.playingMilliseconds = std::max(playingMilliseconds, 0LL);
    row.phase = phase;
    row.reason = std::move(reason);
    if (running_) {
        queue_.push_back(row.id);
        ++runRows_;
        runMilliseconds_ += row.playingMilliseconds;
    }
    rows_.push_back(std::move(row));
    return rows_.back().id;
}

void BatchModel::Remove(int index)
{
    const std::uint64_t id = Row(index).id;
    std::erase(queue_, id);
    rows_.erase(rows_.begin() + index);
}

void BatchModel::Clear()
{
    rows_.clear();
    queue_.clear();
}

void BatchModel::SetPhase(int index, RowPhase phase, std::string reason)
{
    BatchRow& row = rows_.at(static_cast<std::size_t>(index));
    row.phase = phase;
    row.reason = std::move(reason);
}

void BatchModel::SetFiles(int index, std::string output, std::string part, std::string partId)
{
    BatchRow& row = rows_.at(static_cast<std::size_t>(index));
    row.output = std::move(output);
    row.part = std::move(part);
    row.partId = std::move(partId);
}

void BatchModel::SetPlayingMilliseconds(int index, long long milliseconds)
{
    rows_.at(static_cast<std::size_t>(index)).playingMilliseconds = std::max(milliseconds, 0LL);
}

std::vector<int> BatchModel::RowsOf(RunScope scope, const std::vector<int>& selected) const
{
    std::vector<int> rows;
    if (scope == RunScope::Selected) {
        for (int index = 0; index < Count(); ++index)
            if (std::find(selected.begin(), selected.end(), index) != selected.end())
                rows.push_back(index);
        return rows;
    }
    for (int index = 0; index < Count(); ++index)
        if (InScope(rows_[static_cast<std::size_t>(index)], scope))
            rows.push_back(index);
    return rows;
}

void BatchModel::StartRun(const std::vector<int>& rows, RunScope scope)
{
    for (BatchRow& row : rows_)
        row.again = false;
    running_ = true;
    paused_ = false;
    queue_.clear();
    runRows_ = 0;
    runMilliseconds_ = 0;
    for (int index : rows) {
        BatchRow& row = rows_.at(static_cast<std::size_t>(index));
        row.again = scope == RunScope::Selected;
        queue_.push_back(row.id);
        ++runRows_;
        runMilliseconds_ += row.playingMilliseconds;
    }
}

void BatchModel::EndRun()
{
    running_ = false;
    paused_ = false;
    queue_.clear();
}

std::optional<int> BatchModel::NextRow() const
{
    if (queue_.empty())
        return std::nullopt;
    return IndexOf(queue_.front());
}

void BatchModel::Requeue(int index)
{
    const std::uint64_t id = Row(index).id;
    if (running_ && std::find(queue_.begin(), queue_.end(), id) == queue_.end())
        queue_.push_front(id);
}

void BatchModel::RowStarted(int index)
{
    const std::uint64_t id = Row(index).id;
    std::erase(queue_, id);
    SetPhase(index, RowPhase::Converting);
}

} // namespace ondrevo
