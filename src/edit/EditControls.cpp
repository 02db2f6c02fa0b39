#include "edit/EditControls.h"

#include "core/widgets/ImageControl.h"

#include <QColor>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include <cmath>

// ---------------------------------------------------------------- TTrackBar

TTrackBar::TTrackBar(QWidget *parent) : QSlider(Qt::Horizontal, parent)
{
    QSlider::setRange(0, kSteps);
    setSingleStep(kSteps / 100);
    setPageStep(kSteps / 10);
    connect(this, &QSlider::valueChanged, this, &TTrackBar::positionMoved);
}

int TTrackBar::positionOf(double value) const
{
    if (m_max <= m_min)
        return 0;
    return int(std::lround((value - m_min) / (m_max - m_min) * kSteps));
}

void TTrackBar::SetRange(double min, double max)
{
    if (!std::isfinite(min) || !std::isfinite(max))
        return;
    m_min = min;
    m_max = std::max(min, max);
    const double old = m_value;
    m_value = std::clamp(m_value, m_min, m_max);
    m_placing = true;
    setSliderPosition(positionOf(m_value));
    m_placing = false;
    if (m_value != old)
        emit Change();
}

void TTrackBar::SetValue(double value)
{
    if (!std::isfinite(value))
        return;
    value = std::clamp(value, m_min, m_max);
    const bool changed = value != m_value;
    m_value = value;
    m_placing = true;
    setSliderPosition(positionOf(value));
    m_placing = false;
    if (changed)
        emit Change();
}

void TTrackBar::positionMoved(int position)
{
    if (m_placing)
        return;
    // The ends of the track give the ends of the range exactly.
    const double v = position <= 0 ? m_min
                     : position >= kSteps ? m_max
                                          : m_min + (m_max - m_min) * double(position) / kSteps;
    if (v == m_value)
        return;
    m_value = v;
    emit Change();
}

// ---------------------------------------------------------------- TSwitch

TSwitch::TSwitch(QWidget *parent) : QAbstractButton(parent)
{
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
}

void TSwitch::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF track = QRectF(rect()).adjusted(1, 3, -1, -3);
    const qreal r = track.height() / 2;
    const QColor on = palette().color(QPalette::Highlight);
    const QColor off = palette().color(QPalette::Mid);
    p.setPen(Qt::NoPen);
    p.setBrush(isChecked() ? on : off);
    p.drawRoundedRect(track, r, r);
    const qreal knob = rect().height() - 2;
    const qreal x = isChecked() ? rect().width() - knob - 1 : 1;
    p.setBrush(palette().color(QPalette::Button).lighter(130));
    p.setPen(QPen(palette().color(QPalette::Dark), 1));
    p.drawEllipse(QRectF(x, 1, knob, knob));
    if (hasFocus()) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(on, 1, Qt::DotLine));
        p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), r + 2, r + 2);
    }
}

// ---------------------------------------------------------------- TSelectionPoint

TSelectionPoint::TSelectionPoint(TImage *picture, QPointF pos) : QWidget(picture), m_picture(picture), m_pos(pos)
{
    setFixedSize(2 * kGripSize + 1, 2 * kGripSize + 1);
    setCursor(Qt::SizeAllCursor);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_TranslucentBackground);
    picture->installEventFilter(this);
    connect(picture, &TImage::bitmapChanged, this, &TSelectionPoint::Relocate);
    Relocate();
    show();
}

void TSelectionPoint::SetPosition(QPointF pos)
{
    m_pos = pos;
    Relocate();
}

void TSelectionPoint::Relocate()
{
    // The picture control maps control points to pixels linearly; invert it.
    const QPointF origin = m_picture->toBitmap(QPointF(0, 0));
    const QPointF unit = m_picture->toBitmap(QPointF(1, 1)) - origin;
    const double sx = unit.x() != 0 ? unit.x() : 1, sy = unit.y() != 0 ? unit.y() : 1;
    const QPointF centre((m_pos.x() - origin.x()) / sx, (m_pos.y() - origin.y()) / sy);
    move(int(std::lround(centre.x())) - kGripSize, int(std::lround(centre.y())) - kGripSize);
}

bool TSelectionPoint::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_picture && event->type() == QEvent::Resize)
        Relocate();
    return QWidget::eventFilter(watched, event);
}

void TSelectionPoint::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
    p.setPen(QPen(QColor(0, 0, 0, 200), 1.5));
    p.setBrush(m_dragging ? QColor(255, 200, 0, 230) : QColor(255, 255, 255, 210));
    p.drawEllipse(r);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 120, 255));
    p.drawEllipse(r.center(), 2.0, 2.0);
}

void TSelectionPoint::mousePressEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton)
        return;
    m_dragging = true;
    m_grab = e->position() - QPointF(kGripSize, kGripSize);
    update();
}

void TSelectionPoint::mouseMoveEvent(QMouseEvent *e)
{
    if (!m_dragging)
        return;
    const QPointF centreInPicture = mapToParent(e->position() - m_grab);
    const QPointF pos = clamped(m_picture->toBitmap(centreInPicture));
    if (pos == m_pos)
        return;
    SetPosition(pos);
    emit Track();
}

QPointF TSelectionPoint::clamped(QPointF pos) const
{
    // The grip stays on the picture.
    const QSize size = m_picture->Bitmap().size();
    if (size.isEmpty())
        return pos;
    return QPointF(std::clamp(pos.x(), 0.0, double(size.width())), std::clamp(pos.y(), 0.0, double(size.height())));
}

void TSelectionPoint::keyPressEvent(QKeyEvent *e)
{
    const double step = e->modifiers() & Qt::ShiftModifier ? 10 : 1;
    QPointF d;
    switch (e->key()) {
    case Qt::Key_Left: d = {-step, 0}; break;
    case Qt::Key_Right: d = {step, 0}; break;
    case Qt::Key_Up: d = {0, -step}; break;
    case Qt::Key_Down: d = {0, step}; break;
    default: QWidget::keyPressEvent(e); return;
    }
    const QPointF pos = clamped(m_pos + d);
    if (pos != m_pos) {
        SetPosition(pos);
        emit Track();
    }
}

void TSelectionPoint::mouseReleaseEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton || !m_dragging)
        return;
    m_dragging = false;
    update();
    emit Released();
}

// ---------------------------------------------------------------- TColorComboBox

namespace {
QIcon swatch(QColor colour)
{
    QPixmap pm(14, 14);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QColor(90, 90, 90));
    p.setBrush(colour);
    p.drawRect(0, 0, 13, 13);
    return QIcon(pm);
}
} // namespace

TColorComboBox::TColorComboBox(QWidget *parent) : QComboBox(parent)
{
    setFixedWidth(88);
    for (const QString &name : QColor::colorNames()) {
        const QColor c = QColor::fromString(name);
        addItem(swatch(c), name, QVariant::fromValue<quint32>(c.rgba()));
    }
    SetColor(0xFFFFFFFF);
    connect(this, &QComboBox::currentIndexChanged, this, [this] { emit Change(); });
}

quint32 TColorComboBox::Color() const
{
    const QVariant v = currentData();
    return v.isValid() ? v.value<quint32>() : 0xFFFFFFFFu;
}

void TColorComboBox::SetColor(quint32 argb)
{
    int index = findData(QVariant::fromValue<quint32>(argb));
    if (index < 0) {
        const QColor c = QColor::fromRgba(argb);
        insertItem(0, swatch(c), c.name(QColor::HexArgb).toUpper(), QVariant::fromValue<quint32>(argb));
        index = 0;
    }
    setCurrentIndex(index);
}
