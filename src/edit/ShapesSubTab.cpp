// The Shapes sub-tab: the shape list and its preview.
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

void TOrvane1::BuildShapesSubTab()
{
    // Shapes sub-tab.
    auto *shapesLayout = new QVBoxLayout(TabItem8);
    ListBox8 = makeControl<QListWidget>(TabItem8, "ListBox8", "Shapes", "Select Shape to Add to Photo");
    ListBox8->setFixedWidth(250);
    shapesLayout->addWidget(ListBox8, 1);
    Image7 = makeControl<TImage>(TabItem8, "Image7", "Shape preview", QString());
    Image7->setFixedSize(90, 90);
    shapesLayout->addWidget(Image7);
}
