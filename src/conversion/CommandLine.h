#pragma once
// The encoder's command line for a row of the batch, and the name of the file it
// writes, from the engine's model and choices. Everything is read afresh for every job,
// so a choice changed during a batch applies from the next job on. UI thread; the
// fragments (ChosenFragments) and the arguments built from them also on the batch
// engine's worker thread, which reads a row's start.

#include "parameters/ExistingOutputs.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace ondrevo {

class BatchEngine;
class BatchModel;
class TSqliteQuery;
struct BatchChoices;

namespace command_line {

// The encoder program: bin/ffmpeg in the program's folder.
std::string EncoderPath();

// The arguments for `row`: the encoder's path, "-y", "-i", the source path, the nine
// fragments of the chosen entries (each split into whole arguments; an empty fragment
// gives none; the Width Ratio's is filled in for the Video Size's, width_ratio::ForSize)
// with the picture's level after the video ones (video_level::Arguments), "-map_metadata
// 0" when "Keep the source's date" is chosen (the container's creation time, when the
// source has one; with "-metadata creation_time=" after it when a 3GP file cannot hold
// that time, source_date::ContainerDateArguments), "-f 3gp" and `writeTo`. Each path is one argument
// whatever it holds. The muxer is named, so the name's extension does not matter.
// Raises EUniError for a failing fragment query.
std::vector<std::string> BuildCommandLine(BatchEngine& engine, int row, const std::string& writeTo);
// The same from the chosen fragments (ChosenFragments): what the engine's worker thread
// builds a row's start from.
std::vector<std::string> BuildCommandLine(const std::array<std::string, 9>& fragments, bool keepSourceDate,
    const std::string& source, const std::string& writeTo);
// The fragments of the nine chosen entries, in the selectors' order, the Width Ratio's
// filled in for the Video Size's. Raises EUniError for a failing fragment query.
std::array<std::string, 9> ChosenFragments(TSqliteQuery& query, const BatchChoices& choices);

// The playing time of a media file in milliseconds, 0 when the library cannot tell.
long long PlayingMilliseconds(const std::string& path);

// The output path for the source of `row`: the output folder, "/", the output
// name and ".3gp". The output name is the source's file name without folder and
// extension. When an earlier row has the same output name (another source, or the
// same file listed again), or when the path would be the file of any row in the list
// (its own or another's, however spelled or linked), the row gets "name (2)",
// "name (3)", ... with the lowest number that is neither, so no job overwrites another's
// result or a file still to be converted. Names longer than the folder allows are
// shortened first (FitName). With "Keep both" (`existing`), a name that a file (of any
// kind) already has, or that a running job of the batch writes to, is not given either:
// the row then gets the output name with the lowest free number, "name (2)" and up.
// The two-argument form takes the choice from the engine's choices.
std::string OutputFileName(BatchEngine& engine, int row);
std::string OutputFileName(BatchEngine& engine, int row, ExistingOutputs existing);

// `name` shortened in its middle, at character boundaries, to at most `limit` bytes;
// unchanged when it fits. Output names are cut so that the name with a number suffix,
// ".3gp" and the temporary name's additions stays within the folder's name length.
std::string FitName(const std::string& name, std::size_t limit);
// The longest output name (without suffix and extension) that files in `folder` may take.
std::size_t OutputNameLimit(const std::string& folder);

constexpr std::size_t kNoNameLimit = static_cast<std::size_t>(-1);

// Whether an output name (without ".3gp") may not be given: its file is a source.
using NameTaken = std::function<bool(const std::string& name)>;

// The output names of rows 0..row-1 as OutputFileName gives them, and the one `row`
// gets when its own name is `name`; each row's name differs from every earlier row's.
// Earlier rows are named from their paths, without a media query, so this stays cheap
// for thousands of rows. Every name is first fitted to `limit` bytes. A name that
// `taken` refuses goes to the next number as one that an earlier row uses.
std::string UniqueOutputName(const BatchModel& model, int row, const std::string& name,
    std::size_t limit = kNoNameLimit, const NameTaken& taken = nullptr);

// The file name of `path` without folder and extension ("a/b.c.mp4" -> "b.c").
std::string BaseName(const std::string& path);

// Whether the two paths name one existing file (the same device and inode), however
// they are spelled (doubled slashes, symbolic and hard links).
bool SameFile(const std::string& a, const std::string& b);

} // namespace command_line
} // namespace ondrevo
