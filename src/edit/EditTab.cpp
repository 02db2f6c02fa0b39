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

    BuildEditSubTab();
    BuildDrawSubTab();
    BuildShapesSubTab();
    BuildTextSubTab();
    BuildMergeSubTab();

    connect(MoveBtn, &QToolButton::clicked, this, &TOrvane1::MoveBtnClick);
    Splitter4->installEventFilter(this);

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

void TOrvane1::MoveBtnClick()
{
    // The tool panel and the picture area swap sides.
    auto *row = static_cast<QHBoxLayout *>(TabEdit->layout());
    const bool toolsRight = row->indexOf(TabControl2) > row->indexOf(ScrollBox1);
    row->removeWidget(ScrollBox1);
    row->removeWidget(Splitter4);
    row->removeWidget(TabControl2);
    if (toolsRight) {
        row->addWidget(TabControl2, 2);
        row->addWidget(Splitter4);
        row->addWidget(ScrollBox1, 3);
        MoveBtn->setText("Right");
    } else {
        row->addWidget(ScrollBox1, 3);
        row->addWidget(Splitter4);
        row->addWidget(TabControl2, 2);
        MoveBtn->setText("Left");
    }
}

bool TOrvane1::SplitterEvent(QObject *watched, QEvent *event)
{
    if (watched != Splitter4)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        MOUSEDOWNSPLT_FLG = true;
        return true;
    case QEvent::MouseButtonRelease:
        MOUSEDOWNSPLT_FLG = false;
        return true;
    case QEvent::MouseMove:
        if (MOUSEDOWNSPLT_FLG)
            Layout1->setFixedHeight(qMax(40, TabControl2->height() - ListBox1->height() - 30));
        return true;
    default:
        return false;
    }
}
