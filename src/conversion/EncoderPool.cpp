#include "conversion/EncoderPool.h"

#include "process/TJvCreateProcess.h"

namespace ondrevo {

EncoderPool::EncoderPool(TJvCreateProcess& first, RunnerMaker makeRunner)
    : makeRunner_(std::move(makeRunner))
{
    slots_.push_back(std::make_unique<Slot>());
    slots_.back()->runner = &first;
}

EncoderPool::EncoderPool(RunnerMaker makeRunner)
    : makeRunner_(std::move(makeRunner))
{
    slots_.push_back(std::make_unique<Slot>());
    slots_.back()->owned = makeRunner_(0);
    slots_.back()->runner = slots_.back()->owned.get();
}

EncoderPool::~EncoderPool()
{
    // Runners first (their destructors let go of the encoders), then the jobs.
    for (auto& slot : slots_)
        slot->owned.reset();
}

bool EncoderPool::Busy(std::size_t slot) const
{
    const Slot& s = *slots_.at(slot);
    return s.runner->State() == TJvProcessState::psWaiting || HoldsSlot(s.job.life);
}

bool EncoderPool::AnyBusy() const
{
    for (std::size_t slot = 0; slot < slots_.size(); ++slot)
        if (Busy(slot))
            return true;
    return false;
}

std::optional<std::size_t> EncoderPool::FreeSlot(std::size_t limit)
{
    for (std::size_t slot = 0; slot < limit; ++slot) {
        if (slot == slots_.size()) {
            if (!makeRunner_)
                return std::nullopt;
            auto made = std::make_unique<Slot>();
            made->owned = makeRunner_(slot);
            made->runner = made->owned.get();
            slots_.push_back(std::move(made));
        }
        if (!Busy(slot))
            return slot;
    }
    return std::nullopt;
}

std::optional<std::size_t> EncoderPool::SlotOfRow(std::uint64_t rowId) const
{
    for (std::size_t slot = 0; slot < slots_.size(); ++slot)
        if (rowId != 0 && slots_[slot]->job.rowId == rowId && Busy(slot))
            return slot;
    return std::nullopt;
}

void EncoderPool::Move(std::size_t slot, JobEvent event)
{
    ConversionJob& job = Job(slot);
    job.life = NextLife(job.life, event);
}

} // namespace ondrevo
