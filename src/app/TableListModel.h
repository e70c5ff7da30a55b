#pragma once

#include <QAbstractListModel>
#include <QStringList>

#include <functional>

// A read-only list of the names in a table's current (filtered) view. Names
// are read in batches: the first batch on reload(), further ones when the view
// scrolls to them (fetchMore) or a row beyond them is to be shown
// (ensureLoaded). Reading happens only at those moments, when walking the
// table cannot disturb an operation that is walking it itself.
class TableListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    struct Source
    {
        // Rows in the view; 0 when the table is closed.
        std::function<int()> count;
        // The names of `count` rows of the view from the 0-based row `from`.
        std::function<QStringList(int from, int count)> names;
        // Whether the table may be walked now (no row edit in progress).
        std::function<bool()> readable;
    };

    // Rows read at a time: more than the tallest list shows at once (about 36).
    static constexpr int Batch = 40;

    explicit TableListModel(QObject *parent = nullptr);

    void setSource(Source source);
    // Forgets what the view showed and asks the source again.
    void reload();
    // Reads names until `row` is loaded (when the view has that many rows).
    void ensureLoaded(int row);
    // All rows of the view, loaded or not.
    int totalRows() const { return m_total; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

private:
    bool readable() const;
    void loadUpTo(int rows);

    Source m_source;
    QStringList m_names;
    int m_total = 0;
};
