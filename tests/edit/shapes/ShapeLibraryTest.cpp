// The shape library: the table of figures, the preview with its frames, and
// drawing onto the working picture, checked on pixels where coordinates are known.
#include "edit/shapes/ShapeLibrary.h"

#include <gtest/gtest.h>

#include <QPainter>

#include <cmath>
#include <numbers>

using namespace orvane::shapes;

namespace {

const QColor kWhite(255, 255, 255);
const QColor kRed(255, 0, 0);
const QColor kGreen(0, 128, 0);
const QColor kBlue(0, 0, 255);

QImage whitePicture(int w = 400, int h = 400)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(kWhite);
    return img;
}

// Bounding rectangle of the pixels that differ from the background.
QRect inkRect(const QImage &img, QRgb background)
{
    int minX = img.width(), minY = img.height(), maxX = -1, maxY = -1;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            if (img.pixel(x, y) != background) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            }
        }
    }
    return maxX < 0 ? QRect() : QRect(QPoint(minX, minY), QPoint(maxX, maxY));
}

::testing::AssertionResult colourAt(const QImage &img, int x, int y, const QColor &want)
{
    const QColor got = img.pixelColor(x, y);
    const int d = std::max({std::abs(got.red() - want.red()), std::abs(got.green() - want.green()),
                            std::abs(got.blue() - want.blue()), std::abs(got.alpha() - want.alpha())});
    if (d <= 8) // antialiased edges of a fully covered pixel may miss by a few levels
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << got.name(QColor::HexArgb).toStdString()
                                         << ", expected " << want.name(QColor::HexArgb).toStdString();
}

bool hasInk(const QImage &img, int x, int y)
{
    return qAlpha(img.pixel(x, y)) > 0;
}

// The editor's state after choosing a shape with the sub-tab at its defaults.
struct Editor {
    ShapeFields fields;
    ShapeControls controls;
    ShapePreview preview;
    QImage picture = whitePicture();
    CanvasStyle canvas;

    explicit Editor(int index, QColor panel = kBlue)
    {
        controls.index = index;
        controls.panelColor = panel;
        canvas.strokeColor = kRed;
        canvas.strokeWidth = 2;
        chooseShape(fields, controls, preview);
        fillChosen(fields, ShapeControls{index, {}, {}, ColorTarget::Fill, kGreen});
    }
    void draw(QPointF press) { ShapeDraw(fields, controls, picture, canvas, press); }
};

struct TableCase {
    int index;
    const char *name;
    ShapeKind kind;
    bool frameControls;
};

class ShapeTable : public ::testing::TestWithParam<TableCase> {};

TEST_P(ShapeTable, NameKindAndFrameControlsByIndex)
{
    const TableCase &c = GetParam();
    EXPECT_EQ(shapeName(c.index).toStdString(), c.name);
    EXPECT_EQ(shapeKind(c.index), c.kind);
    EXPECT_EQ(shapeFrameControlsEnabled(c.index), c.frameControls);
    if (c.kind != ShapeKind::None) {
        EXPECT_EQ(shapeIndex(QString::fromLatin1(c.name)), c.index);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Indexes, ShapeTable,
    ::testing::Values(TableCase{0, "ARROW B", ShapeKind::Path, true},
                      TableCase{14, "ARROW4 L AND T AND R AND B", ShapeKind::Path, true},
                      TableCase{15, "CIRCLE", ShapeKind::Circle, false},
                      TableCase{16, "CIRCLE 180 B", ShapeKind::Arc, false},
                      TableCase{27, "CIRCLE 90 RT", ShapeKind::Arc, false},
                      TableCase{28, "CIRCLE LARGE", ShapeKind::Circle, false},
                      TableCase{30, "CIRCLE SMALL", ShapeKind::Circle, false},
                      TableCase{31, "CROSS LARGE", ShapeKind::Path, true},
                      TableCase{34, "DIAMOND", ShapeKind::Path, true},
                      TableCase{35, "ELLIPSE LARGE", ShapeKind::Ellipse, true},
                      TableCase{37, "ELLIPSE SMALL", ShapeKind::Ellipse, true},
                      TableCase{38, "HEXAGON", ShapeKind::Path, true},
                      TableCase{50, "STAR5", ShapeKind::Path, true},
                      TableCase{67, "TRIANGLE RIGHT RT", ShapeKind::Path, true},
                      TableCase{-1, "", ShapeKind::None, true},
                      TableCase{68, "", ShapeKind::None, true}));

TEST(ShapeTable, FortyNinePathTextsAllReadCleanlyInsideTheBox)
{
    ASSERT_EQ(shapeNames().size(), kShapeCount);
    int paths = 0;
    for (int i = 0; i < kShapeCount; ++i) {
        const QString text = shapePathText(i);
        EXPECT_EQ(!text.isEmpty(), shapeKind(i) == ShapeKind::Path) << i;
        if (text.isEmpty())
            continue;
        ++paths;
        ShapePath::ParseResult result;
        const ShapePath path = ShapePath::fromSvg(text, &result);
        EXPECT_TRUE(result.ok) << shapeName(i).toStdString() << ": " << result.error.toStdString();
        EXPECT_TRUE(QRectF(0, 0, 90, 90).contains(path.controlPointRect())) << shapeName(i).toStdString();
    }
    EXPECT_EQ(paths, 49);
}

TEST(ShapeTable, ArcAnglesFollowTheirRowsAndColumns)
{
    const qreal starts[4] = {0, 90, 270, 180};
    const qreal sweeps[3] = {180, 270, 90};
    for (int i = 16; i <= 27; ++i) {
        EXPECT_EQ(shapeArcAngles(i).start, starts[(i - 16) % 4]) << i;
        EXPECT_EQ(shapeArcAngles(i).sweep, sweeps[(i - 16) / 4]) << i;
    }
}

TEST(ShapeDrawTest, ArrowBAtPressPointWithInnerFrameTwoLeftAndUp)
{
    Editor e(shapeIndex(QStringLiteral("ARROW B")));
    ASSERT_TRUE(e.fields.DRWINN_FLG);
    ASSERT_FALSE(e.fields.DRWOUT_FLG);
    e.draw(QPointF(100, 200));

    // The inner frame's path is what the path object holds afterwards.
    EXPECT_EQ(e.fields.WkPathData.toText(),
              QStringLiteral("M118,248 L118,248 L158,248 L138,278 L118,248 M138,248 L138,248 L138,208 "));
    // Shaft (140, 250)-(140, 210) in the pen colour, 2 pixels wide; the inner
    // frame's shaft 2 to the left in the panel colour; nothing to the right.
    EXPECT_TRUE(colourAt(e.picture, 139, 230, kRed));
    EXPECT_TRUE(colourAt(e.picture, 140, 230, kRed));
    EXPECT_TRUE(colourAt(e.picture, 137, 230, kBlue));
    EXPECT_TRUE(colourAt(e.picture, 138, 230, kBlue));
    EXPECT_TRUE(colourAt(e.picture, 141, 230, kWhite));
    // Head: the top edge (120, 250)-(160, 250), the fill below it.
    EXPECT_TRUE(colourAt(e.picture, 150, 249, kRed));
    EXPECT_TRUE(colourAt(e.picture, 150, 247, kBlue));
    EXPECT_TRUE(colourAt(e.picture, 140, 265, kGreen));
    EXPECT_TRUE(colourAt(e.picture, 140, 285, kWhite));
    // Nothing outside the figure's box and its frame.
    EXPECT_EQ(inkRect(e.picture, kWhite.rgba()), QRect(QPoint(116, 208), QPoint(161, 281)));
}

TEST(ShapeDrawTest, OuterFrameIsTheInnerFrameMovedByFour)
{
    Editor e(0);
    DrawShapeOuterFrame(e.fields, e.controls, e.preview); // "Outer" switches the outer frame on
    ASSERT_TRUE(e.fields.DRWOUT_FLG);
    e.draw(QPointF(100, 200));

    EXPECT_EQ(e.fields.WkPathData.toText(),
              QStringLiteral("M122,252 L122,252 L162,252 L142,282 L122,252 M142,252 L142,252 L142,212 "));
    EXPECT_TRUE(colourAt(e.picture, 138, 230, kBlue));
    EXPECT_TRUE(colourAt(e.picture, 140, 230, kRed));
    EXPECT_TRUE(colourAt(e.picture, 141, 230, kBlue));
    EXPECT_TRUE(colourAt(e.picture, 142, 230, kBlue));
    EXPECT_TRUE(colourAt(e.picture, 143, 230, kWhite));
    EXPECT_EQ(e.fields.PATHINN_CLR, kBlue);
    EXPECT_EQ(e.fields.PATHOUT_CLR, kBlue);
}

TEST(ShapeDrawTest, MultiplyFrameScalesAboutThePictureOrigin)
{
    Editor e(shapeIndex(QStringLiteral("SQUARE")));
    e.controls.inner = {FrameMode::Multiply, QStringLiteral("0.5")};
    e.draw(QPointF(100, 100));
    // The square (130, 130)-(160, 160) framed at (65, 65)-(80, 80).
    EXPECT_EQ(e.fields.WkPathData.toText(), QStringLiteral("M65,65 L65,65 L80,65 L80,80 L65,80 L65,65 "));
    EXPECT_TRUE(colourAt(e.picture, 72, 64, kBlue));
    EXPECT_TRUE(colourAt(e.picture, 145, 129, kRed));
    EXPECT_TRUE(colourAt(e.picture, 145, 145, kGreen));
}

TEST(ShapeDrawTest, OutlineTakesTheColourTheCanvasLastReceived)
{
    Editor e(0);
    e.draw(QPointF(100, 200));
    EXPECT_EQ(e.canvas.strokeColor, kBlue); // the frame's colour stays on the canvas
    e.draw(QPointF(250, 50));
    EXPECT_TRUE(colourAt(e.picture, 289, 80, kBlue)); // second figure's shaft (290, 100)-(290, 60)
}

TEST(ShapeDrawTest, PenWidthFromTheSlider)
{
    Editor e(0);
    e.fields.DRWINN_FLG = false;
    setShapePenWidth(e.fields, e.canvas, 5);
    EXPECT_EQ(e.fields.DRWSHPPEN_THK, 5.0f);
    e.draw(QPointF(100, 200));
    // Without frames the path holds the figure as drawn, moved by the press point.
    EXPECT_EQ(e.fields.WkPathData.toText(),
              QStringLiteral("M120,250 L120,250 L160,250 L140,280 L120,250 M140,250 L140,250 L140,210 "));
    int dark = 0;
    for (int x = 130; x < 150; ++x)
        dark += colourAt(e.picture, x, 230, kRed) ? 1 : 0;
    EXPECT_EQ(dark, 4); // 137.5..142.5: four full pixels, two partial ones
    EXPECT_FALSE(colourAt(e.picture, 137, 230, kWhite));
    EXPECT_FALSE(colourAt(e.picture, 142, 230, kWhite));
}

TEST(ShapeDrawTest, CircleIsEightyOnThePictureAndSeventyInThePreview)
{
    Editor e(shapeIndex(QStringLiteral("CIRCLE")), kGreen);
    EXPECT_EQ(inkRect(e.preview.bitmap, 0), QRect(QPoint(9, 9), QPoint(80, 80)));
    e.draw(QPointF(100, 100));
    EXPECT_EQ(inkRect(e.picture, kWhite.rgba()), QRect(QPoint(99, 99), QPoint(180, 180)));
    EXPECT_TRUE(colourAt(e.picture, 140, 140, kGreen));
    EXPECT_TRUE(colourAt(e.picture, 140, 99, kRed));
}

TEST(ShapeDrawTest, Circle180BIsTheLowerHalfAroundThePressPoint)
{
    Editor e(shapeIndex(QStringLiteral("CIRCLE 180 B")));
    e.draw(QPointF(300, 300));
    const QRect ink = inkRect(e.picture, kWhite.rgba());
    EXPECT_EQ(ink.left(), 259);
    EXPECT_EQ(ink.right(), 340);
    EXPECT_GE(ink.top(), 298);
    EXPECT_EQ(ink.bottom(), 340);
    EXPECT_TRUE(colourAt(e.picture, 300, 340, kRed));
    EXPECT_TRUE(colourAt(e.picture, 300, 320, kGreen));
    EXPECT_TRUE(colourAt(e.picture, 300, 290, kWhite));
}

struct NoFrameCase {
    const char *name;
    bool framesDrawn;
};

class FramesByKind : public ::testing::TestWithParam<NoFrameCase> {};

TEST_P(FramesByKind, OnlyPathShapesGetFrames)
{
    const int index = shapeIndex(QString::fromLatin1(GetParam().name));
    Editor with(index), without(index);
    with.fields.DRWINN_FLG = with.fields.DRWOUT_FLG = true;
    without.fields.DRWINN_FLG = without.fields.DRWOUT_FLG = false;
    with.draw(QPointF(100, 100));
    without.draw(QPointF(100, 100));
    EXPECT_EQ(with.picture != without.picture, GetParam().framesDrawn);
}

INSTANTIATE_TEST_SUITE_P(Kinds, FramesByKind,
                         ::testing::Values(NoFrameCase{"CIRCLE", false}, NoFrameCase{"CIRCLE SMALL", false},
                                           NoFrameCase{"CIRCLE 270 LT", false}, NoFrameCase{"CIRCLE 90 RB", false},
                                           NoFrameCase{"ELLIPSE MEDIUM", false}, NoFrameCase{"DIAMOND", true},
                                           NoFrameCase{"STAR4", true}, NoFrameCase{"ARROW T", true}));

TEST(ShapeDrawTest, NoShapeChosenDrawsNothing)
{
    Editor e(-1);
    e.draw(QPointF(50, 50));
    EXPECT_EQ(inkRect(e.picture, kWhite.rgba()), QRect());
}

TEST(ShapeDrawTest, PaletteAndGreyPicturesAreWidenedBeforeDrawing)
{
    Editor e(shapeIndex(QStringLiteral("SQUARE LARGE")));
    e.picture = whitePicture(200, 200).convertToFormat(QImage::Format_Indexed8);
    e.draw(QPointF(10, 10));
    EXPECT_NE(e.picture.format(), QImage::Format_Indexed8);
    EXPECT_TRUE(colourAt(e.picture, 50, 50, kGreen));
}

// Where a figure of each kind should lie when pressed at (100, 100).
QRectF expectedBox(int index, QPointF press)
{
    switch (shapeKind(index)) {
    case ShapeKind::Path:
        return ShapePath::fromSvg(shapePathText(index)).controlPointRect().translated(press);
    case ShapeKind::Circle:
    case ShapeKind::Ellipse:
        return shapePictureRect(index).translated(press);
    case ShapeKind::Arc: {
        // Sample the arc: 0 degrees points right, angles grow clockwise on screen.
        const ArcAngles a = shapeArcAngles(index);
        QRectF box;
        for (int i = 0; i <= 360; ++i) {
            const double t = (a.start + a.sweep * i / 360.0) * std::numbers::pi / 180.0;
            const QPointF p = press + kArcRadius * QPointF(std::cos(t), std::sin(t));
            box = box.isNull() ? QRectF(p, QSizeF(0.001, 0.001)) : box.united(QRectF(p, QSizeF(0.001, 0.001)));
        }
        return box;
    }
    case ShapeKind::None:
        break;
    }
    return {};
}

class EveryShape : public ::testing::TestWithParam<int> {};

TEST_P(EveryShape, DrawsInsideItsExpectedBox)
{
    const int index = GetParam();
    ShapeFields fields;
    ShapeControls controls;
    controls.index = index;
    CanvasStyle canvas;
    canvas.strokeColor = kRed;
    QImage picture(300, 300, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    const QPointF press(100, 100);
    ShapeDraw(fields, controls, picture, canvas, press);

    const QRect ink = inkRect(picture, 0);
    ASSERT_FALSE(ink.isNull()) << shapeName(index).toStdString();
    const QRectF box = expectedBox(index, press);
    // A 1-pixel pen reaches half a pixel beyond the geometry; mitred tips a little more.
    const QRectF outer = box.adjusted(-2, -2, 2, 2);
    EXPECT_TRUE(outer.contains(QRectF(ink).adjusted(0, 0, 1, 1)))
        << shapeName(index).toStdString() << " ink " << ink.x() << "," << ink.y() << " " << ink.width() << "x"
        << ink.height();
    // ... and spans that box.
    EXPECT_LE(ink.left(), box.left() + 1) << shapeName(index).toStdString();
    EXPECT_LE(ink.top(), box.top() + 1) << shapeName(index).toStdString();
    EXPECT_GE(ink.right() + 1, box.right() - 1) << shapeName(index).toStdString();
    EXPECT_GE(ink.bottom() + 1, box.bottom() - 1) << shapeName(index).toStdString();
}

INSTANTIATE_TEST_SUITE_P(AllShapes, EveryShape, ::testing::Range(0, kShapeCount),
                         [](const auto &info) {
                             QString n = shapeName(info.param);
                             n.replace(u' ', u'_');
                             return n.toStdString();
                         });

TEST(ShapePreviewTest, IsNinetyByNinetyAndRepeatedInnerKeepsShifting)
{
    Editor e(0);
    ASSERT_EQ(e.preview.bitmap.size(), QSize(kPreviewSize, kPreviewSize));
    // Figure shaft at x = 40 and the inner frame's at 38; nothing at 36 or 34 yet.
    EXPECT_TRUE(hasInk(e.preview.bitmap, 39, 30));
    EXPECT_TRUE(hasInk(e.preview.bitmap, 37, 30));
    EXPECT_FALSE(hasInk(e.preview.bitmap, 35, 30));
    DrawShapeInnerFrame(e.fields, e.controls, e.preview);
    EXPECT_TRUE(hasInk(e.preview.bitmap, 35, 30));
    EXPECT_FALSE(hasInk(e.preview.bitmap, 33, 30));
    DrawShapeInnerFrame(e.fields, e.controls, e.preview);
    EXPECT_TRUE(hasInk(e.preview.bitmap, 33, 30));
    EXPECT_EQ(e.fields.WkPathData.toText(),
              QStringLiteral("M14,44 L14,44 L54,44 L34,74 L14,44 M34,44 L34,44 L34,4 "));

    // The picture is not affected: ShapeDraw starts from the shape's own path.
    e.draw(QPointF(100, 200));
    EXPECT_EQ(e.fields.WkPathData.toText(),
              QStringLiteral("M118,248 L118,248 L158,248 L138,278 L118,248 M138,248 L138,248 L138,208 "));
}

TEST(ShapePreviewTest, AnotherShapeClearsTheSameShapeDrawsOver)
{
    Editor e(0);
    DrawShapeInnerFrame(e.fields, e.controls, e.preview); // a copy at x = 36
    chooseShape(e.fields, e.controls, e.preview);         // same shape: drawn over
    EXPECT_TRUE(hasInk(e.preview.bitmap, 35, 30));

    e.controls.index = shapeIndex(QStringLiteral("RECTANGLE"));
    chooseShape(e.fields, e.controls, e.preview);
    EXPECT_FALSE(hasInk(e.preview.bitmap, 35, 12)); // the arrow's shaft is gone
    EXPECT_TRUE(hasInk(e.preview.bitmap, 45, 20));  // the rectangle's top edge
}

struct SwitchCase {
    ColorTarget target;
    bool fill, inner, outer;
};

class PreviewSwitches : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(PreviewSwitches, AnotherShapeTakesTheSwitchesFromTheColourGroup)
{
    const SwitchCase &c = GetParam();
    ShapeFields fields;
    fields.DRWFIL_FLG = !c.fill;
    ShapeControls controls;
    controls.index = shapeIndex(QStringLiteral("RECTANGLE"));
    controls.colorTarget = c.target;
    controls.panelColor = kBlue;
    ShapePreview preview;
    DrawShapePreview(fields, controls, preview);
    EXPECT_EQ(fields.DRWFIL_FLG, c.fill);
    EXPECT_EQ(fields.DRWINN_FLG, c.inner);
    EXPECT_EQ(fields.DRWOUT_FLG, c.outer);
    EXPECT_EQ(fields.HLDLIST8_INDEX, controls.index);
    EXPECT_TRUE(fields.IMAGENOBITMAP_FLG);
    // The fill colour follows the panel only while filling; the preview is
    // filled only when "Fill" is the checked button.
    EXPECT_EQ(fields.PATHFILL_CLR, c.fill ? kBlue : QColor::fromRgba(0xFF008000));
    EXPECT_EQ(hasInk(preview.bitmap, 45, 40), c.fill);

    chooseShape(fields, controls, preview);
    EXPECT_TRUE(fields.DRWINN_FLG); // choosing a shape always turns the inner frame on
}

INSTANTIATE_TEST_SUITE_P(Targets, PreviewSwitches,
                         ::testing::Values(SwitchCase{ColorTarget::Fill, true, false, false},
                                           SwitchCase{ColorTarget::Inner, false, true, false},
                                           SwitchCase{ColorTarget::Outer, false, false, true}));

TEST(ShapePreviewTest, FrameBeforeAnyShapeGivesAPreviewBitmapOfPreviewSize)
{
    ShapeFields fields;
    ShapeControls controls;
    ShapePreview preview;
    DrawShapeOuterFrame(fields, controls, preview);
    EXPECT_EQ(preview.bitmap.size(), QSize(kPreviewSize, kPreviewSize));
    EXPECT_TRUE(fields.DRWOUT_FLG);
    controls.index = shapeIndex(QStringLiteral("CIRCLE LARGE"));
    chooseShape(fields, controls, preview);
    EXPECT_EQ(inkRect(preview.bitmap, 0), QRect(QPoint(4, 4), QPoint(85, 85)));
}

TEST(ShapePreviewTest, OutOfRangeChoiceIsIgnored)
{
    ShapeFields fields;
    ShapeControls controls;
    controls.index = kShapeCount;
    ShapePreview preview;
    EXPECT_FALSE(chooseShape(fields, controls, preview));
    EXPECT_TRUE(preview.bitmap.isNull());
    EXPECT_EQ(fields.HLDLIST8_INDEX, -1);
}

} // namespace
