#include "app/Screenshots.h"

#include <QApplication>
#include <QScreen>
#include <QSet>
#include <QTest>
#include <QWidget>

namespace orvane::testing {

bool onXServer() { return QGuiApplication::platformName() == "xcb"; }

QImage shootWindow(QWidget *window, const QString &name)
{
    window->raise();
    window->activateWindow();
    for (int i = 0; i < 10; ++i) {
        QApplication::processEvents();
        QTest::qWait(30);
    }
    QImage shot =
        window->screen()->grabWindow(0, window->x(), window->y(), window->width(), window->height()).toImage();
    if (shot.isNull() || shot.width() < 10)
        shot = window->grab().toImage();
    const QByteArray dir = qgetenv("ORVANE_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        shot.save(QString::fromLocal8Bit(dir) + "/" + name + ".png");
    return shot;
}

int distinctColours(const QImage &image, QRect area)
{
    QSet<QRgb> colours;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    area = area.isNull() ? rgb.rect() : (area & rgb.rect());
    for (int y = area.top(); y <= area.bottom(); y += 3)
        for (int x = area.left(); x <= area.right(); x += 3)
            colours.insert(rgb.pixel(x, y));
    return colours.size();
}

} // namespace orvane::testing
