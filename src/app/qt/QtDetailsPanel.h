#pragma once
// The details panel: sixteen fixed rows with a caption and an image each, no column
// headers, grid lines, read-only. A row's sub-items are its values; the first one is
// shown in the second column. Sub-items are kept byte for byte as the logic wrote them.

#include "base/Controls.h"

#include <QTreeWidget>

namespace ondrevo {

class ImageList;

class QtDetailsPanel : public QTreeWidget, public IDetailsPanel {
public:
    explicit QtDetailsPanel(const ImageList& images, QWidget* parent = nullptr);

    int RowCount() const override { return topLevelItemCount(); }
    void ClearSubItems(int row) override;
    void AppendSubItem(int row, const std::string& text) override;
    std::vector<std::string> SubItems(int row) const override;

    struct FixedRow {
        const char* caption;
        int image;
    };
    static const FixedRow kRows[16];

private:
    QTreeWidgetItem* Row(int row) const;
};

} // namespace ondrevo
