#pragma once
// The encoders a batch runs at once: one slot per encoder, each with its runner and the
// job it converts. Slot 0's runner is made with the pool (or is a runner given to it); further slots are made when a
// batch first needs them and kept for the program's life, so the runners of stopped
// encoders can still report their ends. UI thread.

#include "conversion/BatchEstimate.h"
#include "conversion/ConversionJob.h"
#include "conversion/EncoderCheck.h"
#include "conversion/SourceIdentities.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace ondrevo {

class TJvCreateProcess;

class EncoderPool {
public:
    // Makes the runner of slot `slot` (1, 2, ...), set up and wired like the first.
    using RunnerMaker = std::function<std::unique_ptr<TJvCreateProcess>(std::size_t slot)>;

    EncoderPool(TJvCreateProcess& first, RunnerMaker makeRunner);
    // Every slot's runner made by `makeRunner`, slot 0's at once.
    explicit EncoderPool(RunnerMaker makeRunner);
    ~EncoderPool();
    EncoderPool(const EncoderPool&) = delete;
    EncoderPool& operator=(const EncoderPool&) = delete;

    std::size_t Count() const { return slots_.size(); }
    TJvCreateProcess& Runner(std::size_t slot) { return *slots_.at(slot)->runner; }
    ConversionJob& Job(std::size_t slot) { return slots_.at(slot)->job; }
    const ConversionJob& Job(std::size_t slot) const { return slots_.at(slot)->job; }

    // Whether the slot's encoder runs or its end is still to be handled.
    bool Busy(std::size_t slot) const;
    // Whether any slot is busy.
    bool AnyBusy() const;
    // The first slot below `limit` that is not busy, making slots up to `limit` as needed.
    std::optional<std::size_t> FreeSlot(std::size_t limit);
    // The slot whose job converts the model's row `rowId`, if any.
    std::optional<std::size_t> SlotOfRow(std::uint64_t rowId) const;
    // Moves the job of `slot` along its life.
    void Move(std::size_t slot, JobEvent event);

    // The running batch's share done and time left.
    BatchEstimate& Estimate() { return estimate_; }
    // The list's source files, which no output may replace.
    SourceIdentities& Sources() { return sources_; }
    // How often the start of the row at the cursor has failed because the settings
    // file was locked; 0 once a start got past the settings.
    int& LockedStarts() { return lockedStarts_; }
    // The encoder program's list of encoders, read once per program file.
    EncoderCheck& Check() { return check_; }
    // Why the running batch cannot convert with the encoder program it has ("" when it
    // can): its first row fails with this and the batch ends.
    std::string& Refusal() { return refusal_; }

private:
    struct Slot {
        // The job is declared first: its temporary file is removed only after the
        // runner that writes it has let go of its encoder.
        ConversionJob job;
        TJvCreateProcess* runner = nullptr;
        std::unique_ptr<TJvCreateProcess> owned;
    };
    RunnerMaker makeRunner_;
    BatchEstimate estimate_;
    SourceIdentities sources_;
    int lockedStarts_ = 0;
    EncoderCheck check_;
    std::string refusal_;
    std::vector<std::unique_ptr<Slot>> slots_;
};

} // namespace ondrevo
