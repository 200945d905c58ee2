#pragma once
// The source file list: a report-style list with grid lines, whole-row selection and no
// editing. Several rows may be selected (Shift and Ctrl with a click or the arrows); the
// selected row is the current one when it is selected. Each row keeps its caption and
// sub-items byte for byte as the logic wrote them (paths need not be valid UTF-8) and
// shows them decoded. OnClick runs for a mouse click on the list, not for keyboard moves.
// The rows' menu opens on the right button, the Menu key and Shift+F10.
// Local files dragged from a file manager may be dropped on it while OnDragOver says so;
// the drop is always taken as a copy, so the file manager never removes the files.

#include "base/Controls.h"

#include <QTreeWidget>

#include <functional>
#include <string>
#include <vector>

class QMenu;
class QMimeData;

namespace ondrevo {

class ImageList;

class QtFileList : public QTreeWidget, public IFileList {
public:
    explicit QtFileList(const ImageList& images, QWidget* parent = nullptr);

    std::function<void()> OnClick;
    // The Delete key pressed on the list.
    std::function<void()> OnDeleteKey;
    // Whether dragged files may be dropped now.
    std::function<bool()> OnDragOver;
    // Local paths dropped, in order, as bytes (names need not be valid UTF-8).
    std::function<void(const std::vector<std::string>& paths)> OnDrop;

    // The menu for the rows (the list does not own it); none by default. Its items'
    // states are the owner's to set, on the menu's aboutToShow.
    void SetRowsMenu(QMenu* menu) { rowsMenu_ = menu; }
    QMenu* RowsMenu() const { return rowsMenu_; }

    // The local paths of a drag's data; empty when it carries no local file.
    static std::vector<std::string> DroppedPaths(const QMimeData* data);

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
    std::vector<int> SelectedRows() const override;
    void DeleteRow(int row) override;
    void DeleteAllRows() override;

    // The shown columns after the caption; further sub-items are kept but not shown.
    static constexpr int kSubItemColumns = 4;
    static constexpr int kPercentSubItem = 3;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QTreeWidgetItem* Row(int row) const;
    void ShowSubItems(QTreeWidgetItem* item) const;
    // Accepts a drag of local files as a copy when drops are allowed now.
    bool TakeDrag(QDropEvent* event);
    // Opens the rows' menu at `globalPos` unless it is open already.
    void OpenRowsMenu(const QPoint& globalPos);

    const ImageList& images_;
    QMenu* rowsMenu_ = nullptr;
};

} // namespace ondrevo
