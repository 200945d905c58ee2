#pragma once
// Draws report-style lists with grid lines between cells and one fixed row height, so
// that a list of a given height shows a known number of rows.

#include <QStyledItemDelegate>

namespace ondrevo {

class GridItemDelegate : public QStyledItemDelegate {
public:
    explicit GridItemDelegate(int rowHeight, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    int rowHeight_;
};

} // namespace ondrevo
