#pragma once
// Aiming a row's output at "Largest file size": the video bitrate its playing time
// allows once the sound and the container have taken their share, never above the
// Video Bitrate selector's; the sound lowered when it would leave a moving picture too
// little; the encoder runs that make it (an analysing first pass and
// the writing pass, or the writing pass alone when the limit leaves ample room); and
// the tries again, at a bitrate scaled by the overshoot, when the written file is
// still too large. Pure functions and the job's state; the batch runs the encoders.
// UI thread.

#include "conversion/PassLog.h"

#include <array>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace ondrevo {

struct ConversionJob;

namespace size_aim {

// What the row's encoder arguments fix about the output's size.
struct OutputTraits {
    long long videoCapBps = 200000; // "-b:v"; the encoder's own default without one
    long long audioBps = 0; // "-b:a" (0 with "-an"); the encoder's default without one
    int audioChannels = 2; // "-ac"; a stereo source's without one
    // "-c:a aac", "-c:a libopencore_amrnb" or "-c:a libvo_amrwbenc": its bitrate may be
    // lowered to fit, through `audioSteps` (AAC's 48 to 16 kbit/s, or the AMR encoder's
    // modes), highest first; other sound encoders keep theirs.
    bool audioLowerable = false;
    std::span<const long long> audioSteps;
    // What each sound frame adds to its bitrate in the file: AMR's one byte of frame
    // header every 20 ms.
    long long audioFrameBps = 0;
    double framesPerSecond = 30; // "-r"; the most a phone clip has without one
    long long pixels = 176 * 144; // "-s WxH"
    int audioPacketsPerSecond = 47; // "-ar" / 1024 samples per AAC packet, rounded up; AMR's 50
    // The video encoder lands on its bitrate in one run as closely as in two (libx264,
    // within 1 %); MPEG-4 and H.263 land 12 to 38 % over in one and within 5 % in two.
    bool sharpInOneRun = false;
};
// The traits the encoder options in `arguments` fix.
OutputTraits ReadTraits(const std::vector<std::string>& arguments);
// The traits of the nine chosen fragments (command_line::ChosenFragments).
OutputTraits TraitsOf(const std::array<std::string, 9>& fragments);

// How long each stream of an output plays, in milliseconds: a sound longer than the
// picture (a recording whose camera stopped first) takes its share for its own length.
struct Lengths {
    long long video = 0;
    long long audio = 0;
    long long Playing() const { return video > audio ? video : audio; }
    // What "-t `milliseconds`" leaves of each.
    Lengths Cut(long long milliseconds) const;
    bool operator==(const Lengths&) const = default;
};
// The streams of a source playing `milliseconds`, as the media library reports them: a
// stream whose length it cannot tell (0), or tells longer than the whole, plays the whole.
Lengths StreamLengths(long long milliseconds, long long videoMilliseconds, long long audioMilliseconds);

// The container's own bytes for `milliseconds` of output: the header, and the sample
// tables' entries for every picture and sound packet. Measured on 3GP files this
// encoder wrote, and rounded up.
long long ContainerBytes(const OutputTraits& traits, long long milliseconds);
long long ContainerBytes(const OutputTraits& traits, const Lengths& lengths);
// The lowest video bitrate worth a picture at the traits' size and rate.
long long LowestVideoBps(const OutputTraits& traits);
// The video bitrate a moving picture needs at the traits' size and rate for MPEG-4 to
// hold it; below it the sound gives way (never above the Video Bitrate selector's).
long long UsableVideoBps(const OutputTraits& traits);
// The least sound bitrate the sound may be lowered to: what ffmpeg's AAC encoder
// still makes speech of at the traits' channels, or AMR's lowest mode.
long long LeastAudioBps(const OutputTraits& traits);
// The sound's bitrate for `milliseconds` under `limitBytes`: the chosen one while it
// leaves the picture its usable bitrate, else the highest lower step (48, 32, 24
// kbit/s and on down to the least, or the next AMR modes) that does, else the lowest
// step. Never raised.
long long AudioBpsToFit(const OutputTraits& traits, long long limitBytes, const Lengths& lengths);

struct Plan {
    bool fits = false;
    long long videoBps = 0;
    long long cutMilliseconds = 0; // 0: the whole playing time
    int passes = 2; // 1 when the limit leaves ample room, or the encoder is sharp in one
    long long audioBps = 0; // the sound lowered to fit; 0: as chosen
    std::string reason; // why it does not fit, or the row's hint for a cut or a lowered sound
};

// The traits as the plan's runs write them: with the sound at the plan's bitrate.
OutputTraits AsWritten(const OutputTraits& traits, const Plan& plan);

// The plan for a source playing `milliseconds` under `limitBytes`, the sound lowered
// when it leaves the picture too little (AudioBpsToFit). A source that does not fit
// even at the lowest bitrates is refused, or with `cutToFit` cut at the playing time
// that fits at the chosen sound and the lowest video bitrate, the sound then lowered
// for that part as for a whole one; one whose playing time is unknown (0) is refused.
// Each stream is planned by its own length.
Plan MakePlan(const OutputTraits& traits, long long limitBytes, const Lengths& lengths, bool cutToFit);
Plan MakePlan(const OutputTraits& traits, long long limitBytes, long long milliseconds, bool cutToFit);

// The bitrate for a try after one at `videoBps` wrote `writtenBytes` over `limitBytes`:
// scaled down by the picture's overshoot (what it took beyond its share once the sound
// and the container have theirs), with a margin. 0 when not over, or when no bitrate is
// left for the picture.
long long ScaledBps(const OutputTraits& traits, long long videoBps, long long limitBytes, long long writtenBytes,
    const Lengths& lengths);

enum class Pass { Only, First, Second };

// The arguments of one run: `base` (as without a limit, ending "-f 3gp OUTPUT") with
// the video bitrate, the lowered sound's bitrate, the cut and the pass. A first pass only
// analyses: its file goes to /dev/null. It encodes the sound all the same: without it the
// encoder times the pictures of a source whose timestamps restart (joined recordings,
// camcorder and DVD files) otherwise, and the second pass, which reads other pictures
// than the statistics hold, is refused.
std::vector<std::string> RunArguments(
    const std::vector<std::string>& base, const Plan& plan, Pass pass, const std::string& logPrefix);

// The tries at the limit a row may take: the first and at most two more.
constexpr int kMostTries = 3;

// A row's aim while it converts under a limit; empty (limitBytes 0) without one.
struct Aim {
    long long limitBytes = 0;
    bool cutToFit = false;
    long long sourceMilliseconds = 0;
    Lengths lengths; // the source's streams (StreamLengths)
    std::string outputPath; // the row's output name, where an earlier output may be
    OutputTraits traits; // as the arguments fix them (AsWritten: as the runs write them)
    std::vector<std::string> arguments; // the row's arguments as without a limit
    Plan plan;
    Pass running = Pass::Only;
    int runsEnded = 0;
    int runsPlanned = 1;
    int tries = 0; // writing runs started
    long long lastBytes = 0; // what the last writing run wrote
    bool bitrateTooLow = false; // the running run's encoder said so
    std::string refusal; // the running run's encoder line that refused the bitrate or the statistics
    std::unique_ptr<PassLog> passLog;
};

// What the plan's runs write of each stream: the source's, or its cut's.
Lengths Played(const Aim& aim);

// After a first pass that read `readMilliseconds`: a source that plays longer than its
// header says (recordings joined end to end) gets the plan of what was read. Returns
// whether the first pass's statistics still hold for the plan; when not, the plan says
// why it does not fit, or it is a cut, tried again from its first pass.
bool TakeReadLength(Aim& aim, long long readMilliseconds);

// A writing run wrote `writtenBytes` over the limit: the bitrate scaled down by the
// overshoot, reckoned with the sound as the run wrote it. False when no try is left
// (kMostTries writing runs) or no bitrate is.
bool ScaleAfterOvershoot(Aim& aim, long long writtenBytes);

// After a second pass the encoder refused: the next try is a single run at the planned
// bitrate (the overshoot rule then as for any single run). False when no try is left or
// the run that ended was no second pass.
bool RunAloneAfterRefusal(Aim& aim);

// With "Cut to fit", after the encoder found the bitrate too low for the picture: the
// cut is shortened to 70 % (the bitrate raised to what the shorter part may take) for a
// try again from its first pass. False when no try is left or no cut of a second would do.
bool ShortenCut(Aim& aim);

// The arguments of the job's next run, and the run it is; the job's per-run notes are
// cleared. `firstOfTry` starts a try (with its first pass when the plan has two).
std::vector<std::string> NextRun(ConversionJob& job, bool firstOfTry);

// The seconds of the row's playing time counted done, every run counted: a row of two
// runs halfway through its first has a quarter done.
long long DoneSeconds(const ConversionJob& job);
// The row's Percent cell after `elapsed` seconds of the running pass of a row playing
// `duration` seconds: as without a limit for a single run, and with every run counted.
int RowPercent(const ConversionJob& job, int elapsed, int duration);

// The row's hint when its output is over the limit after its tries.
std::string OverLimitReason(long long writtenBytes, long long limitBytes, int tries);
// The hint when the encoder cannot bring the picture down to the bitrate.
std::string TooLowReason(long long limitBytes);
// Whether an encoder line says the bitrate is below what the picture can take.
bool SaysBitrateTooLow(const std::string& line);
// Notes an encoder line of the running run: one that refuses its bitrate, or the first
// pass's statistics.
void NoteEncoderLine(Aim& aim, const std::string& line);
// The hint of a row whose run the encoder refused: a sentence that says what it means,
// then the encoder's line (`otherwise` when none was noted). Empty when the encoder
// refused nothing.
std::string RefusedReason(const Aim& aim, const std::string& otherwise);
// The words added to a failed row's hint when the earlier output of `earlierBytes` that
// stays under its name is over the limit; empty when it is not.
std::string EarlierOutputNote(const std::string& name, long long earlierBytes, long long limitBytes);

} // namespace size_aim
} // namespace ondrevo
