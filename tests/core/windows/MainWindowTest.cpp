// The main window: start-up in a root folder, the command-line picture, tab
// switching, the open dialog's filter, the resize rules, the style colours,
// the close sequence and errors that reach the event loop.
#include "app/AppFixture.h"

#include "core/Errors.h"
#include "core/Services.h"
#include "core/TOrvane1.h"
#include "core/TSetOptn1.h"
#include "core/widgets/ImageControl.h"

#include <QApplication>
#include <QComboBox>
#include <QTableWidget>
#include <QCoreApplication>
#include <QDirIterator>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

using namespace orvane;
using namespace orvane::testing;

namespace {

QStringList entriesOf(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    names.sort();
    return names;
}

class MainWindowTest : public AppFixture {};

} // namespace

TEST_F(MainWindowTest, StartUpMakesTheWorkingFoldersInTheCurrentDirectoryOnly)
{
    const QString exeDir = QCoreApplication::applicationDirPath();
    const QStringList besideExecutable = entriesOf(exeDir);
    createWindows();
    EXPECT_EQ(entriesOf(root()), QStringList({"Bmps", "EMailAttm", "Favorites", "Options.cds", "Pictures", "SlideShow",
                                              "Styles", "Temp"}));
    EXPECT_EQ(entriesOf(exeDir), besideExecutable);
    EXPECT_EQ(QDir::toNativeSeparators(QDir::currentPath()), Orvane1->ROOTPATH);
    // The shipped styles and tool images are written into the new root folder.
    EXPECT_EQ(QDir(rootFile("Styles")).entryList({"*.Style"}, QDir::Files).size(), 36);
    EXPECT_TRUE(QFileInfo::exists(rootFile("Bmps/BulbOff.Ico")));
    EXPECT_TRUE(QFileInfo::exists(rootFile("Bmps/BulbOn.Ico")));
}

TEST_F(MainWindowTest, ExistingStyleFilesAreNotOverwritten)
{
    QDir().mkpath(rootFile("Styles"));
    QFile mine(rootFile("Styles/Air.Style"));
    ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
    mine.write("QWidget { color: red; }");
    mine.close();
    createWindows();
    QFile again(rootFile("Styles/Air.Style"));
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_EQ(again.readAll(), QByteArray("QWidget { color: red; }"));
}

TEST_F(MainWindowTest, StartValuesOfTheSharedState)
{
    createWindows();
    TOrvane1 &m = *Orvane1;
    const QString sep = QString(QDir::separator());
    EXPECT_FALSE(m.MAC_FLG);
    EXPECT_EQ(m.HLDCAPTION, "Orvane 8 for Linux");
    EXPECT_EQ(m.STYLE_PATH, m.ROOTPATH + sep + "Styles" + sep);
    EXPECT_EQ(m.BMP_PATH, m.ROOTPATH + sep + "Bmps" + sep);
    EXPECT_EQ(m.BMPFILE_EXT, ".Ico");
    EXPECT_EQ(m.STYLE_NAME, "Air.Style");
    EXPECT_EQ(QList<int>({m.WINLEFT, m.WINTOP, m.WINHEIGHT, m.WINWIDTH}), QList<int>({50, 50, 628, 969}));
    EXPECT_EQ(m.IMAGE1_HEIGHT, 230);
    EXPECT_EQ(m.CURRENT_PHOTOALBUMFILE, "Favorites.cds");
    EXPECT_EQ(m.CURR_TYPE, "DA");
    EXPECT_EQ(m.CURRENT_SLIDESHOW, "New Slide Show");
    EXPECT_EQ(m.CURRENT_SLIDESHOWAUD, "New Slide Show");
    EXPECT_EQ(m.CURRENT_SLIDESHOWHDRFILE, "SlideShowsHDR.cds");
    EXPECT_EQ(m.INNERFRAM_CLR, 0xFF8A2BE2u);
    EXPECT_EQ(m.OUTERFRAM_CLR, 0xFF2E8B57u);
    EXPECT_EQ(m.SAVETOTRAN_FOLDER, m.ROOTPATH + sep + "Pictures" + sep);
    EXPECT_EQ(m.PICTFOLDER, m.ROOTPATH + sep + "Temp" + sep);
    EXPECT_EQ(m.WKDWNLD_PATH, m.ROOTPATH + sep + "Pictures" + sep);
    EXPECT_EQ(m.FRMSAVE_FLG, "O");
    EXPECT_EQ(m.EMAIL_MODE, "R");
    EXPECT_EQ(m.DRAW_MODE, "LINE");
    EXPECT_EQ(m.PATHFILL_CLR, 0xFF008000u);
    EXPECT_EQ(m.HLDLIST8_INDEX, -1);
    EXPECT_TRUE(m.DRWFIL_FLG);
    EXPECT_EQ(m.HPWIDTH, "100");
    EXPECT_EQ(m.HPHEIGHT, "80");
    EXPECT_EQ(m.DSTMODE, "C");
    EXPECT_EQ(m.SELEXT, "jpg");
    EXPECT_FALSE(m.SKIP_FLG);
    EXPECT_EQ(m.SETFOLDER, sep);
    EXPECT_EQ(QList<int>({m.HLDFILTER_INDEX, m.HLDFILTER_INDEX2, m.HLDFILTER_INDEX3, m.HLDFILTER_INDEX4}),
              QList<int>({3, 3, 6, 12}));
    EXPECT_EQ(m.CMBFILTER->count(), 9);
    EXPECT_EQ(m.CMBFILTER->currentText(), "All Picture Files");
    EXPECT_EQ(m.TabControl1->currentWidget(), m.TabEdit);
    EXPECT_EQ(m.TabControl2->currentWidget(), m.TabItem6);
    EXPECT_EQ(m.Image1->height(), 230);
    EXPECT_EQ(m.CMBTIME2->currentText(), "5 Seconds");
    EXPECT_FALSE(m.SendPictBtn->isEnabled());
    // Showing the window moves two of the remembered filter indexes.
    showMain();
    EXPECT_EQ(m.HLDFILTER_INDEX, 9);
    EXPECT_EQ(m.HLDFILTER_INDEX3, 3);
}

TEST_F(MainWindowTest, OnlyTheLastCommandLineArgumentIsOpened)
{
    const QString a = writePicture(rootFile("a.png"), 20, 10);
    const QString b = writePicture(rootFile("b.png"), 64, 48);
    createWindows({"orvane", a, b});
    EXPECT_EQ(Orvane1->PARM_FILE, b);
    showMain();
    EXPECT_EQ(Orvane1->LASTPICTURE, b);
    EXPECT_EQ(Orvane1->CURRENT_PATH, b);
    EXPECT_EQ(Orvane1->Image1->Bitmap().size(), QSize(64, 48));
    EXPECT_EQ(Orvane1->Image2->Bitmap().size(), QSize(64, 48));
}

TEST_F(MainWindowTest, WithoutArgumentsNothingIsOpened)
{
    createWindows({"orvane"});
    showMain();
    EXPECT_TRUE(Orvane1->PARM_FILE.isEmpty());
    EXPECT_TRUE(Orvane1->CURRENT_PATH.isEmpty());
    EXPECT_TRUE(Orvane1->Image1->isEmpty());
}

TEST_F(MainWindowTest, AMissingCommandLineFileLeavesTheEditorEmptyButIsRemembered)
{
    const QString missing = rootFile("gone.jpg");
    createWindows({"orvane", missing});
    showMain();
    EXPECT_TRUE(Orvane1->Image1->isEmpty());
    EXPECT_EQ(Orvane1->LASTPICTURE, missing);
}

TEST_F(MainWindowTest, AStartPictureThatDoesNotDecodeIsForgotten)
{
    QFile text(rootFile("photo.jpg"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("this is not a picture");
    text.close();
    createWindows({"orvane", rootFile("photo.jpg")});
    showMain();
    EXPECT_TRUE(Orvane1->LASTPICTURE.isEmpty());
    EXPECT_TRUE(Orvane1->Image1->isEmpty());
}

namespace {

bool toolVisible(QToolButton *b)
{
    for (QAction *a : Orvane1->ToolBar1->actions())
        if (Orvane1->ToolBar1->widgetForAction(a) == b)
            return a->isVisible();
    return false;
}

struct TabCase {
    MainTab tab;
    bool open, save, undo, prevNext;
    const char *saveHint; // nullptr: unchanged
    const char *status;   // nullptr: unchanged
    const char *caption;  // suffix after " - "; nullptr: unchanged
    bool toolbar1;
    const char *favorite;
};

class TabSwitchTest : public AppFixture, public ::testing::WithParamInterface<TabCase> {};

} // namespace

TEST_P(TabSwitchTest, TheTabDecidesButtonsHintStatusAndCaption)
{
    const TabCase &c = GetParam();
    createWindows();
    showMain();
    TOrvane1 &m = *Orvane1;
    m.CURRENT_THUMBS = "/pictures/thumbs";
    m.CURRENT_PHOTOPATH = "/pictures/photo.jpg";
    m.CURRENT_SLIDESHOW = "Summer";
    m.CURR_PHOTOALBUM = "Family";
    m.CURRENT_PATH = "/pictures/current.jpg";
    // Start from a tab that sets everything differently.
    m.setActiveTab(c.tab == MainTab::MultiMedia ? MainTab::CloudEMail : MainTab::MultiMedia);
    m.SaveBtn->setToolTip("previous hint");
    m.Label3A->setText("previous status");
    m.setWindowTitle("previous caption");
    m.setActiveTab(c.tab);

    EXPECT_EQ(m.TOpenBtn->isEnabled(), c.open);
    EXPECT_EQ(m.SaveBtn->isEnabled(), c.save);
    EXPECT_EQ(m.UndoBtn->isEnabled(), c.undo);
    EXPECT_EQ(m.TPrevBtn->isEnabled(), c.prevNext);
    EXPECT_EQ(m.TNextBtn->isEnabled(), c.prevNext);
    EXPECT_EQ(m.SaveBtn->toolTip(), c.saveHint ? QString(c.saveHint) : QString("previous hint"));
    EXPECT_EQ(m.statusText(), c.status ? QString(c.status) : QString("previous status"));
    EXPECT_EQ(m.windowTitle(), c.caption ? "Orvane 8 for Linux - " + QString(c.caption) : QString("previous caption"));
    EXPECT_EQ(m.ToolBar1->isVisible(), c.toolbar1);
    EXPECT_EQ(m.ToolBar3->isVisible(), !c.toolbar1);
    EXPECT_EQ(m.FavoriteBtn->text(), c.favorite);
    EXPECT_FALSE(toolVisible(m.TUpldGoogBtn));
    EXPECT_EQ(m.MediaPlayerControl2->isVisible(), c.tab == MainTab::MultiMedia);
}

INSTANTIATE_TEST_SUITE_P(
    EveryTab, TabSwitchTest,
    ::testing::Values(
        // Empty thumbnail list: Save off.
        TabCase{MainTab::ThumbNails, true, false, false, false, nullptr, "/pictures/thumbs", "/pictures/thumbs", true,
                "Favorite"},
        TabCase{MainTab::Edit, true, true, true, true, "Permanently Save Edits to Photo", "/pictures/photo.jpg",
                "/pictures/photo.jpg", true, "Favorite"},
        // Empty slide show tree: Open off.
        TabCase{MainTab::SlideShow, false, true, true, false, "Save current Slide Show Information", "Summer", "Summer",
                true, "Favorite"},
        // Empty album tree: Open off.
        TabCase{MainTab::Organize, false, true, false, false, "Save current Media Organizer Information", "Family",
                "Family", true, "Album"},
        // Batch: caption only, the status label keeps the previous tab's text.
        TabCase{MainTab::Batch, true, true, true, false, nullptr, nullptr, "/pictures/current.jpg", true, "Favorite"},
        TabCase{MainTab::MultiMedia, true, true, false, false, "Save current Multimedia File to Media Organizer",
                nullptr, nullptr, true, "Favorite"},
        TabCase{MainTab::CloudEMail, true, true, false, false, nullptr, nullptr, nullptr, false, "Favorite"}));

TEST_F(MainWindowTest, TreesWithItemsEnableOpenOnTheirTabs)
{
    createWindows();
    showMain();
    new QTreeWidgetItem(Orvane1->TreeView2, QStringList("Summer"));
    new QTreeWidgetItem(Orvane1->TreeView1, QStringList("Family"));
    Orvane1->setActiveTab(MainTab::SlideShow);
    EXPECT_TRUE(Orvane1->TOpenBtn->isEnabled());
    Orvane1->setActiveTab(MainTab::Organize);
    EXPECT_TRUE(Orvane1->TOpenBtn->isEnabled());
    EXPECT_TRUE(Orvane1->OrgAddBtn->isEnabled());
}

TEST_F(MainWindowTest, OpenDialogFilterFollowsTheTab)
{
    createWindows();
    showMain();
    TOrvane1 &m = *Orvane1;
    m.setActiveTab(MainTab::ThumbNails);
    EXPECT_EQ(m.OpenDialog1Filter, DialogFilters::Pictures());
    EXPECT_EQ(m.OpenDialog1FilterIndex, 9);
    m.CURR_TYPE = " V";
    m.setActiveTab(MainTab::Organize);
    EXPECT_EQ(m.OpenDialog1Filter, DialogFilters::Video());
    EXPECT_EQ(m.OpenDialog1FilterIndex, 12);
    // Slide Show keeps the index the dialog had.
    m.setActiveTab(MainTab::SlideShow);
    EXPECT_EQ(m.OpenDialog1Filter, DialogFilters::Pictures() + ";|" + DialogFilters::Audio());
    EXPECT_EQ(m.OpenDialog1FilterIndex, 12);
    // Cloud / EMail keeps both.
    m.setActiveTab(MainTab::CloudEMail);
    EXPECT_EQ(m.OpenDialog1Filter, DialogFilters::Pictures() + ";|" + DialogFilters::Audio());
}

TEST(FilterTextTest, ConvertsToQtNameFilters)
{
    EXPECT_EQ(QtFilterList("Bitmap | *.bmp;|All Files | *.bmp;*.ico"),
              QStringList({"Bitmap (*.bmp)", "All Files (*.bmp *.ico)"}));
    EXPECT_EQ(QtFilterList(DialogFilters::Pictures() + ";|" + DialogFilters::Audio()).size(), 15);
}

TEST_F(MainWindowTest, ThumbnailColumnsFollowTheWindowWidth)
{
    createWindows();
    showMain();
    for (auto [width, columns] : {std::pair{299, 2}, {300, 3}, {450, 4}, {600, 5}, {750, 6}, {1200, 6}}) {
        Orvane1->resize(width, 600);
        QApplication::processEvents();
        ASSERT_EQ(Orvane1->width(), width);
        EXPECT_EQ(Orvane1->ThumbColumns, columns) << width;
    }
}

namespace {
QColor textColorOf(QWidget *w) { return w->property("textColor").value<QColor>(); }
} // namespace

TEST_F(MainWindowTest, StyleColoursOfTheLists)
{
    createWindows();
    TOrvane1 &m = *Orvane1;
    new QTreeWidgetItem(m.TreeView2, QStringList("Summer"));
    showMain(); // Air.Style
    EXPECT_EQ(textColorOf(m.TreeView2).rgba(), 0xFFFFFFFFu);
    EXPECT_EQ(m.TreeView2->topLevelItem(0)->foreground(0).color().rgba(), 0xFFFFFFFFu);
    EXPECT_EQ(textColorOf(m.StringGrid4).rgba(), 0xFFFFFFFFu);
    EXPECT_EQ(textColorOf(m.ListVewAlbs).rgba(), 0xFFFFFFFFu);
    EXPECT_EQ(textColorOf(m.TreeView1).rgba(), 0xFF8A2BE2u);

    const struct {
        const char *style;
        AlphaColor lists;
    } cases[] = {{"Blue.Style", 0xFF7FFFD4}, {"Vapor.Style", 0xFFF0FBFF}, {"Air.Style", 0xFFFFFFFF},
                 {"Sterling.Style", 0xFF808080}};
    for (const auto &c : cases) {
        m.STYLE_NAME = c.style;
        m.SetColorOptions();
        EXPECT_EQ(textColorOf(m.TreeView3).rgba(), c.lists) << c.style;
        EXPECT_EQ(textColorOf(m.ListVewPhots2).rgba(), c.lists) << c.style;
        EXPECT_EQ(textColorOf(m.TreeView1).rgba(), 0xFF8A2BE2u) << c.style;
    }
    // An unknown name keeps the style list's selection (Sterling) and its colour.
    m.STYLE_NAME = "Nothing.Style";
    m.SetColorOptions();
    EXPECT_EQ(SetOptn1->ListBox1->currentItem()->text(), "Sterling");
    EXPECT_EQ(textColorOf(m.TreeView3).rgba(), 0xFF808080u);
}

TEST_F(MainWindowTest, CyanCloudListsForTheFourColouredStyles)
{
    createWindows();
    Orvane1->STYLE_NAME = "Blue.Style"; // as read from the options
    showMain();
    EXPECT_EQ(textColorOf(Orvane1->ListVewAlbs).rgba(), 0xFF00FFFFu);
    EXPECT_EQ(textColorOf(Orvane1->ListVewPhots2).rgba(), 0xFF00FFFFu);
    EXPECT_EQ(textColorOf(Orvane1->TreeView2).rgba(), 0xFF7FFFD4u);
    // The style file itself is applied at show.
    EXPECT_TRUE(qApp->styleSheet().contains("Orvane style \"Blue\""));
}

TEST_F(MainWindowTest, AMissingStyleFileKeepsTheBuiltInStyle)
{
    createWindows();
    Orvane1->STYLE_NAME = "Nothing.Style";
    showMain();
    EXPECT_TRUE(qApp->styleSheet().isEmpty());
}

TEST_F(MainWindowTest, ClosingEmptiesTempButKeepsItsSubFolders)
{
    createWindows();
    showMain();
    QDir().mkpath(rootFile("Temp/keep"));
    writePicture(rootFile("Temp/photo@1.png"));
    writePicture(rootFile("Temp/photo@2.png"));
    writePicture(rootFile("Temp/keep/inner.png"));
    Orvane1->DRWIMAGE_ARR[1][0] = "photo@1.png";
    Orvane1->DRWIMAGE_ARR[2][0] = "photo@2.png";
    Orvane1->resize(800, 500);
    Orvane1->close();
    EXPECT_EQ(entriesOf(rootFile("Temp")), QStringList({"keep"}));
    EXPECT_TRUE(QFileInfo::exists(rootFile("Temp/keep/inner.png")));
    EXPECT_TRUE(Orvane1->DRWIMAGE_ARR[1][0].isEmpty());
    EXPECT_TRUE(Orvane1->DRWIMAGE_ARR[2][0].isEmpty());
    // The window's bounds were taken at close.
    EXPECT_EQ(Orvane1->WINWIDTH, 800);
    EXPECT_EQ(Orvane1->WINHEIGHT, 500);
    EXPECT_EQ(Orvane1->IMAGE1_HEIGHT, Orvane1->Image1->height());
}

TEST_F(MainWindowTest, ShellOpenRecordsTheTargetAndRestoresTheCursor)
{
    createWindows();
    Orvane1->ShellOpen("/tmp/readme.txt");
    Orvane1->DownLoadBtnClick();
    ASSERT_EQ(shell->opened.size(), 2);
    EXPECT_EQ(shell->opened.at(0), "/tmp/readme.txt");
    EXPECT_TRUE(shell->opened.at(1).startsWith("https://"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MainWindowTest, TheClockLabelShowsTheCurrentTime)
{
    clock->when = QDateTime(QDate(2025, 7, 14), QTime(10, 20, 30));
    createWindows();
    Orvane1->Timer1Timer();
    EXPECT_TRUE(Orvane1->Label35->text().contains("20")) << Orvane1->Label35->text().toStdString();
    EXPECT_EQ(Orvane1->Timer1->interval(), 1000);
}

TEST_F(MainWindowTest, MenuButtonOpensTheMenuOfTheTab)
{
    createWindows();
    showMain();
    TOrvane1 &m = *Orvane1;
    const struct {
        MainTab tab;
        const char *focused;
        QMenu *menu;
    } cases[] = {{MainTab::Edit, "IMAGE1", m.PopupMenu4},      {MainTab::Edit, "MEMO1", nullptr},
                 {MainTab::SlideShow, "STRINGGRID2", m.PopupMenu2}, {MainTab::SlideShow, "STRINGGRID3", m.PopupMenu3},
                 {MainTab::Organize, "", m.PopupMenu1},        {MainTab::Batch, "", m.PopupMenu5},
                 {MainTab::MultiMedia, "IMAGE1", nullptr}};
    for (const auto &c : cases) {
        m.setActiveTab(c.tab);
        m.FOCUSEDCONTROL = c.focused;
        for (QMenu *menu : {m.PopupMenu1, m.PopupMenu2, m.PopupMenu3, m.PopupMenu4, m.PopupMenu5})
            menu->addAction("item"); // an empty menu does not pop up
        m.MnuBtn1Click();
        for (QMenu *menu : {m.PopupMenu1, m.PopupMenu2, m.PopupMenu3, m.PopupMenu4, m.PopupMenu5}) {
            EXPECT_EQ(menu->isVisible(), menu == c.menu) << static_cast<int>(c.tab) << " " << c.focused;
            menu->hide();
            menu->clear();
        }
    }
}

TEST_F(MainWindowTest, LeavingTheEditSubTabShowsThePictureAtItsOwnSize)
{
    createWindows();
    Orvane1->Image1->setWrapMode(TImage::WrapMode::Stretch);
    Orvane1->TabControl2->setCurrentWidget(Orvane1->TabItem7);
    EXPECT_EQ(Orvane1->Image1->wrapMode(), TImage::WrapMode::Original);
}

TEST_F(MainWindowTest, AnErrorReachingTheEventLoopIsShownAndTheProgramGoesOn)
{
    createWindows();
    showMain();
    QObject target;
    QObject::connect(Orvane1->Timer2, &QTimer::timeout, &target, [] { throw Error("Disk is full"); });
    Orvane1->Timer2->setSingleShot(true);
    Orvane1->Timer2->start(0);
    for (int i = 0; i < 20 && dialogs->count("error") == 0; ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_EQ(dialogs->count("error"), 1);
    EXPECT_EQ(dialogs->last("error")->text, "Disk is full");
    EXPECT_TRUE(Orvane1->isVisible());
}
