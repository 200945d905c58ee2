#include "player/qt/TMplayerFrm.h"

#include "base/HandlerDispatch.h"
#include "base/qt/WindowFont.h"
#include "player/TMplayerFunc.h"
#include "player/qt/QtLabel.h"
#include "player/qt/QtPositionBar.h"

#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QShowEvent>

namespace ondrevo {

TMplayerFrm::TMplayerFrm(IEventLoop& loop, QWidget* parent)
    : QDialog(parent,
        Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
            | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , handlers_(*this)
    , jvCmdProc_(loop)
{
    setObjectName("MplayerFrm");
    setWindowTitle("Mini Player");
    setWindowModality(Qt::ApplicationModal);
    // The same face as the main window, so the time labels fit their fixed width.
    setFont(WindowFont());
    setFixedSize(kClientWidth, kClientHeight);

    // The player draws into this panel's own X11 window; Qt fills it with the colour
    // key only when it is exposed.
    jvMplayer_ = new QWidget(this);
    jvMplayer_->setObjectName("JvMplayer");
    jvMplayer_->setGeometry(0, 0, kClientWidth, kPanelHeight);
    jvMplayer_->setAttribute(Qt::WA_NativeWindow);
    jvMplayer_->setAttribute(Qt::WA_DontCreateNativeAncestors);
    QPalette dark = jvMplayer_->palette();
    dark.setColor(QPalette::Window, QColor::fromRgb(kPanelColor));
    jvMplayer_->setPalette(dark);
    jvMplayer_->setAutoFillBackground(true);

    jvLabBgTime_ = new QtLabel(kZeroTimeText, this);
    jvLabBgTime_->setObjectName("JvLabBgTime");
    jvLabBgTime_->setGeometry(135, 263, 46, 13);

    jvLabLine_ = new QtLabel("/", this);
    jvLabLine_->setObjectName("JvLabLine");
    jvLabLine_->move(186, 262);
    jvLabLine_->adjustSize();

    jvLabEdTime_ = new QtLabel(kZeroTimeText, this);
    jvLabEdTime_->setObjectName("JvLabEdTime");
    jvLabEdTime_->setGeometry(197, 263, 46, 13);

    jvLabFile_ = new QtLabel("JvLabFile", this);
    jvLabFile_->setObjectName("JvLabFile");
    jvLabFile_->setGeometry(258, 265, 92, 13);
    jvLabFile_->setVisible(false);

    jvColorTrkBar_ = new QtPositionBar(this);
    jvColorTrkBar_->setObjectName("JvColorTrkBar");
    jvColorTrkBar_->setGeometry(5, 278, 362, QtPositionBar::kDefaultHeight);

    jvCmdProc_.SetConsoleOptions(coOwnerData | coRedirect);
    handlers_.WireNonVisualEvents(jvCmdProc_);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(kClientWidth / 2, kClientHeight / 2));
}

TMplayerFrm::~TMplayerFrm() = default;

std::uint32_t TMplayerFrm::JvMplayerWindowId()
{
    // X11 window ids are 32-bit values.
    return static_cast<std::uint32_t>(jvMplayer_->winId());
}

ILabel& TMplayerFrm::JvLabBgTime()
{
    return *jvLabBgTime_;
}
ILabel& TMplayerFrm::JvLabEdTime()
{
    return *jvLabEdTime_;
}
ILabel& TMplayerFrm::JvLabFile()
{
    return *jvLabFile_;
}
IPositionBar& TMplayerFrm::JvColorTrkBar()
{
    return *jvColorTrkBar_;
}

void TMplayerFrm::ShowModal()
{
    exec();
    // The loop also ends without done() when the program quits from the tray.
    Closing();
}

void TMplayerFrm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (shown_ || event->spontaneous())
        return;
    shown_ = true;
    Dispatch([this] { handlers_.FormShow(); });
}

void TMplayerFrm::done(int result)
{
    Closing();
    QDialog::done(result);
}

void TMplayerFrm::Closing()
{
    if (closed_)
        return;
    closed_ = true;
    Dispatch([this] { handlers_.FormClose(); });
}

} // namespace ondrevo
