#include "core/widgets/ImageControl.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

TImage::TImage(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setMouseTracking(true);
}

void TImage::setBitmap(const QImage &image)
{
    m_bitmap = image;
    update();
    emit bitmapChanged();
}

void TImage::setWrapMode(WrapMode mode)
{
    m_wrap = mode;
    update();
}

void TImage::setScale(QPointF s)
{
    m_scale = QPointF(qMax(0.05, s.x()), qMax(0.05, s.y()));
    update();
}

QRectF TImage::targetRect() const
{
    if (m_bitmap.isNull())
        return {};
    const QSizeF img = m_bitmap.size();
    switch (m_wrap) {
    case WrapMode::Stretch:
        return QRectF(rect());
    case WrapMode::Fit: {
        QSizeF s = img;
        if (s.width() > width() || s.height() > height())
            s.scale(QSizeF(size()), Qt::KeepAspectRatio);
        return QRectF(QPointF((width() - s.width()) / 2.0, (height() - s.height()) / 2.0), s);
    }
    case WrapMode::Original:
    default:
        return QRectF(QPointF(0, 0), QSizeF(img.width() * m_scale.x(), img.height() * m_scale.y()));
    }
}

QPointF TImage::toBitmap(QPointF p) const
{
    const QRectF r = targetRect();
    if (r.isEmpty())
        return p;
    return QPointF((p.x() - r.x()) * m_bitmap.width() / r.width(), (p.y() - r.y()) * m_bitmap.height() / r.height());
}

void TImage::paintEvent(QPaintEvent *)
{
    if (m_bitmap.isNull())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(targetRect(), m_bitmap);
}

void TImage::mousePressEvent(QMouseEvent *e)
{
    emit pressed(e->button(), e->position());
}

void TImage::mouseMoveEvent(QMouseEvent *e)
{
    emit moved(e->buttons(), e->position());
}

void TImage::mouseReleaseEvent(QMouseEvent *e)
{
    emit released(e->button(), e->position());
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
        emit clicked();
}

void TImage::mouseDoubleClickEvent(QMouseEvent *)
{
    emit doubleClicked();
}

void TImage::dragEnterEvent(QDragEnterEvent *e)
{
    if (e->mimeData()->hasUrls())
        e->acceptProposedAction();
}

void TImage::dropEvent(QDropEvent *e)
{
    const QList<QUrl> urls = e->mimeData()->urls();
    if (!urls.isEmpty() && urls.first().isLocalFile())
        emit fileDropped(urls.first().toLocalFile());
    e->acceptProposedAction();
}
