// Drawing on the working picture through the real pointer handlers: the tool
// modes and switches, the rectangle rule and its left-over rectangle, the
// stroke snapshot during a drag, arcs, text, the merge source, and the
// Shapes sub-tab.
#include "app/AppFixture.h"

#include "core/TOrvane1.h"
#include "core/widgets/ImageControl.h"
#include "edit/ColorPanel.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>

using namespace orvane;
using namespace orvane::testing;

namespace {

constexpr QRgb kPaper = 0xFFFFFFFF;
constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kGreen = 0xFF00FF00;
constexpr QRgb kBlue = 0xFF0000FF;

bool near(QRgb a, QRgb b, int tolerance = 40)
{
    return qAbs(qRed(a) - qRed(b)) <= tolerance && qAbs(qGreen(a) - qGreen(b)) <= tolerance &&
           qAbs(qBlue(a) - qBlue(b)) <= tolerance;
}

class DrawingTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        createWindows();
        w = Orvane1;
        // The Draw sub-tab is active; leaving the Edit sub-tab shows the picture at pixel size.
        w->TabControl2->setCurrentWidget(w->TabItem7);
        openPicture("photo.png", 400, 300, kPaper);
    }

    // Opens a picture into the editor as the viewer does: the working, opened
    // and snapshot pictures, its names, and its first undo step.
    void openPicture(const QString &name, int width, int height, QRgb colour)
    {
        const QString path = writePicture(rootFile("Pictures/" + name), width, height, colour);
        const QImage picture(path);
        w->CURRENT_PATH = w->HLDPATH = w->CURRENT_PHOTOPATH = path;
        w->PICTFILENAME = name;
        w->Image1->setBitmap(picture);
        w->Image2->setBitmap(picture);
        w->Image6->setBitmap(picture);
        w->SaveUndoSnapshot();
    }

    void press(float x, float y, Qt::MouseButton button = Qt::LeftButton)
    {
        emit w->Image1->pressed(button, QPointF(x, y));
    }
    void move(float x, float y) { emit w->Image1->moved(Qt::LeftButton, QPointF(x, y)); }
    void release(float x, float y) { emit w->Image1->released(Qt::LeftButton, QPointF(x, y)); }
    void stroke(QPointF from, QPointF to)
    {
        press(from.x(), from.y());
        move(to.x(), to.y());
        release(to.x(), to.y());
    }

    // A red pen of width 3: strokes cover whole pixels on both sides of the line.
    void redPen()
    {
        w->TrackBar2->setValue(3);
        w->ColorPanel1->setColor(QColor::fromRgba(kRed));
    }

    QRgb pixel(int x, int y) const { return w->Image1->Bitmap().pixel(x, y); }
    static bool lampOn(TImage *lamp) { return lamp->property("lampOn").toBool(); }

    TOrvane1 *w = nullptr;
};

QRectF edges(qreal left, qreal top, qreal right, qreal bottom)
{
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

} // namespace

// ---------------------------------------------------------------- rectangle tools

struct PixelCheck {
    int x, y;
    bool inked;
};

struct FigureCase {
    const char *name;
    void (TOrvane1::*tool)();
    bool fill;
    std::vector<PixelCheck> checks;
};

class FigureTest : public DrawingTest, public ::testing::WithParamInterface<FigureCase> {};

// Press at (100, 100), drag to (150, 120): the pointer gives the width and
// height from the corner, so the figure spans (100, 100) to (250, 220).
TEST_P(FigureTest, DragMeasuresTheSizeFromTheCorner)
{
    const FigureCase &c = GetParam();
    redPen();
    w->CHKFILL->setChecked(c.fill);
    (w->*c.tool)();
    stroke({100, 100}, {150, 120});
    EXPECT_EQ(w->WKRECT, edges(100, 100, 250, 220));
    for (const PixelCheck &p : c.checks)
        EXPECT_EQ(near(pixel(p.x, p.y), kRed), p.inked) << c.name << " at " << p.x << "," << p.y;
    EXPECT_TRUE(w->NEEDSAVE_FLG);
    EXPECT_EQ(w->IMAGE_ARRPOS, 2);
    // The stroke snapshot now holds the drawing.
    EXPECT_EQ(w->Image6->Bitmap(), w->Image1->Bitmap());
}

INSTANTIATE_TEST_SUITE_P(
    Tools, FigureTest,
    ::testing::Values(
        FigureCase{"rectangle", &TOrvane1::TDRectClick, false,
                   {{100, 160, true}, {249, 160, true}, {175, 100, true}, {175, 219, true}, {100, 100, true},
                    {175, 160, false}, {255, 160, false}, {175, 225, false}}},
        FigureCase{"filled rectangle", &TOrvane1::TDRectClick, true,
                   {{175, 160, true}, {102, 102, true}, {255, 160, false}}},
        FigureCase{"rounded rectangle", &TOrvane1::TDRndRectClick, false,
                   {{175, 100, true}, {100, 160, true}, {100, 100, false}, {175, 160, false}}},
        FigureCase{"ellipse", &TOrvane1::TDEclipseClick, false,
                   {{175, 100, true}, {100, 160, true}, {249, 160, true}, {175, 219, true}, {100, 100, false},
                    {175, 160, false}}},
        FigureCase{"filled ellipse", &TOrvane1::TDEclipseClick, true,
                   {{175, 160, true}, {100, 100, false}, {105, 105, false}}}),
    [](const auto &info) {
        std::string n = info.param.name;
        for (char &ch : n)
            if (ch == ' ')
                ch = '_';
        return n;
    });

TEST_F(DrawingTest, RectanglePreviewFollowsTheDragOverTheSnapshot)
{
    redPen();
    w->TDRectClick();
    press(100, 100);
    move(150, 120);
    // The outline preview uses the canvas's stroke as it is (width 3, black before any release).
    EXPECT_TRUE(near(pixel(100, 160), 0xFF000000));
    EXPECT_EQ(w->Image6->Bitmap().pixel(100, 160), kPaper);
    move(50, 40);
    // Each move starts again from the snapshot: the first preview is gone.
    EXPECT_EQ(pixel(249, 160), kPaper);
    EXPECT_TRUE(near(pixel(149, 120), 0xFF000000));
    release(50, 40);
    EXPECT_EQ(w->WKRECT, edges(100, 100, 150, 140));
}

TEST_F(DrawingTest, LaterRectanglesStartFromThePreviousRectangle)
{
    redPen();
    w->TDRectClick();
    stroke({100, 100}, {150, 120});
    ASSERT_TRUE(w->FRSTRECT_FLG && w->FRSTRNDRECT_FLG && w->FRSTELLIPSE_FLG);

    // A click without a move draws the previous rectangle again, in the pen's new colour.
    w->ColorPanel1->setColor(QColor::fromRgba(kBlue));
    press(380, 20);
    release(380, 20);
    EXPECT_EQ(w->WKRECT, edges(100, 100, 250, 220));
    EXPECT_TRUE(near(pixel(175, 100), kBlue));
    EXPECT_EQ(pixel(380, 20), kPaper);

    // The first move of a new drag measures from the previous corner, then
    // moves the corner to the press point.
    press(300, 50);
    move(20, 30);
    EXPECT_EQ(w->WKRECT.left(), 300);
    EXPECT_EQ(w->WKRECT.top(), 50);
    EXPECT_EQ(w->WKRECT.right(), 120);
    EXPECT_EQ(w->WKRECT.bottom(), 130);
    release(20, 30);
}

// ---------------------------------------------------------------- lines, dots, arcs

TEST_F(DrawingTest, LineHasNoPreviewAndIsDrawnAtTheRelease)
{
    redPen();
    w->TDLineClick();
    press(10, 10);
    move(100, 30);
    EXPECT_EQ(w->Image1->Bitmap(), w->Image6->Bitmap());
    EXPECT_EQ(pixel(55, 20), kPaper);
    release(200, 50);
    EXPECT_EQ(w->P1, QPointF(10, 10));
    EXPECT_EQ(w->P2, QPointF(200, 50));
    EXPECT_TRUE(near(pixel(105, 30), kRed));
    EXPECT_TRUE(near(pixel(198, 49), kRed));
    EXPECT_EQ(pixel(105, 40), kPaper);
    EXPECT_EQ(pixel(250, 60), kPaper);
    // The opened picture, which shared the working picture's pixels, is not painted on.
    EXPECT_EQ(w->Image2->Bitmap().pixel(105, 30), kPaper);
    // Nor is a step file still queued when the next stroke paints.
    stroke({10, 200}, {300, 200});
    w->FinishUndoWrites();
    const QImage step2(rootFile("Temp/photo@2.png"));
    ASSERT_FALSE(step2.isNull());
    EXPECT_TRUE(near(step2.pixel(105, 30), kRed));
    EXPECT_EQ(step2.pixel(150, 200), kPaper);
}

TEST_F(DrawingTest, DotToolLeavesADotAtAClick)
{
    w->TrackBar2->setValue(6);
    w->ColorPanel1->setColor(QColor::fromRgba(kGreen));
    w->TDDotsClick();
    press(50, 60);
    release(50, 60);
    EXPECT_TRUE(near(pixel(50, 60), kGreen));
    EXPECT_EQ(pixel(60, 60), kPaper);
}

TEST_F(DrawingTest, ArcUsesTheReleasePointAsRadiiAndTheStartAngles)
{
    redPen();
    w->TDArchClick();
    EXPECT_FALSE(w->TrackBar3->isHidden());
    EXPECT_FALSE(w->TrackBar4->isHidden());
    EXPECT_EQ(w->TrackBar3->value(), 10); // the sliders show 10, the arc still uses 180 and 180
    press(100, 100);
    release(40, 30);
    EXPECT_EQ(w->WKARCANGLE, 180);
    EXPECT_EQ(w->WKARCANGLE2, 180);
    // The upper half of the ellipse with radii 40 and 30 around (100, 100).
    EXPECT_TRUE(near(pixel(100, 70), kRed));
    EXPECT_TRUE(near(pixel(71, 78), kRed, 80));
    EXPECT_TRUE(near(pixel(128, 78), kRed, 80));
    EXPECT_EQ(pixel(100, 130), kPaper);
    EXPECT_EQ(pixel(100, 100), kPaper);
    w->TDLineClick();
    EXPECT_TRUE(w->TrackBar3->isHidden());
}

TEST_F(DrawingTest, ArcSlidersSetStartAndSweep)
{
    redPen();
    w->TDArchClick();
    w->TrackBar3->setValue(0);
    w->TrackBar4->setValue(90);
    press(100, 100);
    release(40, 40);
    // From 3 o'clock, a quarter turn clockwise: the lower right quarter.
    EXPECT_TRUE(near(pixel(128, 128), kRed, 80));
    EXPECT_EQ(pixel(72, 128), kPaper);
    EXPECT_EQ(pixel(100, 60), kPaper);
}

// ---------------------------------------------------------------- text

TEST_F(DrawingTest, TextRectangleCountsTheLongestLineAsAtLeastAHundred)
{
    w->TDrwOnOffBtn2Click();
    ASSERT_EQ(w->DRAW_MODE, "FONT");
    ASSERT_TRUE(w->DRAW4_FLG && w->DRAW_FLG);
    w->Memo1->setPlainText("ab");
    w->ColorPanel2->setColor(Qt::black);
    press(200, 100);
    EXPECT_EQ(w->WKFONTWIDTH, 1200);
    EXPECT_EQ(w->WKFONTHEIGHT, 12);
    EXPECT_EQ(w->WKRECT, edges(150, 50, 1400, 112));
    move(300, 200); // text mode: a drag changes nothing
    EXPECT_EQ(w->WKRECT, edges(150, 50, 1400, 112));
    release(300, 200);
    // The text sits at the rectangle's left, on its bottom line.
    int inked = 0, stray = 0;
    const QImage &pic = w->Image1->Bitmap();
    for (int y = 0; y < pic.height(); ++y)
        for (int x = 0; x < pic.width(); ++x) {
            if (qGray(pic.pixel(x, y)) > 128)
                continue;
            (x >= 150 && x < 190 && y >= 90 && y <= 112 ? inked : stray)++;
        }
    EXPECT_GT(inked, 5);
    EXPECT_EQ(stray, 0);
    // A text placement clears the start flags.
    EXPECT_FALSE(w->FRSTRECT_FLG || w->FRSTRNDRECT_FLG || w->FRSTELLIPSE_FLG);
}

TEST_F(DrawingTest, TextRectangleOfSeveralLinesAndSizes)
{
    w->TDrwOnOffBtn2Click();
    w->Memo1->setPlainText(QString(130, u'x') + "\nsecond\nthird\n");
    w->ListBox10->setCurrentRow(w->ListBox10->count() - 1); // "72"
    press(10, 20);
    EXPECT_EQ(w->WKFONTWIDTH, 72 * 130);
    EXPECT_EQ(w->WKFONTHEIGHT, 72 * 3);
    EXPECT_EQ(w->Image1Font.pixelSize(), 72);
    EXPECT_EQ(w->Image1Font.family(), QFont("Arial").family());
    release(10, 20);
}

struct StyleCase {
    bool bold, italic, underline, strike;
};

class FontStyleTest : public DrawingTest, public ::testing::WithParamInterface<StyleCase> {};

TEST_P(FontStyleTest, StyleBoxesGiveTheFontStyle)
{
    const StyleCase c = GetParam();
    w->CHKFONTBOLD->setChecked(c.bold);
    w->CHKFONTITALIC->setChecked(c.italic);
    w->CHKFONTUNDRL->setChecked(c.underline);
    w->CHKFONTSTRKE->setChecked(c.strike);
    w->TDrwOnOffBtn2Click();
    w->Memo1->setPlainText("Hello");
    press(100, 100);
    EXPECT_EQ(w->Image1Font.bold(), c.bold);
    EXPECT_EQ(w->Image1Font.italic(), c.italic);
    EXPECT_EQ(w->Image1Font.underline(), c.underline);
    EXPECT_EQ(w->Image1Font.strikeOut(), c.strike);
    release(100, 100);
}

INSTANTIATE_TEST_SUITE_P(Boxes, FontStyleTest,
                         ::testing::Values(StyleCase{false, false, false, false}, StyleCase{true, false, false, false},
                                           StyleCase{false, true, false, false}, StyleCase{false, false, true, false},
                                           StyleCase{false, false, false, true}, StyleCase{true, true, true, true}));

TEST_F(DrawingTest, AllFourStylesDrawMoreInkThanPlainText)
{
    auto inkOf = [this](bool styled) {
        for (QCheckBox *box : {w->CHKFONTBOLD, w->CHKFONTITALIC, w->CHKFONTUNDRL, w->CHKFONTSTRKE})
            box->setChecked(styled);
        w->Image1->setBitmap(w->Image2->Bitmap());
        w->Image6->setBitmap(w->Image2->Bitmap());
        press(100, 100);
        release(100, 100);
        int ink = 0;
        const QImage &pic = w->Image1->Bitmap();
        for (int y = 0; y < pic.height(); ++y)
            for (int x = 0; x < pic.width(); ++x)
                ink += qGray(pic.pixel(x, y)) < 128;
        return ink;
    };
    w->TDrwOnOffBtn2Click();
    w->ColorPanel2->setColor(Qt::black);
    w->ListBox10->setCurrentRow(10); // "28"
    w->Memo1->setPlainText("Hello");
    const int plain = inkOf(false);
    const int styled = inkOf(true);
    EXPECT_GT(plain, 20);
    EXPECT_GT(styled, plain + plain / 4);
}

TEST_F(DrawingTest, EmptyTextDrawsNothingButAddsAStep)
{
    w->TDrwOnOffBtn2Click();
    press(100, 100);
    release(100, 100);
    EXPECT_EQ(w->Image1->Bitmap(), w->Image2->Bitmap());
    EXPECT_EQ(w->IMAGE_ARRPOS, 2);
}

// ---------------------------------------------------------------- switches

TEST_F(DrawingTest, ShapeAndMergeShareOneSwitch)
{
    w->TDrwOnOffBtnClick();
    EXPECT_TRUE(w->DRAW_FLG && w->DRAW2_FLG);
    EXPECT_EQ(w->DRAW_MODE, "SHAPE");
    EXPECT_TRUE(lampOn(w->ImageOnOff2));
    w->TDMergeBtnClick();
    EXPECT_FALSE(w->DRAW_FLG);
    EXPECT_FALSE(w->DRAW2_FLG);
    EXPECT_EQ(w->DRAW_MODE, "");
    EXPECT_FALSE(lampOn(w->ImageOnOff4));

    w->TDMergeBtnClick();
    EXPECT_EQ(w->DRAW_MODE, "MERGE");
    EXPECT_TRUE(lampOn(w->ImageOnOff4));
    EXPECT_FALSE(lampOn(w->ImageOnOff2)); // switching on resets the other indicators
    w->TDrwOnOffBtnClick();
    EXPECT_FALSE(w->DRAW_FLG || w->DRAW2_FLG);
}

TEST_F(DrawingTest, RightClickSwitchesEveryModeOffIncludingAreaSelection)
{
    w->TDrwOnOffBtn3Click();
    w->TDMergeBtnClick();
    ASSERT_TRUE(w->DRAW3_FLG && w->DRAW2_FLG && w->DRAW_FLG);
    ASSERT_TRUE(lampOn(w->ImageOnOff5) && lampOn(w->ImageOnOff4));
    press(100, 100, Qt::RightButton);
    EXPECT_FALSE(w->DRAW_FLG || w->DRAW2_FLG || w->DRAW3_FLG || w->DRAW4_FLG);
    for (TImage *lamp : {w->ImageOnOff, w->ImageOnOff2, w->ImageOnOff3, w->ImageOnOff4, w->ImageOnOff5}) {
        EXPECT_FALSE(lampOn(lamp)) << lamp->objectName().toStdString();
        EXPECT_EQ(lamp->Bitmap(), w->ImageList1[0]);
    }
    ASSERT_FALSE(w->ImageList1[0].isNull()); // the lamp pictures come from the Bmps folder
    EXPECT_NE(w->ImageList1[0], w->ImageList1[1]);
    // Drawing is off: a further release records nothing.
    release(100, 100);
    EXPECT_EQ(w->IMAGE_ARRPOS, 1);
}

TEST_F(DrawingTest, OnOffButtonsToggleTheirModes)
{
    w->TDLineClick();
    ASSERT_TRUE(w->DRAW_FLG);
    w->TDOnOffClick(); // on: switch off
    EXPECT_FALSE(w->DRAW_FLG);
    EXPECT_EQ(w->DRAW_MODE, "LINE"); // switching off keeps the tool
    w->TDOnOffClick(); // off: reset the modes, switch on with no tool
    EXPECT_TRUE(w->DRAW_FLG);
    EXPECT_EQ(w->DRAW_MODE, "");
    EXPECT_EQ(w->Image1->wrapMode(), TImage::WrapMode::Original);

    w->TDrwOnOffBtn2Click();
    EXPECT_EQ(w->DRAW_MODE, "FONT");
    EXPECT_FALSE(lampOn(w->ImageOnOff));
    w->TDrwOnOffBtn2Click();
    EXPECT_FALSE(w->DRAW_FLG || w->DRAW4_FLG);
    EXPECT_EQ(w->DRAW_MODE, "");

    // Area selection is left alone by the other switches.
    w->TDrwOnOffBtn3Click();
    w->TDOnOffClick();
    EXPECT_TRUE(w->DRAW3_FLG);
    w->TDrwOnOffBtn3Click();
    EXPECT_FALSE(w->DRAW3_FLG);
}

TEST_F(DrawingTest, ThreeClicksWithoutAToolAddThreeSteps)
{
    w->TDOnOffClick();
    for (int i = 0; i < 3; ++i) {
        press(50 + i, 50);
        release(50 + i, 50);
    }
    EXPECT_EQ(w->IMAGE_ARRPOS, 4);
    EXPECT_EQ(w->Image1->Bitmap(), w->Image2->Bitmap());
    EXPECT_TRUE(w->NEEDSAVE_FLG);
    w->FinishUndoWrites();
    for (int step = 1; step <= 4; ++step)
        EXPECT_TRUE(QFileInfo::exists(rootFile(QString("Temp/photo@%1.png").arg(step)))) << step;
}

TEST_F(DrawingTest, DragAfterAFilterFallsBackToTheSnapshot)
{
    // A filter changes the working picture but not the stroke snapshot.
    QImage filtered = w->Image1->Bitmap().copy();
    filtered.fill(kBlue);
    w->Image1->setBitmap(filtered);
    w->TDLineClick();
    press(10, 10);
    move(20, 20);
    EXPECT_EQ(pixel(300, 200), kPaper);
    EXPECT_EQ(w->Image1->Bitmap(), w->Image6->Bitmap());
    release(20, 20);
}

TEST_F(DrawingTest, PenSettingsReachTheCanvasAndTheStatusLabel)
{
    w->TrackBar2->setValue(7);
    EXPECT_EQ(w->DRAWPEN_THK, 7);
    EXPECT_EQ(w->Image1Canvas.strokeWidth, 7);
    EXPECT_EQ(w->statusText(), "7.00000000000000E+0000");
    w->ColorPanel1->setColor(QColor::fromRgba(kBlue));
    EXPECT_EQ(w->DRAW_COLOR, kBlue);
    EXPECT_EQ(w->Image1Canvas.fillColor, QColor::fromRgba(kBlue));
    // On another sub-tab the pen colour leaves the canvas's fill alone.
    w->TabControl2->setCurrentWidget(w->TabItem9);
    w->ColorPanel1->setColor(QColor::fromRgba(kGreen));
    EXPECT_EQ(w->DRAW_COLOR, kGreen);
    EXPECT_EQ(w->Image1Canvas.fillColor, QColor::fromRgba(kBlue));
    w->TabControl2->setCurrentWidget(w->TabItem7);
    w->TDLineClick();
    press(12.4f, 99.6f);
    EXPECT_EQ(w->statusText(), "12 x 100");
    release(12.4f, 99.6f);
}

// ---------------------------------------------------------------- merge

TEST_F(DrawingTest, MergeStretchesTheSelectedAreaIntoThePressRectangle)
{
    // The merge source: green with a red block at (10, 10)-(30, 30).
    QImage source(200, 150, QImage::Format_RGB32);
    source.fill(kGreen);
    for (int y = 10; y < 30; ++y)
        for (int x = 10; x < 30; ++x)
            source.setPixel(x, y, kRed);
    const QString sourcePath = rootFile("Pictures/source.png");
    ASSERT_TRUE(source.save(sourcePath));
    dialogs->openNext({sourcePath}, 5);
    w->TDMergeOpnBtnClick();
    const Asked *asked = dialogs->last("open");
    ASSERT_NE(asked, nullptr);
    EXPECT_EQ(asked->title, "Open Pictures To Merge with Picture Above");
    EXPECT_EQ(asked->filterIndex, 3);
    EXPECT_TRUE(asked->filter.startsWith("Bitmap Format Files | *.bmp;|Icon Files| *.ico;"));
    EXPECT_EQ(w->HLDFILTER_INDEX2, 5);
    EXPECT_EQ(w->Image8->Bitmap().size(), QSize(200, 150));
    EXPECT_EQ(w->Image9->Bitmap().size(), QSize(200, 150));

    // Select the area: press (10, 10), the pointer at (20, 20) gives a 20 by 20 area.
    emit w->Image8->pressed(Qt::LeftButton, QPointF(10, 10));
    EXPECT_FALSE(w->MOUSEDOWN_FLG2); // selection is off
    w->TDrwOnOffBtn3Click();
    emit w->Image8->pressed(Qt::LeftButton, QPointF(10, 10));
    emit w->Image8->moved(Qt::LeftButton, QPointF(20, 20));
    emit w->Image8->released(Qt::LeftButton, QPointF(20, 20));
    EXPECT_EQ(w->WKRECT2, edges(10, 10, 30, 30));
    EXPECT_FALSE(w->MOUSEDOWN_FLG2);
    EXPECT_NE(w->Image8->Bitmap().pixel(20, 30), kGreen); // the outline stays on Image8
    EXPECT_EQ(w->Image9->Bitmap().pixel(20, 30), kGreen);

    // Merge at (100, 100): the target runs from 50 up-left of the press to the area's size past it.
    w->TDMergeBtnClick();
    press(100, 100);
    release(100, 100);
    EXPECT_EQ(w->WKRECT, edges(50, 50, 120, 120));
    EXPECT_TRUE(near(pixel(85, 85), kRed));
    EXPECT_EQ(pixel(130, 130), kPaper);
    EXPECT_EQ(pixel(40, 85), kPaper);
    EXPECT_FALSE(w->FRSTRECT_FLG);

    // A double click on Image9 puts the clean source back into Image8.
    emit w->Image9->doubleClicked();
    EXPECT_EQ(w->Image8->Bitmap().pixel(20, 30), kGreen);
    // Right button on Image8: area selection off.
    emit w->Image8->pressed(Qt::RightButton, QPointF(5, 5));
    EXPECT_FALSE(w->DRAW3_FLG);
    EXPECT_FALSE(lampOn(w->ImageOnOff5));
}

TEST_F(DrawingTest, MergeSourceViewControls)
{
    w->Image8->setBitmap(w->Image2->Bitmap());
    const QPointF before = w->Image8->scale();
    w->Image8Click();
    EXPECT_NEAR(w->Image8->scale().x(), before.x() + 0.01, 1e-9);
    w->Image8DblClick();
    EXPECT_EQ(w->Image8->wrapMode(), TImage::WrapMode::Stretch);
    w->Image8DblClick();
    EXPECT_EQ(w->Image8->wrapMode(), TImage::WrapMode::Original);
}

TEST_F(DrawingTest, CancelledMergeSourceKeepsTheOldSource)
{
    w->TDMergeOpnBtnClick(); // the dialog is cancelled
    EXPECT_TRUE(w->Image8->isEmpty());
    EXPECT_EQ(w->HLDFILTER_INDEX2, 3);
}

// ---------------------------------------------------------------- shapes

class ShapesTabTest : public DrawingTest {
protected:
    void chooseShape(int index)
    {
        w->ListBox8->setCurrentRow(index);
        w->ListBox8ItemClick();
    }
};

TEST_F(ShapesTabTest, ListHoldsTheSixtyEightShapes)
{
    ASSERT_EQ(w->ListBox8->count(), 68);
    EXPECT_EQ(w->ListBox8->item(0)->text(), "ARROW B");
    EXPECT_EQ(w->ListBox8->item(15)->text(), "CIRCLE");
    EXPECT_EQ(w->ListBox8->item(67)->text(), "TRIANGLE RIGHT RT");
    EXPECT_EQ(w->Edit2->text(), "-2");
    EXPECT_EQ(w->Edit3->text(), "4");
    EXPECT_TRUE(w->RDINN1->isChecked() && w->RDOUT1->isChecked() && w->RDSHAPFILL->isChecked());
    EXPECT_EQ(w->TrackBar5->minimum(), 1);
    EXPECT_EQ(w->TrackBar5->maximum(), 20);
}

struct FrameControlsCase {
    int index;
    bool enabled;
};

class FrameControlsTest : public ShapesTabTest, public ::testing::WithParamInterface<FrameControlsCase> {};

TEST_P(FrameControlsTest, CirclesAndArcsDisableTheFrameControls)
{
    chooseShape(GetParam().index);
    for (QWidget *c : {static_cast<QWidget *>(w->GRPSHPINN), static_cast<QWidget *>(w->GRPSHPOUT),
                       static_cast<QWidget *>(w->Edit2), static_cast<QWidget *>(w->Edit3)})
        EXPECT_EQ(c->isEnabled(), GetParam().enabled) << c->objectName().toStdString();
    EXPECT_FALSE(w->Image7->isEmpty());
    EXPECT_EQ(w->HLDLIST8_INDEX, GetParam().index);
}

INSTANTIATE_TEST_SUITE_P(Kinds, FrameControlsTest,
                         ::testing::Values(FrameControlsCase{0, true}, FrameControlsCase{15, false},
                                           FrameControlsCase{16, false}, FrameControlsCase{27, false},
                                           FrameControlsCase{30, false}, FrameControlsCase{35, true},
                                           FrameControlsCase{67, true}));

TEST_F(ShapesTabTest, PenSliderSetsTheStrokeNowAndAtTheNextRelease)
{
    w->TrackBar5->setValue(5);
    EXPECT_EQ(w->DRWSHPPEN_THK, 5);
    EXPECT_EQ(w->Image1Canvas.strokeWidth, 5);
    w->TrackBar2->setValue(2);
    EXPECT_EQ(w->Image1Canvas.strokeWidth, 2);
    w->TabControl2->setCurrentWidget(w->TabItem8);
    w->TDrwOnOffBtnClick();
    chooseShape(47); // SQUARE
    press(10, 10);
    release(10, 10);
    EXPECT_EQ(w->Image1Canvas.strokeWidth, 5);
}

TEST_F(ShapesTabTest, ArrowIsDrawnFromThePressPointWithItsFill)
{
    w->TabControl2->setCurrentWidget(w->TabItem8);
    w->ColorPanel3->setColor(QColor::fromRgba(kGreen));
    chooseShape(0); // ARROW B, fill on
    EXPECT_EQ(w->PATHFILL_CLR, kGreen);
    w->TrackBar5->setValue(3);
    w->TDrwOnOffBtnClick();
    press(100, 200);
    release(100, 200);
    // Head (120, 250)-(160, 250)-(140, 280) filled green; the shaft from (140, 250) up to (140, 210).
    EXPECT_TRUE(near(pixel(140, 262), kGreen));
    EXPECT_NE(pixel(140, 230), kPaper);
    EXPECT_EQ(pixel(180, 230), kPaper);
    EXPECT_EQ(pixel(100, 200), kPaper);
    EXPECT_EQ(w->IMAGE_ARRPOS, 2);
    EXPECT_TRUE(w->NEEDSAVE_FLG);
    EXPECT_FALSE(w->FRSTRECT_FLG);
    EXPECT_EQ(w->WKRECT, edges(50, 150, 150, 250));
}

TEST_F(ShapesTabTest, CircleIsEightyByEightyFromThePressPointWithoutFrames)
{
    w->TabControl2->setCurrentWidget(w->TabItem8);
    w->ColorPanel3->setColor(QColor::fromRgba(kBlue));
    chooseShape(15); // CIRCLE
    EXPECT_TRUE(w->DRWINN_FLG); // choosing a shape turns the inner frame on
    w->TDrwOnOffBtnClick();
    press(100, 100);
    release(100, 100);
    EXPECT_TRUE(near(pixel(140, 140), kBlue));
    EXPECT_TRUE(near(pixel(105, 140), kBlue));
    EXPECT_EQ(pixel(185, 140), kPaper);
    EXPECT_EQ(pixel(140, 95), kPaper);
}

TEST_F(ShapesTabTest, InnerButtonDrawsShiftedCopiesIntoThePreview)
{
    chooseShape(47); // SQUARE: 30..60, inner frame at 28..58
    const QImage first = w->Image7->Bitmap();
    w->RDSHAPINN->click();
    EXPECT_NE(w->Image7->Bitmap(), first);
    const QString path = w->WkPathData.toText();
    EXPECT_TRUE(path.startsWith("M26,26 ")) << path.toStdString();
    // The figure on the picture is not affected: it reloads its path.
    w->TDrwOnOffBtnClick();
    press(0, 0);
    release(0, 0);
    EXPECT_TRUE(w->WkPathData.toText().startsWith("M28,28 ")) << w->WkPathData.toText().toStdString();
}
