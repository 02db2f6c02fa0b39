// The Organize tab: the tree of photo albums, video lists and music lists,
// and the detail panel of the selected entry.
#include "core/TOrvane1.h"
#include "core/widgets/Controls.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

void TOrvane1::BuildOrganizeTab()
{
    auto *layout = new QHBoxLayout(TabOrganize);
    TreeView1 = makeControl<QTreeWidget>(TabOrganize, "TreeView1", "Albums and lists", QString());
    TreeView1->setHeaderHidden(true);
    layout->addWidget(TreeView1, 2);
    Panel9 = makeControl<QWidget>(TabOrganize, "Panel9", "Details", QString());
    auto *panel = new QVBoxLayout(Panel9);
    panel->addStretch();
    auto *buttons = new QHBoxLayout;
    auto button = [this, buttons](QToolButton *&slot, const char *name, const QString &caption, const QString &hint) {
        slot = makeControl<QToolButton>(Panel9, name, caption, hint);
        slot->setText(caption);
        buttons->addWidget(slot);
    };
    button(OrgNewBtn, "OrgNewBtn", "New", "Add New Photo Album or Play List");
    button(OrgSavBtn, "OrgSavBtn", "Save", "Save Photo Album or Play List");
    button(OrgAddBtn, "OrgAddBtn", "Add Media", "Add Files to Photo Album or Play List");
    button(OrgDelBtn, "OrgDelBtn", "Delete", "Delete Photo or File from Album or Play List");
    panel->addLayout(buttons);
    layout->addWidget(Panel9, 1);
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
}

void TOrvane1::LayoutOrganizePanel()
{
    // The detail fields of Panel9 follow its width as they are added.
}
