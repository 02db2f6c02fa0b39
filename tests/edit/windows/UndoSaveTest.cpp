// The undo history across pictures and its limit, the offer to save unsaved
// edits, the Save button on each tab, failed step writes and the window's
// close with step files still being written.
#include "app/AppFixture.h"

#include "core/Errors.h"
#include "core/TOrvane1.h"
#include "core/widgets/ImageControl.h"
#include "edit/ColorPanel.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QSlider>
#include <QTabWidget>

using namespace orvane;
using namespace orvane::testing;

namespace {

bool near(QRgb a, QRgb b, int tolerance = 24)
{
    return qAbs(qRed(a) - qRed(b)) <= tolerance && qAbs(qGreen(a) - qGreen(b)) <= tolerance &&
           qAbs(qBlue(a) - qBlue(b)) <= tolerance;
}

QByteArray digestOf(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

QStringList tempFiles(const QString &root)
{
    QStringList names = QDir(root + "/Temp").entryList(QDir::Files | QDir::Hidden);
    names.sort();
    return names;
}

class UndoSaveTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        createWindows();
        w = Orvane1;
        w->TabControl2->setCurrentWidget(w->TabItem7);
        w->TrackBar2->setValue(9);
    }

    // Opens a picture into the editor as the viewer does, with its first step.
    QString openPicture(const QString &name, QRgb colour, int width = 120, int height = 90)
    {
        const QString path = writePicture(rootFile("Pictures/" + name), width, height, colour);
        const QImage picture(path);
        w->CURRENT_PATH = w->HLDPATH = w->CURRENT_PHOTOPATH = path;
        w->PICTFILENAME = name;
        w->Image1->setBitmap(picture);
        w->Image2->setBitmap(picture);
        w->Image6->setBitmap(picture);
        w->SaveUndoSnapshot();
        return path;
    }

    // A thick line across the picture at height y, in the given colour.
    void drawLine(int y, QRgb colour)
    {
        w->ColorPanel1->setColor(QColor::fromRgba(colour));
        w->TDLineClick();
        emit w->Image1->pressed(Qt::LeftButton, QPointF(0, y));
        emit w->Image1->released(Qt::LeftButton, QPointF(119, y));
    }

    QRgb pixel(int x, int y) const { return w->Image1->Bitmap().pixel(x, y); }

    TOrvane1 *w = nullptr;
};

constexpr QRgb kGrey = 0xFF808080;
constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kBlue = 0xFF0000FF;
constexpr QRgb kYellow = 0xFFFFFF00;

} // namespace

// ---------------------------------------------------------------- undo

TEST_F(UndoSaveTest, StepsOfAJpegAndTheUndoWalk)
{
    openPicture("photo.jpg", kGrey);
    drawLine(20, kRed);
    drawLine(60, kBlue);
    w->FinishUndoWrites();
    EXPECT_EQ(tempFiles(root()), QStringList({"photo@1.jpg", "photo@2.jpg", "photo@3.jpg"}));
    EXPECT_EQ(w->DRWIMAGE_ARR[3][0], "photo@3.jpg");
    const QImage opened = w->Image2->Bitmap();

    w->UndoBtnClick();
    EXPECT_EQ(tempFiles(root()), QStringList({"photo@1.jpg", "photo@2.jpg"}));
    EXPECT_EQ(w->IMAGE_ARRPOS, 2);
    EXPECT_TRUE(w->DRWIMAGE_ARR[3][0].isEmpty());
    EXPECT_TRUE(near(pixel(60, 20), kRed));
    EXPECT_TRUE(near(pixel(60, 60), kGrey));
    EXPECT_EQ(w->Image6->Bitmap(), w->Image1->Bitmap());

    w->UndoBtnClick();
    EXPECT_EQ(w->IMAGE_ARRPOS, 1);
    EXPECT_TRUE(near(pixel(60, 20), kGrey));
    for (int again = 0; again < 3; ++again) {
        w->UndoBtnClick();
        EXPECT_EQ(w->IMAGE_ARRPOS, 1);
        EXPECT_EQ(tempFiles(root()), QStringList({"photo@1.jpg"}));
        EXPECT_TRUE(near(pixel(60, 20), kGrey));
    }
    // Undo leaves the unsaved mark and the opened picture alone.
    EXPECT_TRUE(w->NEEDSAVE_FLG);
    EXPECT_EQ(w->Image2->Bitmap(), opened);

    // A new step after an Undo takes the number that Undo freed.
    drawLine(40, kYellow);
    w->FinishUndoWrites();
    EXPECT_EQ(w->DRWIMAGE_ARR[2][0], "photo@2.jpg");
    EXPECT_EQ(tempFiles(root()), QStringList({"photo@1.jpg", "photo@2.jpg"}));
}

TEST_F(UndoSaveTest, HistorySpansPictures)
{
    openPicture("photo.jpg", kGrey);
    drawLine(20, kRed);
    drawLine(60, kBlue);
    const QString second = openPicture("b.png", kYellow);
    EXPECT_EQ(w->DRWIMAGE_ARR[4][0], "b@4.png");
    w->UndoLastEdit();
    w->FinishUndoWrites();
    EXPECT_FALSE(QFileInfo::exists(rootFile("Temp/b@4.png")));
    EXPECT_EQ(w->IMAGE_ARRPOS, 3);
    // The last step of photo.jpg, while the editor keeps the second picture's name.
    EXPECT_TRUE(near(pixel(60, 20), kRed));
    EXPECT_TRUE(near(pixel(60, 60), kBlue));
    EXPECT_EQ(w->PICTFILENAME, "b.png");
    EXPECT_EQ(w->CURRENT_PATH, second);
}

TEST_F(UndoSaveTest, UndoWithAnEmptyHistoryDoesNothing)
{
    w->UndoLastEdit();
    EXPECT_EQ(w->IMAGE_ARRPOS, 0);
    EXPECT_TRUE(w->Image1->isEmpty());
    EXPECT_EQ(dialogs->count("error") + dialogs->count("warning"), 0);
    // The first picture opened afterwards still gets step 1.
    openPicture("first.png", kGrey);
    EXPECT_EQ(w->IMAGE_ARRPOS, 1);
    EXPECT_EQ(w->DRWIMAGE_ARR[1][0], "first@1.png");
}

TEST_F(UndoSaveTest, FullHistoryStopsRecordingAndUndoReturnsToTheNewestStep)
{
    openPicture("photo.png", kGrey, 16, 12);
    w->TDOnOffClick(); // drawing on, no tool: every click is a step
    for (int i = 0; i < 300; ++i) {
        emit w->Image1->pressed(Qt::LeftButton, QPointF(1, 1));
        emit w->Image1->released(Qt::LeftButton, QPointF(1, 1));
    }
    ASSERT_EQ(w->IMAGE_ARRPOS, 301);
    // Drawing still works but is no longer recorded.
    w->ColorPanel1->setColor(QColor::fromRgba(kRed));
    w->TDLineClick();
    emit w->Image1->pressed(Qt::LeftButton, QPointF(0, 6));
    emit w->Image1->released(Qt::LeftButton, QPointF(15, 6));
    EXPECT_EQ(w->IMAGE_ARRPOS, 301);
    EXPECT_TRUE(near(pixel(8, 6), kRed));
    w->FinishUndoWrites();
    EXPECT_EQ(tempFiles(root()).size(), 301);

    // Undo goes back to step 301 (before the unrecorded line) and keeps it.
    w->UndoLastEdit();
    EXPECT_EQ(w->IMAGE_ARRPOS, 301);
    EXPECT_TRUE(QFileInfo::exists(rootFile("Temp/photo@301.png")));
    EXPECT_EQ(pixel(8, 6), kGrey);
    // The next Undo removes step 301.
    w->UndoLastEdit();
    EXPECT_EQ(w->IMAGE_ARRPOS, 300);
    EXPECT_FALSE(QFileInfo::exists(rootFile("Temp/photo@301.png")));
}

TEST_F(UndoSaveTest, UndoOfAMissingStepFileFailsAfterMovingBack)
{
    openPicture("photo.png", kGrey);
    drawLine(20, kRed);
    drawLine(60, kBlue);
    w->FinishUndoWrites();
    QFile::remove(rootFile("Temp/photo@2.png"));
    EXPECT_THROW(w->UndoLastEdit(), orvane::Error);
    EXPECT_EQ(w->IMAGE_ARRPOS, 2);
    EXPECT_TRUE(near(pixel(60, 60), kBlue)); // the picture stays as it was
}

TEST_F(UndoSaveTest, FailedStepWriteIsReported)
{
    openPicture("photo.png", kGrey);
    w->FinishUndoWrites();
    ASSERT_TRUE(QDir(rootFile("Temp")).removeRecursively());
    drawLine(20, kRed);
    w->FinishUndoWrites();
    QCoreApplication::processEvents();
    const Asked *warning = dialogs->last("warning");
    ASSERT_NE(warning, nullptr);
    EXPECT_TRUE(warning->text.contains("photo@2.png")) << warning->text.toStdString();
    // Undo needs that step: it reports instead of showing a stale picture.
    EXPECT_THROW(w->UndoLastEdit(), orvane::Error);
}

TEST_F(UndoSaveTest, CloseWaitsForQueuedStepsBeforeEmptyingTemp)
{
    showMain();
    openPicture("big.jpg", kGrey, 3000, 2000);
    for (int i = 0; i < 4; ++i)
        drawLine(10 + i * 10, kRed);
    QDir().mkpath(rootFile("Temp/keep"));
    dialogs->clickInNextModal("CancelBtn");
    closeWindows();
    EXPECT_EQ(tempFiles(root()), QStringList());
    EXPECT_TRUE(QFileInfo(rootFile("Temp/keep")).isDir());
}

// ---------------------------------------------------------------- save offer

TEST_F(UndoSaveTest, SaveOfferDeclinedKeepsTheFileAndDropsTheMark)
{
    const QString path = openPicture("photo.png", kGrey);
    const QByteArray before = digestOf(path);
    drawLine(20, kRed);
    ASSERT_TRUE(w->NEEDSAVE_FLG);
    dialogs->clickInNextModal("CancelBtn");
    w->ChkSaveEdits();
    const Asked *asked = dialogs->last("modal");
    ASSERT_NE(asked, nullptr);
    EXPECT_EQ(asked->text, "Do you want to Save Changes to the File - photo.png ?");
    EXPECT_EQ(w->MESSAGEWIN_MSG, "Do you want to Save Changes to the File - photo.png ?");
    EXPECT_EQ(digestOf(path), before);
    EXPECT_FALSE(w->NEEDSAVE_FLG);
    // Nothing unsaved: no offer.
    w->ChkSaveEdits();
    EXPECT_EQ(dialogs->count("modal"), 1);
}

TEST_F(UndoSaveTest, SaveOfferAcceptedWritesThePicture)
{
    const QString path = openPicture("photo.png", kGrey);
    drawLine(20, kRed);
    dialogs->clickInNextModal("OKBtn");
    w->ChkSaveEdits();
    EXPECT_FALSE(w->NEEDSAVE_FLG);
    const QImage saved(path);
    ASSERT_FALSE(saved.isNull());
    EXPECT_TRUE(near(saved.pixel(60, 20), kRed));
    EXPECT_TRUE(near(saved.pixel(60, 60), kGrey));
    EXPECT_TRUE(QDir(rootFile("Pictures")).entryList({"*.tmp", "*~", ".*"}, QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(UndoSaveTest, FailedSaveKeepsTheEditsMarkedUnsaved)
{
    openPicture("photo.png", kGrey);
    drawLine(20, kRed);
    w->CURRENT_PHOTOPATH = rootFile("no such folder/photo.png");
    dialogs->clickInNextModal("OKBtn");
    EXPECT_THROW(w->ChkSaveEdits(), orvane::Error);
    EXPECT_TRUE(w->NEEDSAVE_FLG);
}

// ---------------------------------------------------------------- Save button

struct EditSaveCase {
    const char *name;
    int filterIndex;
    const char *defaultExt;
};

class EditSaveTest : public UndoSaveTest, public ::testing::WithParamInterface<EditSaveCase> {};

TEST_P(EditSaveTest, SaveProposesThePictureWithItsFilterEntry)
{
    const EditSaveCase &c = GetParam();
    w->setActiveTab(MainTab::Edit);
    w->SaveDialog1.filterIndex = 2; // as last used
    w->CURRENT_PATH = rootFile(QString("Pictures/") + c.name);
    w->Image1->setBitmap(QImage(8, 8, QImage::Format_RGB32));
    w->SaveBtnClick();
    const Asked *asked = dialogs->last("save");
    ASSERT_NE(asked, nullptr);
    EXPECT_EQ(asked->title, "Save Picture or Create New Picture");
    EXPECT_EQ(asked->fileName, w->CURRENT_PATH);
    EXPECT_EQ(asked->filter, w->WKFILTER);
    EXPECT_EQ(asked->filterIndex, c.filterIndex);
    EXPECT_EQ(w->SaveDialog1.defaultExt, c.defaultExt);
}

INSTANTIATE_TEST_SUITE_P(Extensions, EditSaveTest,
                         ::testing::Values(EditSaveCase{"x.png", 5, "PNG"}, EditSaveCase{"a.bmp", 1, "BMP"},
                                           EditSaveCase{"c.JPEG", 4, "JPEG"}, EditSaveCase{"d.tif", 7, "TIF"},
                                           EditSaveCase{"e.wmf", 8, "WMF"}, EditSaveCase{"f.psd", 2, "PSD"}),
                         [](const auto &info) {
                             std::string n = info.param.name;
                             return n.substr(n.find('.') + 1);
                         });

TEST_F(UndoSaveTest, EditSaveWritesTheWorkingPictureInTheChosenFormat)
{
    const QString path = openPicture("x.png", kGrey);
    drawLine(20, kRed);
    w->setActiveTab(MainTab::Edit);
    const QString target = rootFile("Pictures/copy.jpg");
    dialogs->saveAnswers.push_back({true, {target}, 3});
    w->SaveBtnClick();
    const QImage saved(target);
    ASSERT_FALSE(saved.isNull());
    EXPECT_TRUE(near(saved.pixel(60, 20), kRed, 40));
    // The editor keeps its path and its unsaved mark.
    EXPECT_EQ(w->CURRENT_PATH, path);
    EXPECT_TRUE(w->NEEDSAVE_FLG);
    EXPECT_EQ(w->SaveDialog1.filterIndex, 3);
}

TEST_F(UndoSaveTest, SaveThatCannotBeWrittenKeepsTheOldFile)
{
    openPicture("x.png", kGrey);
    w->setActiveTab(MainTab::Edit);
    const QString target = rootFile("Pictures/old.xyz");
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old contents");
    }
    dialogs->saveAnswers.push_back({true, {target}, 5});
    EXPECT_THROW(w->SaveBtnClick(), orvane::Error);
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("old contents"));
}

TEST_F(UndoSaveTest, BatchSaveShowsTheDialogAndWritesNothing)
{
    openPicture("x.png", kGrey);
    w->setActiveTab(MainTab::Batch);
    const QString target = rootFile("Pictures/batch.png");
    dialogs->saveAnswers.push_back({true, {target}, 5});
    w->SaveBtnClick();
    EXPECT_EQ(dialogs->count("save"), 1);
    EXPECT_FALSE(QFileInfo::exists(target));
}

TEST_F(UndoSaveTest, ThumbnailSaveWritesTheWholePictureOfTheSelectedThumbnail)
{
    const QString source = writePicture(rootFile("Pictures/thumb.png"), 640, 480, kBlue);
    w->setActiveTab(MainTab::ThumbNails);
    w->SaveBtnClick(); // nothing selected: no dialog
    EXPECT_EQ(dialogs->count("save"), 0);

    auto *item = new QListWidgetItem("thumb.png", w->ListBox7);
    item->setData(Qt::UserRole, source);
    w->ListBox7->setCurrentItem(item);
    const QString target = rootFile("Pictures/out.bmp");
    dialogs->saveAnswers.push_back({true, {target}, 1});
    w->SaveBtnClick();
    const Asked *asked = dialogs->last("save");
    ASSERT_NE(asked, nullptr);
    EXPECT_EQ(asked->title, "Save Photo in ThumbNail to Folder");
    EXPECT_EQ(asked->filterIndex, 3);
    EXPECT_EQ(asked->fileName, source);
    const QImage saved(target);
    EXPECT_EQ(saved.size(), QSize(640, 480));
    EXPECT_EQ(saved.pixel(10, 10), kBlue);
}

struct NameCheckCase {
    MainTab tab;
    const char *field;
    const char *warning;
};

class NameCheckTest : public UndoSaveTest, public ::testing::WithParamInterface<NameCheckCase> {};

TEST_P(NameCheckTest, SaveNeedsANameFirst)
{
    const NameCheckCase &c = GetParam();
    QWidget *tab = c.tab == MainTab::SlideShow ? w->TabSlideShow : w->TabOrganize;
    auto *field = tab->findChild<QLineEdit *>(c.field);
    if (!field) {
        field = new QLineEdit(tab);
        field->setObjectName(c.field);
    }
    w->setActiveTab(c.tab);
    field->setText("   ");
    w->SaveBtnClick();
    const Asked *asked = dialogs->last("warning");
    ASSERT_NE(asked, nullptr);
    EXPECT_EQ(asked->text, c.warning);
    EXPECT_EQ(dialogs->count("save"), 0);

    field->setText("Holiday");
    w->SaveBtnClick();
    EXPECT_EQ(dialogs->count("warning"), 1);
    EXPECT_EQ(dialogs->count("save"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Tabs, NameCheckTest,
    ::testing::Values(
        NameCheckCase{MainTab::SlideShow, "Edit11", "You must Enter a Slide Show Name and Description before saving."},
        NameCheckCase{MainTab::Organize, "Edit8", "You must Enter a Photo Album Name and Description before saving."}),
    [](const auto &info) { return std::string(info.param.field); });
