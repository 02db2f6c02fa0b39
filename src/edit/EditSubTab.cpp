// The Edit sub-tab: rotation, resizing and flipping, and the filter lists with
// the parameter rows of the chosen filter.
#include "core/TOrvane1.h"
#include "core/engine/Routines.h"
#include "core/widgets/Controls.h"
#include "core/widgets/ImageControl.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSlider>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

void TOrvane1::BuildEditSubTab()
{
    // Edit sub-tab: rotation, the filter lists and the parameter rows.
    auto *editLayout = new QVBoxLayout(TabItem6);
    Panel10 = makeControl<QWidget>(TabItem6, "Panel10", "Panel10", QString());
    auto *panelLayout = new QVBoxLayout(Panel10);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    auto *rotateRow = new QHBoxLayout;
    auto *rotateLabel = new QLabel("Rotate", Panel10);
    TrackBar1 = makeControl<QSlider>(Panel10, "TrackBar1", "Rotate", "Rotate Photo", Qt::Horizontal);
    TrackBar1->setRange(0, 360);
    rotateLabel->setBuddy(TrackBar1);
    rotateRow->addWidget(rotateLabel);
    rotateRow->addWidget(TrackBar1, 1);
    MoveBtn = makeControl<QToolButton>(Panel10, "MoveBtn", "Right", "Move Edit Tools to the other Side");
    MoveBtn->setText("Right");
    rotateRow->addWidget(MoveBtn);
    panelLayout->addLayout(rotateRow);
    auto *lists = new QHBoxLayout;
    ListBox1 = makeControl<QListWidget>(Panel10, "ListBox1", "Filter categories", "Select Filter Category");
    ListBox2 = makeControl<QListWidget>(Panel10, "ListBox2", "Filters", "Select Filter");
    ListBox1->setSortingEnabled(true);
    ListBox2->setSortingEnabled(true);
    lists->addWidget(ListBox1);
    lists->addSpacing(3);
    lists->addWidget(ListBox2);
    lists->addStretch();
    panelLayout->addLayout(lists, 1);
    editLayout->addWidget(Panel10, 1);
    Layout1 = makeControl<QWidget>(TabItem6, "Layout1", "Layout1", QString());
    auto *paramLayout = new QVBoxLayout(Layout1);
    paramLayout->setContentsMargins(0, 0, 0, 0);
    ListBox3 = makeControl<QListWidget>(Layout1, "ListBox3", "Filter settings", QString());
    paramLayout->addWidget(ListBox3);
    editLayout->addWidget(Layout1, 1);
}
