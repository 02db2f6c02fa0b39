// Screenshots under a real X server: the Edit sub-tab with a filter chosen
// (its parameter rows and the grip of its centre over a photo), and the
// Batch tab's quick adjustments previewing a photo. With
// ORVANE_SCREENSHOT_DIR set the pictures are kept there (docs/screenshots
// when run by hand).
#include "app/Screenshots.h"
#include "EditFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>
#include <QScreen>
#include <QScrollArea>
#include <QSet>
#include <QTest>

using namespace orvane;
using namespace orvane::testing;

namespace {

// A landscape photo: sky, sun, mountains, hills, a lake with reflections,
// trees and a little grain.
QImage landscape(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double horizon = height * 0.58;
    QLinearGradient sky(0, 0, 0, horizon);
    sky.setColorAt(0, QColor(38, 84, 160));
    sky.setColorAt(0.7, QColor(140, 170, 210));
    sky.setColorAt(1, QColor(246, 204, 150));
    p.fillRect(QRectF(0, 0, width, horizon), sky);
    QRadialGradient sun(width * 0.72, height * 0.30, height * 0.22);
    sun.setColorAt(0, QColor(255, 250, 220));
    sun.setColorAt(0.25, QColor(255, 226, 150, 220));
    sun.setColorAt(1, QColor(255, 200, 120, 0));
    p.fillRect(image.rect(), sun);

    auto ridge = [&](double base, double amplitude, double phase, QColor top, QColor bottom) {
        QPainterPath path(QPointF(0, horizon));
        for (int x = 0; x <= width; x += 8) {
            const double t = double(x) / width;
            const double y = base - amplitude * (0.6 * std::sin(t * 7.0 + phase) + 0.4 * std::sin(t * 17.0 + phase * 2));
            path.lineTo(x, y);
        }
        path.lineTo(width, horizon);
        path.closeSubpath();
        QLinearGradient fill(0, base - amplitude, 0, horizon);
        fill.setColorAt(0, top);
        fill.setColorAt(1, bottom);
        p.fillPath(path, fill);
    };
    ridge(height * 0.40, height * 0.10, 0.4, QColor(120, 130, 160), QColor(90, 105, 130));
    ridge(height * 0.50, height * 0.06, 2.1, QColor(70, 110, 70), QColor(40, 80, 45));

    QLinearGradient lake(0, horizon, 0, height);
    lake.setColorAt(0, QColor(200, 170, 140));
    lake.setColorAt(0.3, QColor(70, 110, 150));
    lake.setColorAt(1, QColor(20, 45, 80));
    p.fillRect(QRectF(0, horizon, width, height - horizon), lake);
    p.setPen(QPen(QColor(255, 235, 190, 120), 2));
    for (int i = 0; i < 14; ++i) {
        const double y = horizon + 6 + i * i * 0.9;
        const double half = width * (0.10 - i * 0.005);
        p.drawLine(QPointF(width * 0.72 - half, y), QPointF(width * 0.72 + half, y));
    }
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 18; ++i) {
        const double x = 12 + i * (width * 0.42) / 18.0 + (i % 3) * 5;
        const double h = height * (0.08 + 0.04 * ((i * 7) % 5) / 4.0);
        QPainterPath tree(QPointF(x, horizon - h));
        tree.lineTo(x - h * 0.28, horizon + 2);
        tree.lineTo(x + h * 0.28, horizon + 2);
        tree.closeSubpath();
        p.fillPath(tree, QColor(22 + i % 4 * 6, 60 + i % 3 * 8, 30));
    }
    p.end();
    // Grain.
    quint32 seed = 12345;
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int d = int((seed >> 24) % 13) - 6;
            const QRgb c = line[x];
            line[x] = qRgb(qBound(0, qRed(c) + d, 255), qBound(0, qGreen(c) + d, 255), qBound(0, qBlue(c) + d, 255));
        }
    }
    return image;
}

class FilterScreenshotTest : public EditWindowTest {
protected:
    QRect inWindow(QWidget *widget) const
    {
        return QRect(widget->mapTo(w, QPoint(0, 0)), widget->size());
    }

    // Opens the photo through the viewer's own routine, as a double click does.
    void openPhoto(const QImage &photo)
    {
        const QString path = rootFile("Pictures/lake.png");
        ASSERT_TRUE(photo.save(path));
        w->CURRENT_PATH = w->HLDPATH = path;
        w->Image1->setBitmap(photo);
        w->Image2->setBitmap(photo);
        w->LoadPicture();
    }
};

} // namespace

TEST_F(FilterScreenshotTest, EditSubTabWithAFilterAndItsRows)
{
    if (!onXServer())
        GTEST_SKIP() << "needs an X server (run under xvfb-run)";
    w->QKSTRTNO_FLG = true;
    showMain();
    w->setActiveTab(MainTab::Edit);
    w->TabControl2->setCurrentWidget(w->TabItem6);
    openPhoto(landscape(640, 427));
    EXPECT_EQ(w->RSzeWBtn->text(), "640");
    EXPECT_EQ(w->RSzeHBtn->text(), "427");
    chooseFilter("Distortion", "Ripple");
    // Every row has faded in after (rows - 1) / 10 + 0.5 s.
    QTest::qWait(1200);
    const QImage shot = shootWindow(w, "edit-filter");
    ASSERT_FALSE(shot.isNull());

    ASSERT_GE(w->ListBox3->count(), 3);
    for (int i = 0; i < w->ListBox3->count(); ++i) {
        QWidget *r = row(i);
        ASSERT_NE(r, nullptr);
        EXPECT_TRUE(r->isVisible()) << i;
        EXPECT_EQ(r->graphicsEffect(), nullptr) << "faded in: " << i;
        // The slider at the right of the row lies inside the list.
        auto *track = r->findChild<TTrackBar *>("track");
        ASSERT_NE(track, nullptr);
        const QRect trackRect(track->mapTo(w->ListBox3->viewport(), QPoint(0, 0)), track->size());
        EXPECT_TRUE(w->ListBox3->viewport()->rect().contains(trackRect.topRight())) << i;
    }
    ASSERT_EQ(grips().size(), 1);
    EXPECT_TRUE(grips().first()->isVisible());
    EXPECT_TRUE(w->Image1->rect().contains(grips().first()->geometry().center()));
    // The photo shows filtered, the rows show their texts and sliders.
    EXPECT_GT(distinctColours(shot, inWindow(w->ScrollBox1->viewport())), 200);
    EXPECT_GT(distinctColours(shot, inWindow(w->ListBox3->viewport())), 6);
    EXPECT_GT(distinctColours(shot, inWindow(w->ListBox1)), 4);
}

TEST_F(FilterScreenshotTest, BatchQuickAdjustmentsPreviewAPhoto)
{
    if (!onXServer())
        GTEST_SKIP() << "needs an X server (run under xvfb-run)";
    w->QKSTRTNO_FLG = true;
    showMain();
    w->setActiveTab(MainTab::Batch);
    const QImage photo = landscape(640, 427);
    w->Image10->setBitmap(photo);
    w->Image5->setBitmap(photo);
    w->TrackBar6->SetValue(0.15);
    w->CHKBRIGHT->setChecked(true);
    w->TrackBar8->SetValue(-0.12);
    const QImage shot = shootWindow(w, "batch-adjust");
    ASSERT_FALSE(shot.isNull());
    EXPECT_TRUE(w->Panel6->isVisible());
    EXPECT_TRUE(w->Image5->isVisible());
    EXPECT_GT(w->Image5->height(), 100);
    for (QWidget *c : std::initializer_list<QWidget *>{w->TrackBar6, w->TrackBar7, w->TrackBar8, w->TrackBar9,
                                                       w->CHKBRIGHT, w->CHKCONTRAST, w->CHKHUE, w->CHKBLUR})
        EXPECT_TRUE(c->isVisible()) << c->objectName().toStdString();
    EXPECT_GT(distinctColours(shot, inWindow(w->Image5)), 200);
    EXPECT_GT(distinctColours(shot, inWindow(w->Panel6)), 4);
}
