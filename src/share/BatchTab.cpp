// The Batch tab: the list of files to work through and the batch panel.
#include "core/TOrvane1.h"
#include "core/widgets/Controls.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QRadioButton>
#include <QVBoxLayout>

void TOrvane1::BuildBatchTab()
{
    auto *layout = new QHBoxLayout(TabBatch);
    ListBox11 = makeControl<QListWidget>(TabBatch, "ListBox11", "Batch files", QString());
    layout->addWidget(ListBox11, 1);
    Panel4 = makeControl<QWidget>(TabBatch, "Panel4", "Batch", QString());
    auto *panel = new QVBoxLayout(Panel4);
    auto *mode = new QGroupBox("Mode", Panel4);
    mode->setObjectName("RDBTMODE");
    auto *modeLayout = new QVBoxLayout(mode);
    RDBTCOPY = makeControl<QRadioButton>(mode, "RDBTCOPY", "Copy", QString(), "Copy");
    modeLayout->addWidget(RDBTCOPY);
    panel->addWidget(mode);
    auto *html = new QGroupBox("HTML", Panel4);
    auto *htmlLayout = new QFormLayout(html);
    RDUSE1 = makeControl<QRadioButton>(html, "RDUSE1", "Local Computer", QString(), "Local Computer");
    htmlLayout->addRow(RDUSE1);
    Edit6 = makeControl<QLineEdit>(html, "Edit6", "Picture width", QString());
    Edit5 = makeControl<QLineEdit>(html, "Edit5", "Picture height", QString());
    htmlLayout->addRow("Width", Edit6);
    htmlLayout->addRow("Height", Edit5);
    panel->addWidget(html);
    panel->addStretch();
    layout->addWidget(Panel4, 1);
    PopupMenu5 = new QMenu(this);
    PopupMenu5->setObjectName("PopupMenu5");
}

void TOrvane1::LayoutBatchPanel()
{
    // The quick adjustment panel and the batch previews are laid out here as
    // they are added to the panel.
}
