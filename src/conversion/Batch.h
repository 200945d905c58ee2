#pragma once
// The conversion batch: Convert runs the encoder over every row of the file list, in
// list order, up to "Files converted at once" rows at a time (one by default); the
// list's menu runs it over the rows not converted, the failed ones or the selected ones.
// The batch engine holds each row's phase and which rows the running batch has still to
// start, and tells its view what changed. The next row starts by a call (StartJob),
// which says at once whether it started. All on the UI thread.

#include "conversion/BatchEngine.h"
#include "conversion/BatchModel.h"
#include "media/FileList.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ondrevo {

struct PreparedStart;

namespace batch {

// Row images.
constexpr int kWaitingImage = file_list::kAddedFileImage; // added, not converted in this batch yet
constexpr int kConvertingImage = 3;
constexpr int kEndedImage = 11; // finished or stopped
constexpr int kFailedImage = 18; // the encoder ended with an error of its own
// Tray images of the busy animation.
constexpr int kIdleTrayImage = 15;
constexpr int kBusyTrayImage = 16;
// The one-character stop command the encoder reads on its input.
extern const char* const kStopCommand;
// The hint of a row whose output would overwrite its own source.
extern const char* const kOutputIsSourceHint;
// What the status line says after a Stop or a restored list: where to go on.
extern const char* const kGoOnHint;

// The row image of each phase.
int PhaseImage(RowPhase phase);
// Gives the row its phase in the model, and tells the view (image and hint).
void ShowRowPhase(BatchEngine& engine, int row, RowPhase phase, const std::string& reason);
// Rows from `first` on were appended to the list: a running batch converts them after
// its other rows, and counts them in its share and time left.
void RowsAppended(BatchEngine& engine, int first);
// The status line while a row waits for the settings file that another program holds,
// followed by the database's words; the hint of a row whose parameters could not be
// read, followed by the same; the status line when Convert finds no usable output folder.
extern const char* const kSettingsLockedStatus;
extern const char* const kSettingsUnreadableHint;
extern const char* const kNoOutputFolderStatus;
// Followed by the folder, ": " and the reason.
extern const char* const kOutputFolderNotMadeStatus;

// Convert and the file list's menu: converts the rows of `scope` (`selected` for RunScope::Selected),
// in list order, as Convert converts every row; nothing while a batch runs or when the
// scope holds no row.
void ConvertRows(BatchEngine& engine, RunScope scope, const std::vector<int>& selected);
// Whether ConvertRows would convert any row now.
bool CanConvertRows(BatchEngine& engine, RunScope scope, const std::vector<int>& selected);
// Pause: suspends every running encoder and starts no row; pressed again, resumes.
void PauseOrResume(BatchEngine& engine);

// A batch tells the view it started, then starts rows in list order while encoders are
// free. A stopped encoder still finishing its file keeps its slot: the batch starts
// there once it has ended. An output folder that is empty or not a full path (none the
// user chose) starts nothing: the status line says so.
// Starts `row` (NoRow for an index past the last row) on a free encoder slot: the row
// shows converting and its percent goes back to 0 at once, and what its start needs is
// read on the engine's worker thread (Preparing); FinishStart then runs its encoder.
// The encoder writes to a temporary file beside the output (PartialOutput). A row whose
// source is no regular file (a named pipe, a device, a folder), whose output file is its
// own source, whose temporary file cannot be created, whose parameters cannot be read or
// whose encoder cannot be started runs no encoder: it ends as a failed job with the
// reason, reported on the loop like an encoder's end, and leaves no temporary file.
// Parameters that another program's lock on the settings file keeps from being read are
// tried again (RetryStalledStart) a few times before the row fails; meanwhile the row
// shows the converting image and the status line says what it waits for. Raises the
// runner's busy error when no encoder is free (a stopped one still finishing).
// "Existing output files", taken at each start: with Skip, a row whose output name
// already holds a whole output (IsWholeOutput) runs no encoder and ends converted, at
// "100%", its hint "Skipped: NAME already exists", the file untouched; with Keep both,
// the output takes a name no file has (OutputFileName) and never replaces one.
StartOutcome StartJob(BatchEngine& engine, int row);
// What the worker thread read for a row's start, on the loop: its encoder runs, or the
// row ends without one; then the batch carries on. A start given up meanwhile (Stop)
// starts nothing.
void FinishStart(BatchEngine& engine, PreparedStart& prepared);
// A started row's facts, read after its encoder started: told to the view, and an end
// that waited for them is handled now.
void FactsRead(BatchEngine& engine, std::uint64_t ticket, std::size_t slot, const SourceFacts& facts);
// Starts the batch's next rows while encoders are free and the batch is not paused, one
// start read at a time; ends the batch once every row has been started and every encoder
// has ended. A row whose start a lock held back waits at the front of the batch for the
// busy timer.
void CarryOn(BatchEngine& engine);

// The encoder's end: tries the row's next run under a largest size (AnotherRun), or judges the run (JudgeJob), renames
// its file over the final name or removes it, and marks the job's row converted or failed with the reason as its hint;
// this also happens for a stopped encoder's end after the batch. Then, in a running batch that is not paused, starts
// its next rows while encoders are free, or ends the batch once the last row has ended, or ends it early when nothing
// more can be written to the output folder, with the reason in the status line.
void JobEnded(BatchEngine& engine, std::size_t slot, std::uint32_t exitCode);

// Stop: ends a running batch early. Sends every running encoder the stop command (it
// finishes its file and ends on its own; one that is still running 10 s later is
// ended) and marks their rows stopped; the rows not started keep their phase. The
// status line says how to go on.
void StopConversion(BatchEngine& engine);

// Tells the encoder of `slot`, when it runs, to finish its file now (the stop command;
// ended when it still runs 10 s later) and marks its job as stopped, so the part it
// wrote is kept. Returns whether it was running.
bool AskEncoderToFinish(BatchEngine& engine, std::size_t slot);
// The same for every encoder; whether any was running.
bool AskEncodersToFinish(BatchEngine& engine);

// Tells the whole batch's share and time left (after a progress line).
void ShowBatchProgress(BatchEngine& engine);

// "Files converted at once" was changed: while a batch runs, the next rows start at once
// on the encoders a higher count allows. With a lower count the running rows finish and
// fewer start after them.
void FilesAtOnceChanged(BatchEngine& engine);

// Why the encoder program cannot convert with the video and audio codecs chosen now, ""
// when it can or when the choices cannot be read (the row's start reports that). Runs
// the encoder once to list its encoders, again only when its program file changes.
std::string EncoderRefusal(BatchEngine& engine);

// A tick of the busy timer: the row whose start a lock held back, when an encoder is
// free for it, is started again (and the batch carried on from there).
void RetryStalledStart(BatchEngine& engine);

} // namespace batch
} // namespace ondrevo
