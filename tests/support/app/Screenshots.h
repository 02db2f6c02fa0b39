#pragma once
// Screenshots for the tests under a real X server (xvfb-run).
#include <QImage>
#include <QRect>
#include <QString>

class QWidget;

namespace orvane::testing {

// True when the tests run on an X server; screenshot tests skip otherwise.
bool onXServer();

// Raises the window, lets it paint, and grabs what the screen shows of it, as
// a person sees it. With ORVANE_SCREENSHOT_DIR set the picture is also saved
// there as name + ".png".
QImage shootWindow(QWidget *window, const QString &name);

// Number of distinct colours on a 3-pixel grid of the area (the whole picture
// when area is null): a styled window with controls has many, a blank one few.
int distinctColours(const QImage &image, QRect area = {});

} // namespace orvane::testing
