// The ThumbNails tab: which files of a folder become thumbnails and in what
// order, the items' layout, the picture groups of CMBFILTER, bitmap
// thumbnails, opening a thumbnail in the editor, and a listing replaced by a
// newer one.
#include "BrowseFixture.h"

#include "core/Errors.h"

#include <QApplication>

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

using namespace orvane;
using namespace orvane::testing;

namespace {

struct FolderCase {
    const char *name;
    // Files in the order they are made: "p:" a picture, "t:" a text file.
    std::vector<const char *> files;
    QStringList listed;
};

class ThumbnailListing : public BrowseFixture, public ::testing::WithParamInterface<FolderCase> {};

TEST_P(ThumbnailListing, ListsTheDecodablePicturesOfTheGroupByName)
{
    createWindows();
    const QString dir = folder("Shots");
    for (const char *entry : GetParam().files) {
        const QString spec = QString::fromLatin1(entry);
        const QString path = in(dir, spec.mid(2));
        if (spec.startsWith("p:"))
            writePicture(path, 120, 90);
        else
            writeText(path);
    }
    Orvane1->SaveBtn->setEnabled(false);
    list(dir);
    TOrvane1 &m = *Orvane1;
    EXPECT_EQ(listedNames(), GetParam().listed);
    EXPECT_EQ(m.TOTLTHMBDSP, GetParam().listed.size() + 1);
    EXPECT_EQ(m.CURRENT_THUMBS, dir);
    EXPECT_EQ(m.statusText(), dir);
    EXPECT_EQ(m.SaveBtn->isEnabled(), !GetParam().listed.isEmpty());
    // Each item: its full path as tag, 102 high, an 85 x 85 picture with the
    // thumbnail, the file name below it.
    for (int i = 0; i < m.ListBox7->count(); ++i) {
        QListWidgetItem *item = m.ListBox7->item(i);
        EXPECT_EQ(item->data(Qt::UserRole).toString(), in(dir, GetParam().listed.at(i)));
        EXPECT_EQ(item->sizeHint().height(), 102);
        QWidget *cell = m.ListBox7->itemWidget(item);
        ASSERT_NE(cell, nullptr);
        auto *picture = cell->findChild<TImage *>("ThumbImage");
        auto *label = cell->findChild<QLabel *>("ThumbLabel");
        ASSERT_NE(picture, nullptr);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(picture->size(), QSize(85, 85));
        EXPECT_FALSE(picture->isEmpty());
        EXPECT_LE(picture->Bitmap().width(), 256); // a thumbnail, not the whole picture
        EXPECT_EQ(label->text(), GetParam().listed.at(i));
        EXPECT_EQ(label->property("TagString").toString(), GetParam().listed.at(i));
        EXPECT_EQ(label->geometry(), QRect(0, 87, 250, 25));
        EXPECT_FALSE(label->wordWrap());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Folders, ThumbnailListing,
    ::testing::Values(FolderCase{"OnePicture", {"p:only.jpg"}, {"only.jpg"}},
                      FolderCase{"PicturesAmongOtherFiles",
                                 {"p:c.png", "t:notes.txt", "p:a.bmp", "t:song.mp3", "p:b.JPG", "t:archive.tar.gz"},
                                 {"a.bmp", "b.JPG", "c.png"}},
                      FolderCase{"ReadmeAfterAPicture", {"p:photo.jpg", "t:readme"}, {"photo.jpg"}},
                      FolderCase{"TextNamedLikeAPicture", {"t:photo.jpg", "p:real.png"}, {"real.png"}},
                      FolderCase{"NoPictureAtAll", {"t:a.txt", "t:photo.jpg"}, {}}),
    [](const auto &info) { return std::string(info.param.name); });

class ThumbnailViewTest : public BrowseFixture {
protected:
    void SetUp() override
    {
        BrowseFixture::SetUp();
        createWindows();
        Orvane1->setActiveTab(MainTab::ThumbNails);
    }
};

TEST_F(ThumbnailViewTest, BmpGroupOverJpegFilesShowsAnEmptyListNamingTheFolder)
{
    const QString first = folder("First");
    writePicture(in(first, "x.png"));
    list(first);
    ASSERT_EQ(Orvane1->ListBox7->count(), 1);
    const QString jpegs = folder("Jpegs");
    writePicture(in(jpegs, "a.jpg"));
    writePicture(in(jpegs, "b.jpeg"));
    Orvane1->SETFOLDER = jpegs;
    Orvane1->CMBFILTER->setCurrentIndex(2); // "BMP Formats"
    ASSERT_TRUE(Orvane1->waitForThumbnails());
    EXPECT_EQ(Orvane1->ListBox7->count(), 0);
    EXPECT_EQ(Orvane1->CURRENT_THUMBS, jpegs);
    EXPECT_EQ(Orvane1->statusText(), jpegs);
    EXPECT_EQ(Orvane1->Types.FILETYPE_ARR[0], "BMP");
    EXPECT_EQ(Orvane1->Types.FILETYPE_ARR[1], "");
    // Back to "All Picture Files": the JPEG files are listed again.
    Orvane1->CMBFILTER->setCurrentIndex(8);
    ASSERT_TRUE(Orvane1->waitForThumbnails());
    EXPECT_EQ(listedNames(), QStringList({"a.jpg", "b.jpeg"}));
}

TEST_F(ThumbnailViewTest, FilterChoiceWhileTheWindowIsCreatedListsNothing)
{
    const QString dir = folder("Shots");
    writePicture(in(dir, "a.bmp"));
    writePicture(in(dir, "b.png"));
    Orvane1->SETFOLDER = dir;
    QSignalSpy listed(Orvane1, &TOrvane1::thumbnailsListed);
    Orvane1->SKIP_FLG = true; // as while the create handler runs
    Orvane1->CMBFILTER->setCurrentIndex(4);
    EXPECT_EQ(listed.count(), 0);
    EXPECT_EQ(Orvane1->ListBox7->count(), 0);
    EXPECT_EQ(Orvane1->Types.FILETYPE_ARR[0], "JPG"); // the group in force is unchanged
    Orvane1->SKIP_FLG = false;
    Orvane1->CMBFILTER->setCurrentIndex(2); // "BMP Formats"
    ASSERT_TRUE(Orvane1->waitForThumbnails());
    EXPECT_EQ(listed.count(), 1);
    EXPECT_EQ(listedNames(), QStringList({"a.bmp"}));
}

TEST_F(ThumbnailViewTest, MissingOrEmptyFolderKeepsWhatTheListShowed)
{
    const QString dir = folder("Shots");
    writePicture(in(dir, "a.png"));
    list(dir);
    const QString shown = Orvane1->CURRENT_THUMBS;
    Orvane1->SETFOLDER = rootFile("NoSuchFolder");
    Orvane1->LoadThumbNails();
    EXPECT_EQ(Orvane1->SETFOLDER, Orvane1->ROOTPATH + Orvane1->FILE_DELIM + "Pictures");
    EXPECT_EQ(listedNames(), QStringList({"a.png"}));
    EXPECT_EQ(Orvane1->CURRENT_THUMBS, shown);
    Orvane1->SETFOLDER = folder("Empty");
    Orvane1->LoadThumbNails();
    EXPECT_FALSE(Orvane1->thumbnailsRunning());
    EXPECT_EQ(listedNames(), QStringList({"a.png"}));
    EXPECT_EQ(Orvane1->CURRENT_THUMBS, shown);
}

TEST_F(ThumbnailViewTest, ListingReplacedByANewerOneEndsWithTheNewerFolderOnly)
{
    const QString big = folder("Big");
    for (int i = 0; i < 40; ++i)
        photoLike(900, 600, i).save(in(big, QString("big%1.png").arg(i, 2, 10, QChar('0'))));
    const QString small = folder("Small");
    for (const char *name : {"s1.png", "s2.png", "s3.png"})
        writePicture(in(small, name));
    QSignalSpy listed(Orvane1, &TOrvane1::thumbnailsListed);
    Orvane1->SETFOLDER = big;
    Orvane1->LoadThumbNails();
    EXPECT_TRUE(Orvane1->thumbnailsRunning());
    EXPECT_TRUE(Orvane1->ThumbProgress->isVisibleTo(Orvane1));
    // The window keeps handling events while the thumbnails are made.
    QTest::qWait(20);
    list(small);
    QTest::qWait(200); // late results of the replaced listing must not appear
    EXPECT_EQ(listedNames(), QStringList({"s1.png", "s2.png", "s3.png"}));
    EXPECT_EQ(Orvane1->TOTLTHMBDSP, 4);
    EXPECT_EQ(Orvane1->CURRENT_THUMBS, small);
    EXPECT_EQ(listed.count(), 1);
    EXPECT_FALSE(Orvane1->ThumbProgress->isVisibleTo(Orvane1));
}

TEST_F(ThumbnailViewTest, PictureOpenedWhileThumbnailsArriveKeepsTheStatusLabel)
{
    const QString shots = folder("Shots");
    for (int i = 0; i < 12; ++i)
        photoLike(900, 600, i).save(in(shots, QString("shot%1.png").arg(i, 2, 10, QChar('0'))));
    const QString other = folder("Other");
    const QString picture = writePicture(in(other, "opened.png"));
    Orvane1->SETFOLDER = shots;
    Orvane1->LoadThumbNails();
    // Before any thumbnail has arrived, the user opens a picture on the Edit tab.
    Orvane1->setActiveTab(MainTab::Edit);
    dialogs->openNext({picture});
    Orvane1->TOpenBtnClick();
    ASSERT_EQ(Orvane1->SETFOLDER, other + Orvane1->FILE_DELIM);
    ASSERT_TRUE(Orvane1->waitForThumbnails());
    EXPECT_EQ(Orvane1->ListBox7->count(), 12);
    EXPECT_EQ(Orvane1->CURRENT_THUMBS, shots); // the folder that was listed
    EXPECT_EQ(Orvane1->statusText(), picture);
    Orvane1->setActiveTab(MainTab::ThumbNails);
    EXPECT_EQ(Orvane1->statusText(), shots);
}

TEST_F(ThumbnailViewTest, SecondListingOfAFolderComesFromTheCache)
{
    const QString dir = folder("Shots");
    photoLike(1200, 800, 3).save(in(dir, "wide.jpg"));
    list(dir);
    ASSERT_EQ(Orvane1->ListBox7->count(), 1);
    // The cache lives where XDG_CACHE_HOME points, never in the user's home.
    EXPECT_FALSE(QDir(cacheRoot() + "/thumbnails/normal").entryList(QDir::Files).isEmpty());
}

TEST_F(ThumbnailViewTest, CameraThumbnailOpensInTheEditorInsideTheReceivedFolder)
{
    const QImage shot = photoLike(320, 240, 7);
    const int before = Orvane1->TOTLTHMBDSP;
    Orvane1->SaveBtn->setEnabled(false);
    Orvane1->AddThumbNailBitmap(shot, "Camera1.jpg");
    ASSERT_EQ(Orvane1->ListBox7->count(), 1);
    EXPECT_EQ(Orvane1->TOTLTHMBDSP, before + 1);
    EXPECT_TRUE(Orvane1->SaveBtn->isEnabled());
    QListWidgetItem *item = Orvane1->ListBox7->item(0);
    EXPECT_EQ(item->data(Qt::UserRole).toString(), "Camera1.jpg");
    auto *label = Orvane1->ListBox7->itemWidget(item)->findChild<QLabel *>("ThumbLabel");
    EXPECT_EQ(label->geometry(), QRect(42, 87, 160, 25));

    Orvane1->ListBox7->setCurrentItem(item);
    Orvane1->ListBox7DblClick();
    EXPECT_EQ(Orvane1->CURRENT_PATH, Orvane1->SAVETOTRAN_FOLDER + "Camera1.jpg");
    EXPECT_EQ(Orvane1->Image1->Bitmap(), shot);
    EXPECT_EQ(Orvane1->Image2->Bitmap(), shot);
    EXPECT_EQ(Orvane1->HLDPATH, Orvane1->CURRENT_PATH);
    EXPECT_EQ(Orvane1->activeTab(), MainTab::Edit);
    EXPECT_EQ(Orvane1->OpenedPictures, QStringList({Orvane1->CURRENT_PATH}));
}

TEST_F(ThumbnailViewTest, EmptyBitmapThumbnailHasNoPicture)
{
    Orvane1->AddThumbNailBitmap(QImage(), "Empty.jpg");
    auto *picture = Orvane1->ListBox7->itemWidget(Orvane1->ListBox7->item(0))->findChild<TImage *>("ThumbImage");
    EXPECT_TRUE(picture->isEmpty());
}

TEST_F(ThumbnailViewTest, DoubleClickOpensTheWholePictureAndKeepsThePreviousOne)
{
    const QString dir = folder("Shots");
    writePicture(in(dir, "first.png"), 1600, 1200, 0xFF112233);
    writePicture(in(dir, "second.png"), 64, 48, 0xFF445566);
    list(dir);
    QListWidget *box = Orvane1->ListBox7;
    box->setCurrentRow(0);
    Orvane1->ListBox7DblClick();
    EXPECT_EQ(Orvane1->CURRENT_PATH, in(dir, "first.png"));
    EXPECT_EQ(Orvane1->Image1->Bitmap().size(), QSize(1600, 1200)); // the file, not the thumbnail
    EXPECT_EQ(Orvane1->Image2->Bitmap().size(), QSize(1600, 1200));
    EXPECT_TRUE(Orvane1->Image3->isEmpty());
    Orvane1->setActiveTab(MainTab::ThumbNails);
    box->setCurrentRow(1);
    Orvane1->ListBox7DblClick();
    EXPECT_EQ(Orvane1->CURRENT_PATH, in(dir, "second.png"));
    EXPECT_EQ(Orvane1->Image3->Bitmap().size(), QSize(1600, 1200));
    EXPECT_EQ(Orvane1->HLDPATH, in(dir, "second.png"));
    EXPECT_EQ(Orvane1->statusText(), in(dir, "second.png"));
}

TEST_F(ThumbnailViewTest, ClickOnAThumbnailPictureSelectsItsItem)
{
    Orvane1->resize(900, 600);
    Orvane1->show();
    const QString dir = folder("Shots");
    writePicture(in(dir, "a.png"));
    writePicture(in(dir, "b.png"));
    list(dir);
    QApplication::processEvents();
    QListWidgetItem *second = Orvane1->ListBox7->item(1);
    auto *picture = Orvane1->ListBox7->itemWidget(second)->findChild<TImage *>("ThumbImage");
    ASSERT_TRUE(picture->isVisible());
    QTest::mouseClick(picture, Qt::LeftButton);
    EXPECT_EQ(Orvane1->ListBox7->currentItem(), second);
    QTest::mouseDClick(picture, Qt::LeftButton);
    EXPECT_EQ(Orvane1->CURRENT_PATH, in(dir, "b.png"));
    EXPECT_EQ(Orvane1->activeTab(), MainTab::Edit);
}

TEST_F(ThumbnailViewTest, RowsHoldAsManyThumbnailsAsTheWindowWidthGivesColumns)
{
    const QString dir = folder("Shots");
    for (int i = 0; i < 14; ++i)
        writePicture(in(dir, QString("p%1.png").arg(i, 2, 10, QChar('0'))));
    Orvane1->show();
    list(dir);
    for (const auto &[width, columns] : {std::pair{1200, 6}, std::pair{500, 4}, std::pair{700, 5}}) {
        Orvane1->resize(width, 600);
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
        ASSERT_EQ(Orvane1->ThumbColumns, columns) << width;
        QListWidget *box = Orvane1->ListBox7;
        const int firstRow = box->visualItemRect(box->item(0)).top();
        EXPECT_EQ(box->visualItemRect(box->item(columns - 1)).top(), firstRow) << width;
        EXPECT_GT(box->visualItemRect(box->item(columns)).top(), firstRow) << width;
        // Every cell is wide enough for its picture.
        EXPECT_GE(box->gridSize().width(), 85) << width;
        EXPECT_EQ(box->item(0)->sizeHint().width(), box->gridSize().width()) << width;
    }
}

TEST_F(ThumbnailViewTest, ThumbnailWhoseFileVanishedOpensAsNothingAndReportsTheError)
{
    const QString dir = folder("Shots");
    const QString path = writePicture(in(dir, "gone.png"));
    list(dir);
    // The file is replaced by text after listing: the editor load fails.
    QFile::remove(path);
    writeText(path);
    Orvane1->ListBox7->setCurrentRow(0);
    EXPECT_THROW(Orvane1->ListBox7DblClick(), orvane::Error);
    EXPECT_EQ(Orvane1->CURRENT_PATH, path); // set before the load, and it stays
    EXPECT_TRUE(Orvane1->OpenedPictures.isEmpty());
}

} // namespace
