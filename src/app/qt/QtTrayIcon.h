#pragma once
// The notification-area icon with its menu "Open Ondrevo" / "Quit". Its image is one of
// the main image list's; the busy animation switches it. Where the desktop has no
// notification area (a bare X server) the icon is simply not seen and the program works
// the same; the window then is not hidden on minimise (see TFFmpegFrm).

#include "app/TFFmpegFrmHandlers.h"
#include "base/Controls.h"

#include <QMenu>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>

namespace ondrevo {

class ImageList;

class QtTrayIcon : public QSystemTrayIcon, public ITrayIcon {
public:
    QtTrayIcon(const ImageList& images, QObject* parent = nullptr);
    ~QtTrayIcon() override;

    // Set by the main window.
    std::function<void()> OnRestore; // show the main window again
    std::function<void(TMouseButton)> OnClick; // a click on the icon
    std::function<void()> OnShowMainForm; // menu "Open Ondrevo"
    std::function<void()> OnQuit; // menu "Quit"

    int ImageIndex() const override { return imageIndex_; }
    void SetImageIndex(int index) override;
    void RestoreApplication() override;

    QMenu& PopupMenu() { return *menu_; }
    // Whether the desktop shows notification-area icons at the moment.
    static bool Available() { return QSystemTrayIcon::isSystemTrayAvailable(); }

    static constexpr int kIdleImage = 15;

private:
    void Activated(QSystemTrayIcon::ActivationReason reason);
    void ShowImage();

    const ImageList& images_;
    std::unique_ptr<QMenu> menu_;
    int imageIndex_ = kIdleImage;
};

} // namespace ondrevo
