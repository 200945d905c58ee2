#include "app/qt/TFFmpegFrm.h"

#include "app/ProgramGraph.h"

#include "app/qt/EtchedGroupBox.h"
#include "app/qt/FlatTreeAccessible.h"
#include "app/qt/QtCheckBox.h"
#include "app/qt/QtChoice.h"
#include "app/qt/QtDetailsPanel.h"
#include "app/qt/QtEdit.h"
#include "app/qt/QtFileList.h"
#include "app/qt/QtNumberEdit.h"
#include "app/qt/QtSelector.h"
#include "app/qt/QtSizeSelector.h"
#include "app/qt/QtToolButton.h"
#include "app/qt/QtTrayIcon.h"
#include "base/HandlerDispatch.h"
#include "base/UsableCores.h"
#include "base/qt/WindowFont.h"
#include "desktop/DesktopNotification.h"
#include "desktop/SystemLoginManager.h"
#include "player/qt/TMplayerFrm.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <algorithm>
#include <utility>
#include <vector>

namespace ondrevo {
namespace {

constexpr int kToolBarHeight = 40;
constexpr int kStatusLineHeight = 21;
constexpr int kBatchBarWidth = 140;
// Selector columns on the parameter pages: label above, selector below.
constexpr int kSelectorLeft = 4;
constexpr int kSelectorPitch = QtSelector::kWidth + 2;
// "Made for" holds names such as "Feature phone, 320x240 screen"; its buttons follow it.
constexpr int kMadeForWidth = 220;
constexpr int kPresetButtonWidth = 80;

} // namespace

TFFmpegFrm::TFFmpegFrm(IEventLoop& loop, ProgramGraph& graph, IDesktop* desktop, IOpenDialog* openDialog,
    std::unique_ptr<ILoginManager> loginManager)
    : QWidget(nullptr,
        Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , loop_(loop)
    , handlers_(loop)
    , loginManager_(loginManager ? std::move(loginManager) : CreateSystemLoginManager())
    , sleepInhibitor_(*loginManager_)
    , graph_(graph)
    , adder_(loop, UsableCores())
    , jvTimer_(loop)
    , openDialog1_(this)
    , desktop_(this)
    , desktopOverride_(desktop)
    , openDialogOverride_(openDialog)
{
    setObjectName("FFmpegFrm");
    setWindowTitle("Ondrevo");
    FlatTreeAccessible::Install();
    setWindowIcon(imageList_.Icon(15));
    // The application's icon, also what the tray shows for an image index it lacks.
    if (QApplication::windowIcon().isNull())
        QApplication::setWindowIcon(imageList_.Icon(15));
    setFont(WindowFont());
    setFixedSize(kClientWidth, kClientHeight);

    BuildToolBar();

    fileListView_ = new QtFileList(imageList_, this);
    fileListView_->setObjectName("FileListView");
    fileListView_->setGeometry(5, 45, 593, 294);
    fileListView_->setAccessibleName("Video files");
    fileListView_->OnClick = [this] { Route("FileListViewClick", [this] { handlers_.FileListViewClick(); }); };
    fileListView_->OnDeleteKey
        = [this] { Route("FileListViewKeyDown", [this] { handlers_.FileListViewKeyDown(VK_DELETE); }); };
    fileListView_->OnDragOver = [this] {
        bool accepted = false;
        Route("FileListViewDragOver", [this, &accepted] { accepted = handlers_.FileListViewDragOver(); });
        return accepted;
    };
    // Added once the drop has ended, so the file manager is not held while each file is
    // read.
    fileListView_->OnDrop = [this](const std::vector<std::string>& paths) {
        QTimer::singleShot(0, this, [this, paths] {
            Route("FileListViewDragDrop", [this, &paths] { handlers_.FileListViewDragDrop(paths); });
        });
    };

    BuildRowsMenu();

    image1_ = new QLabel(this);
    image1_->setObjectName("Image1");
    image1_->setGeometry(602, 45, ImageList::kPictureWidth, ImageList::kPictureHeight);
    image1_->setPixmap(ImageList::Picture());
    image1_->setAccessibleName("Ondrevo: video files to 3GP, for your phone");

    msgListView_ = new QtDetailsPanel(imageList_, this);
    msgListView_->setObjectName("MsgListView");
    msgListView_->setGeometry(602, 222, 245, 277);
    msgListView_->setAccessibleName("Video file details");

    BuildOutputDirectory();
    BuildPageControl();

    jvEditCmdMsg_ = new QtEdit({}, this);
    jvEditCmdMsg_->setObjectName("JvEditCmdMsg");
    jvEditCmdMsg_->setReadOnly(true);
    jvEditCmdMsg_->setGeometry(0, kClientHeight - kStatusLineHeight, kClientWidth, kStatusLineHeight);
    jvEditCmdMsg_->setAccessibleName("Conversion progress");
    // The whole batch, at the right end of the status line while a batch runs. Its text
    // is what assistive technology reads (a label without a name of its own is named by
    // its text, and announces each new text); what it is goes in the description.
    batchText_ = new QLabel(this);
    batchText_->setObjectName("BatchText");
    batchText_->setAccessibleDescription("Batch progress");
    batchText_->hide();
    batchBar_ = new QProgressBar(this);
    batchBar_->setObjectName("BatchBar");
    batchBar_->setAccessibleName("Whole batch");
    batchBar_->setRange(0, 100);
    batchBar_->setGeometry(
        kClientWidth - kBatchBarWidth, kClientHeight - kStatusLineHeight, kBatchBarWidth, kStatusLineHeight);
    batchBar_->hide();

    handlers_.WireNonVisualEvents(jvTimer_);

    // Centred on the screen; on a screen too small for it, the title bar stays reachable.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        QPoint topLeft = area.center() - QPoint(kClientWidth / 2, kClientHeight / 2);
        topLeft.setX(std::max(topLeft.x(), area.left()));
        topLeft.setY(std::max(topLeft.y(), area.top()));
        move(topLeft);
    }

    graph_.AttachWindow(*this);
    FFmpegFrm = this;
}

TFFmpegFrm::~TFFmpegFrm()
{
    graph_.DetachWindow();
    if (FFmpegFrm == this)
        FFmpegFrm = nullptr;
    jvTimer_.SetEnabled(false);
}

void TFFmpegFrm::BuildToolBar()
{
    auto* coolBar = new QFrame(this);
    coolBar->setObjectName("JvCoolBar");
    coolBar->setFrameShape(QFrame::StyledPanel);
    coolBar->setFrameShadow(QFrame::Raised);
    coolBar->setGeometry(0, 0, kClientWidth, kToolBarHeight);

    auto* toolBar = new QWidget(coolBar);
    toolBar->setObjectName("JvToolBar");
    toolBar->setAccessibleName("Toolbar");
    toolBar->setGeometry(4, (kToolBarHeight - QtToolButton::kHeight) / 2, kClientWidth - 8, QtToolButton::kHeight);
    auto* layout = new QHBoxLayout(toolBar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    using H = TFFmpegFrmHandlers;
    addFileBtn_
        = AddToolButton(toolBar, "AddFileBtn", "Add", "Add video file", 0, "AddFileBtnClick", &H::AddFileBtnClick);
    delFileBtn_ = AddToolButton(
        toolBar, "DelFileBtn", "Delete", "Delete video file", 1, "DelFileBtnClick", &H::DelFileBtnClick);
    clearFileBtn_ = AddToolButton(
        toolBar, "ClearFileBtn", "Clear", "Clear all video files", 2, "ClearFileBtnClick", &H::ClearFileBtnClick);
    AddSeparator(toolBar, "ToolButton4");
    convFileBtn_ = AddToolButton(
        toolBar, "ConvFileBtn", "Convert", "Convert video files", 3, "ConvFileBtnClick", &H::ConvFileBtnClick);
    stopConvBtn_ = AddToolButton(
        toolBar, "StopConvBtn", "Stop", "Stop video file conversion", 12, "StopConvBtnClick", &H::StopConvBtnClick);
    // Only a running batch can be paused: the batch switches it on and names it.
    pauseButton_ = AddToolButton(toolBar, "PauseButton", "Pause", "Pause or resume the conversion", 19,
        "PauseButtonClick", &H::PauseButtonClick);
    pauseButton_->SetEnabled(false);
    AddSeparator(toolBar, "ToolButton3");
    playBtn_ = AddToolButton(toolBar, "PlayBtn", "Play", "Play video file", 5, "PlayBtnClick", &H::PlayBtnClick);
    AddSeparator(toolBar, "ToolButton6");
    donateBtn_ = AddToolButton(
        toolBar, "DonateBtn", "Donate", "Donated the software", 6, "DonateBtnClick", &H::DonateBtnClick);
    AddSeparator(toolBar, "ToolButton7");
    quitBtn_ = AddToolButton(toolBar, "QuitBtn", "Quit", "Quit", 4, "QuitBtnClick", &H::QuitBtnClick);
    layout->addStretch(1);
}

QtToolButton* TFFmpegFrm::AddToolButton(QWidget* bar, const char* name, const char* caption, const char* hint,
    int image, const char* handlerName, void (TFFmpegFrmHandlers::*handler)())
{
    auto* button = new QtToolButton(caption, hint, imageList_.Icon(image), bar);
    button->setObjectName(name);
    bar->layout()->addWidget(button);
    const std::string routed = handlerName;
    connect(button, &QToolButton::clicked, this,
        [this, routed, handler] { Route(routed, [this, handler] { (handlers_.*handler)(); }); });
    return button;
}

void TFFmpegFrm::AddSeparator(QWidget* bar, const char* name)
{
    auto* separator = new QFrame(bar);
    separator->setObjectName(name);
    separator->setFrameShape(QFrame::VLine);
    separator->setFrameShadow(QFrame::Sunken);
    separator->setFixedSize(8, QtToolButton::kHeight - 8);
    bar->layout()->addWidget(separator);
}

void TFFmpegFrm::BuildOutputDirectory()
{
    jvGroupBox_ = new EtchedGroupBox("Output Directory", this);
    jvGroupBox_->setObjectName("JvGroupBox");
    jvGroupBox_->setGeometry(5, 345, 593, 54);

    jvEditDir_ = new QtEdit({}, jvGroupBox_);
    jvEditDir_->setObjectName("JvEditDir");
    jvEditDir_->setReadOnly(true);
    jvEditDir_->setGeometry(10, 22, 504, 21);
    // Without names of their own, the edit and both buttons would all take the group's title.
    jvEditDir_->setAccessibleName("Output directory");

    auto speedButton = [this](const char* name, const char* hint, int image, int left) {
        auto* button = new QToolButton(jvGroupBox_);
        button->setObjectName(name);
        button->setToolTip(hint);
        button->setAccessibleName(hint);
        button->setIcon(imageList_.Icon(image));
        button->setIconSize(QSize(16, 16));
        // Reached with Tab; a click leaves the focus where it was.
        button->setFocusPolicy(Qt::TabFocus);
        button->setGeometry(left, 20, 25, 25);
        return button;
    };
    jvBtnSltDir_ = speedButton("JvBtnSltDir", "Choose output directory", 11, 522);
    connect(jvBtnSltDir_, &QToolButton::clicked, this,
        [this] { Route("JvBtnSltDirClick", [this] { handlers_.JvBtnSltDirClick(); }); });
    jvBtnOpenDir_ = speedButton("JvBtnOpenDir", "Open output directory", 14, 552);
    connect(jvBtnOpenDir_, &QToolButton::clicked, this,
        [this] { Route("JvBtnOpenDirClick", [this] { handlers_.JvBtnOpenDirClick(); }); });

    // The conversion cursor: part of the window, never shown. Flagged as a window of its
    // own (one that is never created), it stays out of the accessibility tree and the
    // focus chain, where a hidden child would still be announced as a text field.
    jvEditNumb_ = new QtEdit("-1", jvGroupBox_);
    jvEditNumb_->setObjectName("JvEditNumb");
    jvEditNumb_->setWindowFlag(Qt::Window);
    // A window of its own would take the application's font; it needs no other face.
    jvEditNumb_->setFont(WindowFont());
    jvEditNumb_->setFocusPolicy(Qt::NoFocus);
    jvEditNumb_->setGeometry(10, 22, 40, 21);
    jvEditNumb_->setVisible(false);
}

void TFFmpegFrm::BuildRowsMenu()
{
    rowsMenu_ = new QMenu(fileListView_);
    rowsMenu_->setObjectName("FileListMenu");
    rowsMenu_->setAccessibleName("Video files menu");
    const struct {
        const char* name;
        const char* caption; // its name without the '&' of its access key
        RunScope scope;
        const char* routed;
    } items[] = {
        { "ConvertRemainingRows", "Convert &remaining rows", RunScope::Remaining,
            "FileListViewConvertRows(Remaining)" },
        { "ConvertFailedRows", "Convert &failed rows again", RunScope::Failed, "FileListViewConvertRows(Failed)" },
        { "ConvertSelectedRows", "Convert &this row again", RunScope::Selected, "FileListViewConvertRows(Selected)" },
    };
    std::vector<std::pair<QAction*, RunScope>> actions;
    for (const auto& item : items) {
        QAction* action = rowsMenu_->addAction(QString::fromLatin1(item.caption));
        action->setObjectName(item.name);
        const RunScope scope = item.scope;
        const std::string routed = item.routed;
        connect(action, &QAction::triggered, this,
            [this, scope, routed] { Route(routed, [this, scope] { handlers_.FileListViewConvertRows(scope); }); });
        actions.emplace_back(action, scope);
    }
    // Each item is offered only when it would convert a row now, and none while a batch
    // runs; asked each time the menu opens. An error asking leaves the items greyed out.
    connect(rowsMenu_, &QMenu::aboutToShow, this, [this, actions] {
        for (const auto& [action, scope] : actions)
            action->setEnabled(false);
        Route("FileListViewCanConvertRows", [this, &actions] {
            for (const auto& [action, scope] : actions)
                action->setEnabled(handlers_.FileListViewCanConvertRows(scope));
        });
    });
    fileListView_->SetRowsMenu(rowsMenu_);
}

QtSelector* TFFmpegFrm::AddSelector(QWidget* page, int column, const char* name, int tag, const char* label)
{
    const int left = kSelectorLeft + column * kSelectorPitch;
    auto* caption = new QLabel(label, page);
    caption->setObjectName(QStringLiteral("Label%1").arg(QLatin1String(name)));
    caption->setGeometry(left + 1, 9, QtSelector::kWidth, 15);
    auto* selector = new QtSelector(tag, page);
    selector->setObjectName(name);
    selector->move(left, 26);
    selector->resize(QtSelector::kWidth, 22);
    caption->setBuddy(selector);
    selector->setAccessibleName(label);
    // The drop-down list, built later, takes the selector's name.
    selector->lineEdit()->setAccessibleName(label);
    return selector;
}

void TFFmpegFrm::BuildPageControl()
{
    jvPageControl_ = new QTabWidget(this);
    jvPageControl_->setObjectName("JvPageControl");
    jvPageControl_->setGeometry(5, 408, 596, 93);
    jvPageControl_->setIconSize(QSize(16, 16));

    auto* video = new QWidget;
    video->setObjectName("TabSheet1");
    const char* videoLabels[] = { "Video Codec", "Video Bitrate", "Video Size", "Video Frame Rate", "Width Ratio" };
    for (int n = 1; n <= 5; ++n) {
        QtSelector* selector
            = AddSelector(video, n - 1, ("JvCmbVdo" + std::to_string(n)).c_str(), n, videoLabels[n - 1]);
        const std::string routed = "JvCmbVdo" + std::to_string(n) + "Change";
        selector->OnChange = [this, n, routed] { Route(routed, [this, n] { handlers_.JvCmbVdoChange(n); }); };
        jvCmbVdo_[static_cast<std::size_t>(n - 1)] = selector;
    }
    video->setAccessibleName("Video Output Parameters");
    jvPageControl_->addTab(video, imageList_.Icon(5), "Video Output Parameters");

    // The other pages' controls are made once the window is on the screen
    // (BuildHiddenPages): until a page is picked, only its tab shows.
    auto* audio = new QWidget;
    audio->setObjectName("TabSheet2");
    audio->setAccessibleName("Audio Output Parameters");
    jvPageControl_->addTab(audio, imageList_.Icon(9), "Audio Output Parameters");
    hiddenPages_[0] = audio;
    auto* other = new QWidget;
    other->setObjectName("TabSheet3");
    other->setAccessibleName("Other Settings");
    jvPageControl_->addTab(other, imageList_.Icon(13), "Other Settings");
    hiddenPages_[1] = other;
    auto* size = new QWidget;
    size->setObjectName("TabSheet4");
    size->setAccessibleName("File Size");
    jvPageControl_->addTab(size, imageList_.Icon(5), "File Size");
    hiddenPages_[2] = size;
    auto* phone = new QWidget;
    phone->setObjectName("TabSheet5");
    phone->setAccessibleName("Phone");
    // No image: with one, the five tabs would not fit the page control's width.
    jvPageControl_->addTab(phone, "Phone");
    hiddenPages_[3] = phone;

    jvPageControl_->setCurrentIndex(0);
}

void TFFmpegFrm::BuildHiddenPages()
{
    if (hiddenPagesBuilt_)
        return;
    hiddenPagesBuilt_ = true;
    const WindowFontWhileMaking windowFont;

    QWidget* audio = hiddenPages_[0];
    const char* audioLabels[] = { "Audio Codec", "Audio Bitrate", "Audio Channel", "Sampling Frequency" };
    for (int n = 1; n <= 4; ++n) {
        QtSelector* selector
            = AddSelector(audio, n - 1, ("JvCmbAdo" + std::to_string(n)).c_str(), 5 + n, audioLabels[n - 1]);
        const std::string routed = "JvCmbAdo" + std::to_string(n) + "Change";
        if (n == 1)
            selector->OnChange = [this, routed] { Route(routed, [this] { handlers_.JvCmbAdo1Change(); }); };
        else
            selector->OnChange = [this, n, routed] { Route(routed, [this, n] { handlers_.JvCmbAdoChange(n); }); };
        jvCmbAdo_[static_cast<std::size_t>(n - 1)] = selector;
    }

    QWidget* other = hiddenPages_[1];
    jvCheckBox_ = new QtCheckBox("Shut down the computer after the conversion is completed", other);
    jvCheckBox_->setObjectName("JvCheckBox");
    // Two rows within the page's 63 pixels: the second one used to be cut off at the bottom.
    jvCheckBox_->move(10, 8);
    jvCheckBox_->adjustSize();
    auto* atOnceLabel = new QLabel("Files converted at once:", other);
    atOnceLabel->move(12, 38);
    atOnceLabel->adjustSize();
    filesAtOnceSpin_ = new QtNumberEdit(other);
    filesAtOnceSpin_->setObjectName("FilesAtOnceSpin");
    filesAtOnceSpin_->setAccessibleName("Files converted at once");
    filesAtOnceSpin_->setRange(1, 1);
    atOnceLabel->setBuddy(filesAtOnceSpin_);
    filesAtOnceSpin_->move(atOnceLabel->x() + atOnceLabel->width() + 8, 34);
    filesAtOnceSpin_->setFixedWidth(60);
    filesAtOnceSpin_->OnChange = [this] { Route("FilesAtOnceSpinChange", [this] { handlers_.FilesAtOnceSpinChange(); }); };
    auto* existingLabel = new QLabel("Existing output files:", other);
    existingLabel->move(filesAtOnceSpin_->x() + filesAtOnceSpin_->width() + 32, atOnceLabel->y());
    existingLabel->adjustSize();
    existingOutputsCombo_ = new QtChoice(other);
    existingOutputsCombo_->setObjectName("ExistingOutputsCombo");
    existingOutputsCombo_->setAccessibleName("Existing output files");
    existingLabel->setBuddy(existingOutputsCombo_);
    existingOutputsCombo_->move(existingLabel->x() + existingLabel->width() + 8, filesAtOnceSpin_->y());
    existingOutputsCombo_->setFixedWidth(100);
    existingOutputsCombo_->OnChange = [this] { Route("ExistingOutputsComboChange", [this] { handlers_.ExistingOutputsComboChange(); }); };
    keepDateCheck_ = new QtCheckBox("Keep the source's date", other);
    keepDateCheck_->setObjectName("KeepDateCheck");
    keepDateCheck_->setToolTip("Converted files get the date and time of their source files");
    keepDateCheck_->move(jvCheckBox_->x() + jvCheckBox_->width() + 30, jvCheckBox_->y());
    keepDateCheck_->adjustSize();
    keepDateCheck_->OnChange
        = [this] { Route("KeepDateCheckChange", [this] { handlers_.KeepDateCheckChange(); }); };

    // "Largest file size" and "Cut to fit" aim every output at a message's size: a page of
    // their own, the selector laid out as those of the parameter pages.
    QWidget* size = hiddenPages_[2];
    auto* sizeLabel = new QLabel("Largest file size", size);
    sizeLabel->setObjectName("LabelSizeLimitCombo");
    sizeLabel->setGeometry(kSelectorLeft + 1, 9, QtSelector::kWidth, 15);
    sizeLimitCombo_ = new QtSizeSelector(size);
    sizeLimitCombo_->setObjectName("SizeLimitCombo");
    sizeLimitCombo_->setAccessibleName("Largest file size");
    sizeLimitCombo_->lineEdit()->setAccessibleName("Largest file size");
    sizeLimitCombo_->setToolTip("No output is ever larger: pick a message size, or type one in KB");
    sizeLabel->setBuddy(sizeLimitCombo_);
    sizeLimitCombo_->setGeometry(kSelectorLeft, 26, QtSelector::kWidth, 22);
    sizeLimitCombo_->OnChange = [this] { Route("SizeLimitComboChange", [this] { handlers_.SizeLimitComboChange(); }); };
    cutToFitCheck_ = new QtCheckBox("Cut to fit", size);
    cutToFitCheck_->setObjectName("CutToFitCheck");
    cutToFitCheck_->setToolTip("A file too long for the largest size is cut where it fits, rather than refused");
    cutToFitCheck_->move(kSelectorLeft + kSelectorPitch + 8, 28);
    cutToFitCheck_->adjustSize();
    cutToFitCheck_->OnChange
        = [this] { Route("CutToFitCheckClick", [this] { handlers_.CutToFitCheckClick(); }); };

    // "Made for" sets every choice for a kind of phone at once; its buttons keep, remove,
    // write out and read in presets.
    QWidget* phone = hiddenPages_[3];
    auto* madeForLabel = new QLabel("Made for", phone);
    madeForLabel->setObjectName("LabelMadeForCombo");
    madeForLabel->setGeometry(kSelectorLeft + 1, 9, kMadeForWidth, 15);
    madeForCombo_ = new QtChoice(phone);
    madeForCombo_->setObjectName("MadeForCombo");
    madeForCombo_->setAccessibleName("Made for");
    madeForCombo_->setToolTip("Sets every choice for a kind of phone or message");
    madeForLabel->setBuddy(madeForCombo_);
    madeForCombo_->setGeometry(kSelectorLeft, 26, kMadeForWidth, 22);
    madeForCombo_->OnChange = [this] { Route("MadeForComboChange", [this] { handlers_.MadeForComboChange(); }); };
    struct PresetButton {
        const char* name;
        const char* caption;
        const char* accessibleName;
        const char* hint;
        const char* handlerName;
        void (TFFmpegFrmHandlers::*handler)();
    };
    using H = TFFmpegFrmHandlers;
    const PresetButton buttons[] = {
        { "SavePresetBtn", "Save as\u2026", "Save preset as", "Keep the current choices as a preset of your own",
            "SavePresetBtnClick", &H::SavePresetBtnClick },
        { "DeletePresetBtn", "Delete", "Delete preset", "Remove the preset of your own shown in Made for",
            "DeletePresetBtnClick", &H::DeletePresetBtnClick },
        { "ExportPresetBtn", "Export\u2026", "Export preset", "Write the preset shown to a text file",
            "ExportPresetBtnClick", &H::ExportPresetBtnClick },
        { "ImportPresetBtn", "Import\u2026", "Import preset", "Read a preset from a text file and use it",
            "ImportPresetBtnClick", &H::ImportPresetBtnClick },
    };
    int buttonLeft = kSelectorLeft + kMadeForWidth + 10;
    QWidget* lastPresetButton = nullptr;
    for (const PresetButton& button : buttons) {
        auto* pushButton = new QPushButton(QString::fromUtf8(button.caption), phone);
        lastPresetButton = pushButton;
        pushButton->setObjectName(button.name);
        pushButton->setToolTip(button.hint);
        // Told apart from the toolbar's Delete by what it acts on.
        pushButton->setAccessibleName(QString::fromUtf8(button.accessibleName));
        pushButton->setGeometry(buttonLeft, 25, kPresetButtonWidth, 24);
        buttonLeft += kPresetButtonWidth + 4;
        const std::string routed = button.handlerName;
        const auto handler = button.handler;
        connect(pushButton, &QPushButton::clicked, this,
            [this, routed, handler] { Route(routed, [this, handler] { (handlers_.*handler)(); }); });
    }

    // Made after the status line, they still come before it in the keyboard's order.
    QWidget::setTabOrder(lastPresetButton, jvEditCmdMsg_);
    // A page on the screen already shows what was just put on it.
    for (QWidget* page : hiddenPages_)
        if (page->isVisible())
            for (QWidget* control : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                control->show();
}

QtTrayIcon& TFFmpegFrm::TrayIcon()
{
    if (jvTrayIcon_)
        return *jvTrayIcon_;
    jvTrayIcon_ = std::make_unique<QtTrayIcon>(imageList_);
    jvTrayIcon_->OnRestore = [this] { RestoreFromTray(); };
    jvTrayIcon_->OnClick = [this](TMouseButton button) {
        Route("JvTrayIconClick", [this, button] { handlers_.JvTrayIconClick(button); });
    };
    jvTrayIcon_->OnShowMainForm = [this] { Route("ShowMainForm1Click", [this] { handlers_.ShowMainForm1Click(); }); };
    jvTrayIcon_->OnQuit = [this] { Route("Quit1Click", [this] { handlers_.Quit1Click(); }); };
    // The tooltip of a batch shown before the icon was made.
    ShowBatchTitle();
    return *jvTrayIcon_;
}

int TFFmpegFrm::ImageIndex() const
{
    return jvTrayIcon_ ? jvTrayIcon_->ImageIndex() : QtTrayIcon::kIdleImage;
}

void TFFmpegFrm::SetImageIndex(int index)
{
    if (jvTrayIcon_ || index != QtTrayIcon::kIdleImage)
        TrayIcon().SetImageIndex(index);
}

void TFFmpegFrm::RestoreApplication()
{
    TrayIcon().RestoreApplication();
}

IFileList& TFFmpegFrm::FileListView()
{
    return *fileListView_;
}
IDetailsPanel& TFFmpegFrm::MsgListView()
{
    return *msgListView_;
}
IButton& TFFmpegFrm::AddFileBtn()
{
    return *addFileBtn_;
}
IButton& TFFmpegFrm::DelFileBtn()
{
    return *delFileBtn_;
}
IButton& TFFmpegFrm::ClearFileBtn()
{
    return *clearFileBtn_;
}
IButton& TFFmpegFrm::ConvFileBtn()
{
    return *convFileBtn_;
}
IButton& TFFmpegFrm::StopConvBtn()
{
    return *stopConvBtn_;
}
IButton& TFFmpegFrm::PauseButton()
{
    return *pauseButton_;
}
IButton& TFFmpegFrm::PlayBtn()
{
    return *playBtn_;
}
IEdit& TFFmpegFrm::JvEditDir()
{
    return *jvEditDir_;
}
IEdit& TFFmpegFrm::JvEditNumb()
{
    return *jvEditNumb_;
}
IEdit& TFFmpegFrm::JvEditCmdMsg()
{
    return *jvEditCmdMsg_;
}
void TFFmpegFrm::Show(int percent, const std::string& text)
{
    const QString shown = QString::fromStdString(text);
    if (batchBar_->isHidden()) {
        batchBar_->show();
        batchText_->show();
    }
    batchBar_->setValue(percent);
    if (batchText_->text() != shown) {
        batchText_->setText(shown);
        // The label does not say so itself; readers that keep its name learn the new one.
        QAccessibleEvent changed(batchText_, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&changed);
    }
    batchText_->adjustSize();
    const int textLeft = kClientWidth - kBatchBarWidth - batchText_->width() - 8;
    batchText_->move(textLeft, kClientHeight - kStatusLineHeight + (kStatusLineHeight - batchText_->height()) / 2);
    jvEditCmdMsg_->setGeometry(0, kClientHeight - kStatusLineHeight, textLeft - 4, kStatusLineHeight);
    batchPercent_ = percent;
    batchLine_ = shown;
    ShowBatchTitle();
}

void TFFmpegFrm::Clear()
{
    batchBar_->hide();
    batchText_->hide();
    jvEditCmdMsg_->setGeometry(0, kClientHeight - kStatusLineHeight, kClientWidth, kStatusLineHeight);
    batchPaused_ = false;
    batchPercent_ = 0;
    batchLine_.clear();
    ShowBatchTitle();
}

void TFFmpegFrm::SetPaused(bool paused)
{
    batchPaused_ = paused;
    ShowBatchTitle();
}

void TFFmpegFrm::ShowBatchTitle()
{
    const QString paused = batchPaused_ ? QStringLiteral(" (paused)") : QString();
    if (batchBar_->isHidden()) {
        setWindowTitle("Ondrevo" + paused);
        if (jvTrayIcon_)
            jvTrayIcon_->setToolTip("Ondrevo" + paused);
        return;
    }
    const QString title = QStringLiteral("Ondrevo - %1%").arg(batchPercent_) + paused;
    setWindowTitle(title);
    if (jvTrayIcon_)
        jvTrayIcon_->setToolTip(title + "\n" + batchLine_);
}

void TFFmpegFrm::NotifyIfAway(const std::string& text)
{
    if (isVisible() && isActiveWindow() && !isMinimized())
        return;
    if (QtTrayIcon::Available() && TrayIcon().isVisible())
        jvTrayIcon_->showMessage("Ondrevo", QString::fromStdString(text), QSystemTrayIcon::Information);
    else
        NotifyDesktop("Ondrevo", text);
}

INumberEdit& TFFmpegFrm::FilesAtOnceSpin()
{
    BuildHiddenPages();
    return *filesAtOnceSpin_;
}

ISelector& TFFmpegFrm::ExistingOutputsCombo()
{
    BuildHiddenPages();
    return *existingOutputsCombo_;
}

ICheckBox& TFFmpegFrm::KeepDateCheck()
{
    BuildHiddenPages();
    return *keepDateCheck_;
}

ISelector& TFFmpegFrm::SizeLimitCombo()
{
    BuildHiddenPages();
    return *sizeLimitCombo_;
}

ICheckBox& TFFmpegFrm::CutToFitCheck()
{
    BuildHiddenPages();
    return *cutToFitCheck_;
}

ISelector& TFFmpegFrm::MadeForCombo()
{
    BuildHiddenPages();
    return *madeForCombo_;
}

ICheckBox& TFFmpegFrm::JvCheckBox()
{
    BuildHiddenPages();
    return *jvCheckBox_;
}
IOpenDialog& TFFmpegFrm::OpenDialog1()
{
    return openDialogOverride_ ? *openDialogOverride_ : openDialog1_;
}
IDesktop& TFFmpegFrm::Desktop()
{
    return desktopOverride_ ? *desktopOverride_ : desktop_;
}

std::unique_ptr<IMplayerWindow> TFFmpegFrm::CreateMplayerFrm()
{
    return std::make_unique<TMplayerFrm>(loop_);
}

ISelector* TFFmpegFrm::FindSelector(const std::string& componentName)
{
    BuildHiddenPages();
    for (QtSelector* selector : jvCmbVdo_)
        if (selector->objectName().toStdString() == componentName)
            return selector;
    for (QtSelector* selector : jvCmbAdo_)
        if (selector->objectName().toStdString() == componentName)
            return selector;
    return nullptr;
}

void TFFmpegFrm::Close()
{
    close();
}

BatchEngine& TFFmpegFrm::Engine()
{
    return graph_.Engine();
}

void TFFmpegFrm::QuitRequest()
{
    loop_.Quit();
}

void TFFmpegFrm::SetEventObserver(std::function<void(const std::string&)> observer)
{
    eventObserver_ = std::move(observer);
}

void TFFmpegFrm::Route(const std::string& handlerName, const std::function<void()>& handler)
{
    if (firstShowPending_)
        CompleteFirstShow();
    if (eventObserver_)
        eventObserver_(handlerName);
    Dispatch(handler);
}

void TFFmpegFrm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Only the first showing fills the selectors; coming back from the tray does not.
    if (shown_ || event->spontaneous())
        return;
    shown_ = true;
    // The show event comes before the window is mapped: filling it now would hold the
    // window back from the screen for as long as the fill takes.
    firstShowPending_ = true;
    if (QWindow* native = windowHandle())
        native->installEventFilter(this);
    loop_.Post([window = QPointer<TFFmpegFrm>(this)] {
        if (window)
            window->CompleteFirstShow();
    });
}

bool TFFmpegFrm::eventFilter(QObject* watched, QEvent* event)
{
    // The window is about to be drawn: never without what its first showing fills in.
    if (firstShowPending_ && watched == windowHandle()
        && (event->type() == QEvent::Expose || event->type() == QEvent::UpdateRequest))
        CompleteFirstShow();
    return QWidget::eventFilter(watched, event);
}

void TFFmpegFrm::CompleteFirstShow()
{
    if (!firstShowPending_)
        return;
    firstShowPending_ = false;
    if (QWindow* native = windowHandle())
        native->removeEventFilter(this);
    BuildHiddenPages();
    Route("FormShow", [this] { handlers_.FormShow(); });
    // The tray icon once the window is up; nothing there is needed before.
    QTimer::singleShot(0, this, [this] { TrayIcon(); });
}

void TFFmpegFrm::closeEvent(QCloseEvent* event)
{
    // The close cannot be refused; the handler runs once.
    event->accept();
    if (closed_)
        return;
    closed_ = true;
    // A close right at the start still finds the list restored, as the next start expects.
    CompleteFirstShow();
    handlers_.CloseMainWindow();
}

void TFFmpegFrm::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // Minimised: only the tray icon remains. Without a notification area the window
    // stays on the task bar, or there would be no way back to it.
    if (event->type() == QEvent::WindowStateChange && isMinimized() && QtTrayIcon::Available())
        QTimer::singleShot(0, this, [this] {
            if (!isMinimized())
                return;
            TrayIcon();
            hide();
        });
}

void TFFmpegFrm::OpenGivenFiles(const std::vector<std::string>& paths)
{
    RestoreFromTray();
    if (!paths.empty())
        Route("FileListViewDragDrop", [this, &paths] { handlers_.FileListViewDragDrop(paths); });
}

void TFFmpegFrm::RestoreFromTray()
{
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

} // namespace ondrevo
