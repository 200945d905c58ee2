#pragma once
// Draws report-style lists with grid lines between cells and one fixed row height, so
// that a list of a given height shows a known number of rows.

#include <QStyledItemDelegate>

class QTreeWidget;

namespace ondrevo {

class GridItemDelegate : public QStyledItemDelegate {
public:
    explicit GridItemDelegate(int rowHeight, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    int rowHeight_;
};

// Makes a tree widget a flat, read-only report list with single whole-row selection,
// 16 x 16 images and this delegate's grid and row height.
void SetUpReportList(QTreeWidget& list);

} // namespace ondrevo
