// Screenshots under a real X server: the main window on every tab and the
// two windows of the getting-started tour and the message window. Each must
// render with its controls; with ORVANE_SCREENSHOT_DIR set the pictures are
// kept there (docs/screenshots when run by `make screenshots`).
#include "app/AppFixture.h"
#include "app/Screenshots.h"

#include "core/TOrvane1.h"
#include "help/TMessageWin1.h"
#include "help/TQuikStart1.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

using namespace orvane;
using namespace orvane::testing;

namespace {

class ScreenshotTest : public AppFixture {};

} // namespace

TEST_F(ScreenshotTest, MainWindowOnEveryTab)
{
    if (!onXServer())
        GTEST_SKIP() << "needs an X server (run under xvfb-run)";
    createWindows();
    Orvane1->QKSTRTNO_FLG = true;
    showMain();
    const struct {
        MainTab tab;
        const char *name;
    } tabs[] = {{MainTab::ThumbNails, "main-thumbnails"}, {MainTab::Edit, "main-edit"},
                {MainTab::Organize, "main-organize"},     {MainTab::SlideShow, "main-slideshow"},
                {MainTab::Batch, "main-batch"},           {MainTab::MultiMedia, "main-multimedia"},
                {MainTab::CloudEMail, "main-cloud-email"}};
    for (const auto &t : tabs) {
        Orvane1->setActiveTab(t.tab);
        const QImage shot = shootWindow(Orvane1, t.name);
        ASSERT_FALSE(shot.isNull()) << t.name;
        EXPECT_EQ(shot.size(), Orvane1->size()) << t.name;
        EXPECT_GT(distinctColours(shot), 8) << t.name; // styled controls, not a blank window
        EXPECT_TRUE(Orvane1->TabControl1->isVisible());
        EXPECT_GT(Orvane1->TabControl1->currentWidget()->findChildren<QWidget *>().size(), 2) << t.name;
        EXPECT_TRUE(Orvane1->Label35->isVisible());
    }
}

TEST_F(ScreenshotTest, GettingStartedAndMessageWindows)
{
    if (!onXServer())
        GTEST_SKIP() << "needs an X server (run under xvfb-run)";
    createWindows();
    showMain();
    ASSERT_TRUE(QuikStart1->isVisible());
    QuikStart1->move(40, 40);
    const QImage tour = shootWindow(QuikStart1, "getting-started");
    EXPECT_GT(distinctColours(tour), 8);
    EXPECT_TRUE(QuikStart1->NextBtn->isVisible());
    QuikStart1->close();

    Orvane1->MESSAGEWIN_MSG = "Save Edits to Photo before Loading new Photo?";
    MessageWin1->show();
    const QImage message = shootWindow(MessageWin1, "message-window");
    EXPECT_GT(distinctColours(message), 4);
    EXPECT_EQ(MessageWin1->Label1->text(), Orvane1->MESSAGEWIN_MSG);
    EXPECT_TRUE(MessageWin1->OKBtn->isVisible());
    EXPECT_TRUE(MessageWin1->CancelBtn->isVisible());
    MessageWin1->close();
}
