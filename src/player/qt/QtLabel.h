#pragma once
// A label. The caption the logic set is kept byte for byte (a path need not be valid
// UTF-8), so the logic reads back exactly what it wrote; the widget shows it decoded.

#include "base/Controls.h"

#include <QLabel>

namespace ondrevo {

class QtLabel : public QLabel, public ILabel {
public:
    explicit QtLabel(const std::string& caption, QWidget* parent = nullptr);

    std::string Caption() const override { return caption_; }
    void SetCaption(const std::string& caption) override;

private:
    std::string caption_;
};

} // namespace ondrevo
