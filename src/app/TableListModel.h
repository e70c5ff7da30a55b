#pragma once

#include <QAbstractListModel>

#include <QStringList>

#include <functional>

// A read-only list of the names in a table's current (filtered) view. The names
// are taken from the source on reload(), at a moment when reading the table
// cannot disturb an operation that is walking it.
class TableListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    // The names of the view's rows in order; none when the table is closed.
    using Source = std::function<QStringList()>;

    explicit TableListModel(QObject *parent = nullptr);

    void setSource(Source source);
    // Forgets what the view showed and asks the source again.
    void reload();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    Source m_source;
    QStringList m_names;
};
