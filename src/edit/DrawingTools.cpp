// The Draw, Text and Merge sub-tabs.
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

void TOrvane1::BuildDrawSubTab()
{
    // Draw sub-tab: filled in by the drawing tools.
    new QVBoxLayout(TabItem7);
}

void TOrvane1::BuildTextSubTab()
{
    // Text sub-tab.
    auto *textLayout = new QVBoxLayout(TabItem9);
    Memo1 = makeControl<QPlainTextEdit>(TabItem9, "Memo1", "Text", "Text to Add to Photo");
    textLayout->addWidget(Memo1, 1);
}

void TOrvane1::BuildMergeSubTab()
{
    // Merge sub-tab.
    auto *mergeLayout = new QVBoxLayout(TabItem10);
    Image8 = makeControl<TImage>(TabItem10, "Image8", "Merge source", QString());
    Image9 = makeControl<TImage>(TabItem10, "Image9", "Merge area", QString());
    mergeLayout->addWidget(Image8, 1);
    mergeLayout->addWidget(Image9, 1);
}
