#include "myListView.h"

#include "LibraryEntry.h"
#include "ModelDragPayload.h"

#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>

myListView::myListView(QWidget* parent) : QListView(parent)
{
    m_source = new QStandardItemModel(0, 1, this);
    m_proxy = new QSortFilterProxyModel(this);
    m_proxy->setSourceModel(m_source);
    m_proxy->setFilterKeyColumn(0);
    m_proxy->setFilterCaseSensitivity(Qt::CaseSensitive);
    setModel(m_proxy);
}

QList<QStandardItem*> myListView::selectedSourceItems() const
{
    QList<QStandardItem*> items;
    for (const QModelIndex& index : selectionModel()->selectedRows(0))
        if (QStandardItem* item = m_source->itemFromIndex(m_proxy->mapToSource(index)))
            items.append(item);
    return items;
}

void myListView::clear()
{
    m_source->removeRows(0, m_source->rowCount());
}

void myListView::addItem(QStandardItem* item)
{
    m_source->appendRow(item);
}

void myListView::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() != Qt::NoButton && startEntryDrag())
        return;
    QListView::mouseMoveEvent(event);
}

bool myListView::startEntryDrag()
{
    const QList<QStandardItem*> items = selectedSourceItems();
    if (items.isEmpty())
        return false;
    const quorvane::ModelDragPayload payload = quorvane::dragPayload(
        quorvane::libraryEntry(items.first()), items.first()->icon().pixmap(64, QIcon::Normal, QIcon::On));
    QMimeData* mime = quorvane::mimeData(payload);
    // The picture under the pointer: the entry's own, under a translucent blue veil.
    QPixmap veiled = payload.preview;
    {
        QPainter painter(&veiled);
        painter.fillRect(veiled.rect(), QColor(0, 0, 255, 85));
    }
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->setPixmap(veiled);
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    return true;
}
