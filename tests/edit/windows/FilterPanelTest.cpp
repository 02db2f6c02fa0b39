// The filter panel of the Edit sub-tab: the lists, the parameter rows and
// grips each filter gets, the inputs every run starts from, the undo step
// of a choice, and the background runs of a drag.
#include "EditFixture.h"

#include <QComboBox>
#include <QGraphicsOpacityEffect>
#include <QLocale>
#include <QTest>

using namespace orvane;
using namespace orvane::testing;

namespace {

class FilterPanelTest : public EditWindowTest {
protected:
    void SetUp() override
    {
        EditWindowTest::SetUp();
        openPicture(quarterPicture(320, 240));
    }
};

} // namespace

TEST_F(FilterPanelTest, StartUpListsTheCategoriesAndSelectsTheFirstTransition)
{
    QStringList shown;
    for (int i = 0; i < w->ListBox1->count(); ++i)
        shown << w->ListBox1->item(i)->text();
    EXPECT_EQ(shown, QStringList({"  Blur", "  Color", "  ColorAdjust", "  Composite", "  Distortion", "  Generator",
                                  "  Geometry", "  Style", "  Tiles", "  Transition"}));
    const QStringList transitions = filters::filtersInCategory("Transition");
    for (QListWidget *list : {w->ListBox4, w->ListBox12}) {
        ASSERT_NE(list, nullptr);
        ASSERT_EQ(list->count(), transitions.size());
        EXPECT_EQ(list->currentRow(), 0);
        EXPECT_EQ(list->item(0)->text(), transitions.first());
    }
}

TEST_F(FilterPanelTest, ACategoryListsItsFiltersWithoutTouchingTheCurrentFilter)
{
    chooseFilter("Style", "Sepia");
    const auto sepia = w->Filter;
    QListWidgetItem *blur = itemWithText(w->ListBox1, "  Blur");
    w->ListBox1->setCurrentItem(blur);
    w->ListBox1Click();
    QStringList shown;
    for (int i = 0; i < w->ListBox2->count(); ++i)
        shown << w->ListBox2->item(i)->text();
    EXPECT_EQ(shown, QStringList({"  BoxBlur", "  DirectionalBlur", "  GaussianBlur", "  RadialBlur"}));
    EXPECT_TRUE(w->ListBox2->selectedItems().isEmpty());
    EXPECT_EQ(w->Filter, sepia);
    EXPECT_EQ(w->ListBox3->count(), 1) << "the rows stay";

    // Nothing selected: nothing happens.
    w->ListBox1->clearSelection();
    w->ListBox1Click();
    EXPECT_EQ(w->ListBox2->count(), 4);
}

TEST_F(FilterPanelTest, AClickOnTheListsChoosesTheFilter)
{
    showMain();
    w->setActiveTab(MainTab::Edit);
    QApplication::processEvents();
    auto click = [](QListWidget *list, const QString &text) {
        QListWidgetItem *item = itemWithText(list, text);
        ASSERT_NE(item, nullptr);
        list->scrollToItem(item);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
    };
    click(w->ListBox1, "  Style");
    EXPECT_NE(itemWithText(w->ListBox2, "  Sepia"), nullptr);
    click(w->ListBox1, "  Color");
    click(w->ListBox2, "  Invert");
    ASSERT_TRUE(w->Filter);
    EXPECT_EQ(w->Filter->name(), "Invert");
    EXPECT_EQ(w->Rec.Name, "Invert");
    EXPECT_TRUE(samePicture(w->Image1->Bitmap(), expected("Invert")));

    // Enter on the lists chooses as a click does.
    w->ListBox2->setCurrentItem(itemWithText(w->ListBox2, "  Monochrome"));
    QTest::keyClick(w->ListBox2, Qt::Key_Return);
    EXPECT_EQ(w->Filter->name(), "Monochrome");
}

TEST_F(FilterPanelTest, EachChoiceStartsFromTheOpenedPicture)
{
    chooseFilter("Blur", "GaussianBlur");
    EXPECT_TRUE(samePicture(w->Image1->Bitmap(), expected("GaussianBlur")));
    chooseFilter("Style", "Sepia");
    EXPECT_TRUE(samePicture(w->Image1->Bitmap(), expected("Sepia"))) << "only the sepia of the opened picture";
    auto sepia = filters::createFilter("Sepia");
    sepia->setBitmap("Input", expected("GaussianBlur"));
    EXPECT_FALSE(samePicture(w->Image1->Bitmap(), sepia->output())) << "the blur is gone";
    EXPECT_TRUE(w->NEEDSAVE_FLG);
}

TEST_F(FilterPanelTest, MovingASliderDiscardsWhatWasDrawn)
{
    chooseFilter("Style", "Sharpen");
    QImage drawn = w->Image1->Bitmap().convertToFormat(QImage::Format_ARGB32);
    {
        QPainter p(&drawn);
        p.fillRect(10, 10, 50, 5, Qt::white);
    }
    w->Image1->setBitmap(drawn);
    auto *track = row(0)->findChild<TTrackBar *>("track");
    ASSERT_NE(track, nullptr);
    track->SetValue(1.5);
    EXPECT_DOUBLE_EQ(w->EditFilter->floatValue("Amount"), 1.5);
    EXPECT_TRUE(samePicture(w->Image1->Bitmap(), expected("Sharpen", [](filters::Filter &f) {
        f.setFloat("Amount", 1.5);
    })));
}

TEST_F(FilterPanelTest, FloatRowsShowNameRangeAndDescription)
{
    chooseFilter("Style", "Sharpen");
    ASSERT_EQ(w->ListBox3->count(), 1);
    EXPECT_EQ(rowText(0), "Amount(0.00-2.00)");
    QWidget *r = row(0);
    EXPECT_EQ(r->objectName(), "trackitem");
    EXPECT_EQ(w->ListBox3->item(0)->sizeHint().height(), 45);
    auto *track = r->findChild<TTrackBar *>("track");
    ASSERT_NE(track, nullptr);
    EXPECT_EQ(track->width(), 123);
    EXPECT_DOUBLE_EQ(track->Min(), 0.0);
    EXPECT_DOUBLE_EQ(track->Max(), 2.0);
    filters::TFilterRec rec;
    ASSERT_TRUE(filters::filterRec("Sharpen", &rec));
    EXPECT_DOUBLE_EQ(track->Value(), rec.Values[0].Default.Float);
    auto *desc = r->findChild<QLabel *>("desc");
    ASSERT_NE(desc, nullptr);
    EXPECT_EQ(desc->text(), rec.Values[0].Desc);
    auto *dim = qobject_cast<QGraphicsOpacityEffect *>(desc->graphicsEffect());
    ASSERT_NE(dim, nullptr);
    EXPECT_DOUBLE_EQ(dim->opacity(), 0.6);

    chooseFilter("Blur", "BoxBlur");
    EXPECT_EQ(rowText(0), "BlurAmount(0.01-10.00)");
    chooseFilter("ColorAdjust", "Contrast");
    EXPECT_EQ(rowText(0), "Brightness(-1.00-1.00)");
    EXPECT_EQ(rowText(1), "Contrast(0.00-2.00)");
}

TEST_F(FilterPanelTest, RangesUseTheUsersDecimalSeparator)
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    chooseFilter("Style", "Sharpen");
    QLocale::setDefault(before);
    EXPECT_EQ(rowText(0), "Amount(0,00-2,00)");
}

TEST_F(FilterPanelTest, RowsFadeInOneAfterAnother)
{
    chooseFilter("ColorAdjust", "Bloom"); // four float parameters
    ASSERT_EQ(w->ListBox3->count(), 4);
    for (int i = 0; i < 4; ++i) {
        auto *effect = qobject_cast<QGraphicsOpacityEffect *>(row(i)->graphicsEffect());
        ASSERT_NE(effect, nullptr) << i;
        EXPECT_DOUBLE_EQ(effect->opacity(), 0.0) << i;
    }
    // 0.55 s after the choice the first row is opaque and the last (from 0.3 s) is fading.
    QTest::qWait(550);
    EXPECT_EQ(row(0)->graphicsEffect(), nullptr);
    auto *last = qobject_cast<QGraphicsOpacityEffect *>(row(3)->graphicsEffect());
    ASSERT_NE(last, nullptr);
    EXPECT_GT(last->opacity(), 0.0);
    EXPECT_LT(last->opacity(), 1.0);
    for (int t = 0; t < 50 && row(3)->graphicsEffect(); ++t)
        QTest::qWait(20);
    EXPECT_EQ(row(3)->graphicsEffect(), nullptr) << "fully shown";
}

TEST_F(FilterPanelTest, ColourRowsSetTheColourParameter)
{
    chooseFilter("Style", "GlowFilter");
    ASSERT_EQ(w->ListBox3->count(), 2);
    EXPECT_EQ(row(1)->objectName(), "coloritem");
    EXPECT_EQ(w->ListBox3->item(1)->sizeHint().height(), 64);
    EXPECT_EQ(rowText(1), "Color");
    auto *box = row(1)->findChild<TColorComboBox *>("color");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->width(), 88);
    filters::TFilterRec rec;
    ASSERT_TRUE(filters::filterRec("GlowFilter", &rec));
    EXPECT_EQ(box->Color(), rec.Values[1].Default.Color);

    w->NEEDSAVE_FLG = false;
    box->SetColor(0xFF0000FF);
    EXPECT_EQ(w->EditFilter->colorValue("Color"), 0xFF0000FFu);
    EXPECT_TRUE(samePicture(w->Image1->Bitmap(), expected("GlowFilter", [](filters::Filter &f) {
        f.setColor("Color", 0xFF0000FF);
    })));
    EXPECT_TRUE(w->NEEDSAVE_FLG);
}

TEST_F(FilterPanelTest, PointParametersGetAGripThatMovesTheCentre)
{
    showMain();
    w->setActiveTab(MainTab::Edit);
    QApplication::processEvents();
    chooseFilter("Distortion", "Swirl");
    EXPECT_EQ(w->ListBox3->count(), 2) << "SpiralStrength and AspectRatio; the centre is a grip";
    ASSERT_EQ(grips().size(), 1);
    TSelectionPoint *grip = grips().first();
    filters::TFilterRec rec;
    ASSERT_TRUE(filters::filterRec("Swirl", &rec));
    const QPointF start = rec.Values[rec.indexOf("Center")].Default.Point;
    EXPECT_EQ(grip->Position(), start);
    EXPECT_EQ(grip->parentWidget(), w->Image1);
    EXPECT_EQ(grip->width(), 2 * 7 + 1);
    // The grip sits over its point of the picture.
    const QPointF under = w->Image1->toBitmap(QPointF(grip->geometry().center()) + QPointF(0.5, 0.5));
    EXPECT_NEAR(under.x(), start.x(), 2.0);
    EXPECT_NEAR(under.y(), start.y(), 2.0);

    // Drag it 30 control units right and 20 down.
    const QPoint mid(7, 7);
    QTest::mousePress(grip, Qt::LeftButton, {}, mid);
    QMouseEvent move(QEvent::MouseMove, QPointF(mid + QPoint(15, 10)), grip->mapToGlobal(QPointF(mid + QPoint(15, 10))),
                     Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(grip, &move);
    QMouseEvent move2(QEvent::MouseMove, QPointF(mid + QPoint(15, 10)), grip->mapToGlobal(QPointF(mid + QPoint(15, 10))),
                      Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(grip, &move2); // the grip has moved: the same pointer is 15, 10 further again
    QTest::mouseRelease(grip, Qt::LeftButton, {}, mid);
    const QPointF moved = grip->Position();
    EXPECT_GT(moved.x(), start.x() + 5);
    EXPECT_GT(moved.y(), start.y() + 5);
    EXPECT_EQ(w->EditFilter->pointValue("Center"), moved);
    EXPECT_TRUE(samePicture(w->Image1->Bitmap(), expected("Swirl", [&](filters::Filter &f) {
        f.setPoint("Center", moved);
    })));

    // From the keyboard: an arrow key moves the centre a pixel, Shift ten.
    QTest::keyClick(grip, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(grip, Qt::Key_Down);
    EXPECT_EQ(grip->Position(), moved + QPointF(-10, 1));
    EXPECT_EQ(w->EditFilter->pointValue("Center"), grip->Position());
    EXPECT_TRUE(samePicture(w->Image1->Bitmap(), expected("Swirl", [&](filters::Filter &f) {
        f.setPoint("Center", moved + QPointF(-10, 1));
    })));

    chooseFilter("Style", "Sepia");
    EXPECT_TRUE(grips().isEmpty()) << "choosing another filter removes the grip";
}

TEST_F(FilterPanelTest, ATransitionWithoutAPreviousPictureHasAnEmptyTarget)
{
    ASSERT_TRUE(w->Image3->isEmpty());
    chooseFilter("Transition", "FadeTransition");
    EXPECT_TRUE(w->EditFilter->bitmapValue("Target").isNull());
    EXPECT_EQ(w->Image1->Bitmap().size(), w->Image2->Bitmap().size());
    EXPECT_TRUE(samePicture(w->Image1->Bitmap(), expected("FadeTransition")));
    EXPECT_LT(qAlpha(w->Image1->Bitmap().pixel(10, 10)), 255) << "part of the way to nothing";

    // With a previous picture the transition leads to it.
    w->Image3->setBitmap(quarterPicture(320, 240).mirrored(true, false));
    auto *track = row(0)->findChild<TTrackBar *>("track");
    ASSERT_NE(track, nullptr);
    track->SetValue(100);
    EXPECT_TRUE(samePicture(w->Image1->Bitmap(), w->Image3->Bitmap()));
}

TEST_F(FilterPanelTest, ChoosingAFilterAddsOneUndoStepWithTheDefaults)
{
    w->PICTFILENAME = "photo.png";
    w->SaveUndoSnapshot();
    const int before = w->IMAGE_ARRPOS;
    chooseFilter("Style", "Sepia");
    EXPECT_EQ(w->IMAGE_ARRPOS, before + 1);
    auto *track = row(0)->findChild<TTrackBar *>("track");
    track->SetValue(0.2);
    EXPECT_EQ(w->IMAGE_ARRPOS, before + 1) << "parameter changes add no step";
    w->FinishUndoWrites();
    const QImage step(w->PICTFOLDER + w->DRWIMAGE_ARR[w->IMAGE_ARRPOS][0]);
    EXPECT_TRUE(samePicture(step, expected("Sepia")));
}

TEST_F(FilterPanelTest, DraggingASliderEndsWithTheLatestSetting)
{
    chooseFilter("Blur", "GaussianBlur");
    auto *track = row(0)->findChild<TTrackBar *>("track");
    ASSERT_NE(track, nullptr);
    track->setSliderDown(true);
    for (double v : {2.0, 4.5, 1.25, 7.0, 3.5})
        track->SetValue(v);
    w->waitForFilter();
    EXPECT_TRUE(samePicture(w->Image1->Bitmap(), expected("GaussianBlur", [](filters::Filter &f) {
        f.setFloat("BlurAmount", 3.5);
    })));
    track->setSliderDown(false);
}

TEST_F(FilterPanelTest, ABackgroundResultForAnEarlierPictureIsDropped)
{
    chooseFilter("Blur", "GaussianBlur");
    auto *track = row(0)->findChild<TTrackBar *>("track");
    track->setSliderDown(true);
    track->SetValue(6.0);
    // Another picture is opened before the run's result reaches the window.
    const QImage other = quarterPicture(200, 100).mirrored(true, true);
    w->Image2->setBitmap(other);
    w->Image1->setBitmap(other);
    w->waitForFilter();
    EXPECT_TRUE(samePicture(w->Image1->Bitmap(), other));
    track->setSliderDown(false);
    // The rows stay and now filter the newly opened picture.
    track->SetValue(2.0);
    EXPECT_EQ(w->Image1->Bitmap().size(), QSize(200, 100));
    EXPECT_TRUE(samePicture(w->Image1->Bitmap(), expected("GaussianBlur", [](filters::Filter &f) {
        f.setFloat("BlurAmount", 2.0);
    })));
}

TEST_F(FilterPanelTest, AQuickAdjustmentDoesNotTakeOverTheEditRows)
{
    chooseFilter("Style", "Sharpen");
    w->Image10->setBitmap(quarterPicture(50, 40));
    w->TrackBar8->SetValue(0.5); // Hue on the Batch tab
    ASSERT_EQ(w->Filter->name(), "HueAdjust");
    auto *track = row(0)->findChild<TTrackBar *>("track");
    track->SetValue(1.0);
    EXPECT_EQ(w->EditFilter->name(), "Sharpen");
    EXPECT_TRUE(samePicture(w->Image1->Bitmap(), expected("Sharpen", [](filters::Filter &f) {
        f.setFloat("Amount", 1.0);
    })));
}
