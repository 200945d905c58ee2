#pragma once
// The conversion batch: Convert runs the encoder over every row of the file list, in
// list order, up to "Files converted at once" rows at a time (one by default); the
// list's menu runs it over the rows not converted, the failed ones or the selected ones.
// The batch model holds each row's phase and which rows the running batch has still to
// start; the window's rows, buttons and tray show it. Writing a row's index into the
// cursor is what starts that row: the cursor's change event calls StartJob on a free
// encoder, so the cursor names the row started last. All on the UI thread.

#include "conversion/BatchModel.h"
#include "media/FileList.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ondrevo {

struct BatchControls;

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
// The Pause button's captions.
extern const char* const kPauseCaption;
extern const char* const kResumeCaption;
// What the status line says after a Stop or a restored list: where to go on.
extern const char* const kGoOnHint;

// The row image of each phase.
int PhaseImage(RowPhase phase);
// Gives the row its phase in the model, and shows it: image and hint (the reason).
void ShowRowPhase(BatchControls& controls, int row, RowPhase phase, const std::string& reason);
// Rows from `first` on were appended to the list: a running batch converts them after
// its other rows, and counts them in its share and time left.
void RowsAppended(BatchControls& controls, int first);
// The status line while a row waits for the settings file that another program holds,
// followed by the database's words; the hint of a row whose parameters could not be
// read, followed by the same; the status line when Convert finds no usable output folder.
extern const char* const kSettingsLockedStatus;
extern const char* const kSettingsUnreadableHint;
extern const char* const kNoOutputFolderStatus;
// Followed by the folder, ": " and the reason.
extern const char* const kOutputFolderNotMadeStatus;

// Add, Delete, Clear, Convert and Play, in this order.
void SetEditingButtonsEnabled(BatchControls& controls, bool enabled);

// The file list's menu: converts the rows of `scope` (`selected` for RunScope::Selected),
// in list order, as Convert converts every row; nothing while a batch runs or when the
// scope holds no row.
void ConvertRows(BatchControls& controls, RunScope scope, const std::vector<int>& selected);
// Whether ConvertRows would convert any row now.
bool CanConvertRows(BatchControls& controls, RunScope scope, const std::vector<int>& selected);
// Pause: suspends every running encoder and starts no row; pressed again, resumes.
void PauseOrResume(BatchControls& controls);

// Convert: with rows and no batch running, converts every row: disables the editing
// buttons, enables Pause, starts rows in list order while encoders are free (through
// the cursor), and switches the busy timer on. A stopped encoder still finishing its
// file keeps its slot: the batch starts there once it has ended. An output folder that
// is empty or not a full path (none the user chose) starts nothing: the status line says so.
void ConvertFiles(BatchControls& controls);

// The cursor's change event: starts the encoder for the row at the cursor. Nothing for
// "-1" or an index past the last row. The row's percent goes back to "0%". The encoder
// writes to a temporary file beside the output (PartialOutput). A row whose source is
// no regular file (a named pipe, a device, a folder), whose output file is its own source, whose temporary file cannot
// be created, whose parameters cannot be read or whose encoder cannot be started runs no encoder: it ends as a failed
// job with the reason, reported on the loop like an encoder's end, and leaves no temporary file. Parameters that
// another program's lock on the settings file keeps from being read are tried again (RetryStalledStart) a few times
// before the row fails; meanwhile the row shows the converting image and the status line says what it waits for. Raises
// EConvertError for a cursor that is not a number, and the runner's busy error when
// no encoder is free (a stopped one still finishing): the row then waits for its end.
// "Existing output files", read at each start: with Skip, a row whose output name
// already holds a whole output (IsWholeOutput) runs no encoder and ends converted, at
// "100%", its hint "Skipped: NAME already exists", the file untouched; with Keep both,
// the output takes a name no file has (OutputFileName) and never replaces one.
void StartJob(BatchControls& controls);

// The encoder's end: judges the run (JudgeJob), renames its file over the final name
// or removes it, and marks the job's row converted or failed with the reason as its
// hint; this also happens for a stopped encoder's end after the batch. Then, in a
// running batch that is not paused, starts its next rows while encoders are free, or ends the batch once the last row
// has ended (buttons enabled, power-off when ticked, status line cleared, timer off, idle tray image, sleep allowed),
// or ends it early when nothing more can be written to the output folder, with the reason in the status line.
void JobEnded(BatchControls& controls, std::size_t slot, std::uint32_t exitCode);

// Stop: ends a running batch early. Sends every running encoder the stop command (it
// finishes its file and ends on its own; one that is still running 10 s later is
// ended), marks their rows stopped and stops the busy animation; the rows not started
// keep their phase. The status line says how to go on. The cursor and the percent
// cells keep their values.
void StopConversion(BatchControls& controls);

// Tells the encoder of `slot`, when it runs, to finish its file now (the stop command;
// ended when it still runs 10 s later) and marks its job as stopped, so the part it
// wrote is kept. Returns whether it was running.
bool AskEncoderToFinish(BatchControls& controls, std::size_t slot);
// The same for every encoder; whether any was running.
bool AskEncodersToFinish(BatchControls& controls);

// Shows the whole batch's share and time left (after a progress line).
void ShowProgressOfBatch(BatchControls& controls);

// "Files converted at once" was changed: while a batch runs, the next rows start at once
// on the encoders a higher count allows. With a lower count the running rows finish and
// fewer start after them.
void FilesAtOnceChanged(BatchControls& controls);

// A tick of the busy timer: the row at the cursor whose start a lock held back, when an
// encoder is free for it, is started again (and the batch carried on from there).
void RetryStalledStart(BatchControls& controls);

// One step of the busy animation: swaps the tray image between 15 and 16.
void ToggleTrayIcon(BatchControls& controls);

} // namespace batch
} // namespace ondrevo
