// The Edit tab: the working picture in its scroll box and the tool panel with
// the sub-tabs Edit, Draw, Shapes, Text and Merge. The hidden picture slots
// (opened, previous, stroke snapshot) live here too.
#include "core/TOrvane1.h"
#include "core/engine/Routines.h"
#include "core/widgets/Controls.h"
#include "core/widgets/ImageControl.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QSlider>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

void TOrvane1::BuildEditTab()
{
    auto *layout = new QHBoxLayout(TabEdit);
    layout->setContentsMargins(2, 2, 2, 2);
    ScrollBox1 = makeControl<QScrollArea>(TabEdit, "ScrollBox1", "Picture", QString());
    ScrollBox1->setWidgetResizable(true);
    ScrollBox1->setAlignment(Qt::AlignCenter);
    auto *canvas = new QWidget;
    canvas->setObjectName("ScrollBox1Content");
    auto *canvasLayout = new QVBoxLayout(canvas);
    canvasLayout->setAlignment(Qt::AlignCenter);
    Image1 = makeControl<TImage>(canvas, "Image1", "Working picture", QString());
    Image1->setMinimumWidth(120);
    Image1->setAcceptFiles(true);
    canvasLayout->addWidget(Image1);
    ScrollBox1->setWidget(canvas);
    layout->addWidget(ScrollBox1, 3);

    // Hidden picture slots.
    Image2 = makeControl<TImage>(TabEdit, "Image2", "Opened picture", QString());
    Image3 = makeControl<TImage>(TabEdit, "Image3", "Previous picture", QString());
    Image6 = makeControl<TImage>(TabEdit, "Image6", "Stroke snapshot", QString());
    for (TImage *hidden : {Image2, Image3, Image6})
        hidden->hide();

    Splitter4 = makeControl<QFrame>(TabEdit, "Splitter4", "Splitter4", QString());
    Splitter4->setFrameShape(QFrame::VLine);
    Splitter4->setCursor(Qt::SplitHCursor);
    layout->addWidget(Splitter4);

    TabControl2 = makeControl<QTabWidget>(TabEdit, "TabControl2", "Edit tools", QString());
    TabControl2->setMinimumWidth(320);
    layout->addWidget(TabControl2, 2);
    auto tab = [this](QWidget *&slot, const char *name, const QString &caption) {
        slot = new QWidget(TabControl2);
        slot->setObjectName(QString::fromLatin1(name));
        slot->setAccessibleName(caption);
        TabControl2->addTab(slot, caption);
    };
    tab(TabItem6, "TabItem6", "Edit");
    tab(TabItem7, "TabItem7", "Draw");
    tab(TabItem8, "TabItem8", "Shapes");
    tab(TabItem9, "TabItem9", "Text");
    tab(TabItem10, "TabItem10", "Merge");

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

    // Draw sub-tab: filled in by the drawing tools.
    new QVBoxLayout(TabItem7);

    // Shapes sub-tab.
    auto *shapesLayout = new QVBoxLayout(TabItem8);
    ListBox8 = makeControl<QListWidget>(TabItem8, "ListBox8", "Shapes", "Select Shape to Add to Photo");
    ListBox8->setFixedWidth(250);
    shapesLayout->addWidget(ListBox8, 1);
    Image7 = makeControl<TImage>(TabItem8, "Image7", "Shape preview", QString());
    Image7->setFixedSize(90, 90);
    shapesLayout->addWidget(Image7);

    // Text sub-tab.
    auto *textLayout = new QVBoxLayout(TabItem9);
    Memo1 = makeControl<QPlainTextEdit>(TabItem9, "Memo1", "Text", "Text to Add to Photo");
    textLayout->addWidget(Memo1, 1);

    // Merge sub-tab.
    auto *mergeLayout = new QVBoxLayout(TabItem10);
    Image8 = makeControl<TImage>(TabItem10, "Image8", "Merge source", QString());
    Image9 = makeControl<TImage>(TabItem10, "Image9", "Merge area", QString());
    mergeLayout->addWidget(Image8, 1);
    mergeLayout->addWidget(Image9, 1);

    // The picture menu.
    PopupMenu4 = new QMenu(this);
    PopupMenu4->setObjectName("PopupMenu4");
}

void TOrvane1::ResizePanel10()
{
    if (!Panel10 || !ListBox1 || !ListBox2)
        return;
    // Panel10 splits its width between the two filter lists.
    const int w = static_cast<int>(orvane::RoundHalfEven(Panel10->width() / 2.92));
    if (w > 20) {
        ListBox1->setFixedWidth(w);
        ListBox2->setFixedWidth(w);
    }
}
