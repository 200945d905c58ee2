#include "app/qt/QtFileList.h"

#include "app/qt/GridItemDelegate.h"
#include "app/qt/ImageList.h"
#include "app/qt/ReportHeader.h"
#include "base/Errors.h"
#include "base/HandlerDispatch.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

namespace ondrevo {
namespace {

// Where each row keeps what the logic wrote, on its first column.
constexpr int kCaptionRole = Qt::UserRole;
constexpr int kSubItemsRole = Qt::UserRole + 1;
constexpr int kImageRole = Qt::UserRole + 2;
constexpr int kHintRole = Qt::UserRole + 3;

[[noreturn]] void OutOfBounds(int index)
{
    throw Exception("List index out of bounds (" + std::to_string(index) + ")");
}

QByteArray Bytes(const std::string& text)
{
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

std::string String(const QByteArray& bytes)
{
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

} // namespace

QtFileList::QtFileList(const ImageList& images, QWidget* parent)
    : QTreeWidget(parent)
    , images_(images)
{
    setHeader(new ReportHeader(this));
    setColumnCount(1 + kSubItemColumns);
    setHeaderLabels({ "Video Files", "File Types", "File Size", "Playing Time", "Percent" });
    const int widths[] = { 310, 65, 70, 80, 60 };
    for (int column = 0; column < 1 + kSubItemColumns; ++column)
        setColumnWidth(column, widths[column]);
    SetUpReportList(*this, 1 + kPercentSubItem);
    // Several rows at once: Delete removes them all, and the menu converts them again.
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    header()->setSectionsMovable(false);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setTextElideMode(Qt::ElideRight);
    // Files from a file manager; rows are never dragged within the list.
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
}

QTreeWidgetItem* QtFileList::Row(int row) const
{
    QTreeWidgetItem* item = row >= 0 && row < topLevelItemCount() ? topLevelItem(row) : nullptr;
    if (!item)
        OutOfBounds(row);
    return item;
}

void QtFileList::AppendRow(const std::string& caption, int imageIndex, const std::vector<std::string>& subItems)
{
    auto* item = new QTreeWidgetItem;
    item->setData(0, kCaptionRole, Bytes(caption));
    item->setText(0, QString::fromStdString(caption));
    item->setToolTip(0, QString::fromStdString(caption));
    QByteArrayList stored;
    for (const std::string& text : subItems)
        stored.append(Bytes(text));
    item->setData(0, kSubItemsRole, QVariant::fromValue(stored));
    item->setData(0, kImageRole, imageIndex);
    item->setIcon(0, images_.Icon(imageIndex));
    ShowSubItems(item);
    addTopLevelItem(item);
}

void QtFileList::ShowSubItems(QTreeWidgetItem* item) const
{
    const QByteArrayList stored = item->data(0, kSubItemsRole).value<QByteArrayList>();
    for (int k = 0; k < kSubItemColumns; ++k)
        item->setText(1 + k, k < stored.size() ? QString::fromUtf8(stored[k]) : QString());
}

std::string QtFileList::Caption(int row) const
{
    return String(Row(row)->data(0, kCaptionRole).toByteArray());
}

int QtFileList::ImageIndex(int row) const
{
    return Row(row)->data(0, kImageRole).toInt();
}

void QtFileList::SetImageIndex(int row, int imageIndex)
{
    QTreeWidgetItem* item = Row(row);
    item->setData(0, kImageRole, imageIndex);
    item->setIcon(0, images_.Icon(imageIndex));
}

std::string QtFileList::SubItem(int row, int k) const
{
    const QByteArrayList stored = Row(row)->data(0, kSubItemsRole).value<QByteArrayList>();
    if (k < 0 || k >= stored.size())
        OutOfBounds(k);
    return String(stored[k]);
}

void QtFileList::SetSubItem(int row, int k, const std::string& text)
{
    QTreeWidgetItem* item = Row(row);
    QByteArrayList stored = item->data(0, kSubItemsRole).value<QByteArrayList>();
    if (k < 0 || k >= stored.size())
        OutOfBounds(k);
    stored[k] = Bytes(text);
    item->setData(0, kSubItemsRole, QVariant::fromValue(stored));
    ShowSubItems(item);
}

std::string QtFileList::RowHint(int row) const
{
    return String(Row(row)->data(0, kHintRole).toByteArray());
}

void QtFileList::SetRowHint(int row, const std::string& hint)
{
    QTreeWidgetItem* item = Row(row);
    item->setData(0, kHintRole, Bytes(hint));
    // The caption's own tooltip is its full path; the hint follows it on a second line.
    const QString caption = QString::fromUtf8(item->data(0, kCaptionRole).toByteArray());
    const QString shown = QString::fromStdString(hint);
    item->setToolTip(0, shown.isEmpty() ? caption : caption + "\n" + shown);
    for (int column = 1; column <= kSubItemColumns; ++column)
        item->setToolTip(column, shown);
}

int QtFileList::Selected() const
{
    // The row last clicked or moved to; when it was deselected (Ctrl+click), the first
    // row still selected.
    QTreeWidgetItem* current = currentItem();
    if (current && current->isSelected())
        return indexOfTopLevelItem(current);
    const std::vector<int> rows = SelectedRows();
    return rows.empty() ? -1 : rows.front();
}

std::vector<int> QtFileList::SelectedRows() const
{
    std::vector<int> rows;
    for (int row = 0; row < topLevelItemCount(); ++row)
        if (topLevelItem(row)->isSelected())
            rows.push_back(row);
    return rows;
}

void QtFileList::DeleteRow(int row)
{
    Row(row); // raises for a row that is not in the list
    // The current row moves to a neighbour, but the selection does not: with several rows
    // selectable, the view selects no row in place of a deleted one.
    delete takeTopLevelItem(row);
}

void QtFileList::DeleteAllRows()
{
    clear();
}

void QtFileList::mouseReleaseEvent(QMouseEvent* event)
{
    QTreeWidget::mouseReleaseEvent(event);
    // A click: the left button released over the rows area; the press has selected the row.
    if (event->button() == Qt::LeftButton && viewport()->rect().contains(event->position().toPoint()) && OnClick)
        Dispatch(OnClick);
}

std::vector<std::string> QtFileList::DroppedPaths(const QMimeData* data)
{
    std::vector<std::string> paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile() || !(url.host().isEmpty() || url.host() == "localhost"))
            continue;
        // The path as the file system has it: percent-decoded bytes, so a name that is not
        // valid UTF-8 stays the same name.
        const QByteArray path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
        if (!path.isEmpty())
            paths.push_back(String(path));
    }
    return paths;
}

bool QtFileList::TakeDrag(QDropEvent* event)
{
    const bool allowed = OnDragOver && OnDragOver() && !DroppedPaths(event->mimeData()).empty();
    // A move would have the file manager delete the files once dropped.
    if (allowed && (event->possibleActions() & Qt::CopyAction)) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
        return true;
    }
    if (allowed && (event->possibleActions() & Qt::LinkAction)) {
        event->setDropAction(Qt::LinkAction);
        event->accept();
        return true;
    }
    event->ignore();
    return false;
}

void QtFileList::dragEnterEvent(QDragEnterEvent* event)
{
    TakeDrag(event);
}

void QtFileList::dragMoveEvent(QDragMoveEvent* event)
{
    TakeDrag(event);
}

void QtFileList::dropEvent(QDropEvent* event)
{
    if (TakeDrag(event) && OnDrop)
        OnDrop(DroppedPaths(event->mimeData()));
}

void QtFileList::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (event->key() == Qt::Key_Delete && modifiers == Qt::NoModifier && OnDeleteKey) {
        event->accept();
        OnDeleteKey();
        return;
    }
    // Shift+F10 opens the menu as the Menu key does; the window system turns only the
    // Menu key into a menu request, and some keyboards have no Menu key.
    if (rowsMenu_
        && ((event->key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier)
            || (event->key() == Qt::Key_Menu && modifiers == Qt::NoModifier))) {
        event->accept();
        QContextMenuEvent request(QContextMenuEvent::Keyboard, QPoint(), QPoint(), event->modifiers());
        contextMenuEvent(&request);
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void QtFileList::contextMenuEvent(QContextMenuEvent* event)
{
    if (!rowsMenu_) {
        event->ignore();
        return;
    }
    event->accept();
    if (event->reason() == QContextMenuEvent::Mouse) {
        OpenRowsMenu(event->globalPos());
        return;
    }
    // From the keyboard: below the current row when it is in view, else at the rows'
    // top left corner.
    QPoint at(0, 0);
    if (QTreeWidgetItem* current = currentItem()) {
        const QRect place = visualItemRect(current);
        if (place.isValid() && viewport()->rect().intersects(place))
            at = QPoint(place.left() + place.height(), place.bottom());
    }
    OpenRowsMenu(viewport()->mapToGlobal(at));
}

void QtFileList::OpenRowsMenu(const QPoint& globalPos)
{
    if (rowsMenu_->isVisible())
        return;
    rowsMenu_->popup(globalPos);
}

} // namespace ondrevo
