#pragma once
// A toolbar button: caption under its image, hint as tooltip. The logic switches it on
// and off through IButton; its clicks are routed by the main window.

#include "base/Controls.h"

#include <QIcon>
#include <QToolButton>

namespace ondrevo {

class QtToolButton : public QToolButton, public IButton {
public:
    QtToolButton(const QString& caption, const QString& hint, const QIcon& icon, QWidget* parent = nullptr);

    bool Enabled() const override { return isEnabled(); }
    void SetEnabled(bool enabled) override { setEnabled(enabled); }
    std::string Caption() const override { return text().toStdString(); }
    void SetCaption(const std::string& caption) override
    {
        setText(QString::fromStdString(caption));
        setAccessibleName(text());
    }

    static constexpr int kWidth = 46;
    static constexpr int kHeight = 36;
};

} // namespace ondrevo
