#include "core/TSetOptn1.h"

#include "core/TOrvane1.h"
#include "core/engine/MainWindowRules.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
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
    BuildOptionsTab();
    BuildEMailTab();
    if (Orvane1) {
        Orvane1->OPTIONS_FLG = true;
        CHKVERTGRID->setChecked(Orvane1->VGRIDLINES_FLG);
        CHKHORZGRID->setChecked(Orvane1->HGRIDLINES_FLG);
    }
    TabControl1->setCurrentWidget(TabItem2);
}

namespace {

QLineEdit *makeEdit(QWidget *parent, const char *name, const QString &accessibleName)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setAccessibleName(accessibleName);
    return e;
}

QCheckBox *makeCheck(QWidget *parent, const char *name, const QString &caption)
{
    auto *c = new QCheckBox(caption, parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setAccessibleName(caption);
    return c;
}

QComboBox *makeCombo(QWidget *parent, const char *name, const QString &accessibleName)
{
    auto *c = new QComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setAccessibleName(accessibleName);
    return c;
}

} // namespace

void TSetOptn1::BuildOptionsTab()
{
    TabItem2 = new QWidget(TabControl1);
    TabItem2->setObjectName("TabItem2");
    TabControl1->addTab(TabItem2, "Options");
    auto *form = new QFormLayout(TabItem2);
    form->setRowWrapPolicy(QFormLayout::WrapAllRows);
    Edit14 = makeEdit(TabItem2, "Edit14", "Startup ThumbNail Folder:");
    form->addRow("Startup ThumbNail Folder:", Edit14);
    CMBSLS = makeCombo(TabItem2, "CMBSLS", "Startup Slide Show:");
    form->addRow("Startup Slide Show:", CMBSLS);
    CMBPHOTOALB = makeCombo(TabItem2, "CMBPHOTOALB", "Startup Photo Album:");
    form->addRow("Startup Photo Album:", CMBPHOTOALB);
    Edit12 = makeEdit(TabItem2, "Edit12", "Save Phone Photos To Folder:");
    form->addRow("Save Phone Photos To Folder:", Edit12);
    CHKRMTSAVE = makeCheck(TabItem2, "CHKRMTSAVE", "Automatically Save Transfered Files to above Location");
    form->addRow(CHKRMTSAVE);
    Edit13 = makeEdit(TabItem2, "Edit13", "Enter User Name Visible to other Users");
    Edit13->setToolTip("Enter User Name Visible to other Users");
    form->addRow("Enter User Name Visible to other Users", Edit13);
    CHKQKSTOF = makeCheck(TabItem2, "CHKQKSTOF", "Do Not Display Quick Start Window on Start Up.");
    form->addRow(CHKQKSTOF);
    form->addRow(new QLabel("Double Click Folder Fields for Dialog Box to Locate.", TabItem2));
}

void TSetOptn1::BuildEMailTab()
{
    TabItem3 = new QWidget(TabControl1);
    TabItem3->setObjectName("TabItem3");
    const int index = TabControl1->addTab(TabItem3, "EMail");
    auto *form = new QFormLayout(TabItem3);
    form->setRowWrapPolicy(QFormLayout::WrapAllRows);
    Edit1 = makeEdit(TabItem3, "Edit1", "From EMail Address:");
    form->addRow("From EMail Address:", Edit1);
    QLineEdit **to[] = {&Edit2, &Edit3, &Edit4, &Edit5, &Edit6, &Edit7, &Edit8, &Edit9, &Edit10, &Edit11};
    for (int i = 0; i < 10; ++i) {
        const QByteArray name = "Edit" + QByteArray::number(i + 2);
        *to[i] = makeEdit(TabItem3, name.constData(), QStringLiteral("To EMail Address %1").arg(i + 1));
        if (i == 0)
            form->addRow("To EMail Addresses:", *to[i]);
        else
            form->addRow(*to[i]);
    }
    CHKTOEMAIL = makeCheck(TabItem3, "CHKTOEMAIL", "Automatically Fill To EMail Address with above Addresses");
    form->addRow(CHKTOEMAIL);
    CHKHORZGRID = makeCheck(TabItem3, "CHKHORZGRID", "Use Horizontal Grid Lines");
    CHKVERTGRID = makeCheck(TabItem3, "CHKVERTGRID", "Use Vertical Grid Lines");
    form->addRow(CHKHORZGRID);
    form->addRow(CHKVERTGRID);
    CHKHORZGRID->hide();
    CHKVERTGRID->hide();
    TabControl1->setTabVisible(index, false);
}

QList<QLineEdit *> TSetOptn1::ToAddressEdits() const
{
    return {Edit2, Edit3, Edit4, Edit5, Edit6, Edit7, Edit8, Edit9, Edit10, Edit11};
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
