#include "core/TSetOptn1.h"

#include "core/TOrvane1.h"
#include "core/engine/MainWindowRules.h"

#include <QListWidget>
#include <QTabWidget>
#include <QVBoxLayout>

TSetOptn1 *SetOptn1 = nullptr;

TSetOptn1::TSetOptn1(QWidget *parent) : QDialog(parent)
{
    SetOptn1 = this;
    setObjectName("SetOptn1");
    setWindowTitle("Orvane Options");
    resize(332, 573);
    auto *layout = new QVBoxLayout(this);
    TabControl1 = new QTabWidget(this);
    TabControl1->setObjectName("TabControl1");
    layout->addWidget(TabControl1);
    TabItem1 = new QWidget(TabControl1);
    TabItem1->setObjectName("TabItem1");
    TabControl1->addTab(TabItem1, "Styles");
    auto *styles = new QVBoxLayout(TabItem1);
    ListBox1 = new QListWidget(TabItem1);
    ListBox1->setObjectName("ListBox1");
    ListBox1->setToolTip("Select Style for Window");
    ListBox1->setAccessibleName("Styles");
    ListBox1->addItems(orvane::StyleNames());
    styles->addWidget(ListBox1);
    if (Orvane1)
        Orvane1->OPTIONS_FLG = true;
}

TSetOptn1::~TSetOptn1()
{
    if (SetOptn1 == this)
        SetOptn1 = nullptr;
}

int TSetOptn1::SelectStyle(const QString &styleFileName)
{
    const QString base = styleFileName.left(qMax(0, styleFileName.size() - 6));
    for (int i = 0; i < ListBox1->count(); ++i) {
        if (ListBox1->item(i)->text() == base) {
            ListBox1->setCurrentRow(i);
            break;
        }
    }
    return ListBox1->currentRow();
}
