#pragma once

#include "store/book/Book.h"
#include "app/TableListModel.h"

#include <QListView>

#include <functional>

// A list of the rows of one group of the book (the main groups, the subgroups
// of one main group, the recipes of one subgroup), by stored id, with a
// current row that the list highlights. It emits rowClicked() whenever the
// user changes the current row, by the mouse or by the arrow keys, and when
// the user clicks the row that is already current; currentMoved() whenever
// the current row changes for any reason.
//
// The current row behaves as a table's cursor: opening the list makes its
// first row current; after reload() the current row stays current while it
// is listed, otherwise the row now at its place (or the last row) is.
class DataBoundList : public QListView
{
    Q_OBJECT

public:
    using Entry = RecipeBook::Book::Entry;
    // Rows in the list, and `count` of them from the 0-based row `from`.
    using Binding = TableListModel::Source;

    explicit DataBoundList(QWidget *parent = nullptr);

    // Shows the rows of the group `parentId` (a non-zero id for the list of
    // main groups), the first one current.
    void bind(qint64 parentId, Binding binding);
    // Shows nothing until bound again.
    void unbind();
    bool isBound() const { return m_bound; }
    // The group whose rows are listed; 0 when unbound.
    qint64 parentId() const { return m_bound ? m_parentId : 0; }
    TableListModel *listModel() const { return m_model; }

    // Rows in the list.
    int count() const;
    // The current row, 0-based (-1 when there is none), its id and name.
    int currentRow() const { return m_current; }
    qint64 currentId() const { return m_currentId; }
    QString currentName() const;
    // Makes the row `id` current; false (staying put) when it is not listed.
    bool setCurrentId(qint64 id);
    // Makes the first row named `name` current; false (staying put) when none is.
    bool setCurrentName(const QString &name);
    // Makes the row `row` current, clamped to the list.
    void setCurrentRow(int row);

    // Before the user's change of the current row: false keeps the row that
    // is current.
    void setMayMove(std::function<bool()> mayMove) { m_mayMove = std::move(mayMove); }

    // Reads the rows again when they may have changed since the last reading
    // (markDirty), keeping the current row as a cursor keeps it. Emits no click.
    void refresh();
    // The rows may have changed; the next refresh() reads them again.
    void markDirty() { m_dirty = true; }
    // Selects the current row again without reloading, and with `scroll`
    // brings it into view.
    void syncCurrentRow(bool scroll = true);

Q_SIGNALS:
    void rowClicked();
    void currentMoved();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    // Taking the focus never moves the current row.
    void focusInEvent(QFocusEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    void moveCurrent(int row, bool announce = false);
    // Moves to `row` when it is a row (not -1).
    bool moveToFound(int row);

    TableListModel *m_model = nullptr;
    Binding m_binding;
    std::function<bool()> m_mayMove;
    qint64 m_parentId = 0;
    int m_current = -1;
    qint64 m_currentId = 0;
    bool m_bound = false;
    bool m_syncing = false;
    bool m_changedByUser = false;
    bool m_dirty = true;
};
