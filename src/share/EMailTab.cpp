// The Cloud / EMail tab: the mail panel with its own toolbar, and the cloud
// services' tab control.
#include "core/TOrvane1.h"
#include "core/widgets/Controls.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

void TOrvane1::BuildEMailTab()
{
    auto *layout = new QHBoxLayout(TabEMail);
    PanelEM = makeControl<QWidget>(TabEMail, "PanelEM", "Mail", QString());
    auto *mail = new QVBoxLayout(PanelEM);
    ToolBar3 = new QToolBar("ToolBar3", PanelEM);
    ToolBar3->setObjectName("ToolBar3");
    auto tool = [this](QToolButton *&slot, const char *name, const QString &caption, const QString &hint) {
        slot = makeControl<QToolButton>(ToolBar3, name, caption, hint);
        slot->setText(caption);
        ToolBar3->addWidget(slot);
    };
    tool(ViewBtn, "ViewBtn", "View", "View Message");
    tool(DownLoadBtn, "DownLoadBtn", "Download", "Download Orvane");
    connect(DownLoadBtn, &QToolButton::clicked, this, &TOrvane1::DownLoadBtnClick);
    ToolBar3->hide();
    mail->addWidget(ToolBar3);
    Label36 = makeControl<QLabel>(PanelEM, "Label36", "Label36", QString());
    Label36->setText("Download 32bit Orvane to Resolve 64 bit SSL Library Problem & MediaPlayer Plays more MP4s etc. ");
    Label36->hide();
    mail->addWidget(Label36);
    StringGrid4 = makeControl<QTableWidget>(PanelEM, "StringGrid4", "Messages", QString());
    StringGrid4->setColumnCount(3);
    StringGrid4->setHorizontalHeaderLabels({"From", "Subject", "Date"});
    mail->addWidget(StringGrid4, 1);
    Panel3 = makeControl<QWidget>(PanelEM, "Panel3", "Message", QString());
    auto *form = new QFormLayout(Panel3);
    Edit15 = makeControl<QLineEdit>(Panel3, "Edit15", "From", QString());
    Edit18 = makeControl<QLineEdit>(Panel3, "Edit18", "To", QString());
    form->addRow("From", Edit15);
    form->addRow("To", Edit18);
    mail->addWidget(Panel3, 1);
    layout->addWidget(PanelEM, 1);

    TabControl3 = makeControl<QTabWidget>(TabEMail, "TabControl3", "Cloud services", QString());
    auto cloudTab = [this](const QString &caption, QTreeWidget *&upper, const char *upperName, QTreeWidget *&lower,
                           const char *lowerName) {
        auto *page = new QWidget(TabControl3);
        auto *pageLayout = new QVBoxLayout(page);
        upper = makeControl<QTreeWidget>(page, upperName, QString::fromLatin1(upperName), QString());
        lower = makeControl<QTreeWidget>(page, lowerName, QString::fromLatin1(lowerName), QString());
        pageLayout->addWidget(upper, 1);
        pageLayout->addWidget(lower, 1);
        TabControl3->addTab(page, caption);
    };
    cloudTab("Google Photos", ListVewAlbs, "ListVewAlbs", ListVewPhots, "ListVewPhots");
    cloudTab("Flickr", ListVewSets, "ListVewSets", ListVewPhots2, "ListVewPhots2");
    layout->addWidget(TabControl3, 1);
}

void TOrvane1::SetMailGridColumns()
{
    StringGrid4->setColumnWidth(0, 100);
    StringGrid4->setColumnWidth(1, 200);
    StringGrid4->setColumnWidth(2, 200);
}

void TOrvane1::LayoutMailPanel()
{
    // The message edits follow the width of the mail panel.
    const int w = qMax(60, Panel3->width() - 125);
    for (QLineEdit *edit : {Edit15, Edit18})
        edit->setFixedWidth(w);
}
