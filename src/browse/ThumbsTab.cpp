// The ThumbNails tab: the thumbnail list of one folder (or album or slide
// show) and the three choice boxes above it.
#include "core/TOrvane1.h"
#include "core/widgets/Controls.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

void TOrvane1::BuildThumbsTab()
{
    auto *layout = new QVBoxLayout(TabThumbs);
    auto *choices = new QHBoxLayout;
    CMBFILTER = makeControl<QComboBox>(TabThumbs, "CMBFILTER", "Picture types", "Select Picture Types to Show");
    CMBFAVORITES = makeControl<QComboBox>(TabThumbs, "CMBFAVORITES", "Photo albums", "Select Photo Album to Show");
    CMBSLSTHM = makeControl<QComboBox>(TabThumbs, "CMBSLSTHM", "Slide shows", "Select Slide Show to Show");
    for (QComboBox *box : {CMBFILTER, CMBFAVORITES, CMBSLSTHM}) {
        box->setMinimumWidth(180);
        choices->addWidget(box, 1);
    }
    layout->addLayout(choices);
    ListBox7 = makeControl<QListWidget>(TabThumbs, "ListBox7", "Thumbnails", QString());
    ListBox7->setViewMode(QListView::IconMode);
    ListBox7->setResizeMode(QListView::Adjust);
    ListBox7->setMovement(QListView::Static);
    ListBox7->setUniformItemSizes(true);
    ListBox7->setSpacing(0);
    ListBox7->setGridSize(QSize(150, 102));
    layout->addWidget(ListBox7, 1);
}
