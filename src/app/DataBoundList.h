#pragma once

#include <QListView>

#include <functional>

class TableListModel;

// A list bound to a table: it shows the names of the table's view, its
// selected row is the table's current row (both ways), and it emits
// rowClicked() whenever the user changes the selected row, by the mouse or by
// the arrow keys, and when the user clicks the row that is already selected.
class DataBoundList : public QListView
{
    Q_OBJECT

public:
    struct Binding
    {
        // Rows in the table's view, and the names of `count` of them from
        // the 0-based row `from`.
        std::function<int()> count;
        std::function<QStringList(int from, int count)> names;
        // Whether the table may be walked now (no row edit in progress).
        std::function<bool()> readable;
        // 0-based current row of the view, -1 when there is none.
        std::function<int()> currentRow;
        std::function<void(int row)> setCurrentRow;
    };

    explicit DataBoundList(QWidget *parent = nullptr);

    void bind(Binding binding);
    // Shows nothing until bound again.
    void unbind();
    bool isBound() const { return m_bound; }
    TableListModel *listModel() const { return m_model; }

    // Reads the table's view again when it has changed since the last
    // reading, and selects its current row. Emits nothing.
    void refresh();
    // The table's rows have changed; the next refresh() reads them again.
    void markDirty() { m_dirty = true; }
    // Selects the table's current row again without reloading the names, and
    // with `scroll` brings it into view.
    void syncCurrentRow(bool scroll = true);

Q_SIGNALS:
    void rowClicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    // Taking the focus never moves the table's current row.
    void focusInEvent(QFocusEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    TableListModel *m_model = nullptr;
    Binding m_binding;
    bool m_bound = false;
    bool m_syncing = false;
    bool m_changedByUser = false;
    bool m_dirty = true;
};
