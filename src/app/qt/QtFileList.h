#pragma once
// The source file list: a report-style list with grid lines, whole-row selection, one
// selected row at most and no editing. Each row keeps its caption and sub-items byte
// for byte as the logic wrote them (paths need not be valid UTF-8) and shows them
// decoded. OnClick runs for a mouse click on the list, not for keyboard moves.

#include "base/Controls.h"

#include <QTreeWidget>

#include <functional>

namespace ondrevo {

class ImageList;

class QtFileList : public QTreeWidget, public IFileList {
public:
    explicit QtFileList(const ImageList& images, QWidget* parent = nullptr);

    std::function<void()> OnClick;

    int RowCount() const override { return topLevelItemCount(); }
    void AppendRow(const std::string& caption, int imageIndex, const std::vector<std::string>& subItems) override;
    std::string Caption(int row) const override;
    int ImageIndex(int row) const override;
    void SetImageIndex(int row, int imageIndex) override;
    std::string SubItem(int row, int k) const override;
    void SetSubItem(int row, int k, const std::string& text) override;
    std::string RowHint(int row) const override;
    void SetRowHint(int row, const std::string& hint) override;
    int Selected() const override;
    void DeleteRow(int row) override;
    void DeleteAllRows() override;

    // The shown columns after the caption; further sub-items are kept but not shown.
    static constexpr int kSubItemColumns = 4;
    static constexpr int kPercentSubItem = 3;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QTreeWidgetItem* Row(int row) const;
    void ShowSubItems(QTreeWidgetItem* item) const;

    const ImageList& images_;
};

} // namespace ondrevo
