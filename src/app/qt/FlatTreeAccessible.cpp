#include "app/qt/FlatTreeAccessible.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTreeView>

namespace ondrevo {
namespace {

QAccessibleInterface* TreeOf(QTreeView* view)
{
    return view ? QAccessible::queryAccessibleInterface(view) : nullptr;
}

// One cell: its text, place and selection, and the toggle that selects its row.
class CellAccessible : public QAccessibleInterface,
                       public QAccessibleTableCellInterface,
                       public QAccessibleActionInterface {
public:
    CellAccessible(QTreeView* view, const QModelIndex& index)
        : view_(view)
        , index_(index)
    {
    }

    const QPersistentModelIndex& Index() const { return index_; }

    bool isValid() const override { return view_ && index_.isValid(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override
    {
        QAccessibleInterface* tree = TreeOf(view_);
        return tree ? tree->window() : nullptr;
    }
    QAccessibleInterface* parent() const override { return TreeOf(view_); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text type) const override
    {
        if (!isValid())
            return QString();
        if (type == QAccessible::Name) {
            const QString spoken = index_.data(Qt::AccessibleTextRole).toString();
            return spoken.isEmpty() ? index_.data(Qt::DisplayRole).toString() : spoken;
        }
        if (type == QAccessible::Description)
            return index_.data(Qt::AccessibleDescriptionRole).toString();
        return QString();
    }
    void setText(QAccessible::Text, const QString&) override { }

    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        QRect place = view_->visualRect(index_);
        place.translate(view_->viewport()->mapToGlobal(QPoint(0, 0)));
        return place;
    }

    QAccessible::Role role() const override { return QAccessible::TreeItem; }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid())
            return state;
        const QRect shown(view_->viewport()->mapToGlobal(QPoint(0, 0)), view_->viewport()->size());
        if (!shown.intersects(rect()))
            state.invisible = true;
        const QItemSelectionModel* selection = view_->selectionModel();
        if (selection && selection->isSelected(index_))
            state.selected = true;
        if (selection && selection->currentIndex() == index_)
            state.focused = true;
        if (index_.flags() & Qt::ItemIsSelectable) {
            state.selectable = true;
            state.focusable = true;
            state.multiSelectable = view_->selectionMode() == QAbstractItemView::MultiSelection;
            state.extSelectable = view_->selectionMode() == QAbstractItemView::ExtendedSelection;
        }
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TableCellInterface)
            return static_cast<QAccessibleTableCellInterface*>(this);
        if (type == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }

    // QAccessibleTableCellInterface
    bool isSelected() const override
    {
        return isValid() && view_->selectionModel() && view_->selectionModel()->isSelected(index_);
    }
    QList<QAccessibleInterface*> columnHeaderCells() const override
    {
        auto* tree = dynamic_cast<FlatTreeAccessible*>(TreeOf(view_));
        if (!isValid() || !tree || !view_->header())
            return {};
        return { tree->child(index_.column()) };
    }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return index_.column(); }
    int rowIndex() const override { return index_.row(); }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return TreeOf(view_); }

    // QAccessibleActionInterface
    QStringList actionNames() const override { return { toggleAction() }; }
    void doAction(const QString& name) override
    {
        QAccessibleInterface* tree = TreeOf(view_);
        if (name != toggleAction() || !isValid() || !tree || !tree->tableInterface())
            return;
        if (isSelected())
            tree->tableInterface()->unselectRow(index_.row());
        else
            tree->tableInterface()->selectRow(index_.row());
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<QTreeView> view_;
    QPersistentModelIndex index_;
};

// One column header: its caption and place.
class HeaderAccessible : public QAccessibleInterface {
public:
    HeaderAccessible(QTreeView* view, int section)
        : view_(view)
        , section_(section)
    {
    }

    int Section() const { return section_; }

    bool isValid() const override
    {
        return view_ && view_->header() && view_->model() && section_ < view_->model()->columnCount(view_->rootIndex());
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override
    {
        QAccessibleInterface* tree = TreeOf(view_);
        return tree ? tree->window() : nullptr;
    }
    QAccessibleInterface* parent() const override { return TreeOf(view_); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text type) const override
    {
        if (!isValid() || type != QAccessible::Name)
            return QString();
        return view_->model()->headerData(section_, Qt::Horizontal).toString();
    }
    void setText(QAccessible::Text, const QString&) override { }
    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        const QHeaderView* header = view_->header();
        const QPoint zero = header->viewport()->mapToGlobal(QPoint(0, 0));
        return QRect(zero.x() + header->sectionViewportPosition(section_), zero.y(), header->sectionSize(section_),
            header->height());
    }
    QAccessible::Role role() const override { return QAccessible::ColumnHeader; }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (isValid() && view_->header()->isHidden())
            state.invisible = true;
        return state;
    }

private:
    QPointer<QTreeView> view_;
    int section_;
};

QAccessibleInterface* MakeFlatTree(const QString&, QObject* object)
{
    // Every tree view of the program is flat. The choice is made once, when the view is
    // first asked for, which can be while it is being built: nothing the view is set to
    // later can decide it.
    auto* view = qobject_cast<QTreeView*>(object);
    return view ? new FlatTreeAccessible(view) : nullptr;
}

} // namespace

FlatTreeAccessible::FlatTreeAccessible(QTreeView* view)
    : QAccessibleWidget(view, QAccessible::Tree)
{
}

FlatTreeAccessible::~FlatTreeAccessible()
{
    for (const QAccessible::Id id : std::as_const(kept_))
        QAccessible::deleteAccessibleInterface(id);
}

void FlatTreeAccessible::Install()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(MakeFlatTree);
}

QTreeView* FlatTreeAccessible::View() const
{
    return qobject_cast<QTreeView*>(object());
}

bool FlatTreeAccessible::HasHeader() const
{
    // The toolkit counts the header row whether it is shown or not; so do the view's own
    // focus and selection events, whose child numbers this must match.
    return View()->header() != nullptr;
}

QAccessible::Role FlatTreeAccessible::role() const
{
    return QAccessible::Tree;
}

QModelIndex FlatTreeAccessible::Index(int row, int column) const
{
    const QTreeView* view = View();
    if (!view->model())
        return QModelIndex();
    return view->model()->index(row, column, view->rootIndex());
}

int FlatTreeAccessible::ChildIndex(int row, int column) const
{
    return (row + (HasHeader() ? 1 : 0)) * columnCount() + column;
}

int FlatTreeAccessible::columnCount() const
{
    const QTreeView* view = View();
    return view->model() ? view->model()->columnCount(view->rootIndex()) : 0;
}

int FlatTreeAccessible::rowCount() const
{
    const QTreeView* view = View();
    return view->model() ? view->model()->rowCount(view->rootIndex()) : 0;
}

int FlatTreeAccessible::childCount() const
{
    return (rowCount() + (HasHeader() ? 1 : 0)) * columnCount();
}

QAccessibleInterface* FlatTreeAccessible::child(int index) const
{
    const int columns = columnCount();
    if (index < 0 || index >= childCount() || columns == 0)
        return nullptr;
    // Bounded whatever events were missed: never more kept than there are children.
    if (kept_.size() > childCount())
        Refile();
    const bool header = HasHeader() && index < columns;
    const int row = index / columns - (HasHeader() ? 1 : 0);
    const int column = index % columns;
    if (const auto found = kept_.constFind(index); found != kept_.constEnd()) {
        QAccessibleInterface* kept = QAccessible::accessibleInterface(found.value());
        if (kept && kept->isValid()) {
            if (const auto* cell = dynamic_cast<CellAccessible*>(kept);
                cell && !header && cell->Index() == Index(row, column))
                return kept;
            if (const auto* cap = dynamic_cast<HeaderAccessible*>(kept); cap && header && cap->Section() == column)
                return kept;
        }
        if (kept)
            QAccessible::deleteAccessibleInterface(found.value());
        kept_.remove(index);
    }
    QAccessibleInterface* made = nullptr;
    if (header)
        made = new HeaderAccessible(View(), column);
    else
        made = new CellAccessible(View(), Index(row, column));
    kept_.insert(index, QAccessible::registerAccessibleInterface(made));
    return made;
}

int FlatTreeAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    if (const auto* cell = dynamic_cast<const CellAccessible*>(child)) {
        const QModelIndex index = cell->Index();
        if (!index.isValid() || index.parent() != View()->rootIndex())
            return -1;
        return ChildIndex(index.row(), index.column());
    }
    if (const auto* header = dynamic_cast<const HeaderAccessible*>(child))
        return header->isValid() ? header->Section() : -1;
    return -1;
}

QAccessibleInterface* FlatTreeAccessible::childAt(int x, int y) const
{
    QTreeView* view = View();
    const QPoint inViewport = view->viewport()->mapFromGlobal(QPoint(x, y));
    if (view->viewport()->rect().contains(inViewport)) {
        const QModelIndex index = view->indexAt(inViewport);
        return index.isValid() ? child(ChildIndex(index.row(), index.column())) : nullptr;
    }
    const QHeaderView* header = view->header();
    if (header && header->isVisible()) {
        const QPoint inHeader = header->viewport()->mapFromGlobal(QPoint(x, y));
        if (header->viewport()->rect().contains(inHeader)) {
            const int section = header->logicalIndexAt(inHeader.x());
            return section >= 0 ? child(section) : nullptr;
        }
    }
    return nullptr;
}

QAccessibleInterface* FlatTreeAccessible::focusChild() const
{
    const QModelIndex current = View()->currentIndex();
    if (!current.isValid() || current.parent() != View()->rootIndex())
        return nullptr;
    return child(ChildIndex(current.row(), current.column()));
}

void* FlatTreeAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TableInterface)
        return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessibleInterface* FlatTreeAccessible::cellAt(int row, int column) const
{
    if (row < 0 || column < 0 || row >= rowCount() || column >= columnCount())
        return nullptr;
    return child(ChildIndex(row, column));
}

int FlatTreeAccessible::selectedCellCount() const
{
    return static_cast<int>(selectedCells().size());
}

int FlatTreeAccessible::selectedRowCount() const
{
    return static_cast<int>(selectedRows().size());
}

QString FlatTreeAccessible::columnDescription(int column) const
{
    const QTreeView* view = View();
    return view->model() ? view->model()->headerData(column, Qt::Horizontal).toString() : QString();
}

QList<QAccessibleInterface*> FlatTreeAccessible::selectedCells() const
{
    QList<QAccessibleInterface*> cells;
    const QItemSelectionModel* selection = View()->selectionModel();
    if (!selection)
        return cells;
    for (const QModelIndex& index : selection->selectedIndexes())
        if (index.parent() == View()->rootIndex())
            if (QAccessibleInterface* cell = cellAt(index.row(), index.column()))
                cells.append(cell);
    return cells;
}

QList<int> FlatTreeAccessible::selectedRows() const
{
    QList<int> rows;
    const QItemSelectionModel* selection = View()->selectionModel();
    if (!selection)
        return rows;
    for (const QModelIndex& index : selection->selectedRows())
        if (index.parent() == View()->rootIndex())
            rows.append(index.row());
    return rows;
}

bool FlatTreeAccessible::isRowSelected(int row) const
{
    const QItemSelectionModel* selection = View()->selectionModel();
    return selection && selection->isRowSelected(row, View()->rootIndex());
}

bool FlatTreeAccessible::selectRow(int row)
{
    QTreeView* view = View();
    const QModelIndex index = Index(row, 0);
    if (!index.isValid() || !view->selectionModel() || view->selectionMode() == QAbstractItemView::NoSelection)
        return false;
    if (view->selectionMode() == QAbstractItemView::SingleSelection)
        view->clearSelection();
    view->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    return true;
}

bool FlatTreeAccessible::unselectRow(int row)
{
    QTreeView* view = View();
    const QModelIndex index = Index(row, 0);
    if (!index.isValid() || !view->selectionModel())
        return false;
    view->selectionModel()->select(index, QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    return true;
}

void FlatTreeAccessible::modelChange(QAccessibleTableModelChangeEvent*)
{
    Refile();
}

void FlatTreeAccessible::Refile() const
{
    QHash<int, QAccessible::Id> refiled;
    for (auto kept = kept_.constBegin(); kept != kept_.constEnd(); ++kept) {
        QAccessibleInterface* made = QAccessible::accessibleInterface(kept.value());
        const int index = made && made->isValid() ? indexOfChild(made) : -1;
        if (index >= 0 && index < childCount() && !refiled.contains(index))
            refiled.insert(index, kept.value());
        else if (made)
            QAccessible::deleteAccessibleInterface(kept.value());
    }
    kept_ = std::move(refiled);
}

} // namespace ondrevo
