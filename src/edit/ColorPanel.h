#pragma once
// A colour panel of the drawing sub-tabs: a grid of colour swatches and the
// chosen colour shown beside them. Choosing a swatch (or setColor with a new
// colour) emits colorChanged.
#include <QColor>
#include <QWidget>

class QToolButton;

class TColorPanel : public QWidget {
    Q_OBJECT
public:
    explicit TColorPanel(const QColor &start, QWidget *parent = nullptr);

    QColor color() const { return m_color; }
    void setColor(const QColor &colour);
    // The 32-bit value with alpha in the top byte.
    quint32 alphaColor() const { return m_color.rgba(); }

signals:
    void colorChanged(const QColor &colour);

private:
    void showChosen();

    QColor m_color;
    QWidget *m_chosen = nullptr;
};
