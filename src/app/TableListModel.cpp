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

bool TableListModel::readable() const
{
    return m_source.count && m_source.names && (!m_source.readable || m_source.readable());
}

void TableListModel::reload()
{
    int total = 0;
    QStringList names;
    if (m_source.count && m_source.names) {
        total = m_source.count();
        const int wanted = std::min(total, std::max(Batch, int(m_names.size())));
        if (wanted > 0)
            names = m_source.names(0, wanted);
    }
    if (total == m_total && names == m_names)
        return;
    beginResetModel();
    m_total = total;
    m_names = std::move(names);
    endResetModel();
}

void TableListModel::loadUpTo(int rows)
{
    rows = std::min(rows, m_total);
    const int from = int(m_names.size());
    if (rows <= from || !readable())
        return;
    const QStringList more = m_source.names(from, rows - from);
    if (more.isEmpty())
        return;
    beginInsertRows(QModelIndex(), from, from + int(more.size()) - 1);
    m_names.append(more);
    endInsertRows();
}

void TableListModel::ensureLoaded(int row)
{
    if (row >= m_names.size())
        loadUpTo(row + Batch);
}

int TableListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_names.size());
}

QVariant TableListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_names.size())
        return {};
    if (role == Qt::DisplayRole)
        return m_names.at(index.row());
    return {};
}

bool TableListModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_names.size() < m_total;
}

void TableListModel::fetchMore(const QModelIndex &parent)
{
    if (!parent.isValid())
        loadUpTo(int(m_names.size()) + Batch);
}
