#include "app/TableListModel.h"

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
    QStringList names = m_source ? m_source() : QStringList();
    if (names == m_names)
        return;
    beginResetModel();
    m_names = std::move(names);
    endResetModel();
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
