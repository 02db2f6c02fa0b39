// Screenshots under a real X server: a folder of photos as thumbnails, and a
// large photo on the Edit tab. With ORVANE_SCREENSHOT_DIR set the pictures
// are kept there (docs/screenshots when run by hand).
#include "BrowseFixture.h"
#include "app/Screenshots.h"

#include <QApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QTest>

using namespace orvane;
using namespace orvane::testing;

namespace {

class ViewerScreenshotTest : public BrowseFixture {};

TEST_F(ViewerScreenshotTest, FolderOfPhotosAndALargePhotoOnTheEditTab)
{
    if (!onXServer())
        GTEST_SKIP() << "needs an X server (run under xvfb-run)";
    const QString dir = folder("Holiday");
    const QSize sizes[] = {{640, 480}, {3000, 2000}, {480, 640}, {1600, 1200}, {800, 533},
                           {1200, 900}, {300, 300}, {2048, 1365}, {1024, 768}, {500, 750},
                           {1800, 1200}, {720, 480}};
    const char *names[] = {"beach", "canyon", "cliffs", "dunes", "forest", "glacier",
                           "harbour", "lake", "meadow", "orchard", "ridge", "valley"};
    for (int i = 0; i < 12; ++i)
        photoLike(sizes[i].width(), sizes[i].height(), i).save(in(dir, QString("%1.jpg").arg(names[i])), "JPEG", 90);

    createWindows();
    Orvane1->QKSTRTNO_FLG = true;
    showMain();
    Orvane1->resize(1100, 720);
    Orvane1->move(0, 0);
    Orvane1->setActiveTab(MainTab::ThumbNails);
    list(dir);
    ASSERT_EQ(Orvane1->ListBox7->count(), 12);
    const QImage thumbs = shootWindow(Orvane1, "thumbnails");
    ASSERT_EQ(thumbs.size(), Orvane1->size());
    const QRect listArea(Orvane1->ListBox7->mapTo(Orvane1, QPoint(0, 0)), Orvane1->ListBox7->size());
    EXPECT_GT(distinctColours(thumbs, listArea), 200); // photos, not empty cells
    EXPECT_EQ(Orvane1->statusText(), dir);

    // The large photo opened on the Edit tab: shown at its own size from the
    // top left corner, with scroll bars.
    Orvane1->setActiveTab(MainTab::Edit);
    dialogs->openNext({in(dir, "canyon.jpg")});
    Orvane1->TOpenBtnClick();
    const QImage edit = shootWindow(Orvane1, "edit-photo");
    EXPECT_EQ(Orvane1->Image1->size(), QSize(3000, 2000));
    EXPECT_TRUE(Orvane1->ScrollBox1->horizontalScrollBar()->isVisible());
    const QRect boxArea(Orvane1->ScrollBox1->mapTo(Orvane1, QPoint(0, 0)), Orvane1->ScrollBox1->size());
    EXPECT_GT(distinctColours(edit, boxArea), 50);
}

} // namespace
