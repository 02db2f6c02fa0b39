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
    BuildQuickAdjustments();
}

void TOrvane1::LayoutBatchPanel()
{
    // Widths and heights follow Panel4; they are upper bounds, so that the
    // panel's layout never keeps the window from shrinking.
    if (!Panel4)
        return;
    const int pw = Panel4->width(), ph = Panel4->height();
    if (Panel6) {
        Panel6->setMaximumWidth(qMax(160, pw - 200));
        const int slider = qMax(60, Panel6->maximumWidth() - 70);
        for (const char *name : {"TrackBar6", "TrackBar7", "TrackBar8", "TrackBar9", "LabelBright", "LabelContrast",
                                 "LabelHue", "LabelBlur"})
            if (QWidget *w = Panel6->findChild<QWidget *>(name))
                w->setMaximumWidth(slider);
    }
    if (QWidget *panel7 = Panel4->findChild<QWidget *>("Panel7"))
        panel7->setMaximumWidth(qMax(160, pw - 400));
    if (QWidget *preview = Panel4->findChild<QWidget *>("Image5"))
        preview->setMaximumSize(qMax(80, pw - 20), qMax(120, ph - 400));
}
