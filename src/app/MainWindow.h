#pragma once
// The main window as the logic sees it: its controls, found by role or, for the nine
// selectors, by component name. The Qt window and the tests' in-memory window both
// implement it; the controller binds to whichever is installed as FFmpegFrm.

#include "base/Controls.h"

#include <memory>
#include <string>

namespace ondrevo {

class BatchEngine;
class BatchModel;
class EncoderPool;
class FileAdder;
class ILoginManager;
class IMplayerWindow;
class TJvCreateProcess;

class IMainWindow {
public:
    virtual ~IMainWindow() = default;

    virtual IFileList& FileListView() = 0;
    virtual IDetailsPanel& MsgListView() = 0;
    virtual IButton& AddFileBtn() = 0;
    virtual IButton& DelFileBtn() = 0;
    virtual IButton& ClearFileBtn() = 0;
    virtual IButton& ConvFileBtn() = 0;
    virtual IButton& StopConvBtn() = 0;
    // Pause, after Stop: "Pause" while the batch runs, "Resume" while it is paused.
    virtual IButton& PauseButton() = 0;
    virtual IButton& PlayBtn() = 0;
    virtual IEdit& JvEditDir() = 0;
    virtual IEdit& JvEditNumb() = 0;
    virtual IEdit& JvEditCmdMsg() = 0;
    virtual ICheckBox& JvCheckBox() = 0;
    // The batch engine the window is a view of; built before the window, outlives it.
    virtual BatchEngine& Engine() = 0;
    // The engine's encoders (slot 0 runs on JvCreateProcess) and its rows' phases.
    EncoderPool& Encoders();
    BatchModel& Batch();
    TJvCreateProcess& JvCreateProcess();
    virtual IBatchDisplay& BatchDisplay() = 0;
    // Adds many files at once off the UI thread.
    virtual FileAdder& Adder() = 0;
    // "Files converted at once" on the Other Settings page.
    virtual INumberEdit& FilesAtOnceSpin() = 0;
    // "Existing output files" on the Other Settings page: Replace, Skip, Keep both.
    virtual ISelector& ExistingOutputsCombo() = 0;
    // "Keep the source's date" on the Other Settings page.
    virtual ICheckBox& KeepDateCheck() = 0;
    // "Largest file size" and "Cut to fit" on the File Size page. The selector's
    // change event comes when the user picks an entry or ends typing a size.
    virtual ISelector& SizeLimitCombo() = 0;
    virtual ICheckBox& CutToFitCheck() = 0;
    // "Made for" on the Phone page: the presets, and "(own choices)" when the choices
    // match none. Its change event comes when the user picks an entry; its buttons
    // ("Save as...", "Delete", "Export...", "Import...") have handlers only.
    virtual ISelector& MadeForCombo() = 0;
    virtual ITimer& JvTimer() = 0;
    virtual ITrayIcon& JvTrayIcon() = 0;
    virtual IOpenDialog& OpenDialog1() = 0;
    virtual IDesktop& Desktop() = 0;
    virtual ISleepInhibitor& SleepInhibitor() = 0;
    // The login manager that powers the machine off after a batch.
    virtual ILoginManager& LoginManager() = 0;

    // A new mini player window owned by the application, not yet shown.
    virtual std::unique_ptr<IMplayerWindow> CreateMplayerFrm() = 0;

    // The selector named "JvCmbVdo1".."JvCmbVdo5" or "JvCmbAdo1".."JvCmbAdo4"; null
    // for any other name.
    virtual ISelector* FindSelector(const std::string& componentName) = 0;

    // Closes the main window: the close handler runs, then the program's quit request.
    virtual void Close() = 0;
    // The program's quit request: the current event and those already queued are
    // handled, then the event loop ends and the program exits.
    virtual void QuitRequest() = 0;
    // An encoder of the batch has ended; `anyBusy` whether another still runs (a
    // closing window waits for the last).
    virtual void EncoderEnded(bool anyBusy) = 0;
};

// The program-wide main window; null before it is created and after it is destroyed.
extern IMainWindow* FFmpegFrm;

} // namespace ondrevo
