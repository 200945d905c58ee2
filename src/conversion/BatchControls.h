#pragma once
// What the conversion batch works on: the main window's controls, its encoder runner,
// the parameter database's query and the desktop's login manager. The batch keeps no
// state of its own; everything that outlives one event lives here.

#include "parameters/ExistingOutputs.h"

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "parameters/SizeLimit.h"

namespace ondrevo {

class IBatchDisplay;
class IButton;
class ICheckBox;
class IDetailsPanel;
class IEdit;
class IFileList;
class ILoginManager;
class ISelector;
class ISleepInhibitor;
class ITimer;
class ITrayIcon;
class TSqliteQuery;
class BatchModel;
class EncoderPool;

struct BatchControls {
    IFileList& fileList;
    IDetailsPanel& details;
    // Add, Delete, Clear, Convert and Play, in this order. Add disabled means a batch runs.
    std::array<IButton*, 5> editingButtons;
    IEdit& cursor; // the row being converted, "-1" when none was started since a Clear
    IEdit& statusLine;
    IBatchDisplay& batchDisplay;
    IEdit& outputFolder;
    ICheckBox& shutDownWhenDone;
    // The encoders and what each converts; slot 0 is the window's runner.
    EncoderPool& encoders;
    // The rows' phases and the running batch.
    BatchModel& model;
    // Pause/Resume.
    IButton& pauseButton;
    // "Files converted at once" (1 and up) as the user set it; unset means 1.
    std::function<int()> filesAtOnce;
    ITimer& busyTimer;
    ITrayIcon& trayIcon;
    ISleepInhibitor& sleepInhibitor;
    ILoginManager& loginManager;
    std::function<void()> quitRequest;
    TSqliteQuery& query;
    // Video codec, bitrate, size, frame rate, width ratio; audio codec, bitrate,
    // channels, sampling frequency.
    std::array<ISelector*, 5> video;
    std::array<ISelector*, 4> audio;
    // "Existing output files" as the user set it, read at each row's start; unset means
    // Replace.
    std::function<ExistingOutputs()> existingOutputs;
    // "Keep the source's date" as the user set it; unset means unticked.
    std::function<bool()> keepSourceDate;

    // "Largest file size" and "Cut to fit" as the user set them; unset means no limit.
    std::function<size_limit::Choice()> sizeLimit;
    // The folders earlier runs of the program made parts in (the output folders of
    // earlier batches); unset means none.
    std::function<std::vector<std::string>()> partFolders;

    IButton& AddButton() const { return *editingButtons[0]; }
};

} // namespace ondrevo
