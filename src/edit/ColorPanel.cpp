#include "edit/ColorPanel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QToolButton>

namespace {

// Greys, then full, dark and light hues.
const QRgb kSwatches[] = {
    0xFFFFFFFF, 0xFFC0C0C0, 0xFF808080, 0xFF404040, 0xFF000000, 0xFF8B4513, 0xFFFFC0CB, 0xFFFFD700,
    0xFFFF0000, 0xFFFF8000, 0xFFFFFF00, 0xFF00FF00, 0xFF00FFFF, 0xFF0000FF, 0xFF8000FF, 0xFFFF00FF,
    0xFF800000, 0xFF804000, 0xFF808000, 0xFF008000, 0xFF008080, 0xFF000080, 0xFF400080, 0xFF800080,
    0xFFFF8080, 0xFFFFC080, 0xFFFFFF80, 0xFF80FF80, 0xFF80FFFF, 0xFF8080FF, 0xFFC080FF, 0xFFFF80FF,
};

QString swatchStyle(const QColor &c)
{
    return QStringLiteral("background-color: %1; border: 1px solid #606060;").arg(c.name(QColor::HexArgb));
}

} // namespace

TColorPanel::TColorPanel(const QColor &start, QWidget *parent) : QWidget(parent), m_color(start)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    m_chosen = new QWidget(this);
    m_chosen->setObjectName("Chosen");
    m_chosen->setFixedSize(36, 36);
    row->addWidget(m_chosen);
    auto *grid = new QGridLayout;
    grid->setSpacing(2);
    int i = 0;
    for (QRgb rgba : kSwatches) {
        const QColor c = QColor::fromRgba(rgba);
        auto *swatch = new QToolButton(this);
        swatch->setFixedSize(16, 16);
        swatch->setStyleSheet(swatchStyle(c));
        swatch->setAccessibleName(c.name());
        swatch->setToolTip(c.name());
        connect(swatch, &QToolButton::clicked, this, [this, c] { setColor(c); });
        grid->addWidget(swatch, i / 8, i % 8);
        ++i;
    }
    row->addLayout(grid);
    row->addStretch(1);
    showChosen();
}

void TColorPanel::setColor(const QColor &colour)
{
    if (colour == m_color)
        return;
    m_color = colour;
    showChosen();
    emit colorChanged(m_color);
}

void TColorPanel::showChosen()
{
    m_chosen->setStyleSheet(swatchStyle(m_color));
}
