#pragma once
// The main window's controller. Each user action creates one, bound to the window's
// controls, the batch engine and the data module's query, calls one or two operations
// and frees it. It owns nothing and keeps nothing between actions: the batch lives in
// the engine, the choices in the controls and the parameter database; the controller
// hands the engine the choices as plain values whenever the user changes one. Its file list is the window's, journaled:
// what one action changed in it is written to the list's journal when the controller is freed.

#include "app/JournaledFileList.h"
#include "conversion/BatchChoices.h"
#include "conversion/BatchModel.h"
#include "parameters/ExistingOutputs.h"
#include "parameters/SizeLimit.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ondrevo {

class BatchEngine;
class IMainWindow;
class IFileList;
class IDetailsPanel;
class IButton;
class IEdit;
class IBatchDisplay;
class INumberEdit;
class EncoderPool;
class ICheckBox;
class ISelector;
class ITimer;
class ITrayIcon;
class IOpenDialog;
class IDesktop;
class ILoginManager;
class ISleepInhibitor;
class TJvCreateProcess;
class TSqliteQuery;
class TSqlDatMod;

class TFFmpegFunc {
public:
    // Binds to the program-wide FFmpegFrm and SqlDatMod.
    TFFmpegFunc();
    TFFmpegFunc(IMainWindow& window, TSqlDatMod& dataModule);

    // Buttons and closing.
    void DisableButtons();
    void EnableButtons();
    void StopOnClose();
    void OpenDonationPage();

    // Parameter selectors.
    void FillSelector(ISelector& selector);
    void FillAllSelectors();
    void RefillAudioSelectors();
    int ReadSavedPosition(int tag);
    int ReadSavedAudioPosition(int tag);
    // Save a selector's position. When the database refuses, the selector shows the
    // stored position again (the audio codec's sub-selectors are refilled to match) and
    // false is returned; see StoreChoice.
    bool SaveSelectorPosition(ISelector& selector);
    bool SaveAudioPosition(ISelector& selector);
    std::string SelectorFragment(ISelector& selector);

    // "Files converted at once": shows the stored count within 1..cores; saves the
    // user's change (a count that cannot be stored goes back to the stored one, and is
    // reported as StoreChoice does).
    void LoadFilesAtOnce();
    void SaveFilesAtOnce();
    // The count a batch uses now.
    int FilesAtOnce();

    // "Existing output files": fills the selector and shows the stored choice (Replace
    // when none can be read); saves the user's pick as SaveFilesAtOnce saves the count.
    void LoadExistingOutputs();
    void SaveExistingOutputs();
    // The choice a row's start uses now.
    ExistingOutputs ExistingOutputsChoice();
    // "Keep the source's date": shows the stored choice (unticked when none is stored);
    // saves the user's click (a choice that cannot be stored goes back to the stored one).
    void LoadKeepSourceDate();
    void SaveKeepSourceDate();
    // "Largest file size" and "Cut to fit": loading shows the stored choice; saving
    // stores the user's (a typed text that is no size is refused: the stored choice is
    // shown again and the status line says why; a choice that cannot be stored goes
    // back to the stored one, reported as StoreChoice does).
    void LoadSizeLimit();
    void SaveSizeLimit();
    // The choice a batch uses now, as the controls show it.
    size_limit::Choice SizeLimit();

    // "Made for": shows the preset the choices match (the one shown, when it still
    // does), or "(own choices)". Called at start and after any choice is saved.
    void ShowMadeFor();
    // The preset picked in "Made for" sets every choice it names, stored at once and
    // shown; a preset that names an entry the catalogues lack changes nothing and the
    // status line says which.
    void ApplyPickedPreset();
    // "Save as...": the current choices under a name the user types, then shown.
    void SavePresetAs();
    // "Delete": the user preset shown is removed; a built-in one stays and the status
    // line says so.
    void DeletePreset();
    // "Export...": the preset shown (or, with own choices, the choices) to a text file.
    void ExportPreset();
    // "Import...": a preset file is read, kept as a user preset and applied; a file with
    // a wrong line changes nothing and the status line says which line.
    void ImportPreset();

    // Output folder. Loading shows the stored folder, or the default when none is
    // stored or it cannot be read (the error is raised then).
    void LoadOutputDir();
    void ChooseOutputDir();
    void OpenOutputDir();
    // Where the outputs go when none was chosen (output_folder::Default); shown, never stored.
    static std::string DefaultOutputDir();

    // The window's first showing: the selectors, the output folder, the files-at-once
    // count, the existing-outputs choice and the list of the last session, each step on its own so that one that
    // fails does not keep the others from running. A failure is reported once, saying
    // what is wrong with the settings file and what to do; refused choices after it
    // bring no further report.
    void ShowWindowFirstTime();

    // Source file list and details panel.
    // At start: the list a program that ended without Quit left behind comes back.
    void RestoreFileList();
    void AddVideoFile();
    // Files and folders dropped on the list, given at start or handed over by another
    // start: each file, and every file of a video type below each folder, added in order
    // as Add adds a chosen one. During a batch they are appended after its rows.
    void AddDroppedFiles(const std::vector<std::string>& paths);
    // Adds several files in order. One is added at once; more are added off the UI
    // thread, the status line counting them, while Convert, Play, Delete and Clear wait.
    void AddVideoFiles(const std::vector<std::string>& paths);
    // Whether files are still being added.
    bool Adding();
    void DeleteVideoFile();
    void ClearVideoFiles();
    void ShowSelectedFileInfo();
    void ShowFileInfo(const std::string& path);
    void ClearFileInfo();

    // Conversion batch.
    void ConvertFiles();
    // Converts the rows of `scope` (see RunScope), and whether it would convert any now.
    void ConvertRows(RunScope scope);
    bool CanConvertRows(RunScope scope);
    // Pauses a running batch, or resumes a paused one.
    void PauseConversion();
    void StopConversion();
    void ToggleTrayIcon();
    // The busy timer's tick: a row whose start a lock held back is tried again.
    void RetryStalledStart();
    void ShutdownComputer(std::uint32_t flags);

    // The choices as the controls show them, as plain values; handed to the engine.
    BatchChoices Choices();
    void HandChoicesToEngine();
    // The encoder command line and output name of `row` with the choices shown now.
    std::vector<std::string> BuildCommandLine(int row);
    std::string OutputFileName(int row);

    // Mini player.
    void PlayVideoFile();

    // The selectors in table order: video codec, bitrate, size, frame rate, width
    // ratio; audio codec, bitrate, channel, sampling frequency.
    std::array<ISelector*, 5>& VideoSelectors() { return jvCmbVdo_; }
    std::array<ISelector*, 4>& AudioSelectors() { return jvCmbAdo_; }

private:
    // A batch that ended (or was stopped) while files are still being added leaves
    // Delete, Clear, Convert and Play waiting for the adding, as they wait outside a batch.
    void KeepListButtonsWhileAdding();
    // Runs `save`, which returns whether it stored anything. When the database refuses
    // (EUniError), `showStored` puts the control back to what is stored, quietly, and
    // the refusal is shown in the error report unless one was shown since the last
    // stored choice. Returns whether the choice was stored.
    bool StoreChoice(const std::function<bool()>& save, const std::function<void()>& showStored);
    // Every choice's control shows what is stored, "Made for" with `preferred` when the
    // choices still match it.
    void ShowStoredChoices(const std::string& preferred);

    IMainWindow& window_;
    TSqlDatMod& dataModule_;
    TSqliteQuery& sqliteQuery_;
    std::array<ISelector*, 5> jvCmbVdo_ {};
    std::array<ISelector*, 4> jvCmbAdo_ {};
    IOpenDialog& openDialog1_;
    JournaledFileList journaledFileList_;
    IFileList& fileListView_;
    IDetailsPanel& msgListView_;
    IButton& addFileBtn_;
    IButton& delFileBtn_;
    IButton& clearFileBtn_;
    IButton& convFileBtn_;
    IButton& stopConvBtn_;
    IButton& playBtn_;
    IEdit& jvEditDir_;
    IEdit& jvEditNumb_;
    IEdit& jvEditCmdMsg_;
    ICheckBox& jvCheckBox_;
    BatchEngine& engine_;
    IBatchDisplay& batchDisplay_;
    INumberEdit& filesAtOnceSpin_;
    ICheckBox& keepDateCheck_;
    ISelector& sizeLimitCombo_;
    ICheckBox& cutToFitCheck_;
    ITrayIcon& jvTrayIcon_;
    ITimer& jvTimer_;
    ISleepInhibitor& sleepInhibitor_;
    ILoginManager& loginManager_;
    ISelector& existingOutputsCombo_;
    ISelector& madeForCombo_;
};

// The maker's donation page, opened by Donate.
extern const char* const kDonationPage;

} // namespace ondrevo
