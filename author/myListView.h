// The model library list: entries in scan order behind a case-sensitive name filter; dragging an
// entry carries it to a marker button ("application/modeldata").
#pragma once

#include <QList>
#include <QListView>

class QSortFilterProxyModel;
class QStandardItem;
class QStandardItemModel;

class myListView : public QListView
{
    Q_OBJECT
public:
    explicit myListView(QWidget* parent = nullptr);

    QStandardItemModel* sourceModel() const { return m_source; }
    QSortFilterProxyModel* proxy() const { return m_proxy; }
    // The source items of the selected rows, in selection order.
    QList<QStandardItem*> selectedSourceItems() const;

public slots:
    void clear();
    // Appends an entry; the list takes ownership.
    void addItem(QStandardItem* item);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    // Drags the first selected entry; false when nothing is selected.
    bool startEntryDrag();

    QStandardItemModel* m_source;
    QSortFilterProxyModel* m_proxy;
};
