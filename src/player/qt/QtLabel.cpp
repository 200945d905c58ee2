#include "player/qt/QtLabel.h"

namespace ondrevo {

QtLabel::QtLabel(const std::string& caption, QWidget* parent)
    : QLabel(parent)
{
    SetCaption(caption);
}

void QtLabel::SetCaption(const std::string& caption)
{
    caption_ = caption;
    setText(QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
}

} // namespace ondrevo
