#include "app/TableListModel.h"

#include <algorithm>

TableListModel::TableListModel(QObject *parent)
    : QAbstractListModel(parent)
{
}

void TableListModel::setSource(Source source)
{
    m_source = std::move(source);
    reload();
}

void TableListModel::reload()
{
    int total = 0;
    QVector<Entry> entries;
    if (m_source.count && m_source.entries) {
        total = m_source.count();
        const int wanted = std::min(total, std::max(Batch, int(m_entries.size())));
        if (wanted > 0)
            entries = m_source.entries(0, wanted);
    }
    if (total == m_total && entries == m_entries)
        return;
    beginResetModel();
    m_total = total;
    m_entries = std::move(entries);
    endResetModel();
}

void TableListModel::loadUpTo(int rows)
{
    rows = std::min(rows, m_total);
    const int from = int(m_entries.size());
    if (rows <= from || !m_source.entries)
        return;
    const QVector<Entry> more = m_source.entries(from, rows - from);
    if (more.isEmpty())
        return;
    beginInsertRows(QModelIndex(), from, from + int(more.size()) - 1);
    m_entries.append(more);
    endInsertRows();
}

void TableListModel::ensureLoaded(int row)
{
    if (row >= m_entries.size())
        loadUpTo(row + Batch);
}

qint64 TableListModel::idAt(int row) const
{
    return row >= 0 && row < m_entries.size() ? m_entries.at(row).id : 0;
}

QString TableListModel::nameAt(int row) const
{
    return row >= 0 && row < m_entries.size() ? m_entries.at(row).name : QString();
}

int TableListModel::rowOf(qint64 id)
{
    return id == 0 ? -1 : find([id](const Entry &e) { return e.id == id; });
}

int TableListModel::rowOfName(const QString &name)
{
    return name.isEmpty() ? -1 : find([&name](const Entry &e) { return e.name == name; });
}

int TableListModel::find(const std::function<bool(const Entry &)> &match)
{
    for (int row = 0;; ++row) {
        if (row >= m_entries.size()) {
            // Batches that grow with the rows passed.
            const qsizetype before = m_entries.size();
            loadUpTo(std::max(row + Batch, 2 * row));
            if (m_entries.size() == before)
                return -1;
        }
        if (match(m_entries.at(row)))
            return row;
    }
}

int TableListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

QVariant TableListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_entries.size())
        return {};
    if (role == Qt::DisplayRole)
        return m_entries.at(index.row()).name;
    return {};
}

bool TableListModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_entries.size() < m_total;
}

void TableListModel::fetchMore(const QModelIndex &parent)
{
    if (!parent.isValid())
        loadUpTo(int(m_entries.size()) + Batch);
}
