#include "app/qt/GridItemDelegate.h"

#include <QHeaderView>
#include <QTreeWidget>

#include <QAbstractItemView>
#include <QApplication>
#include <QPainter>

namespace ondrevo {
namespace {

// Margins of a report-style list cell: a narrow one at each edge and between image and
// text, so the captions fit the fixed column widths.
constexpr int kEdgeMargin = 1;
constexpr int kImageGap = 2;

} // namespace

GridItemDelegate::GridItemDelegate(int rowHeight, QObject* parent)
    : QStyledItemDelegate(parent)
    , rowHeight_(rowHeight)
{
}

void GridItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem cell(option);
    initStyleOption(&cell, index);
    const QString text = cell.text;
    const QIcon icon = cell.icon;
    const bool selected = cell.state & QStyle::State_Selected;

    // The style draws the background, the selection and the focus; the image and the
    // text follow with the list's own margins.
    cell.text.clear();
    cell.icon = QIcon();
    cell.features &= ~QStyleOptionViewItem::HasDecoration;
    const QWidget* widget = cell.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);

    painter->save();
    const QRect& r = option.rect;
    if (index.column() == percentColumn_) {
        const double fill = PercentFill(text);
        if (fill > 0) {
            const QRect bar(r.left() + 1, r.top() + 2, static_cast<int>((r.width() - 3) * fill), r.height() - 4);
            painter->fillRect(bar, selected ? QColor(0x9c, 0xd6, 0x9c) : QColor(0xbf, 0xe8, 0xbf));
        }
    }
    int left = r.left() + kEdgeMargin;
    if (!icon.isNull()) {
        const QSize size = cell.decorationSize;
        const QRect place(left, r.top() + (r.height() - size.height()) / 2, size.width(), size.height());
        icon.paint(
            painter, place, Qt::AlignCenter, (cell.state & QStyle::State_Enabled) ? QIcon::Normal : QIcon::Disabled);
        left += size.width() + kImageGap;
    }
    // The text may run up to the grid line on the right.
    const QRect textRect(left, r.top(), r.right() - left + 1, r.height());
    if (!text.isEmpty() && textRect.width() > 0) {
        const QPalette::ColorGroup group = (cell.state & QStyle::State_Enabled)
            ? ((cell.state & QStyle::State_Active) ? QPalette::Active : QPalette::Inactive)
            : QPalette::Disabled;
        painter->setPen(cell.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
        painter->setFont(cell.font);
        const QString shown = cell.fontMetrics.elidedText(text, cell.textElideMode, textRect.width());
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    }

    painter->setPen(QColor(0xd4, 0xd0, 0xc8));
    painter->drawLine(r.bottomLeft(), r.bottomRight());
    painter->drawLine(r.topRight(), r.bottomRight());
    painter->restore();
}

double GridItemDelegate::PercentFill(const QString& text)
{
    if (!text.endsWith('%'))
        return 0;
    bool number = false;
    const int percent = text.chopped(1).toInt(&number);
    if (!number || percent <= 0)
        return 0;
    return percent >= 100 ? 1.0 : percent / 100.0;
}

QSize GridItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(rowHeight_);
    return size;
}

void SetUpReportList(QTreeWidget& list, int percentColumn)
{
    list.header()->setStretchLastSection(false);
    list.setRootIsDecorated(false);
    list.setItemsExpandable(false);
    list.setUniformRowHeights(true);
    list.setAllColumnsShowFocus(true);
    list.setSelectionBehavior(QAbstractItemView::SelectRows);
    list.setSelectionMode(QAbstractItemView::SingleSelection);
    list.setEditTriggers(QAbstractItemView::NoEditTriggers);
    list.setIconSize(QSize(16, 16));
    auto* delegate = new GridItemDelegate(17, &list);
    delegate->SetPercentColumn(percentColumn);
    list.setItemDelegate(delegate);
}

} // namespace ondrevo
