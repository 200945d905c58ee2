#include "conversion/CommandLine.h"

#include "base/ProgramFolder.h"
#include "conversion/BatchEngine.h"
#include "conversion/EncoderArguments.h"
#include "conversion/EncoderCheck.h"
#include "conversion/EncoderPool.h"
#include "conversion/PartialOutput.h"
#include "conversion/SourceDate.h"
#include "conversion/VideoLevel.h"
#include "media/FileList.h"
#include "media/MediaQuery.h"
#include "media/MediaTextRules.h"
#include "parameters/Selectors.h"
#include "parameters/WidthRatio.h"

#include <array>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>

namespace ondrevo::command_line {
namespace {

// The encoder reads a relative name with a colon in it ("rtmp:clip.mp4") as a protocol;
// its "file:" prefix keeps such a name a file. Absolute paths never look like one.
std::string AsEncoderPath(const std::string& path)
{
    if (!path.empty() && path.front() == '/')
        return path;
    return "file:" + path;
}

bool IsContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

long long PlayingMilliseconds(const std::string& path)
{
    std::optional<MediaQuery> query = MediaQuery::Start(path);
    return query ? MillisecondsText(query->Get(Stream_General, "Duration")) : 0;
}

std::string FitName(const std::string& name, std::size_t limit)
{
    static const std::string kMark = "\xe2\x80\xa6"; // "…"
    if (name.size() <= limit)
        return name;
    if (limit <= kMark.size())
        return name.substr(0, limit);
    // Keep the start and the end, where names usually differ (dates, numbers).
    std::size_t head = (limit - kMark.size()) / 2;
    std::size_t tailStart = name.size() - (limit - kMark.size() - head);
    while (head > 0 && IsContinuationByte(name[head]))
        --head;
    while (tailStart < name.size() && IsContinuationByte(name[tailStart]))
        ++tailStart;
    return name.substr(0, head) + kMark + name.substr(tailStart);
}

std::size_t OutputNameLimit(const std::string& folder)
{
    long nameMax = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    if (nameMax <= 0)
        nameMax = 255;
    // Room for " (99999)", ".3gp" and what the temporary name adds.
    const std::size_t reserved = 8 + 4 + PartialOutput::kNameOverhead;
    return static_cast<std::size_t>(nameMax) > reserved + 16 ? static_cast<std::size_t>(nameMax) - reserved : 16;
}

std::string EncoderPath()
{
    return ProgramFolder() + "bin/ffmpeg";
}

std::string BaseName(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    // A leading dot starts a hidden name, not an extension.
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}

std::string UniqueOutputName(
    const BatchModel& model, int row, const std::string& name, std::size_t limit, const NameTaken& taken)
{
    std::unordered_set<std::string> used;
    // The lowest number worth trying for a name: every lower one is taken, and taken
    // names never come free again, so the search never starts over.
    std::unordered_map<std::string, int> nextNumber;
    const auto assign = [&](const std::string& wanted) {
        const auto unavailable
            = [&](const std::string& candidate) { return used.count(candidate) > 0 || (taken && taken(candidate)); };
        std::string given = FitName(wanted, limit);
        if (unavailable(given)) {
            const std::string fitted = given;
            int& n = nextNumber.try_emplace(fitted, 2).first->second;
            while (unavailable(fitted + " (" + std::to_string(n) + ")"))
                ++n;
            given = fitted + " (" + std::to_string(n) + ")";
        }
        used.insert(given);
        return given;
    };
    // Every row has a name of its own, a file listed twice too: two rows of one batch
    // converted at once never write to one name.
    for (int earlier = 0; earlier < row; ++earlier)
        assign(BaseName(model.Row(earlier).source));
    return assign(name);
}

std::string OutputFileName(BatchEngine& engine, int row)
{
    return OutputFileName(engine, row, engine.Choices().existing);
}

std::string OutputFileName(BatchEngine& engine, int row, ExistingOutputs existing)
{
    // The name comes from the path, not from the media library: the library reports a
    // name as it shows it (a line break becomes " / ", which would reach into a folder
    // that does not exist) and none at all for a file it cannot open.
    const std::string name = BaseName(engine.Model().Row(row).source);
    const std::string& folder = engine.Choices().outputFolder;
    SourceIdentities& sources = engine.Encoders().Sources();
    sources.Update(engine.Model());
    const auto path = [&](const std::string& candidate) { return folder + "/" + candidate + ".3gp"; };
    const auto isSource = [&](const std::string& candidate) { return sources.IsSource(path(candidate)); };
    const std::size_t limit = OutputNameLimit(folder);
    const std::string given = UniqueOutputName(engine.Model(), row, name, limit, isSource);
    if (existing != ExistingOutputs::KeepBoth)
        return path(given);
    // The names other jobs write to are not on the disk until their ends.
    std::unordered_set<std::string> pending;
    for (std::size_t slot = 0; slot < engine.Encoders().Count(); ++slot)
        if (const ConversionJob& job = engine.Encoders().Job(slot); job.output)
            pending.insert(job.output->FinalPath());
    const auto inUse = [&](const std::string& candidate) {
        struct stat status { };
        return isSource(candidate) || pending.count(path(candidate)) > 0
            || ::lstat(path(candidate).c_str(), &status) == 0;
    };
    if (!inUse(given))
        return path(given);
    const std::string fitted = FitName(name, limit);
    for (int n = 2;; ++n)
        if (const std::string numbered = fitted + " (" + std::to_string(n) + ")"; !inUse(numbered))
            return path(numbered);
}

std::array<std::string, 9> ChosenFragments(TSqliteQuery& query, const BatchChoices& choices)
{
    const int codec = choices.AudioCodec().position;
    std::array<std::string, 9> fragments;
    for (std::size_t i = 0; i < fragments.size(); ++i) {
        const SelectorChoice& choice = choices.selectors[i];
        fragments[i] = selectors::FragmentAt(
            query, static_cast<int>(i) + 1, choice.position, codec, choices.AudioCodec().entry, choice.entry);
    }
    // "Fit with black bars" and "Fill (crop)" shape the picture for the chosen size.
    fragments[4] = width_ratio::ForSize(fragments[4], fragments[2]);
    return fragments;
}

std::vector<std::string> BuildCommandLine(const std::array<std::string, 9>& fragments, bool keepSourceDate,
    const std::string& source, const std::string& writeTo)
{
    std::vector<std::string> arguments { EncoderPath() };
    arguments.insert(arguments.end(), { "-y", "-i", AsEncoderPath(source) });
    const auto addFragment = [&](const std::string& fragment) {
        for (std::string& argument : EncoderArguments(fragment))
            arguments.push_back(std::move(argument));
    };
    for (std::size_t i = 0; i < 5; ++i)
        addFragment(fragments[i]);
    // The level the picture declares, and the peak rate that keeps to it.
    for (std::string& argument : video_level::Arguments(arguments, NamedEncoder(fragments[5], 'a')))
        arguments.push_back(std::move(argument));
    for (std::size_t i = 5; i < fragments.size(); ++i)
        addFragment(fragments[i]);
    // The encoder drops the source's creation time unless told to copy the metadata.
    if (keepSourceDate)
        for (std::string& argument : source_date::ContainerDateArguments(EncoderPath(), AsEncoderPath(source)))
            arguments.push_back(std::move(argument));
    arguments.insert(arguments.end(), { "-f", "3gp", AsEncoderPath(writeTo) });
    return arguments;
}

std::vector<std::string> BuildCommandLine(BatchEngine& engine, int row, const std::string& writeTo)
{
    return BuildCommandLine(ChosenFragments(engine.Query(), engine.Choices()), engine.Choices().keepSourceDate,
        engine.Model().Row(row).source, writeTo);
}

bool SameFile(const std::string& a, const std::string& b)
{
    struct stat first { };
    struct stat second { };
    if (::stat(a.c_str(), &first) != 0 || ::stat(b.c_str(), &second) != 0)
        return false;
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

} // namespace ondrevo::command_line
