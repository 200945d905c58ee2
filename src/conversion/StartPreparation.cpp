#include "conversion/StartPreparation.h"

#include "base/Errors.h"
#include "conversion/CommandLine.h"
#include "conversion/EncoderCheck.h"
#include "media/FileList.h"
#include "media/MediaQuery.h"
#include "media/MediaTextRules.h"
#include "parameters/Selectors.h"
#include "parameters/TSqliteQuery.h"

#include <sys/stat.h>

namespace ondrevo {
namespace {

// The identity of the file at `path` as ListedFacts keeps it; bytes -1 when it cannot be read.
ListedFacts IdentityOf(const std::string& path)
{
    ListedFacts identity;
    struct stat status { };
    if (::stat(path.c_str(), &status) != 0)
        return identity;
    identity.bytes = static_cast<long long>(status.st_size);
    identity.modifiedNanoseconds
        = static_cast<long long>(status.st_mtim.tv_sec) * 1000000000LL + static_cast<long long>(status.st_mtim.tv_nsec);
    identity.device = status.st_dev;
    identity.inode = status.st_ino;
    return identity;
}

bool Unchanged(const ListedFacts& a, const ListedFacts& b)
{
    return a.bytes >= 0 && a.bytes == b.bytes && a.modifiedNanoseconds == b.modifiedNanoseconds
        && a.device == b.device && a.inode == b.inode;
}

// The source's picture and sound, each as long as the media library says it plays.
size_aim::Lengths SourceLengths(const std::string& source, long long milliseconds)
{
    std::optional<MediaQuery> query = MediaQuery::Start(source);
    if (!query)
        return size_aim::StreamLengths(milliseconds, 0, 0);
    return size_aim::StreamLengths(milliseconds, MillisecondsText(query->Get(Stream_Video, "Duration")),
        MillisecondsText(query->Get(Stream_Audio, "Duration")));
}

} // namespace

ListedFacts ListFacts(const std::string& path)
{
    ListedFacts listed = IdentityOf(path);
    listed.facts = file_list::ReadFacts(path);
    // Changed while it was read: not to be taken for the file as it is.
    if (!Unchanged(listed, IdentityOf(path)))
        listed.bytes = -1;
    return listed;
}

PreparedStart PrepareStart(const StartRequest& request, const std::function<TSqliteQuery&()>& settings)
{
    PreparedStart prepared;
    prepared.ticket = request.ticket;
    prepared.slot = request.slot;
    prepared.output = request.output;
    prepared.limit = request.choices.sizeLimit;
    prepared.encoderChecked = request.checkEncoder;
    prepared.refusal = request.refusal;
    const BatchChoices& choices = request.choices;
    const ListedFacts now = IdentityOf(request.source);
    prepared.sourceBytes = now.bytes;
    long long milliseconds = 0;
    if (request.listed && Unchanged(*request.listed, now))
        prepared.facts = request.listed->facts;
    else if (request.factsFirst)
        prepared.facts = file_list::ReadFacts(request.source);
    if (prepared.facts && request.factsFirst)
        milliseconds = prepared.facts->milliseconds;
    prepared.plan = PlanJob({ request.source, request.again, choices.existing, choices.sizeLimit, request.output,
        milliseconds, request.refusal });
    if (prepared.plan.kind != JobPlan::Kind::Run) {
        // A refused row shows its facts all the same; a skipped one has them already.
        if (!prepared.facts && prepared.plan.kind == JobPlan::Kind::Refuse && request.factsOnRefusal)
            prepared.facts = file_list::ReadFacts(request.source);
        return prepared;
    }
    try {
        const std::array<std::string, 9> fragments = command_line::ChosenFragments(settings(), choices);
        prepared.arguments
            = command_line::BuildCommandLine(fragments, choices.keepSourceDate, request.source, request.output);
        if (choices.sizeLimit.kilobytes > 0) {
            prepared.lengths = SourceLengths(request.source, milliseconds);
            prepared.traits = size_aim::TraitsOf(fragments);
            prepared.aimPlan = size_aim::MakePlan(
                prepared.traits, choices.sizeLimit.Bytes(), prepared.lengths, choices.sizeLimit.cutToFit);
        }
    } catch (...) {
        prepared.error = std::current_exception();
        prepared.arguments.clear();
    }
    return prepared;
}

std::string EncoderRefusalFor(TSqliteQuery& query, const BatchChoices& choices, EncoderCheck& check)
{
    const SelectorChoice& video = choices.VideoCodec();
    const SelectorChoice& audio = choices.AudioCodec();
    const SelectorChoice& size = choices.selectors[2];
    std::vector<EncoderCheck::Need> needs;
    try {
        const std::string encoder
            = NamedEncoder(selectors::FragmentAt(query, 1, video.position, 0, "", video.entry), 'v');
        // A size the video encoder cannot write would fail every row in turn.
        std::vector<std::string> takers;
        for (std::size_t i = 0; i < choices.videoCodecs.size(); ++i) {
            const std::string other = NamedEncoder(
                selectors::FragmentAt(query, 1, static_cast<int>(i), 0, "", choices.videoCodecs[i]), 'v');
            if (!other.empty() && TakesAnySize(other))
                takers.push_back(choices.videoCodecs[i]);
        }
        const std::string sizeRefusal = SizeRefusal(
            encoder, selectors::FragmentAt(query, 3, size.position, 0, "", size.entry), size.entry, takers);
        if (!sizeRefusal.empty())
            return sizeRefusal;
        needs.push_back({ encoder, "Video Codec", video.entry });
        needs.push_back({ NamedEncoder(selectors::FragmentAt(query, 6, audio.position, 0, "", audio.entry), 'a'),
            "Audio Codec", audio.entry });
    } catch (const EUniError&) {
        return "";
    }
    return check.Refusal(command_line::EncoderPath(), needs);
}

} // namespace ondrevo
