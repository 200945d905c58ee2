#pragma once
// The main window: toolbar, source file list, picture, details panel, output folder
// box, the choices on five tabs and the status line, plus what the
// window owns without showing it (the encoder's runner, the busy timer, the tray icon,
// the open dialog and the image list). Every widget event goes to its handler in
// TFFmpegFrmHandlers through Dispatch, so errors reach the error report.
//
// What the window shows at first is filled once it is on the screen, not before: the
// first showing maps the window, and its handler (FormShow) runs right after, before
// the window is first drawn and before any other event's handler. The tray icon is
// made after that, or when first asked for.

#include "app/MainWindow.h"
#include "app/TFFmpegFrmHandlers.h"
#include "app/TJvTimer.h"
#include "app/qt/ImageList.h"
#include "app/qt/QtDesktop.h"
#include "app/qt/QtOpenDialog.h"
#include "conversion/BatchModel.h"
#include "desktop/LoginManager.h"
#include "desktop/SleepInhibitor.h"
#include "media/FileAdder.h"

#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QLabel;
class QMenu;
class QProgressBar;
class QGroupBox;
class QTabWidget;
class QToolButton;

namespace ondrevo {

class ProgramGraph;
class QtCheckBox;
class QtChoice;
class QtDetailsPanel;
class QtEdit;
class QtFileList;
class QtNumberEdit;
class QtSizeSelector;
class QtSelector;
class QtToolButton;
class QtTrayIcon;

class TFFmpegFrm : public QWidget, public IMainWindow, private IBatchDisplay, private ITrayIcon {
public:
    // `desktop` and `openDialog`, when given, stand in for the window's own (tests pass
    // recording ones); they must outlive the window.
    // `loginManager`, when given, replaces the system's (tests pass one on a private bus).
    // The window is the view of `graph`'s batch engine while it lives; the graph
    // outlives it.
    TFFmpegFrm(IEventLoop& loop, ProgramGraph& graph, IDesktop* desktop = nullptr, IOpenDialog* openDialog = nullptr,
        std::unique_ptr<ILoginManager> loginManager = nullptr);
    ~TFFmpegFrm() override;

    IFileList& FileListView() override;
    IDetailsPanel& MsgListView() override;
    IButton& AddFileBtn() override;
    IButton& DelFileBtn() override;
    IButton& ClearFileBtn() override;
    IButton& ConvFileBtn() override;
    IButton& StopConvBtn() override;
    IButton& PauseButton() override;
    IButton& PlayBtn() override;
    IEdit& JvEditDir() override;
    IEdit& JvEditNumb() override;
    IEdit& JvEditCmdMsg() override;
    ICheckBox& JvCheckBox() override;
    BatchEngine& Engine() override;
    INumberEdit& FilesAtOnceSpin() override;
    ISelector& ExistingOutputsCombo() override;
    ICheckBox& KeepDateCheck() override;
    ISelector& SizeLimitCombo() override;
    ICheckBox& CutToFitCheck() override;
    ISelector& MadeForCombo() override;
    IBatchDisplay& BatchDisplay() override { return *this; }
    FileAdder& Adder() override { return adder_; }
    ITimer& JvTimer() override { return jvTimer_; }
    ITrayIcon& JvTrayIcon() override { return *this; }
    IOpenDialog& OpenDialog1() override;
    IDesktop& Desktop() override;
    ISleepInhibitor& SleepInhibitor() override { return sleepInhibitor_; }
    ILoginManager& LoginManager() override { return *loginManager_; }
    std::unique_ptr<IMplayerWindow> CreateMplayerFrm() override;
    ISelector* FindSelector(const std::string& componentName) override;
    void Close() override;
    void QuitRequest() override;
    void EncoderEnded(bool anyBusy) override { handlers_.EncoderEnded(anyBusy); }

    // Files and folders another start of the program was given (none: it was started
    // bare): the window comes to the front, from the tray too, and they are added as
    // files dropped on the list are.
    void OpenGivenFiles(const std::vector<std::string>& paths);

    const ImageList& Images() const { return imageList_; }
    // Made now if it was not yet.
    QtTrayIcon& TrayIcon();

    // Called with the handler's name ("AddFileBtnClick", "FileListViewClick", ...) each
    // time a widget event is about to run its handler; lets tests see the routing.
    void SetEventObserver(std::function<void(const std::string& handler)> observer);

    static constexpr int kClientWidth = 852;
    static constexpr int kClientHeight = 526;

private:
    void Show(int percent, const std::string& text) override;
    void Clear() override;
    void NotifyIfAway(const std::string& text) override;
    void SetPaused(bool paused) override;

    // The tray icon as the logic sees it: asking its image makes no icon.
    int ImageIndex() const override;
    void SetImageIndex(int index) override;
    void RestoreApplication() override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void BuildToolBar();
    void BuildOutputDirectory();
    void BuildPageControl();
    // The controls of the pages behind the first tab, once: when the window's first
    // showing is completed, or when one of them is asked for.
    void BuildHiddenPages();
    // The file list's menu: convert the remaining, the failed or the selected rows.
    void BuildRowsMenu();
    // The title and the tray tooltip for the batch shown (none, or its percent and
    // text) and whether it is paused.
    void ShowBatchTitle();
    QtToolButton* AddToolButton(QWidget* bar, const char* name, const char* caption, const char* hint, int image,
        const char* handlerName, void (TFFmpegFrmHandlers::*handler)());
    void AddSeparator(QWidget* bar, const char* name);
    QtSelector* AddSelector(QWidget* page, int column, const char* name, int tag, const char* label);
    // Runs one widget event's handler through Dispatch, after the first showing's.
    void Route(const std::string& handlerName, const std::function<void()>& handler);
    // The first showing's handler, once: posted when the window is first shown, run
    // sooner by whatever comes first (the first drawing, another handler, a close).
    void CompleteFirstShow();
    void RestoreFromTray();

    IEventLoop& loop_;
    TFFmpegFrmHandlers handlers_;
    std::unique_ptr<ILoginManager> loginManager_;
    ondrevo::SleepInhibitor sleepInhibitor_;
    ImageList imageList_;
    ProgramGraph& graph_;
    // What the batch display shows: whether it is paused, its percent and its text.
    bool batchPaused_ = false;
    int batchPercent_ = 0;
    QString batchLine_;
    FileAdder adder_;
    TJvTimer jvTimer_;
    QtOpenDialog openDialog1_;
    QtDesktop desktop_;
    IDesktop* desktopOverride_;
    IOpenDialog* openDialogOverride_;
    std::unique_ptr<QtTrayIcon> jvTrayIcon_;
    std::function<void(const std::string&)> eventObserver_;
    bool shown_ = false;
    bool firstShowPending_ = false;
    bool hiddenPagesBuilt_ = false;
    bool closed_ = false;

    // Widgets, owned by the window as their parent.
    QtToolButton* addFileBtn_ = nullptr;
    QtToolButton* delFileBtn_ = nullptr;
    QtToolButton* clearFileBtn_ = nullptr;
    QtToolButton* convFileBtn_ = nullptr;
    QtToolButton* stopConvBtn_ = nullptr;
    QtToolButton* pauseButton_ = nullptr;
    QtToolButton* playBtn_ = nullptr;
    QtToolButton* donateBtn_ = nullptr;
    QtToolButton* quitBtn_ = nullptr;
    QtFileList* fileListView_ = nullptr;
    QMenu* rowsMenu_ = nullptr;
    QLabel* image1_ = nullptr;
    QtDetailsPanel* msgListView_ = nullptr;
    QGroupBox* jvGroupBox_ = nullptr;
    QtEdit* jvEditDir_ = nullptr;
    QToolButton* jvBtnSltDir_ = nullptr;
    QToolButton* jvBtnOpenDir_ = nullptr;
    QtEdit* jvEditNumb_ = nullptr;
    QTabWidget* jvPageControl_ = nullptr;
    // Audio, Other Settings, File Size and Phone.
    std::array<QWidget*, 4> hiddenPages_ {};
    std::array<QtSelector*, 5> jvCmbVdo_ {};
    std::array<QtSelector*, 4> jvCmbAdo_ {};
    QtCheckBox* jvCheckBox_ = nullptr;
    QtNumberEdit* filesAtOnceSpin_ = nullptr;
    QtChoice* existingOutputsCombo_ = nullptr;
    QtCheckBox* keepDateCheck_ = nullptr;
    QtSizeSelector* sizeLimitCombo_ = nullptr;
    QtCheckBox* cutToFitCheck_ = nullptr;
    QtChoice* madeForCombo_ = nullptr;
    QtEdit* jvEditCmdMsg_ = nullptr;
    QProgressBar* batchBar_ = nullptr;
    QLabel* batchText_ = nullptr;
};

} // namespace ondrevo
