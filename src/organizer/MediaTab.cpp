// The MultiMedia tab: the player view (or the picture of a music list's photo
// show) and the tree of video and music lists.
#include "core/TOrvane1.h"
#include "core/widgets/Controls.h"
#include "core/widgets/ImageControl.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

void TOrvane1::BuildMediaTab()
{
    auto *layout = new QHBoxLayout(TabMedia);
    auto *viewArea = new QVBoxLayout;
    MediaPlayerControl2 = makeControl<QWidget>(TabMedia, "MediaPlayerControl2", "Video", QString());
    MediaPlayerControl2->setMinimumSize(320, 240);
    MediaPlayerControl2->setStyleSheet("background-color: black;");
    viewArea->addWidget(MediaPlayerControl2, 1);
    Image11 = makeControl<TImage>(TabMedia, "Image11", "Photo show", QString());
    Image11->hide();
    viewArea->addWidget(Image11, 1);
    layout->addLayout(viewArea, 3);
    auto *side = new QVBoxLayout;
    TreeView3 = makeControl<QTreeWidget>(TabMedia, "TreeView3", "Media lists", QString());
    TreeView3->setHeaderHidden(true);
    side->addWidget(TreeView3, 2);
    ListBox12 = makeControl<QListWidget>(TabMedia, "ListBox12", "Transitions", "Select Transition for Photo Show");
    side->addWidget(ListBox12, 1);
    CMBTIME2 = makeControl<QComboBox>(TabMedia, "CMBTIME2", "Time per photo", "Select Time for Photo to Show");
    CMBTIME2->addItems({"3 Seconds", "4 Seconds", "5 Seconds", "6 Seconds", "7 Seconds", "8 Seconds", "9 Seconds",
                        "10 Seconds", "15 Seconds", "30 Seconds"});
    side->addWidget(CMBTIME2);
    layout->addLayout(side, 1);
}
