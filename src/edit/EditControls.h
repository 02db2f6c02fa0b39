#pragma once
// Controls of the Edit sub-tab and the Batch quick adjustments:
//  - TTrackBar: a horizontal slider over a range of doubles;
//  - TSwitch: an on/off switch;
//  - TSelectionPoint: a round grip on a picture control, dragged with the
//    pointer, that keeps its position in the picture's pixel coordinates;
//  - TColorComboBox: a drop-down list of named colours with their swatches.
#include <QComboBox>
#include <QAbstractButton>
#include <QPointF>
#include <QSlider>

class TImage;

class TTrackBar : public QSlider {
    Q_OBJECT
public:
    // Positions between Min and Max: fine enough for a slider of any width.
    static constexpr int kSteps = 1000;

    explicit TTrackBar(QWidget *parent = nullptr);

    double Min() const { return m_min; }
    double Max() const { return m_max; }
    double Value() const { return m_value; }
    // Sets the range and keeps the value inside it.
    void SetRange(double min, double max);
    // Sets the value (kept within the range); Change fires when it changes.
    void SetValue(double value);

    int Tag = 0;

signals:
    // The value changed, by the user or by SetValue.
    void Change();

private:
    void positionMoved(int position);
    int positionOf(double value) const;

    double m_min = 0, m_max = 1, m_value = 0;
    bool m_placing = false;
};

class TSwitch : public QAbstractButton {
    Q_OBJECT
public:
    explicit TSwitch(QWidget *parent = nullptr);
    bool IsChecked() const { return isChecked(); }
    QSize sizeHint() const override { return {44, 22}; }

protected:
    void paintEvent(QPaintEvent *) override;
};

class TSelectionPoint : public QWidget {
    Q_OBJECT
public:
    static constexpr int kGripSize = 7;

    // A grip on picture (its parent) at pos in the picture's pixels.
    TSelectionPoint(TImage *picture, QPointF pos);

    QPointF Position() const { return m_pos; }
    // Moves the grip to pos (in the picture's pixels); no signal.
    void SetPosition(QPointF pos);
    // True while the pointer drags the grip.
    bool Dragging() const { return m_dragging; }
    // Places the grip over its point again (after the picture control was
    // resized or got another bitmap).
    void Relocate();

    int Tag = 0;

signals:
    // The grip was dragged to a new position.
    void Track();
    // The pointer let the grip go.
    void Released();

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *) override;
    void mouseMoveEvent(QMouseEvent *) override;
    void mouseReleaseEvent(QMouseEvent *) override;
    // Arrow keys move the focused grip by a pixel (ten with Shift).
    void keyPressEvent(QKeyEvent *) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointF clamped(QPointF pos) const;

    TImage *m_picture;
    QPointF m_pos;
    QPointF m_grab; // pointer offset from the grip's centre while dragging
    bool m_dragging = false;
};

class TColorComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TColorComboBox(QWidget *parent = nullptr);

    // The chosen colour, ARGB with alpha in the top byte.
    quint32 Color() const;
    // Chooses the colour; one that is not in the list is added as its own entry.
    void SetColor(quint32 argb);

    int Tag = 0;

signals:
    void Change();
};
