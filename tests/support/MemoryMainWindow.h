#pragma once
// The whole program without a toolkit: the main window with the in-memory controls, the
// real runner, encoders, timer and handlers on a plain loop; the program after start-up
// on a database file; and the error reports as the program shows them.

#include "app/ErrorReport.h"
#include "app/MainWindow.h"
#include "app/TFFmpegFrmHandlers.h"
#include "app/TJvTimer.h"
#include "base/HandlerDispatch.h"
#include "base/PlainEventLoop.h"
#include "conversion/EncoderPool.h"
#include "conversion/SleepInhibitor.h"
#include "media/FileAdder.h"
#include "parameters/TSqlDatMod.h"
#include "player/MplayerWindow.h"
#include "process/TJvCreateProcess.h"
#include "support/DatabaseFiles.h"
#include "support/MemoryControls.h"
#include "support/MemoryLoginManager.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ondrevo::testing {

// The main window with in-memory controls, the real runner and timer on a plain loop,
// and its events routed to the real handlers through Dispatch.
class MemoryMainWindow : public IMainWindow {
public:
    explicit MemoryMainWindow(PlainEventLoop& loop);
    ~MemoryMainWindow() override;

    IFileList& FileListView() override { return fileList; }
    IDetailsPanel& MsgListView() override { return details; }
    IButton& AddFileBtn() override { return addFileBtn; }
    IButton& DelFileBtn() override { return delFileBtn; }
    IButton& ClearFileBtn() override { return clearFileBtn; }
    IButton& ConvFileBtn() override { return convFileBtn; }
    IButton& StopConvBtn() override { return stopConvBtn; }
    IButton& PlayBtn() override { return playBtn; }
    IEdit& JvEditDir() override { return jvEditDir; }
    IEdit& JvEditNumb() override { return jvEditNumb; }
    IEdit& JvEditCmdMsg() override { return jvEditCmdMsg; }
    ICheckBox& JvCheckBox() override { return checkBox; }
    TJvCreateProcess& JvCreateProcess() override { return runner; }
    EncoderPool& Encoders() override { return encoders; }
    INumberEdit& JvSpinAtOnce() override { return spinAtOnce; }
    IBatchDisplay& BatchDisplay() override { return batchDisplay; }
    FileAdder& Adder() override { return adder; }
    ITimer& JvTimer() override { return timer; }
    ITrayIcon& JvTrayIcon() override { return trayIcon; }
    IOpenDialog& OpenDialog1() override { return openDialog; }
    IDesktop& Desktop() override { return desktop; }
    ISleepInhibitor& SleepInhibitor() override { return sleepInhibitor; }
    ILoginManager& LoginManager() override { return loginManager; }
    std::unique_ptr<IMplayerWindow> CreateMplayerFrm() override;
    ISelector* FindSelector(const std::string& componentName) override;
    void Close() override;
    void QuitRequest() override { ++quitRequests; }

    // Runs a window event the way the toolkit would: through Dispatch.
    void Event(const std::function<void(TFFmpegFrmHandlers&)>& handler);
    MemorySelector& Vdo(int n) { return *video[static_cast<std::size_t>(n - 1)]; }
    MemorySelector& Ado(int n) { return *audio[static_cast<std::size_t>(n - 1)]; }

    PlainEventLoop& loop;
    TFFmpegFrmHandlers handlers;
    MemoryFileList fileList;
    MemoryDetailsPanel details;
    MemoryButton addFileBtn, delFileBtn, clearFileBtn, convFileBtn, stopConvBtn, playBtn;
    MemoryEdit jvEditDir, jvEditNumb { "-1" }, jvEditCmdMsg;
    MemoryCheckBox checkBox;
    TJvCreateProcess runner;
    EncoderPool encoders;
    MemoryNumberEdit spinAtOnce;
    MemoryBatchDisplay batchDisplay;
    FileAdder adder { loop, 2 };
    TJvTimer timer;
    MemoryTrayIcon trayIcon;
    MemoryOpenDialog openDialog;
    MemoryDesktop desktop;
    MemoryLoginManager loginManager;
    ondrevo::SleepInhibitor sleepInhibitor { loginManager };
    int quitRequests = 0;
    // Makes the mini player window for Play; unset: an in-memory one that is closed at once.
    std::function<std::unique_ptr<IMplayerWindow>()> createMplayerFrm;
    std::vector<std::unique_ptr<MemorySelector>> video, audio;
    bool closed = false;
};

// Collects the error reports shown while it lives.
class ErrorReports {
public:
    ErrorReports();
    ~ErrorReports();
    std::vector<std::string> messages;
    std::vector<std::string> captions;

private:
    ErrorReportSink previous_;
};

// The program after start-up: the data module on `databaseName` (resolved against the
// working directory) installed as SqlDatMod, and the in-memory main window as FFmpegFrm.
class Session {
public:
    explicit Session(const std::string& databaseName = "LibFFmpeg.Dat");
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The window's first show: fills the selectors, then shows the output folder.
    void Show();
    // A user action on a window event, dispatched like the toolkit does.
    void Event(const std::function<void(TFFmpegFrmHandlers&)>& handler) { window.Event(handler); }
    // The nine selectors in table order: JvCmbVdo1..5, JvCmbAdo1..4.
    MemorySelector& Selector(int n) { return n <= 5 ? window.Vdo(n) : window.Ado(n - 5); }
    // Fragment of selector n's current entry, read by a fresh controller.
    std::string Fragment(int n);

    PlainEventLoop loop;
    TSqlDatMod dataModule;
    MemoryMainWindow window;
};

} // namespace ondrevo::testing
