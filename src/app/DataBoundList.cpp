#include "app/DataBoundList.h"

#include "app/TableListModel.h"

#include <QMouseEvent>

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

void DataBoundList::bind(Binding binding)
{
    m_binding = std::move(binding);
    m_bound = true;
    m_syncing = true;
    m_model->setSource({m_binding.count, m_binding.names, m_binding.readable});
    m_syncing = false;
    m_dirty = false;
    syncCurrentRow();
}

void DataBoundList::unbind()
{
    m_bound = false;
    m_dirty = true;
    m_syncing = true;
    m_model->setSource({});
    m_syncing = false;
}

void DataBoundList::refresh()
{
    if (!m_bound)
        return;
    if (m_dirty && (!m_binding.readable || m_binding.readable())) {
        m_dirty = false;
        m_syncing = true;
        m_model->reload();
        m_syncing = false;
    }
    syncCurrentRow();
}

void DataBoundList::syncCurrentRow(bool scroll)
{
    if (!m_bound)
        return;
    const int row = m_binding.currentRow ? m_binding.currentRow() : -1;
    m_syncing = true;
    if (row >= 0)
        m_model->ensureLoaded(row);
    if (row >= 0 && row < m_model->rowCount()) {
        const QModelIndex index = m_model->index(row);
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
    if (m_binding.setCurrentRow)
        m_binding.setCurrentRow(current.row());
    m_changedByUser = true;
    Q_EMIT rowClicked();
}
