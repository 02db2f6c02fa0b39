// The shape path object: SVG reading, its text form, rounding and the
// number-by-number frame transformation.
#include "edit/shapes/ShapePath.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace orvane::shapes;

namespace {

struct ParseCase {
    const char *name;
    const char *svg;
    const char *text; // expected text form
};

class ShapePathParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ShapePathParse, ReadsSvgAndWritesPointText)
{
    ShapePath::ParseResult result;
    const ShapePath path = ShapePath::fromSvg(QString::fromLatin1(GetParam().svg), &result);
    EXPECT_TRUE(result.ok) << result.error.toStdString() << " at " << result.errorPosition;
    EXPECT_EQ(path.toText().toStdString(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, ShapePathParse,
    ::testing::Values(
        ParseCase{"LeadingRelativeMoveFromOrigin",
                  "m 20, 50, L20, 50, 60, 50, 40, 80, 20, 50, M40, 50, L40, 50, 40, 10",
                  "M20,50 L20,50 L60,50 L40,80 L20,50 M40,50 L40,50 L40,10 "},
        ParseCase{"PackedCommasAndBlankBeforeComma",
                  "m 40, 10, L40, 10, 50, 40, 30, 40, 40 ,10,M 45,0, L45, 0",
                  "M40,10 L40,10 L50,40 L30,40 L40,10 M45,0 L45,0 "},
        ParseCase{"RelativeLinesAndClose", "m 10 10 l 5 0 0 5 z", "M10,10 L15,10 L15,15 Z "},
        ParseCase{"RelativeMoveRepeatsAsRelativeLines", "m10,10 5,0 0,5", "M10,10 L15,10 L15,15 "},
        ParseCase{"HorizontalAndVertical", "M0,0 H10 V5 h-3 v-2", "M0,0 L10,0 L10,5 L7,5 L7,3 "},
        ParseCase{"Cubic", "M0 0 C 10 0 10 10 0 10", "M0,0 C10,0 10,10 0,10 "},
        ParseCase{"SmoothCubicReflectsControl", "M0 0 c1,2 3,4 5,6 s 1,1 2,2",
                  "M0,0 C1,2 3,4 5,6 C7,8 6,7 7,8 "},
        ParseCase{"QuadraticAsCubic", "M0,0 Q 30,30 60,0", "M0,0 C20,20 40,20 60,0 "},
        ParseCase{"SmoothQuadraticReflectsControl", "M0,0 Q30,30 60,0 T120,0",
                  "M0,0 C20,20 40,20 60,0 C80,-20 100,-20 120,0 "},
        ParseCase{"DrawingAfterCloseStartsAtSubpathStart", "M10,10 L20,10 Z l5,5",
                  "M10,10 L20,10 Z M10,10 L15,15 "},
        ParseCase{"ExponentsAndCompactNumbers", "M1e1,-5.5L.5.5", "M10,-5.5 L0.5,0.5 "},
        ParseCase{"LineWithoutMoveStartsAtOrigin", "L5,5", "M0,0 L5,5 "},
        ParseCase{"Empty", "   ", ""}),
    [](const auto &info) { return std::string(info.param.name); });

struct BadCase {
    const char *name;
    const char *svg;
    const char *keptText;
    int errorPosition;
};

class ShapePathBadInput : public ::testing::TestWithParam<BadCase> {};

TEST_P(ShapePathBadInput, KeepsWhatWasReadAndSaysWhereItStopped)
{
    ShapePath::ParseResult result;
    const ShapePath path = ShapePath::fromSvg(QString::fromLatin1(GetParam().svg), &result);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorPosition, GetParam().errorPosition);
    EXPECT_EQ(path.toText().toStdString(), GetParam().keptText);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ShapePathBadInput,
    ::testing::Values(BadCase{"IncompletePair", "M10,10 L20", "M10,10 ", 8},
                      BadCase{"UnknownCommand", "M10,10 X5,5", "M10,10 ", 7},
                      BadCase{"NumbersAfterClose", "M1,1 L2,2 Z 3,3", "M1,1 L2,2 Z ", 12},
                      BadCase{"NumberBeforeAnyCommand", "5,5", "", 0},
                      BadCase{"BadArcFlag", "M0,0 A5,5 0 2 1 10,0", "M0,0 ", 6}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ShapePathArc, HalfCircleRunsThroughTheSideItsSweepFlagChooses)
{
    // Sweep flag 0 runs counter-clockwise on screen: from the left point down
    // through the bottom to the right point. Flag 1 goes over the top.
    struct {
        const char *svg;
        QPointF middle;
    } cases[] = {{"M0,40 A40,40 0 0,0 80,40", QPointF(40, 80)},
                 {"M0,40 a40 40 0 01 80 0", QPointF(40, 0)}};
    for (const auto &c : cases) {
        ShapePath::ParseResult result;
        const ShapePath path = ShapePath::fromSvg(QString::fromLatin1(c.svg), &result);
        ASSERT_TRUE(result.ok) << c.svg;
        const QPainterPath qp = path.toPainterPath();
        EXPECT_EQ(qp.pointAtPercent(0), QPointF(0, 40)) << c.svg;
        EXPECT_EQ(qp.pointAtPercent(1), QPointF(80, 40)) << c.svg;
        const QPointF mid = qp.pointAtPercent(0.5);
        EXPECT_NEAR(mid.x(), c.middle.x(), 0.2) << c.svg;
        EXPECT_NEAR(mid.y(), c.middle.y(), 0.2) << c.svg;
    }
}

TEST(ShapePathArc, RadiusTooSmallIsScaledUpAndZeroRadiusIsALine)
{
    const QPainterPath scaled = ShapePath::fromSvg(u"M0,0 A1,1 0 0 1 20,0").toPainterPath();
    EXPECT_NEAR(scaled.pointAtPercent(0.5).y(), -10, 0.2); // a half circle of radius 10
    EXPECT_EQ(ShapePath::fromSvg(u"M0,0 A0,5 0 0 1 20,0").toText(), QStringLiteral("M0,0 L20,0 "));
}

TEST(ShapePath, TranslateMovesEveryPoint)
{
    const ShapePath path = ShapePath::fromSvg(u"M1,2 L3,4 C5,6 7,8 9,10 Z");
    EXPECT_EQ(path.translated(10, 20).toText(), QStringLiteral("M11,22 L13,24 C15,26 17,28 19,30 Z "));
}

struct RoundCase {
    double in;
    double out;
};

class RoundHalfEven : public ::testing::TestWithParam<RoundCase> {};

TEST_P(RoundHalfEven, TiesGoToTheEvenNeighbour)
{
    EXPECT_EQ(roundHalfEven(GetParam().in), GetParam().out) << GetParam().in;
}

INSTANTIATE_TEST_SUITE_P(Values, RoundHalfEven,
                         ::testing::Values(RoundCase{2.5, 2}, RoundCase{3.5, 4}, RoundCase{-2.5, -2},
                                           RoundCase{-3.5, -4}, RoundCase{0.5, 0}, RoundCase{1.5, 2},
                                           RoundCase{2.4999, 2}, RoundCase{2.5001, 3},
                                           RoundCase{-0.5, 0}, RoundCase{-1.2, -1}, RoundCase{7, 7}));

struct AmountCase {
    const char *text;
    FrameMode mode;
    double amount;
};

class FrameAmount : public ::testing::TestWithParam<AmountCase> {};

TEST_P(FrameAmount, ReadsTheLeadingDecimalOrTheNeutralAmount)
{
    EXPECT_DOUBLE_EQ(parseFrameAmount(QString::fromLatin1(GetParam().text), GetParam().mode), GetParam().amount);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FrameAmount,
    ::testing::Values(AmountCase{"-2", FrameMode::Add, -2}, AmountCase{"4", FrameMode::Add, 4},
                      AmountCase{"1.5", FrameMode::Multiply, 1.5}, AmountCase{"1,5", FrameMode::Multiply, 1.5},
                      AmountCase{" 3px", FrameMode::Add, 3}, AmountCase{".5", FrameMode::Add, 0.5},
                      AmountCase{"+7", FrameMode::Add, 7}, AmountCase{"abc", FrameMode::Add, 0},
                      AmountCase{"abc", FrameMode::Multiply, 1}, AmountCase{"", FrameMode::Add, 0},
                      AmountCase{"-", FrameMode::Multiply, 1}));

struct TransformCase {
    const char *name;
    const char *text;
    double amount;
    FrameMode mode;
    const char *expected;
};

class TransformNumbers : public ::testing::TestWithParam<TransformCase> {};

TEST_P(TransformNumbers, RewritesEveryNumberAndCopiesSeparators)
{
    const TransformCase &c = GetParam();
    EXPECT_EQ(TransformPathNumbers(QString::fromLatin1(c.text), c.amount, c.mode).toStdString(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TransformNumbers,
    ::testing::Values(
        TransformCase{"ArrowMovedUpLeft", "M20,50 L20,50 L60,50 L40,80 L20,50 M40,50 L40,50 L40,10 ", -2,
                      FrameMode::Add, "M18,48 L18,48 L58,48 L38,78 L18,48 M38,48 L38,48 L38,8 "},
        TransformCase{"ArrowScaled", "M20,50 L20,50 L60,50 L40,80 L20,50 M40,50 L40,50 L40,10 ", 1.5,
                      FrameMode::Multiply, "M30,75 L30,75 L90,75 L60,120 L30,75 M60,75 L60,75 L60,15 "},
        TransformCase{"AddTiesToEven", "M2,3 L-3,5 ", 0.5, FrameMode::Add, "M2,4 L-2,6 "},
        TransformCase{"MultiplyTiesToEven", "M5,7 L-5,1 ", 0.5, FrameMode::Multiply, "M2,4 L-2,0 "},
        TransformCase{"FractionsReadByLeadingInteger", "M12.7,-3.9 ", 0, FrameMode::Add, "M12,-3 "},
        TransformCase{"OtherSeparatorsKept", "m 20, 50, L20", 1, FrameMode::Add, "m 21, 51, L21"},
        TransformCase{"RunWithoutDigitsReadsZero", "Mab,7 ", 1, FrameMode::Add, "M1,8 "},
        TransformCase{"CurvesAndCloses", "M1,1 C2,2 3,3 4,4 Z ", 10, FrameMode::Add, "M11,11 C12,12 13,13 14,14 Z "},
        TransformCase{"HugeScaleIsLimited", "M40,-40 ", 1e9, FrameMode::Multiply, "M10000000,-10000000 "},
        TransformCase{"Empty", "", 3, FrameMode::Add, ""}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace

namespace {

// Random path-like texts (commands with numbers in every notation, stray
// characters now and then) never crash the reader, and what it keeps writes
// a text that reads back to the same text.
TEST(ShapePathRobustness, RandomTextsReadSafelyAndRoundTrip)
{
    const QString commands = QStringLiteral("MmLlHhVvCcSsQqTtAaZz");
    const QString stray = QStringLiteral("x#.,-e+ ");
    quint32 seed = 12345;
    auto next = [&seed](quint32 n) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % n;
    };
    auto number = [&] {
        switch (next(5)) {
        case 0: return QString::number(int(next(200)) - 100);
        case 1: return QString::number((int(next(20000)) - 10000) / 100.0);
        case 2: return QStringLiteral(".%1").arg(next(100));
        case 3: return QStringLiteral("%1e%2").arg(next(10)).arg(int(next(5)) - 2);
        default: return QString::number(next(2)); // also an arc flag
        }
    };
    int kept = 0, curves = 0;
    for (int i = 0; i < 2000; ++i) {
        QString text;
        const int tokens = int(next(12));
        for (int t = 0; t < tokens; ++t) {
            if (next(20) == 0)
                text += stray[int(next(quint32(stray.size())))];
            text += commands[int(next(quint32(commands.size())))];
            const int count = int(next(9));
            for (int k = 0; k < count; ++k)
                text += number() + (next(3) == 0 ? QStringLiteral(",") : QStringLiteral(" "));
        }
        ShapePath::ParseResult first;
        const ShapePath path = ShapePath::fromSvg(text, &first);
        kept += path.isEmpty() ? 0 : 1;
        for (const auto &e : path.elements())
            curves += e.op == ShapePath::Op::Curve ? 1 : 0;
        const QString written = path.toText();
        ShapePath::ParseResult again;
        EXPECT_EQ(ShapePath::fromSvg(written, &again).toText(), written) << text.toStdString();
        EXPECT_TRUE(again.ok) << written.toStdString();
        (void)TransformPathNumbers(text, -2, FrameMode::Add);
    }
    EXPECT_GT(kept, 800); // the generator reaches the reader's paths, not only its faults
    EXPECT_GT(curves, 300);
}

} // namespace
