// The picture viewer: LoadPicture's fields, the Open button by tab, the
// opened-pictures history behind Previous and Next, the placement of the
// picture in its scroll box, the Batch list, a dropped file, the picture's
// clicks and menu, and pictures that do not decode.
#include "BrowseFixture.h"

#include "core/Errors.h"

#include <QAction>
#include <QLabel>
#include <QTimer>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

using namespace orvane;
using namespace orvane::testing;

namespace {

class PictureViewerTest : public BrowseFixture {
protected:
    void SetUp() override
    {
        BrowseFixture::SetUp();
        createWindows();
        Orvane1->QKSTRTNO_FLG = true;
        showMain();
        Orvane1->setActiveTab(MainTab::Edit);
        dir = folder("Photos");
    }

    // Opens files with the Open button on the active tab.
    void open(const QStringList &files, int filterIndex = 1)
    {
        dialogs->openNext(files, filterIndex);
        Orvane1->TOpenBtnClick();
    }
    QString picture(const QString &name, QRgb colour, int w = 40, int h = 30) const
    {
        return writePicture(in(dir, name), w, h, colour);
    }
    static QRgb shownColour() { return Orvane1->Image1->Bitmap().pixel(0, 0); }

    QString dir;
};

TEST_F(PictureViewerTest, OpeningOnTheEditTabFillsTheSlotsAndTheSharedFields)
{
    const QString a = picture("sunset.png", 0xFFAA3300, 64, 48);
    Orvane1->HLDPATH2 = a;
    const QString filter = Orvane1->OpenDialog1Filter;
    const int filterIndex = Orvane1->OpenDialog1FilterIndex;
    open({a}, 3);
    TOrvane1 &m = *Orvane1;
    const Asked *asked = dialogs->last("open");
    ASSERT_NE(asked, nullptr);
    EXPECT_EQ(asked->title, "Open Pictures To View or Add To Favorites or Slide Show");
    EXPECT_EQ(asked->fileName, a);
    EXPECT_EQ(asked->filter, filter);
    EXPECT_EQ(asked->filterIndex, filterIndex);
    EXPECT_EQ(m.OpenDialog1FilterIndex, 3); // the dialog opens with the user's last choice next time
    EXPECT_EQ(m.CURRENT_PATH, a);
    EXPECT_EQ(m.SETFOLDER, dir + m.FILE_DELIM);
    EXPECT_EQ(m.Image1->Bitmap().size(), QSize(64, 48));
    EXPECT_EQ(m.Image2->Bitmap(), m.Image1->Bitmap());
    EXPECT_EQ(m.Image3->Bitmap(), m.Image1->Bitmap());
    EXPECT_EQ(m.Image6->Bitmap(), m.Image1->Bitmap());
    EXPECT_EQ(m.RSzeHBtn->text(), "48");
    EXPECT_EQ(m.RSzeWBtn->text(), "64");
    EXPECT_EQ(m.PICTFILENAME, "sunset.png");
    EXPECT_EQ(m.LASTPICTURE, a);
    EXPECT_EQ(m.CURRENT_PHOTOPATH, a);
    EXPECT_EQ(m.statusText(), a);
    EXPECT_TRUE(m.SendPictBtn->isEnabled());
    EXPECT_EQ(m.HLDPATH2, a);
    EXPECT_EQ(m.OpenedPictures, QStringList({a}));
    EXPECT_EQ(m.OpenedPicturesPos, 0);
}

TEST_F(PictureViewerTest, PreviousAndNextWalkTheHistoryWithoutChangingTheCurrentPicture)
{
    const QString a = picture("a.png", 0xFFFF0000), b = picture("b.png", 0xFF00FF00), c = picture("c.png", 0xFF0000FF);
    open({a});
    open({b});
    open({c});
    const int snapshots = Orvane1->IMAGE_ARRPOS;
    Orvane1->TPrevBtnClick();
    Orvane1->TPrevBtnClick();
    EXPECT_EQ(shownColour(), 0xFFFF0000);
    EXPECT_EQ(Orvane1->statusText(), a);
    Orvane1->TPrevBtnClick(); // not below the first entry
    EXPECT_EQ(shownColour(), 0xFFFF0000);
    EXPECT_EQ(Orvane1->OpenedPicturesPos, 0);
    Orvane1->TNextBtnClick();
    EXPECT_EQ(shownColour(), 0xFF00FF00);
    EXPECT_EQ(Orvane1->statusText(), b);
    EXPECT_EQ(Orvane1->CURRENT_PATH, c);
    EXPECT_EQ(Orvane1->LASTPICTURE, c);
    EXPECT_EQ(Orvane1->Image2->Bitmap().pixel(0, 0), 0xFF0000FF);
    EXPECT_EQ(Orvane1->OpenedPictures, QStringList({a, b, c}));
    EXPECT_EQ(Orvane1->IMAGE_ARRPOS, snapshots);
    Orvane1->TNextBtnClick();
    Orvane1->TNextBtnClick(); // not beyond the last entry
    EXPECT_EQ(Orvane1->OpenedPicturesPos, 2);
    EXPECT_EQ(shownColour(), 0xFF0000FF);
}

TEST_F(PictureViewerTest, PreviousAndNextWithAnEmptyHistoryDoNothing)
{
    Orvane1->TPrevBtnClick();
    Orvane1->TNextBtnClick();
    EXPECT_TRUE(Orvane1->Image1->isEmpty());
    EXPECT_EQ(Orvane1->OpenedPicturesPos, -1);
    EXPECT_EQ(dialogs->count("error"), 0);
}

TEST_F(PictureViewerTest, TheSamePictureTwiceIsTwiceInTheHistory)
{
    const QString a = picture("a.png", 0xFFFF0000);
    open({a});
    open({a});
    EXPECT_EQ(Orvane1->OpenedPictures, QStringList({a, a}));
    EXPECT_EQ(Orvane1->OpenedPicturesPos, 1);
}

TEST_F(PictureViewerTest, SmallPictureIsCentredAndLargeOneScrollsFromTheTopLeft)
{
    TImage *image = Orvane1->Image1;
    QScrollArea *box = Orvane1->ScrollBox1;
    QApplication::processEvents();
    const QSize before = image->size();
    ASSERT_GT(before.width(), 40);
    ASSERT_GT(before.height(), 30);
    open({picture("small.png", 0xFF808080, 40, 30)});
    QApplication::processEvents();
    EXPECT_EQ(image->size(), before);
    const QPoint centre = image->mapTo(box->viewport(), image->rect().center());
    EXPECT_NEAR(centre.x(), box->viewport()->rect().center().x(), 2);
    EXPECT_NEAR(centre.y(), box->viewport()->rect().center().y(), 2);
    EXPECT_EQ(box->horizontalScrollBar()->maximum(), 0);

    open({picture("large.png", 0xFF808080, 3000, 2000)});
    QApplication::processEvents();
    EXPECT_EQ(image->size(), QSize(3000, 2000));
    EXPECT_EQ(image->mapTo(box->widget(), QPoint(0, 0)), QPoint(0, 0));
    EXPECT_GT(box->horizontalScrollBar()->maximum(), 0);
    EXPECT_GT(box->verticalScrollBar()->maximum(), 0);
}

TEST_F(PictureViewerTest, ThePictureAfterTheFullUndoHistoryTakesNoSnapshot)
{
    const QString a = picture("a.png", 0xFFFF0000);
    Orvane1->IMAGE_ARRPOS = 300;
    open({a}); // the 301st snapshot
    EXPECT_EQ(Orvane1->IMAGE_ARRPOS, 301);
    EXPECT_EQ(Orvane1->DRWIMAGE_ARR[301][0], "a@301.png");
    open({a}); // the next takes none
    EXPECT_EQ(Orvane1->IMAGE_ARRPOS, 301);
    EXPECT_EQ(Orvane1->OpenedPictures.size(), 2);
}

TEST_F(PictureViewerTest, ThumbNailsTabOpenListsTheChosenFilesFolder)
{
    const QString a = picture("a.png", 0xFFFF0000);
    picture("b.png", 0xFF00FF00);
    Orvane1->setActiveTab(MainTab::ThumbNails);
    open({a});
    ASSERT_TRUE(Orvane1->waitForThumbnails());
    EXPECT_EQ(Orvane1->SETFOLDER, dir);
    EXPECT_EQ(Orvane1->windowTitle(), Orvane1->HLDCAPTION + " - " + dir);
    EXPECT_EQ(listedNames(), QStringList({"a.png", "b.png"}));
    EXPECT_EQ(Orvane1->HLDPATH2, Orvane1->CURRENT_PATH); // no picture open: empty
}

TEST_F(PictureViewerTest, CancelledDialogChangesNothing)
{
    for (MainTab tab : {MainTab::MultiMedia, MainTab::Batch, MainTab::Edit}) {
        Orvane1->setActiveTab(tab);
        Orvane1->HLDPATH2 = "remembered";
        Orvane1->TOpenBtnClick(); // no answer queued: cancelled
        EXPECT_EQ(Orvane1->HLDPATH2, "remembered");
        EXPECT_EQ(Orvane1->ListBox11->count(), 0);
        EXPECT_TRUE(Orvane1->OpenedPictures.isEmpty());
    }
}

TEST_F(PictureViewerTest, BatchOpenListsTheFilesAndDoubleClickOpensWithoutAPreviousPicture)
{
    const QString a = picture("a.png", 0xFFFF0000, 80, 60), b = picture("b.png", 0xFF00FF00);
    const QString broken = writeText(in(dir, "broken.jpg"));
    Orvane1->setActiveTab(MainTab::Batch);
    open({a, broken, b}, 4);
    QListWidget *batch = Orvane1->ListBox11;
    ASSERT_EQ(batch->count(), 3);
    EXPECT_EQ(batch->currentRow(), 0);
    EXPECT_EQ(Orvane1->HLDFILTER_INDEX, 4);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(batch->item(i)->sizeHint().height(), 60);
    EXPECT_EQ(batch->item(1)->data(Qt::UserRole).toString(), broken);
    EXPECT_EQ(batch->itemWidget(batch->item(1)), nullptr); // kept, without picture and label
    QWidget *first = batch->itemWidget(batch->item(0));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->findChild<TImage *>("BatchImage")->x(), 15);
    auto *label = first->findChild<QLabel *>("BatchLabel");
    EXPECT_EQ(label->text(), a);
    EXPECT_EQ(label->pos(), QPoint(85, 5));
    EXPECT_TRUE(label->wordWrap());
    // The first file is in the batch previews, when the Batch tab has them.
    if (auto *preview = Orvane1->findChild<TImage *>("Image5")) {
        EXPECT_EQ(preview->Bitmap().size(), QSize(80, 60));
    }

    Orvane1->ListBox11DblClick();
    EXPECT_EQ(Orvane1->CURRENT_PATH, a);
    EXPECT_TRUE(Orvane1->HLDPATH.isEmpty());
    EXPECT_TRUE(Orvane1->Image3->isEmpty());
    EXPECT_EQ(Orvane1->Image1->Bitmap().size(), QSize(80, 60));
    EXPECT_EQ(Orvane1->Image2->Bitmap(), Orvane1->Image1->Bitmap());
    EXPECT_EQ(Orvane1->activeTab(), MainTab::Edit);
    EXPECT_EQ(Orvane1->OpenedPictures, QStringList({a}));

    // A second one: the first becomes the previous picture.
    Orvane1->ListBox11->setCurrentRow(2);
    Orvane1->ListBox11DblClick();
    EXPECT_EQ(Orvane1->HLDPATH, a);
    EXPECT_EQ(Orvane1->Image3->Bitmap().size(), QSize(80, 60));
}

TEST_F(PictureViewerTest, UndecodableFileReachesTheErrorDisplayAndKeepsWhatWasSet)
{
    const QString good = picture("good.png", 0xFFFF0000);
    open({good});
    const QString text = writeText(in(dir, "photo.jpg"));
    dialogs->openNext({text});
    // Through the event loop, as a click of the user: the error is shown.
    QTest::mouseClick(Orvane1->TOpenBtn, Qt::LeftButton);
    ASSERT_EQ(dialogs->count("error"), 1);
    EXPECT_TRUE(dialogs->last("error")->text.contains("photo.jpg"));
    EXPECT_EQ(Orvane1->CURRENT_PATH, good);
    EXPECT_EQ(Orvane1->OpenedPictures, QStringList({good}));
    EXPECT_EQ(shownColour(), 0xFFFF0000);
    EXPECT_EQ(Orvane1->HLDPATH2, good); // the handler ended before its last step

    // From the Batch list the path is set before the load, and stays.
    Orvane1->setActiveTab(MainTab::Batch);
    Orvane1->AddBatchFile(text);
    Orvane1->ListBox11->setCurrentRow(0);
    EXPECT_THROW(Orvane1->ListBox11DblClick(), orvane::Error);
    EXPECT_EQ(Orvane1->CURRENT_PATH, text);
    EXPECT_EQ(Orvane1->HLDPATH, good);
}

TEST_F(PictureViewerTest, DroppedFileFillsThePictureSlotsOnly)
{
    const QString a = picture("a.png", 0xFFFF0000);
    open({a});
    const QString dropped = picture("dropped.png", 0xFF00FF00, 50, 50);
    emit Orvane1->Image1->fileDropped(dropped);
    EXPECT_EQ(shownColour(), 0xFF00FF00);
    EXPECT_EQ(Orvane1->Image2->Bitmap(), Orvane1->Image1->Bitmap());
    EXPECT_EQ(Orvane1->Image3->Bitmap(), Orvane1->Image1->Bitmap());
    EXPECT_EQ(Orvane1->CURRENT_PATH, a);
    EXPECT_EQ(Orvane1->OpenedPictures, QStringList({a}));
    EXPECT_EQ(Orvane1->statusText(), a);
    // A file that does not load is ignored without a message.
    emit Orvane1->Image1->fileDropped(writeText(in(dir, "bad.png")));
    emit Orvane1->Image1->fileDropped(in(dir, "missing.png"));
    EXPECT_EQ(shownColour(), 0xFF00FF00);
    EXPECT_EQ(dialogs->count("error"), 0);
}

TEST_F(PictureViewerTest, ClicksOnThePictureSetTheFocusAndSwitchTheWrapMode)
{
    open({picture("a.png", 0xFFFF0000)});
    TImage *image = Orvane1->Image1;
    Orvane1->FOCUSEDCONTROL = "STRINGGRID2";
    QTest::mouseClick(image, Qt::LeftButton);
    EXPECT_EQ(Orvane1->FOCUSEDCONTROL, "IMAGE1");
    Orvane1->FOCUSEDCONTROL = "STRINGGRID2";
    image->setWrapMode(TImage::WrapMode::Fit);
    QTest::mouseDClick(image, Qt::LeftButton);
    EXPECT_EQ(image->wrapMode(), TImage::WrapMode::Stretch);
    EXPECT_EQ(Orvane1->FOCUSEDCONTROL, "IMAGE1");
    QTest::mouseDClick(image, Qt::LeftButton);
    EXPECT_EQ(image->wrapMode(), TImage::WrapMode::Original);
    QTest::mouseDClick(image, Qt::LeftButton);
    EXPECT_EQ(image->wrapMode(), TImage::WrapMode::Stretch);
}

TEST_F(PictureViewerTest, PictureMenuItemsChangeSizeZoomAndWrapMode)
{
    open({picture("a.png", 0xFFFF0000)});
    TImage *image = Orvane1->Image1;
    QStringList captions;
    for (QAction *a : Orvane1->PopupMenu4->actions())
        captions << a->text();
    EXPECT_EQ(captions, QStringList({"Increase Picture Size", "Decrease Picture Size", "Zoom In", "Zoom Out",
                                     "Normal", "Stretch"}));
    const int height = image->height();
    Orvane1->MenuItem17->trigger();
    EXPECT_EQ(image->height(), height + 10);
    Orvane1->MenuItem18->trigger();
    Orvane1->MenuItem18->trigger();
    EXPECT_EQ(image->height(), height - 10);
    const QPointF scale = image->scale();
    Orvane1->MenuItem19->trigger();
    EXPECT_NEAR(image->scale().x(), scale.x() + 0.05, 1e-9);
    EXPECT_NEAR(image->scale().y(), scale.y() + 0.05, 1e-9);
    Orvane1->MenuItem20->trigger();
    Orvane1->MenuItem20->trigger();
    EXPECT_NEAR(image->scale().x(), scale.x() - 0.05, 1e-9);
    Orvane1->MenuItem24->trigger();
    EXPECT_EQ(image->wrapMode(), TImage::WrapMode::Stretch);
    Orvane1->MenuItem23->trigger();
    EXPECT_EQ(image->wrapMode(), TImage::WrapMode::Original);
}

TEST_F(PictureViewerTest, RightClickOnThePictureOpensThePictureMenu)
{
    open({picture("a.png", 0xFFFF0000)});
    QTimer::singleShot(100, Orvane1->PopupMenu4, [] { Orvane1->PopupMenu4->hide(); });
    emit Orvane1->Image1->customContextMenuRequested(QPoint(5, 5));
    EXPECT_TRUE(Orvane1->PopupMenu4->isVisible());
    QTest::qWait(150);
    EXPECT_FALSE(Orvane1->PopupMenu4->isVisible());
}

} // namespace
