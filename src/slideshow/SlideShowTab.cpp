// The Slide Show tab: the tree of slide shows and the settings panel.
#include "core/TOrvane1.h"
#include "core/widgets/Controls.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMenu>
#include <QTreeWidget>
#include <QVBoxLayout>

void TOrvane1::BuildSlideShowTab()
{
    auto *layout = new QHBoxLayout(TabSlideShow);
    TreeView2 = makeControl<QTreeWidget>(TabSlideShow, "TreeView2", "Slide shows", QString());
    TreeView2->setHeaderHidden(true);
    layout->addWidget(TreeView2, 1);
    Panel1 = makeControl<QWidget>(TabSlideShow, "Panel1", "Slide show settings", QString());
    auto *panel = new QVBoxLayout(Panel1);
    CMBSLS = makeControl<QComboBox>(Panel1, "CMBSLS", "Slide show", "Select Slide Show");
    panel->addWidget(CMBSLS);
    ListBox4 = makeControl<QListWidget>(Panel1, "ListBox4", "Transitions", "Select Transition for Picture");
    panel->addWidget(ListBox4, 1);
    layout->addWidget(Panel1);
    Panel1->setFixedWidth(350);
    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName("PopupMenu2");
    PopupMenu3 = new QMenu(this);
    PopupMenu3->setObjectName("PopupMenu3");
}
