#include "app/DataBoundList.h"

#include "app/TableListModel.h"

#include <QMouseEvent>

#include <algorithm>

DataBoundList::DataBoundList(QWidget *parent)
    : QListView(parent)
    , m_model(new TableListModel(this))
{
    setModel(m_model);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
}

void DataBoundList::bind(qint64 parentId, Binding binding)
{
    m_binding = std::move(binding);
    m_parentId = parentId;
    m_bound = true;
    m_syncing = true;
    m_model->setSource(m_binding);
    m_syncing = false;
    m_dirty = false;
    m_current = -1;
    m_currentId = 0;
    moveCurrent(0, true);
}

void DataBoundList::unbind()
{
    m_bound = false;
    m_dirty = true;
    m_syncing = true;
    m_model->setSource({});
    m_syncing = false;
    moveCurrent(-1, true);
}

int DataBoundList::count() const
{
    return m_bound ? m_model->totalRows() : 0;
}

QString DataBoundList::currentName() const
{
    return m_model->nameAt(m_current);
}

void DataBoundList::moveCurrent(int row, bool announce)
{
    row = std::min(row, count() - 1);
    if (row >= 0)
        m_model->ensureLoaded(row);
    const qint64 id = m_model->idAt(row);
    const bool moved = announce || id != m_currentId || row != m_current;
    m_current = id ? row : -1;
    m_currentId = id;
    syncCurrentRow();
    if (moved)
        Q_EMIT currentMoved();
}

bool DataBoundList::setCurrentId(qint64 id)
{
    return m_bound && moveToFound(m_model->rowOf(id));
}

bool DataBoundList::setCurrentName(const QString &name)
{
    return m_bound && moveToFound(m_model->rowOfName(name));
}

bool DataBoundList::moveToFound(int row)
{
    if (row < 0)
        return false;
    moveCurrent(row);
    return true;
}

void DataBoundList::setCurrentRow(int row)
{
    if (m_bound)
        moveCurrent(std::max(row, 0));
}

void DataBoundList::refresh()
{
    if (!m_bound)
        return;
    if (m_dirty) {
        m_dirty = false;
        m_syncing = true;
        m_model->reload();
        m_syncing = false;
        const int row = m_model->rowOf(m_currentId);
        moveCurrent(row >= 0 ? row : std::max(m_current, 0));
        return;
    }
    syncCurrentRow();
}

void DataBoundList::syncCurrentRow(bool scroll)
{
    m_syncing = true;
    if (m_bound && m_current >= 0 && m_current < m_model->rowCount()) {
        const QModelIndex index = m_model->index(m_current);
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        if (scroll)
            scrollTo(index);
    } else {
        selectionModel()->clear();
    }
    m_syncing = false;
}

void DataBoundList::mousePressEvent(QMouseEvent *event)
{
    const QModelIndex before = currentIndex();
    m_changedByUser = false;
    QListView::mousePressEvent(event);
    // A click on the row that is already selected still counts as a click.
    if (!m_changedByUser && event->button() == Qt::LeftButton && m_bound) {
        const QModelIndex at = indexAt(event->position().toPoint());
        if (at.isValid() && at == before)
            Q_EMIT rowClicked();
    }
}

void DataBoundList::focusInEvent(QFocusEvent *event)
{
    m_syncing = true;
    QListView::focusInEvent(event);
    m_syncing = false;
    // The focus comes before the press of the click that gave it: scrolling
    // to the current row now would put another row under the mouse.
    syncCurrentRow(event->reason() != Qt::MouseFocusReason);
}

void DataBoundList::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QListView::currentChanged(current, previous);
    if (m_syncing || !m_bound || !current.isValid())
        return;
    if (!m_mayMove || m_mayMove())
        moveCurrent(current.row());
    else
        syncCurrentRow();
    m_changedByUser = true;
    Q_EMIT rowClicked();
}
