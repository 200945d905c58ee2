#include "app/qt/ReportHeader.h"

#include <QIcon>
#include <QPixmap>
#include <QStyleOptionHeader>

namespace ondrevo {

ReportHeader::ReportHeader(QWidget* parent)
    : QHeaderView(Qt::Horizontal, parent)
{
}

QSize ReportHeader::sectionSizeFromContents(int logicalIndex) const
{
    const QAbstractItemModel* source = model();
    if (!source)
        return {};
    const QVariant hint = source->headerData(logicalIndex, orientation(), Qt::SizeHintRole);
    if (hint.isValid())
        return hint.toSize();
    ensurePolished();
    QStyleOptionHeader option;
    initStyleOption(&option);
    option.section = logicalIndex;
    const QVariant face = source->headerData(logicalIndex, orientation(), Qt::FontRole);
    option.fontMetrics = QFontMetrics(face.canConvert<QFont>() ? face.value<QFont>() : font());
    option.text = source->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString();
    const QVariant image = source->headerData(logicalIndex, orientation(), Qt::DecorationRole);
    option.icon = image.value<QIcon>();
    if (option.icon.isNull())
        option.icon = QIcon(image.value<QPixmap>());
    if (isSortIndicatorShown())
        option.sortIndicator = QStyleOptionHeader::SortDown;
    return style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), this);
}

} // namespace ondrevo
