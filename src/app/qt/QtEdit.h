#pragma once
// A one-line edit of the main window. The text the logic set is kept byte for byte, so
// what the logic reads back is exactly what it wrote, even when it is not valid UTF-8;
// the widget shows it decoded as UTF-8.

#include "base/Controls.h"

#include <QLineEdit>

namespace ondrevo {

class QtEdit : public QLineEdit, public ChangeNotifyingEdit {
public:
    explicit QtEdit(const std::string& initial = {}, QWidget* parent = nullptr);

    std::string Text() const override { return text_; }

protected:
    void StoreText(const std::string& text) override;

private:
    // A user edit (only possible when the edit is not read-only) is a change as well.
    void UserEdited(const QString& text);

    std::string text_;
};

} // namespace ondrevo
