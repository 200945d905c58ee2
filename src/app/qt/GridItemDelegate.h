#pragma once
// Draws report-style lists with grid lines between cells and one fixed row height, so
// that a list of a given height shows a known number of rows.

#include <QStyledItemDelegate>

class QTreeWidget;

namespace ondrevo {

class GridItemDelegate : public QStyledItemDelegate {
public:
    explicit GridItemDelegate(int rowHeight, QObject* parent = nullptr);
    // Cells of `column` hold a percentage ("41%"): a bar behind the text shows it, full
    // from 100 on. -1 for none.
    void SetPercentColumn(int column) { percentColumn_ = column; }
    // The share of the cell a percentage text fills, 0 to 1; 0 for any other text.
    static double PercentFill(const QString& text);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    int rowHeight_;
    int percentColumn_ = -1;
};

// Makes a tree widget a flat, read-only report list with single whole-row selection,
// 16 x 16 images and this delegate's grid and row height.
// `percentColumn` gets the percentage bar (-1: none).
void SetUpReportList(QTreeWidget& list, int percentColumn = -1);

} // namespace ondrevo
