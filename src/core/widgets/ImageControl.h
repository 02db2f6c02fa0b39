#pragma once
// A picture control: holds a full-resolution QImage (its "bitmap") and shows
// it at its own size or stretched over the control, with a scale. Pointer
// events are reported in control coordinates; files dropped on it are
// reported by path.
#include <QImage>
#include <QPointF>
#include <QWidget>

class TImage : public QWidget {
    Q_OBJECT
public:
    enum class WrapMode { Original, Fit, Stretch };

    explicit TImage(QWidget *parent = nullptr);

    const QImage &Bitmap() const { return m_bitmap; }
    void setBitmap(const QImage &image);
    void clearBitmap() { setBitmap(QImage()); }
    bool isEmpty() const { return m_bitmap.isNull(); }

    WrapMode wrapMode() const { return m_wrap; }
    void setWrapMode(WrapMode mode);

    // Scale of the picture in Original mode (1.0 = one pixel per unit).
    QPointF scale() const { return m_scale; }
    void setScale(QPointF s);

    // Where a control point lies on the bitmap (inverse of the current mapping).
    QPointF toBitmap(QPointF controlPoint) const;

    void setAcceptFiles(bool on) { setAcceptDrops(on); }

signals:
    void clicked();
    void doubleClicked();
    void pressed(Qt::MouseButton button, QPointF pos);
    void moved(Qt::MouseButtons buttons, QPointF pos);
    void released(Qt::MouseButton button, QPointF pos);
    void fileDropped(const QString &path);
    void bitmapChanged();

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *) override;
    void mouseMoveEvent(QMouseEvent *) override;
    void mouseReleaseEvent(QMouseEvent *) override;
    void mouseDoubleClickEvent(QMouseEvent *) override;
    void dragEnterEvent(QDragEnterEvent *) override;
    void dropEvent(QDropEvent *) override;

private:
    QRectF targetRect() const;

    QImage m_bitmap;
    WrapMode m_wrap = WrapMode::Fit;
    QPointF m_scale{1.0, 1.0};
};
