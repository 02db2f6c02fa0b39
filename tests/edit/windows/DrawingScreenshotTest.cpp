// Screenshots under a real X server: a photo with lines, a filled ellipse,
// text and three shapes drawn on it through the pointer handlers, and the
// Shapes and Merge sub-tabs. With ORVANE_SCREENSHOT_DIR set the pictures are
// kept there (docs/screenshots).
#include "app/Screenshots.h"
#include "app/AppFixture.h"

#include "core/TOrvane1.h"
#include "core/widgets/ImageControl.h"
#include "edit/ColorPanel.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QToolButton>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSet>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

using namespace orvane;
using namespace orvane::testing;

namespace {

class DrawingScreenshotTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        if (!onXServer())
            GTEST_SKIP() << "needs an X server (run under xvfb-run)";
        createWindows();
        w = Orvane1;
        w->QKSTRTNO_FLG = true;
        showMain();
        w->resize(1180, 760);
        openPhoto();
    }

    // A photo-like picture: a sky gradient over a green hill.
    void openPhoto()
    {
        QImage photo(520, 380, QImage::Format_RGB32);
        for (int y = 0; y < photo.height(); ++y)
            for (int x = 0; x < photo.width(); ++x) {
                const bool hill = y > 260 - 40 * std::sin(x / 90.0);
                photo.setPixel(x, y, hill ? qRgb(40 + y / 6, 120 + x / 10, 50) : qRgb(90 + y / 3, 150 + y / 4, 235));
            }
        const QString path = rootFile("Pictures/photo.jpg");
        ASSERT_TRUE(photo.save(path));
        w->CURRENT_PATH = w->HLDPATH = path;
        w->Image1->setBitmap(QImage(path));
        w->Image2->setBitmap(w->Image1->Bitmap());
        w->Image3->setBitmap(w->Image1->Bitmap());
        w->LoadPicture();
        if (w->IMAGE_ARRPOS == 0) // the viewer records the first step itself once it is built
            w->SaveUndoSnapshot();
    }

    void click(QPointF from, QPointF to)
    {
        emit w->Image1->pressed(Qt::LeftButton, from);
        emit w->Image1->moved(Qt::LeftButton, to);
        emit w->Image1->released(Qt::LeftButton, to);
    }

    QImage shoot(const QString &name) { return shootWindow(w, name); }

    // Where a picture pixel of the working picture appears in a window shot.
    QRgb onScreen(const QImage &shot, int x, int y) const
    {
        const QPoint p = w->Image1->mapTo(w, QPoint(x, y));
        return shot.pixel(p);
    }

    TOrvane1 *w = nullptr;
};

} // namespace

TEST_F(DrawingScreenshotTest, PhotoWithLinesEllipseTextAndShapes)
{
    w->TabControl2->setCurrentWidget(w->TabItem7);
    w->TrackBar2->setValue(4);
    w->ColorPanel1->setColor(QColor(0xFF, 0x30, 0x30));
    w->TDLineClick();
    click({30, 30}, {250, 120});
    click({30, 120}, {250, 30});
    w->TDrwOnOffBtn2Click();
    w->Memo1->setPlainText("Summer on the hill");
    w->ListBox10->setCurrentRow(11); // "36"
    w->CHKFONTBOLD->setChecked(true);
    w->ColorPanel2->setColor(Qt::white);
    click({90, 230}, {90, 230});
    w->TDrwOnOffBtn2Click(); // text mode off again
    w->ColorPanel1->setColor(QColor(0xFF, 0xD7, 0x00));
    w->CHKFILL->setChecked(true);
    w->TDEclipseClick();
    click({300, 40}, {160, 100}); // 160 by 100 from the corner
    w->CHKFILL->setChecked(false);

    w->TabControl2->setCurrentWidget(w->TabItem8);
    w->TrackBar5->setValue(3);
    const struct {
        int index;
        QRgb colour;
        QPointF at;
    } shapes[] = {{50, 0xFFFF00FF, {20, 270}}, {0, 0xFF00C0FF, {200, 260}}, {15, 0xFF40FF40, {400, 280}}};
    w->TDrwOnOffBtnClick();
    for (const auto &s : shapes) {
        w->ColorPanel3->setColor(QColor::fromRgba(s.colour));
        w->ListBox8->setCurrentRow(s.index);
        w->ListBox8ItemClick();
        click(s.at, s.at);
    }
    w->TabControl2->setCurrentWidget(w->TabItem7);
    EXPECT_EQ(w->IMAGE_ARRPOS, 1 + 2 + 1 + 1 + 3);

    const QImage shot = shoot("drawing");
    EXPECT_GT(distinctColours(shot), 30);
    ASSERT_TRUE(w->Image1->isVisible());
    // What the window shows is the drawn picture: the filled ellipse and a line.
    const QRgb ellipse = onScreen(shot, 380, 90);
    EXPECT_GT(qRed(ellipse), 200);
    EXPECT_GT(qGreen(ellipse), 170);
    EXPECT_LT(qBlue(ellipse), 80);
    EXPECT_GT(qRed(onScreen(shot, 140, 75)), 200);
}

TEST_F(DrawingScreenshotTest, ShapesSubTab)
{
    w->TabControl2->setCurrentWidget(w->TabItem8);
    w->ColorPanel3->setColor(QColor(0xFF, 0x80, 0x00));
    w->ListBox8->setCurrentRow(50); // STAR5
    w->ListBox8ItemClick();
    w->TrackBar5->setValue(4);
    const QImage shot = shoot("shapes-tab");
    EXPECT_GT(distinctColours(shot), 20);
    EXPECT_TRUE(w->ListBox8->isVisible());
    EXPECT_TRUE(w->Image7->isVisible());
    EXPECT_TRUE(w->GRPSHPINN->isVisible());
    EXPECT_TRUE(w->ColorPanel3->isVisible());
    EXPECT_TRUE(w->TDrwOnOffBtn->isVisible());
    EXPECT_FALSE(w->Image7->isEmpty());
}

TEST_F(DrawingScreenshotTest, MergeSubTab)
{
    QImage source(400, 260, QImage::Format_RGB32);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            source.setPixel(x, y, qRgb(200 - y / 2, 80 + x / 3, 140 + (x * y) % 90));
    const QString path = rootFile("Pictures/merge.png");
    ASSERT_TRUE(source.save(path));
    dialogs->openNext({path}, 5);
    w->TabControl2->setCurrentWidget(w->TabItem10);
    w->TDMergeOpnBtnClick();
    w->TDrwOnOffBtn3Click();
    emit w->Image8->pressed(Qt::LeftButton, QPointF(40, 30));
    emit w->Image8->moved(Qt::LeftButton, QPointF(120, 90));
    emit w->Image8->released(Qt::LeftButton, QPointF(120, 90));
    w->TDMergeBtnClick();
    click({320, 200}, {320, 200});
    const QImage shot = shoot("merge-tab");
    EXPECT_GT(distinctColours(shot), 30);
    EXPECT_TRUE(w->Image8->isVisible());
    EXPECT_TRUE(w->Image9->isVisible());
    EXPECT_TRUE(w->TDMergeBtn->isVisible());
    EXPECT_FALSE(w->Image8->isEmpty());
}
