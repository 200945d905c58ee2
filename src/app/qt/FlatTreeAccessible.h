#pragma once
// What assistive technology sees of a flat tree view (a report list with no branches: the
// file list, the details panel, the open dialog's detail view): a tree whose children are
// the column headers and then the cells, row by row, as the toolkit lays them out.
//
// It exists because the toolkit's own interface for tree views makes a new interface for a
// cell each time a cell is asked for and keeps every one of them registered until the
// program ends, so a screen reader reading the list makes the program grow without bound.
// Here each cell has one interface, kept while its row exists: a cell whose row is gone,
// or the whole list once cleared, gives its interface back.

#include <QAccessibleWidget>
#include <QHash>
#include <QPersistentModelIndex>
#include <QPointer>

class QTreeView;

namespace ondrevo {

class FlatTreeAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit FlatTreeAccessible(QTreeView* view);
    ~FlatTreeAccessible() override;

    // Makes tree views use this interface from now on; once per program, whose tree views
    // must all be flat.
    static void Install();
    // How many cell and header interfaces are kept now.
    int KeptInterfaces() const { return static_cast<int>(kept_.size()); }

    QTreeView* View() const;

    // QAccessibleInterface
    QAccessible::Role role() const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    // QAccessibleTableInterface
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override;
    int columnCount() const override;
    int rowCount() const override;
    int selectedCellCount() const override;
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override;
    QString columnDescription(int column) const override;
    QString rowDescription(int) const override { return QString(); }
    QList<QAccessibleInterface*> selectedCells() const override;
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override;
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override;
    bool selectRow(int row) override;
    bool selectColumn(int) override { return false; }
    bool unselectRow(int row) override;
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent* event) override;

    // The model index of a row and column of the list.
    QModelIndex Index(int row, int column) const;
    // The logical child index of a cell: the header row first, then the rows.
    int ChildIndex(int row, int column) const;

private:
    bool HasHeader() const;
    // Gives back the interfaces of cells whose rows are gone, and files the rest under
    // where their cells are now.
    void Refile() const;

    // Child index -> the kept interface's id.
    mutable QHash<int, QAccessible::Id> kept_;
};

} // namespace ondrevo
