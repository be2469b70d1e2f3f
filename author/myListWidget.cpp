#include "myListWidget.h"

#include "myListView.h"
#include "ui_myListWidget.h"

#include <QSortFilterProxyModel>

myListWidget::myListWidget(QWidget* parent) : QWidget(parent), ui(new Ui::myListWidget)
{
    ui->setupUi(this);
    m_view = new myListView(this);
    ui->mainLayout->insertWidget(0, m_view);
    connect(ui->lineEdit_filtro, &QLineEdit::textChanged, this, &myListWidget::onNewFilterText);
    connect(ui->toolButton, &QToolButton::clicked, ui->lineEdit_filtro, &QLineEdit::clear);
}

myListWidget::~myListWidget()
{
    delete ui;
}

QList<QStandardItem*> myListWidget::selectedItems() const
{
    return m_view->selectedSourceItems();
}

void myListWidget::onNewFilterText(const QString& text)
{
    m_view->proxy()->setFilterFixedString(text);
}
