// The library panel: the list of entries with a filter line and a broom that clears it.
#pragma once

#include <QList>
#include <QWidget>

class QStandardItem;
class myListView;

namespace Ui {
class myListWidget;
}

class myListWidget : public QWidget
{
    Q_OBJECT
public:
    explicit myListWidget(QWidget* parent = nullptr);
    ~myListWidget() override;

    myListView* listView() const { return m_view; }
    // The source items of the selected entries, in selection order.
    QList<QStandardItem*> selectedItems() const;
    Ui::myListWidget* form() const { return ui; }

public slots:
    void onNewFilterText(const QString& text);

private:
    Ui::myListWidget* ui;
    myListView* m_view;
};
