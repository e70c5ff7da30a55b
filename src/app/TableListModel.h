#pragma once

#include "store/book/Book.h"

#include <QAbstractListModel>
#include <QVector>

#include <functional>

// A read-only list of the rows of one group of the book: their stored ids and
// names. Rows are read in batches: the first batch on reload(), further ones
// when the view scrolls to them (fetchMore) or a row beyond them is to be
// shown (ensureLoaded), so that a subgroup of 100,000 recipes is never read
// whole to be shown.
class TableListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    using Entry = RecipeBook::Book::Entry;
    struct Source
    {
        // Rows in the list.
        std::function<int()> count;
        // `count` rows from the 0-based row `from`.
        std::function<QVector<Entry>(int from, int count)> entries;
    };

    // Rows read at a time: more than the tallest list shows at once (about 36).
    static constexpr int Batch = 40;

    explicit TableListModel(QObject *parent = nullptr);

    void setSource(Source source);
    // Forgets what was read and asks the source again.
    void reload();
    // Reads rows until `row` is loaded (when the list has that many rows).
    void ensureLoaded(int row);
    // All rows of the list, loaded or not.
    int totalRows() const { return m_total; }
    // The id of the loaded row `row`; 0 outside them.
    qint64 idAt(int row) const;
    QString nameAt(int row) const;
    // The row of `id`, reading further batches until it is found; -1 when
    // the list does not hold it.
    int rowOf(qint64 id);
    // The first row named `name`, found as rowOf finds an id.
    int rowOfName(const QString &name);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

private:
    void loadUpTo(int rows);
    int find(const std::function<bool(const Entry &)> &match);

    Source m_source;
    QVector<Entry> m_entries;
    int m_total = 0;
};
