#include "conversion/SizeAim.h"

#include "conversion/ConversionJob.h"
#include "conversion/EncoderArguments.h"
#include "conversion/EncoderValues.h"
#include "conversion/Progress.h"
#include "parameters/SizeLimit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace ondrevo::size_aim {
namespace {

using encoder_values::BitrateValue;
using encoder_values::RateValue;

// The share of the limit a plan aims at: the encoders' rate control lands within a few
// per cent of its target over a whole file, mostly under.
constexpr double kAimedShare = 0.98;
// A try after an overshoot aims this much lower again than the overshoot alone says.
constexpr double kRetryMargin = 0.97;
// The header, the track descriptions and the tags of a 3GP file, rounded up.
constexpr long long kContainerHeaderBytes = 1024;
// Sample table bytes per picture or sound packet (size, chunk offset, time entries);
// 3GP files of this encoder took 4.5 to 7.7 per packet.
constexpr long long kContainerBytesPerPacket = 8;
// Bits per pixel and picture below which a moving picture is no longer worth watching.
constexpr double kLowestBitsPerPixel = 0.025;
constexpr long long kLowestVideoBps = 8000;
// Bits per pixel and picture that MPEG-4 needs to hold a moving picture at its bitrate
// in two passes: at 176x144 and 15 fps, 38 kbit/s; moving and noisy pictures were
// refused ("bitrate too low") at 27 kbit/s, the noisiest at 36, and all held at 43.
constexpr double kUsableBitsPerPixel = 0.1;
// The sound's bitrates under a limit, highest first: the Audio Bitrate selector's.
constexpr long long kAudioSteps[] = { 48000, 32000, 24000, 16000 };
// The AMR encoders' modes, highest first: every bitrate they write.
constexpr long long kAmrNbModes[] = { 12200, 10200, 7950, 7400, 6700, 5900, 5150, 4750 };
constexpr long long kAmrWbModes[] = { 23850, 23050, 19850, 18250, 15850, 14250, 12650, 8850, 6600 };
// AMR: a frame of 20 ms, each with one byte of header in the file.
constexpr int kAmrFramesPerSecond = 50;
constexpr long long kAmrFrameHeaderBps = 8 * kAmrFramesPerSecond;
// The least sound bitrate a channel is lowered to. ffmpeg's AAC encoder writes what it
// is asked down to this (within 3 %); below it, at 44100 Hz, it writes about 21 kbit/s
// in stereo and 14 in mono whatever it is asked, and cuts the sound under 2.4 kHz.
constexpr long long kLeastAudioBpsPerChannel = 12000;
// A limit leaving this many times the selector's bitrate needs no analysing pass.
constexpr double kAmpleRoom = 1.5;
// No try again below this video bitrate.
constexpr long long kLeastRetryBps = 1000;
// A first pass that read up to this share of the planned length, and a few frames and
// sound packets more, read what was planned.
constexpr long long kReadSlackPercent = 102;
constexpr long long kReadSlackMilliseconds = 200;
// No cut shorter than this is worth sending.
constexpr long long kShortestCutMilliseconds = 1000;

double Seconds(long long milliseconds)
{
    return static_cast<double>(milliseconds) / 1000.0;
}

std::string SecondsText(long long milliseconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", Seconds(milliseconds));
    return text;
}

// The picture's playing time in seconds: a source without one plays the whole.
double VideoSeconds(const Lengths& lengths)
{
    return Seconds(lengths.video > 0 ? lengths.video : lengths.Playing());
}

// The sound's bits a second in the file at `audioBps`, its frames' headers counted.
double WrittenAudioBps(const OutputTraits& traits, long long audioBps)
{
    return audioBps > 0 ? static_cast<double>(audioBps + traits.audioFrameBps) : 0.0;
}

// The video bitrate that fills the limit for streams of `lengths` with the sound at
// `audioBps`.
double VideoBudgetBps(const OutputTraits& traits, long long audioBps, long long limitBytes, const Lengths& lengths)
{
    const double bits
        = (static_cast<double>(limitBytes) * kAimedShare - static_cast<double>(ContainerBytes(traits, lengths))) * 8.0
        - WrittenAudioBps(traits, audioBps) * Seconds(lengths.audio);
    return bits / VideoSeconds(lengths);
}

double VideoBudgetBps(const OutputTraits& traits, long long limitBytes, const Lengths& lengths)
{
    return VideoBudgetBps(traits, traits.audioBps, limitBytes, lengths);
}

std::string CutHint(long long limitBytes, long long cutMilliseconds, long long milliseconds)
{
    return "Cut to fit " + size_limit::ShowBytes(limitBytes) + ": " + SecondsText(cutMilliseconds) + " of "
        + SecondsText(milliseconds);
}

// "32 kbit/s", "7.95 kbit/s": AAC's steps are whole kilobits, AMR's modes are not.
std::string KbitText(long long bps)
{
    std::string text = std::to_string(bps / 1000);
    if (const long long rest = bps % 1000; rest != 0) {
        std::string decimals = std::to_string(1000 + rest).substr(1);
        while (decimals.back() == '0')
            decimals.pop_back();
        text += "." + decimals;
    }
    return text + " kbit/s";
}

// The plan's audio lowered to fit the playing time, and the hint that says so.
void LowerAudio(const OutputTraits& traits, long long limitBytes, const Lengths& lengths, Plan& plan)
{
    const long long audio = AudioBpsToFit(traits, limitBytes, lengths);
    if (audio >= traits.audioBps)
        return;
    plan.audioBps = audio;
    plan.reason = plan.reason.empty() ? "Sound at " + KbitText(audio) + " to fit " + size_limit::ShowBytes(limitBytes)
                                      : plan.reason + ", sound at " + KbitText(audio);
}

} // namespace

OutputTraits ReadTraits(const std::vector<std::string>& arguments)
{
    OutputTraits traits;
    traits.audioBps = 128000; // the AAC encoder's default for stereo
    bool audio = true;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        if (name == "-an") {
            audio = false;
            continue;
        }
        if (i + 1 >= arguments.size())
            break;
        const std::string& value = arguments[i + 1];
        if ((name == "-c:v" || name == "-vcodec") && value == "libx264") {
            traits.sharpInOneRun = true;
        } else if (name == "-b:v" && BitrateValue(value) > 0) {
            traits.videoCapBps = BitrateValue(value);
        } else if (name == "-b:a" && BitrateValue(value) > 0) {
            traits.audioBps = BitrateValue(value);
        } else if ((name == "-c:a" || name == "-acodec") && !value.empty()) {
            const bool amrNb = value == "libopencore_amrnb";
            const bool amr = amrNb || value == "libvo_amrwbenc";
            traits.audioLowerable = amr || value == "aac";
            if (amr)
                traits.audioSteps
                    = amrNb ? std::span<const long long>(kAmrNbModes) : std::span<const long long>(kAmrWbModes);
            else
                traits.audioSteps = kAudioSteps;
            traits.audioFrameBps = amr ? kAmrFrameHeaderBps : 0;
        } else if (name == "-ac" && std::atoi(value.c_str()) > 0) {
            traits.audioChannels = std::atoi(value.c_str());
        } else if (name == "-r" && RateValue(value) > 0) {
            traits.framesPerSecond = RateValue(value);
        } else if (name == "-ar" && RateValue(value) > 0) {
            traits.audioPacketsPerSecond = static_cast<int>(std::ceil(RateValue(value) / 1024.0));
        } else if (name == "-s") {
            int width = 0;
            int height = 0;
            if (std::sscanf(value.c_str(), "%dx%d", &width, &height) == 2 && width > 0 && height > 0)
                traits.pixels = static_cast<long long>(width) * height;
        }
    }
    // AMR's packets are its 20 ms frames, whatever the sampling frequency.
    if (traits.audioFrameBps > 0)
        traits.audioPacketsPerSecond = kAmrFramesPerSecond;
    if (!audio) {
        traits.audioBps = 0;
        traits.audioPacketsPerSecond = 0;
        traits.audioLowerable = false;
        traits.audioFrameBps = 0;
    }
    return traits;
}

OutputTraits TraitsOf(const std::array<std::string, 9>& fragments)
{
    std::vector<std::string> options;
    for (const std::string& fragment : fragments)
        for (std::string& argument : EncoderArguments(fragment))
            options.push_back(std::move(argument));
    return ReadTraits(options);
}

Lengths Lengths::Cut(long long milliseconds) const
{
    return { std::min(video, milliseconds), std::min(audio, milliseconds) };
}

Lengths StreamLengths(long long milliseconds, long long videoMilliseconds, long long audioMilliseconds)
{
    const auto own
        = [milliseconds](long long stream) { return stream > 0 && stream <= milliseconds ? stream : milliseconds; };
    return { own(videoMilliseconds), own(audioMilliseconds) };
}

long long ContainerBytes(const OutputTraits& traits, const Lengths& lengths)
{
    const double packets
        = traits.framesPerSecond * VideoSeconds(lengths) + traits.audioPacketsPerSecond * Seconds(lengths.audio);
    return kContainerHeaderBytes + kContainerBytesPerPacket * static_cast<long long>(std::ceil(packets));
}

long long ContainerBytes(const OutputTraits& traits, long long milliseconds)
{
    return ContainerBytes(traits, Lengths { milliseconds, milliseconds });
}

long long LowestVideoBps(const OutputTraits& traits)
{
    const auto worth
        = static_cast<long long>(kLowestBitsPerPixel * static_cast<double>(traits.pixels) * traits.framesPerSecond);
    return std::min(traits.videoCapBps, std::max(kLowestVideoBps, worth));
}

long long UsableVideoBps(const OutputTraits& traits)
{
    const auto usable
        = static_cast<long long>(kUsableBitsPerPixel * static_cast<double>(traits.pixels) * traits.framesPerSecond);
    return std::min(traits.videoCapBps, std::max(LowestVideoBps(traits), usable));
}

long long LeastAudioBps(const OutputTraits& traits)
{
    if (traits.audioFrameBps > 0 && !traits.audioSteps.empty())
        return traits.audioSteps.back();
    return kLeastAudioBpsPerChannel * std::max(1, traits.audioChannels);
}

long long AudioBpsToFit(const OutputTraits& traits, long long limitBytes, const Lengths& lengths)
{
    long long audio = traits.audioBps;
    if (!traits.audioLowerable || lengths.Playing() <= 0)
        return audio;
    const auto usable = static_cast<double>(UsableVideoBps(traits));
    for (const long long step : traits.audioSteps) {
        if (VideoBudgetBps(traits, audio, limitBytes, lengths) >= usable)
            break;
        if (step < audio && step >= LeastAudioBps(traits))
            audio = step;
    }
    return audio;
}

OutputTraits AsWritten(const OutputTraits& traits, const Plan& plan)
{
    OutputTraits written = traits;
    if (plan.audioBps > 0)
        written.audioBps = plan.audioBps;
    return written;
}

Plan MakePlan(const OutputTraits& traits, long long limitBytes, long long milliseconds, bool cutToFit)
{
    return MakePlan(traits, limitBytes, Lengths { milliseconds, milliseconds }, cutToFit);
}

Plan MakePlan(const OutputTraits& traits, long long limitBytes, const Lengths& lengths, bool cutToFit)
{
    Plan plan;
    const std::string limitText = size_limit::ShowBytes(limitBytes);
    const long long milliseconds = lengths.Playing();
    if (milliseconds <= 0) {
        plan.reason = "Not converted: its playing time is unknown, so it cannot be aimed at " + limitText;
        return plan;
    }
    const long long lowest = LowestVideoBps(traits);
    LowerAudio(traits, limitBytes, lengths, plan);
    const long long audio = AsWritten(traits, plan).audioBps;
    const double budget = VideoBudgetBps(traits, audio, limitBytes, lengths);
    if (budget >= static_cast<double>(lowest)) {
        plan.fits = true;
        plan.videoBps = std::min(traits.videoCapBps, static_cast<long long>(budget));
        plan.passes = traits.sharpInOneRun || budget >= kAmpleRoom * static_cast<double>(traits.videoCapBps) ? 1 : 2;
        return plan;
    }
    plan.audioBps = 0;
    // As much as the plan would aim at, the sound at its lowest: the limit less the
    // margin kept for the encoder.
    const auto needed
        = static_cast<long long>(std::ceil((static_cast<double>(ContainerBytes(traits, lengths))
                                               + (static_cast<double>(lowest) * VideoSeconds(lengths)
                                                     + WrittenAudioBps(traits, audio) * Seconds(lengths.audio))
                                                   / 8)
            / kAimedShare));
    plan.reason
        = "Needs at least " + size_limit::ShowBytes(needed) + " at the lowest quality; the limit is " + limitText;
    if (!cutToFit)
        return plan;
    // The longest part that fits at the lowest bitrate: reckoned first as though both
    // streams played all of it.
    const double perSecond = (static_cast<double>(lowest) + WrittenAudioBps(traits, traits.audioBps)) / 8.0
        + static_cast<double>(kContainerBytesPerPacket) * (traits.framesPerSecond + traits.audioPacketsPerSecond);
    long long cut = static_cast<long long>(
        (static_cast<double>(limitBytes) * kAimedShare - kContainerHeaderBytes) / perSecond * 1000.0);
    while (cut > 0 && VideoBudgetBps(traits, limitBytes, lengths.Cut(cut)) < static_cast<double>(lowest))
        cut -= 100;
    // A picture shorter than the sound leaves the part more.
    while (cut + 100 < milliseconds
        && VideoBudgetBps(traits, limitBytes, lengths.Cut(cut + 100)) >= static_cast<double>(lowest))
        cut += 100;
    if (cut < kShortestCutMilliseconds) {
        plan.reason += "; not even a second fits";
        return plan;
    }
    plan.fits = true;
    plan.cutMilliseconds = cut;
    plan.reason = CutHint(limitBytes, cut, milliseconds);
    LowerAudio(traits, limitBytes, lengths.Cut(cut), plan);
    plan.videoBps = std::min(traits.videoCapBps,
        static_cast<long long>(VideoBudgetBps(traits, AsWritten(traits, plan).audioBps, limitBytes, lengths.Cut(cut))));
    return plan;
}

long long ScaledBps(const OutputTraits& traits, long long videoBps, long long limitBytes, long long writtenBytes,
    const Lengths& lengths)
{
    // The sound and the container come out as reckoned; the picture took the rest.
    const double others = static_cast<double>(ContainerBytes(traits, lengths))
        + WrittenAudioBps(traits, traits.audioBps) * Seconds(lengths.audio) / 8.0;
    const double allowed = static_cast<double>(limitBytes) - others;
    const double taken = static_cast<double>(writtenBytes) - others;
    if (allowed <= 0 || taken <= allowed)
        return 0;
    const auto scaled = static_cast<long long>(static_cast<double>(videoBps) * allowed / taken * kRetryMargin);
    return scaled >= kLeastRetryBps ? scaled : 0;
}

std::vector<std::string> RunArguments(
    const std::vector<std::string>& base, const Plan& plan, Pass pass, const std::string& logPrefix)
{
    std::vector<std::string> arguments = base;
    const std::string bitrate = std::to_string(plan.videoBps);
    std::vector<std::string> added;
    const auto set = [&](const char* name, const std::string& value) {
        const auto at = std::find(arguments.begin(), arguments.end(), name);
        if (at != arguments.end() && at + 1 != arguments.end())
            *(at + 1) = value;
        else
            added.insert(added.end(), { name, value });
    };
    set("-b:v", bitrate);
    if (plan.audioBps > 0)
        set("-b:a", std::to_string(plan.audioBps));
    if (plan.cutMilliseconds > 0) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.3f", Seconds(plan.cutMilliseconds));
        added.insert(added.end(), { "-t", seconds });
    }
    if (pass == Pass::First)
        added.insert(added.end(), { "-pass", "1", "-passlogfile", logPrefix });
    else if (pass == Pass::Second)
        added.insert(added.end(), { "-pass", "2", "-passlogfile", logPrefix });
    // Before "-f 3gp OUTPUT", the last three.
    const auto at = arguments.size() >= 3 ? arguments.end() - 3 : arguments.end();
    arguments.insert(at, added.begin(), added.end());
    if (pass == Pass::First)
        arguments.back() = "/dev/null";
    return arguments;
}

Lengths Played(const Aim& aim)
{
    return aim.plan.cutMilliseconds > 0 ? aim.lengths.Cut(aim.plan.cutMilliseconds) : aim.lengths;
}

bool TakeReadLength(Aim& aim, long long readMilliseconds)
{
    const long long planned = Played(aim).Playing();
    // A cut reads no further than its end; a few frames more are the encoder's rounding.
    if (aim.plan.cutMilliseconds > 0 || planned <= 0
        || readMilliseconds <= planned * kReadSlackPercent / 100 + kReadSlackMilliseconds)
        return true;
    const double stretch = static_cast<double>(readMilliseconds) / static_cast<double>(planned);
    aim.lengths = { static_cast<long long>(static_cast<double>(aim.lengths.video) * stretch),
        static_cast<long long>(static_cast<double>(aim.lengths.audio) * stretch) };
    Plan plan = MakePlan(aim.traits, aim.limitBytes, aim.lengths, aim.cutToFit);
    const bool holds = plan.fits && plan.cutMilliseconds == 0;
    // The statistics are there: the second pass uses them even where room is ample.
    if (holds)
        plan.passes = 2;
    aim.plan = std::move(plan);
    if (!holds)
        aim.passLog.reset();
    return holds;
}

bool ScaleAfterOvershoot(Aim& aim, long long writtenBytes)
{
    if (aim.tries >= kMostTries)
        return false;
    const long long scaled
        = ScaledBps(AsWritten(aim.traits, aim.plan), aim.plan.videoBps, aim.limitBytes, writtenBytes, Played(aim));
    if (scaled == 0)
        return false;
    aim.plan.videoBps = scaled;
    return true;
}

bool RunAloneAfterRefusal(Aim& aim)
{
    if (aim.running != Pass::Second || aim.tries >= kMostTries)
        return false;
    aim.plan.passes = 1;
    aim.passLog.reset();
    return true;
}

bool ShortenCut(Aim& aim)
{
    if (!aim.cutToFit || aim.tries >= kMostTries)
        return false;
    const long long from = aim.plan.cutMilliseconds > 0 ? aim.plan.cutMilliseconds : aim.lengths.Playing();
    const long long cut = from * 7 / 10;
    if (cut < kShortestCutMilliseconds)
        return false;
    aim.plan.cutMilliseconds = cut;
    // The sound stays as the longer part had it; the picture takes what is freed.
    aim.plan.videoBps = std::min(aim.traits.videoCapBps,
        static_cast<long long>(VideoBudgetBps(AsWritten(aim.traits, aim.plan), aim.limitBytes, Played(aim))));
    aim.plan.passes = aim.traits.sharpInOneRun ? 1 : 2;
    aim.plan.reason = CutHint(aim.limitBytes, cut, aim.lengths.Playing());
    if (aim.plan.audioBps > 0)
        aim.plan.reason += ", sound at " + KbitText(aim.plan.audioBps);
    // The first pass's statistics are for the longer part.
    aim.passLog.reset();
    return true;
}

std::vector<std::string> NextRun(ConversionJob& job, bool firstOfTry)
{
    Aim& aim = job.aim;
    if (!firstOfTry) {
        aim.running = Pass::Second;
    } else if (aim.tries == 0) {
        aim.running = aim.plan.passes == 2 ? Pass::First : Pass::Only;
        aim.runsPlanned = aim.plan.passes;
    } else {
        // A try again the way the first went: with two passes, the first pass's
        // statistics still hold unless the cut changed.
        if (aim.plan.passes == 1)
            aim.running = Pass::Only;
        else
            aim.running = aim.passLog ? Pass::Second : Pass::First;
        aim.runsPlanned += aim.running == Pass::First ? 2 : 1;
    }
    if (firstOfTry)
        ++aim.tries;
    if (aim.running == Pass::First && !aim.passLog)
        aim.passLog = std::make_unique<PassLog>();
    aim.bitrateTooLow = false;
    aim.refusal.clear();
    job.failureLine.clear();
    job.lastLine.clear();
    job.writtenMilliseconds = 0;
    job.elapsedSeconds = 0;
    return RunArguments(aim.arguments, aim.plan, aim.running, aim.passLog ? aim.passLog->Prefix() : std::string());
}

namespace {

// The seconds one run converts.
long long RunSeconds(const ConversionJob& job, long long duration)
{
    return job.aim.plan.cutMilliseconds > 0 ? std::max(1LL, job.aim.plan.cutMilliseconds / 1000) : duration;
}

} // namespace

long long DoneSeconds(const ConversionJob& job)
{
    const long long playing = job.playingSeconds;
    if (job.aim.limitBytes == 0)
        return std::min<long long>(job.elapsedSeconds, playing);
    const long long run = RunSeconds(job, playing);
    const long long planned = std::max(1, job.aim.runsPlanned);
    if (run <= 0)
        return playing * job.aim.runsEnded / planned;
    const long long done = job.aim.runsEnded * run + std::min<long long>(job.elapsedSeconds, run);
    return std::min(playing, playing * done / (planned * run));
}

int RowPercent(const ConversionJob& job, int elapsed, int duration)
{
    if (job.aim.limitBytes == 0)
        return std::min(100, progress::Percent(elapsed, duration));
    const long long run = RunSeconds(job, duration);
    const long long planned = std::max(1, job.aim.runsPlanned);
    if (run <= 0)
        return static_cast<int>(100 * job.aim.runsEnded / planned);
    const long long done = job.aim.runsEnded * run + std::min<long long>(elapsed, run);
    return static_cast<int>(std::min(100LL, done * 100 / (planned * run)));
}

std::string OverLimitReason(long long writtenBytes, long long limitBytes, int tries)
{
    return "Came out at " + size_limit::ShowBytes(writtenBytes) + " after " + std::to_string(tries)
        + (tries == 1 ? " try" : " tries") + ", over the largest file size of " + size_limit::ShowBytes(limitBytes)
        + "; nothing was kept";
}

std::string TooLowReason(long long limitBytes)
{
    return "Does not fit " + size_limit::ShowBytes(limitBytes)
        + ": the encoder cannot make this picture that small (\"Cut to fit\" shortens it)";
}

bool SaysBitrateTooLow(const std::string& line)
{
    return line.find("bitrate too low") != std::string::npos || line.find("bitrate is too low") != std::string::npos;
}

void NoteEncoderLine(Aim& aim, const std::string& line)
{
    const bool tooLow = SaysBitrateTooLow(line);
    if (!tooLow && line.find("2-pass log") == std::string::npos)
        return;
    aim.bitrateTooLow = aim.bitrateTooLow || tooLow;
    if (!aim.refusal.empty())
        return;
    // "[mpeg4 @ 0x55e3a0679240] Error: bitrate too low ...": the encoder's own words.
    std::string said = line;
    if (!said.empty() && said.front() == '[' && said.find("] ") != std::string::npos)
        said.erase(0, said.find("] ") + 2);
    if (said.rfind("Error: ", 0) == 0)
        said.erase(0, 7);
    while (!said.empty() && (said.back() == '.' || said.back() == ' '))
        said.pop_back();
    aim.refusal = said;
}

std::string RefusedReason(const Aim& aim, const std::string& otherwise)
{
    if (!aim.bitrateTooLow && aim.refusal.empty())
        return "";
    const std::string ours = aim.bitrateTooLow
        ? TooLowReason(aim.limitBytes)
        : "The encoder refused to write with the statistics of its first pass, and no try was left";
    return ours + ". The encoder said: " + (aim.refusal.empty() ? otherwise : aim.refusal);
}

std::string EarlierOutputNote(const std::string& name, long long earlierBytes, long long limitBytes)
{
    if (earlierBytes <= limitBytes)
        return "";
    const std::size_t slash = name.rfind('/');
    return ". The earlier " + name.substr(slash == std::string::npos ? 0 : slash + 1) + " stays in the folder, at "
        + size_limit::ShowBytes(earlierBytes) + ", over the limit";
}

} // namespace ondrevo::size_aim
