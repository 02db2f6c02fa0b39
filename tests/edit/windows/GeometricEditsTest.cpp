// Rotation, resizing and flipping on the Edit sub-tab, through the real
// handlers and, for the size fields, real key presses: which picture slot
// each edit starts from, the aspect lock, the change flag and the panel's
// visibility rules.
#include "EditFixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QLayout>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <QToolButton>

using namespace orvane;
using namespace orvane::testing;

namespace {

class GeometricEditsTest : public EditWindowTest {
protected:
    void SetUp() override
    {
        EditWindowTest::SetUp();
        openPicture(quarterPicture(400, 300));
    }

    void typeInto(QLineEdit *field, const QString &text)
    {
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClicks(field, text);
    }
};

int pixelsOfColour(const QImage &image, QRgb colour)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    int n = 0;
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x)
            n += argb.pixel(x, y) == colour;
    return n;
}

} // namespace

TEST_F(GeometricEditsTest, RotationStartsFromTheOpenedPictureSoADrawnLineIsGone)
{
    QImage drawn = w->Image1->Bitmap().convertToFormat(QImage::Format_ARGB32);
    {
        QPainter p(&drawn);
        p.setPen(QPen(QColor(0xFF, 0xFF, 0xFF), 5));
        p.drawLine(20, 20, 380, 280);
    }
    w->Image1->setBitmap(drawn);
    ASSERT_GT(pixelsOfColour(w->Image1->Bitmap(), 0xFFFFFFFF), 500);

    w->TrackBar1->setValue(10);
    EXPECT_EQ(pixelsOfColour(w->Image1->Bitmap(), 0xFFFFFFFF), 0);
    w->TrackBar1->setValue(0);
    EXPECT_TRUE(samePicture(w->Image1->Bitmap(), w->Image2->Bitmap())) << "back at 0 the opened picture shows";
    // The stroke snapshot is not refreshed by rotation.
    EXPECT_TRUE(samePicture(w->Image6->Bitmap(), w->Image2->Bitmap()));
}

struct RotationCase {
    int angle;
    int width, height;
    bool transparentCorner;
    const char *label;
};

class RotationSizeTest : public GeometricEditsTest, public ::testing::WithParamInterface<RotationCase> {};

TEST_P(RotationSizeTest, GrowsToTheBoundingBoxWithoutMarkingThePictureChanged)
{
    const RotationCase c = GetParam();
    w->TrackBar1->setValue(c.angle);
    const QImage turned = w->Image1->Bitmap();
    EXPECT_NEAR(turned.width(), c.width, 1);
    EXPECT_NEAR(turned.height(), c.height, 1);
    EXPECT_EQ(qAlpha(turned.pixel(0, 0)) == 0, c.transparentCorner);
    EXPECT_EQ(qAlpha(turned.pixel(turned.width() / 2, turned.height() / 2)), 255);
    EXPECT_EQ(w->Label26->text(), QString::fromLatin1(c.label));
    // Opening another picture would ask nothing: rotation is no unsaved edit.
    EXPECT_FALSE(w->NEEDSAVE_FLG);
    EXPECT_TRUE(samePicture(w->Image2->Bitmap(), quarterPicture(400, 300))) << "the opened picture is never edited";
}

INSTANTIATE_TEST_SUITE_P(Angles, RotationSizeTest,
                         ::testing::Values(RotationCase{90, 300, 400, false, "90"},
                                           RotationCase{180, 400, 300, false, "180"},
                                           // 400 cos 45 + 300 sin 45 = 494.97, truncated
                                           RotationCase{45, 494, 494, true, "45"},
                                           RotationCase{360, 400, 300, false, "360"}));

TEST_F(GeometricEditsTest, QuarterTurnMovesTheQuartersClockwise)
{
    w->TrackBar1->setValue(90);
    const QImage turned = w->Image1->Bitmap().convertToFormat(QImage::Format_ARGB32);
    const QImage original = w->Image2->Bitmap();
    // The top left quarter of the picture ends at the top right.
    EXPECT_EQ(turned.pixel(299, 0), original.pixel(0, 0));
    EXPECT_EQ(turned.pixel(0, 0), original.pixel(0, 299)) << "bottom left goes to top left";
}

TEST_F(GeometricEditsTest, RotateButtonTogglesTheSliderAndDisarmsResize)
{
    w->ResizeBtnClick();
    ASSERT_TRUE(w->RESIZEON_FLG);
    w->RotateBtnClick();
    EXPECT_FALSE(w->TrackBar1->isHidden());
    EXPECT_FALSE(w->Label26->isHidden());
    EXPECT_EQ(w->Label26->text(), "0         360");
    EXPECT_EQ(w->TrackBar1->minimum(), 0);
    EXPECT_EQ(w->TrackBar1->maximum(), 360);
    for (QWidget *hidden : std::initializer_list<QWidget *>{w->RSzeHBtn, w->RSzeWBtn, w->CHKASPK, w->Switch1})
        EXPECT_TRUE(hidden->isHidden()) << hidden->objectName().toStdString();
    EXPECT_FALSE(w->RESIZEON_FLG);
    w->RotateBtnClick();
    EXPECT_TRUE(w->TrackBar1->isHidden());
    EXPECT_TRUE(w->Label26->isHidden());
}

TEST_F(GeometricEditsTest, AspectLockFollowsTheTypedSideWithoutEchoAndEnterResizes)
{
    w->ResizeBtnClick(); // arms: shows the fields, resizes nothing
    EXPECT_TRUE(w->RESIZEON_FLG);
    EXPECT_FALSE(w->RSzeHBtn->isHidden());
    EXPECT_FALSE(w->CHKASPK->isHidden());
    EXPECT_TRUE(w->CHKASPK->isChecked());
    EXPECT_EQ(w->Image1->Bitmap().size(), QSize(400, 300));

    typeInto(w->RSzeHBtn, "150");
    EXPECT_EQ(w->RSzeWBtn->text(), "200") << "after the keystroke";
    EXPECT_EQ(w->RSzeHBtn->text(), "150") << "the typed field is not rewritten by its own echo";
    EXPECT_TRUE(w->CHKASPK->isChecked());

    typeInto(w->RSzeWBtn, "200");
    EXPECT_EQ(w->RSzeHBtn->text(), "150") << "the width counts only when committed";
    typeInto(w->RSzeWBtn, "100");
    QTest::keyClick(w->RSzeWBtn, Qt::Key_Return);
    EXPECT_EQ(w->RSzeHBtn->text(), "75");
    EXPECT_EQ(w->Image1->Bitmap().size(), QSize(100, 75));
    EXPECT_TRUE(w->NEEDSAVE_FLG);

    // Enter in the height field resizes too.
    typeInto(w->RSzeHBtn, "150");
    QTest::keyClick(w->RSzeHBtn, Qt::Key_Enter);
    EXPECT_EQ(w->Image1->Bitmap().size(), QSize(200, 150));
}

TEST_F(GeometricEditsTest, WithoutTheLockTheFieldsAreIndependent)
{
    w->ResizeBtnClick();
    w->CHKASPK->setChecked(false);
    typeInto(w->RSzeHBtn, "120");
    EXPECT_EQ(w->RSzeWBtn->text(), "400");
    typeInto(w->RSzeWBtn, "90");
    QTest::keyClick(w->RSzeWBtn, Qt::Key_Return);
    EXPECT_EQ(w->RSzeHBtn->text(), "120");
    EXPECT_EQ(w->Image1->Bitmap().size(), QSize(90, 120)) << "the proportions are the ones typed";
}

TEST_F(GeometricEditsTest, SecondPressResizesAgainAndMarksTheChange)
{
    w->ResizeBtnClick();
    EXPECT_FALSE(w->NEEDSAVE_FLG);
    // Something drawn before the resize is what the stroke snapshot keeps.
    QImage drawn = w->Image1->Bitmap().convertToFormat(QImage::Format_ARGB32);
    drawn.setPixel(5, 5, 0xFF000000);
    w->Image1->setBitmap(drawn);
    w->ResizeBtnClick();
    EXPECT_EQ(w->Image1->Bitmap().size(), QSize(400, 300));
    EXPECT_TRUE(w->NEEDSAVE_FLG);
    EXPECT_TRUE(samePicture(w->Image6->Bitmap(), drawn)) << "snapshot taken just before the resize";
    EXPECT_EQ(w->Image1->wrapMode(), TImage::WrapMode::Original);
    EXPECT_TRUE(w->RESIZEON_FLG) << "each further press resizes again";
}

struct SizeText {
    const char *width, *height;
    QSize result; // empty: the picture stays as it was
};

class SizeTextTest : public GeometricEditsTest, public ::testing::WithParamInterface<SizeText> {};

TEST_P(SizeTextTest, FieldsReadTheirLeadingInteger)
{
    const SizeText c = GetParam();
    w->ResizeBtnClick();
    w->CHKASPK->setChecked(false);
    w->RSzeWBtn->setText(QString::fromLatin1(c.width));
    w->RSzeHBtn->setText(QString::fromLatin1(c.height));
    w->ResizeBtnClick();
    if (c.result.isEmpty()) {
        // No picture of that size: the working picture is kept, not emptied.
        EXPECT_TRUE(samePicture(w->Image1->Bitmap(), w->Image2->Bitmap()));
        EXPECT_FALSE(w->NEEDSAVE_FLG);
    } else {
        EXPECT_EQ(w->Image1->Bitmap().size(), c.result);
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, SizeTextTest,
                         ::testing::Values(SizeText{"120px", " 80", QSize(120, 80)},
                                           SizeText{"+64", "32.9", QSize(64, 32)},
                                           SizeText{"abc", "100", QSize()}, SizeText{"100", "0", QSize()},
                                           SizeText{"-20", "100", QSize()},
                                           SizeText{"40000", "40000", QSize()}));

TEST_F(GeometricEditsTest, LargePicturesShowAtTheTopLeftSmallOnesCentred)
{
    showMain();
    w->setActiveTab(MainTab::Edit);
    QApplication::processEvents();
    QLayout *canvas = w->Image1->parentWidget()->layout();
    ASSERT_NE(canvas, nullptr);
    auto alignment = [&] { return canvas->alignment(); };

    w->ResizeBtnClick();
    w->CHKASPK->setChecked(false);
    w->RSzeWBtn->setText("3000");
    w->RSzeHBtn->setText("2000");
    w->ResizeBtnClick();
    QApplication::processEvents();
    EXPECT_EQ(w->Image1->size(), QSize(3000, 2000));
    EXPECT_EQ(alignment(), Qt::AlignLeft | Qt::AlignTop);
    EXPECT_TRUE(w->ScrollBox1->horizontalScrollBar()->isVisible());

    w->RSzeWBtn->setText("100");
    w->RSzeHBtn->setText("80");
    w->ResizeBtnClick();
    QApplication::processEvents();
    EXPECT_EQ(w->Image1->size(), QSize(100, 80));
    EXPECT_EQ(alignment(), Qt::AlignCenter);
    EXPECT_FALSE(w->ScrollBox1->horizontalScrollBar()->isVisible());
}

TEST_F(GeometricEditsTest, FlipThreeTimesWithTheSwitchOffMirrorsLeftToRight)
{
    ASSERT_TRUE(w->Switch1->isHidden());
    for (int i = 0; i < 3; ++i)
        w->FlipBtnClick();
    EXPECT_FALSE(w->Switch1->isHidden());
    EXPECT_TRUE(samePicture(w->Image1->Bitmap(), w->Image2->Bitmap().mirrored(true, false)));
    EXPECT_FALSE(w->NEEDSAVE_FLG);
    EXPECT_TRUE(samePicture(w->Image6->Bitmap(), w->Image2->Bitmap())) << "no snapshot refresh";

    w->Switch1->setChecked(true);
    w->FlipBtnClick();
    EXPECT_TRUE(samePicture(w->Image1->Bitmap(), w->Image2->Bitmap().mirrored(true, true)))
        << "on flips top to bottom";
}

TEST_F(GeometricEditsTest, FlipHidesTheSizeFieldsButKeepsResizeArmed)
{
    w->ResizeBtnClick();
    w->FlipBtnClick();
    EXPECT_TRUE(w->RSzeHBtn->isHidden());
    EXPECT_TRUE(w->RSzeWBtn->isHidden());
    EXPECT_FALSE(w->CHKASPK->isHidden()) << "the aspect box stays as it was";
    EXPECT_TRUE(w->RESIZEON_FLG);
    w->ResizeBtnClick();
    EXPECT_TRUE(w->RSzeHBtn->isHidden()) << "a later press changes no visibility";
    EXPECT_TRUE(w->NEEDSAVE_FLG) << "but resizes";
}

TEST_F(GeometricEditsTest, DraggingTheAngleRunsInTheBackgroundAndEndsAsADirectTurn)
{
    w->TrackBar1->setSliderDown(true);
    for (int angle : {5, 17, 33, 61})
        w->TrackBar1->setValue(angle);
    EXPECT_EQ(w->Label26->text(), "61") << "the label follows at once";
    w->TrackBar1->setSliderDown(false); // releasing waits for the last angle
    EXPECT_TRUE(samePicture(w->Image1->Bitmap(), filters::rotated(w->Image2->Bitmap(), 61)));
}
