#pragma once
// A group box drawn as a thin etched frame with its title in the window's own face. The
// stock style draws group boxes from a bitmap, and loading that bitmap brings every
// image-format plugin (and the libraries they need) into the program; its bold title
// would load a second face as well.

#include <QGroupBox>

namespace ondrevo {

class EtchedGroupBox : public QGroupBox {
public:
    explicit EtchedGroupBox(const QString& title, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace ondrevo
