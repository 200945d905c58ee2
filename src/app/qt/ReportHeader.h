#pragma once
// The column header of a report list. Its sections are measured in the header's own
// face: the stock header measures them in bold for highlighted sections, which a report
// list never shows, and that measurement alone would load a bold face at start.

#include <QHeaderView>

namespace ondrevo {

class ReportHeader : public QHeaderView {
public:
    explicit ReportHeader(QWidget* parent = nullptr);

protected:
    QSize sectionSizeFromContents(int logicalIndex) const override;
};

} // namespace ondrevo
