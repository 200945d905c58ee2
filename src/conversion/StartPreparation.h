#pragma once
// What a row's start reads before its encoder can run: the source's size and facts, what
// becomes of the row (JobPlan), the encoder's arguments from the settings file's
// fragments and, under a largest file size, the plan of its runs. All of it may wait (a
// file another program holds, a slow disk, a large header), so the batch engine reads it
// on its worker thread; the UI thread then only creates the output's temporary file and
// starts the encoder. Pure apart from the reading.

#include "conversion/BatchChoices.h"
#include "conversion/JobPlan.h"
#include "conversion/SizeAim.h"
#include "media/SourceFacts.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ondrevo {

class TSqliteQuery;
class EncoderCheck;

// A source's facts as read when it was listed, with what its file was then: a start
// finds the file unchanged and does not read it again.
struct ListedFacts {
    SourceFacts facts;
    long long bytes = -1;
    long long modifiedNanoseconds = 0;
    unsigned long long device = 0;
    unsigned long long inode = 0;
    bool operator==(const ListedFacts&) const = default;
};
// Reads the facts of `path` with its file's identity.
ListedFacts ListFacts(const std::string& path);

// Taken on the UI thread when the row claims its encoder slot.
struct StartRequest {
    // Which claim of the slot this is: a result for an earlier one is dropped.
    std::uint64_t ticket = 0;
    std::size_t slot = 0;
    std::string source;
    bool again = false;
    BatchChoices choices;
    // The output's final path ("" when the encoder program was found unfit).
    std::string output;
    // Why the encoder program cannot convert with the choices ("" when it can), or
    // `checkEncoder`: ask the program first (the batch's first start).
    std::string refusal;
    bool checkEncoder = false;
    // What to run depends on the source's length (Skip, a largest file size): its facts
    // are read first. Otherwise they are read once its encoder is under way.
    bool factsFirst = false;
    // A refused row's facts are read with its start (else once it has ended).
    bool factsOnRefusal = true;
    // The facts the source had when it was listed, if known.
    std::optional<ListedFacts> listed;
};

struct PreparedStart {
    std::uint64_t ticket = 0;
    std::size_t slot = 0;
    // The request's output and largest file size, for the launch.
    std::string output;
    size_limit::Choice limit;
    // The encoder program's refusal, when this start asked it (checkEncoder).
    bool encoderChecked = false;
    std::string refusal;
    long long sourceBytes = -1;
    // The source's facts, when read before the start (factsFirst, or a refused row).
    std::optional<SourceFacts> facts;
    JobPlan plan;
    // For a row to run: its arguments as without a limit, ending with the output's final
    // path, which the launch replaces with its temporary file's.
    std::vector<std::string> arguments;
    // Under a largest file size: the source's streams, the traits and the plan.
    size_aim::Lengths lengths;
    size_aim::OutputTraits traits;
    size_aim::Plan aimPlan;
    // The settings could not be read (a lock, a damaged file): the launch decides.
    std::exception_ptr error;
};

// Reads what `request` needs, from `settings` for the fragments. Never raises: a
// failure to read the settings is kept in `error`.
PreparedStart PrepareStart(const StartRequest& request, const std::function<TSqliteQuery&()>& settings);

// Why the encoder program cannot convert with `choices`, as batch::EncoderRefusal;
// "" when it can or the choices cannot be read.
std::string EncoderRefusalFor(TSqliteQuery& query, const BatchChoices& choices, EncoderCheck& check);

} // namespace ondrevo
