#include "app/qt/QtTrayIcon.h"

#include "app/qt/ImageList.h"
#include "base/HandlerDispatch.h"

#include <QApplication>

namespace ondrevo {

QtTrayIcon::QtTrayIcon(const ImageList& images, QObject* parent)
    : QSystemTrayIcon(parent)
    , images_(images)
    , menu_(std::make_unique<QMenu>())
{
    menu_->setObjectName("JvPopupMenu");
    QAction* showItem = menu_->addAction(images_.Icon(17), "Open Ondrevo");
    showItem->setObjectName("ShowMainForm1");
    menu_->addSeparator()->setObjectName("N1");
    QAction* quit = menu_->addAction(images_.Icon(4), "Quit");
    quit->setObjectName("Quit1");
    connect(showItem, &QAction::triggered, this, [this] {
        if (OnShowMainForm)
            Dispatch(OnShowMainForm);
    });
    connect(quit, &QAction::triggered, this, [this] {
        if (OnQuit)
            Dispatch(OnQuit);
    });
    connect(this, &QSystemTrayIcon::activated, this, &QtTrayIcon::Activated);

    setContextMenu(menu_.get());
    setToolTip("Ondrevo");
    ShowImage();
    // Shown from the start; Qt puts it in the notification area when one appears later.
    show();
}

QtTrayIcon::~QtTrayIcon()
{
    hide();
    setContextMenu(nullptr);
}

void QtTrayIcon::SetImageIndex(int index)
{
    if (index == imageIndex_)
        return;
    imageIndex_ = index;
    ShowImage();
}

void QtTrayIcon::ShowImage()
{
    // An index outside the image list shows the application's icon.
    const QIcon image = images_.Icon(imageIndex_);
    setIcon(image.isNull() ? QApplication::windowIcon() : image);
}

void QtTrayIcon::RestoreApplication()
{
    if (OnRestore)
        OnRestore();
}

void QtTrayIcon::Activated(QSystemTrayIcon::ActivationReason reason)
{
    if (!OnClick)
        return;
    // The context menu opens by itself on a right click; the click is still reported.
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        Dispatch([this] { OnClick(TMouseButton::mbLeft); });
        break;
    case QSystemTrayIcon::Context:
        Dispatch([this] { OnClick(TMouseButton::mbRight); });
        break;
    case QSystemTrayIcon::MiddleClick:
        Dispatch([this] { OnClick(TMouseButton::mbMiddle); });
        break;
    default:
        break;
    }
}

} // namespace ondrevo
