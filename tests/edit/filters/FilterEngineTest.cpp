// Tests of the filter engine: catalogue, every filter on a small picture,
// transitions' end points, determinism across thread counts, blur edges,
// geometric edits, and bad names and values.
#include "edit/filters/FilterEngine.h"
#include "edit/filters/Internal.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <QSet>

#include <cmath>
#include <map>
#include <set>
#include <thread>

using namespace orvane::filters;

// Readable test parameter names in gtest's messages.
inline void PrintTo(const QString &s, std::ostream *os) { *os << s.toStdString(); }

namespace {

// 64 x 48: a colour gradient with a pure green block, a white disc, a
// half-transparent strip and a fully transparent corner, so that every kind
// of filter has something to act on.
QImage testPicture(int w = 64, int h = 48)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgba(x * 255 / std::max(1, w - 1), y * 255 / std::max(1, h - 1), 128, 255));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRect(w / 8, h / 6, w / 5, h / 5), QColor(0, 255, 0));
    p.setBrush(Qt::white);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(w * 0.6, h * 0.45), w / 8.0, w / 8.0);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(QRect(0, h * 3 / 4, w / 2, h / 12 + 1), QColor(200, 60, 30, 128));
    p.fillRect(QRect(w - w / 5, h - h / 5, w / 5, h / 5), Qt::transparent);
    p.end();
    return img;
}

QImage targetPicture(int w = 64, int h = 48)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgba(40, 255 - x * 3 % 256, (x * y) % 256, 255));
    return img;
}

QImage premul(const QImage &img) { return img.convertToFormat(QImage::Format_ARGB32_Premultiplied); }

// Largest difference of any channel of any pixel; -1 when the sizes differ.
int maxDiff(const QImage &a0, const QImage &b0)
{
    if (a0.size() != b0.size())
        return -1;
    const QImage a = premul(a0), b = premul(b0);
    int m = 0;
    for (int y = 0; y < a.height(); ++y) {
        const QRgb *pa = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const QRgb *pb = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            for (int s = 0; s < 32; s += 8)
                m = std::max(m, std::abs(int((pa[x] >> s) & 0xff) - int((pb[x] >> s) & 0xff)));
    }
    return m;
}

// Mean absolute difference over all channels.
double meanDiff(const QImage &a0, const QImage &b0)
{
    const QImage a = premul(a0), b = premul(b0);
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            for (int s = 0; s < 32; s += 8)
                sum += std::abs(int((a.pixel(x, y) >> s) & 0xff) - int((b.pixel(x, y) >> s) & 0xff));
    return sum / (double(a.width()) * a.height() * 4);
}

bool sameBytes(const QImage &a0, const QImage &b0)
{
    if (a0.size() != b0.size())
        return false;
    const QImage a = premul(a0), b = premul(b0);
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), size_t(a.width()) * 4) != 0)
            return false;
    return true;
}

QImage run(const QString &name, const QImage &input, const QImage &target = QImage(),
           const std::map<QString, double> &floats = {})
{
    auto f = createFilter(name);
    if (!f)
        return QImage();
    f->setBitmap("Input", input);
    f->setBitmap("Target", target);
    for (const auto &[k, v] : floats)
        f->setFloat(k, v);
    return f->output();
}

class ThreadCountGuard {
public:
    ~ThreadCountGuard() { setThreadCount(0); }
};

// --- Catalogue ------------------------------------------------------------------

// The catalogue as the program's windows rely on it: category, filter, and
// its parameters other than bitmaps, in order.
struct CatalogueCase {
    const char *category;
    const char *filter;
    std::vector<const char *> params;
};

const std::vector<CatalogueCase> &catalogueCases()
{
    static const std::vector<CatalogueCase> cases = {
        {"Blur", "BoxBlur", {"BlurAmount"}},
        {"Blur", "DirectionalBlur", {"Angle", "BlurAmount"}},
        {"Blur", "GaussianBlur", {"BlurAmount"}},
        {"Blur", "RadialBlur", {"Center", "BlurAmount"}},
        {"Color", "ColorKeyAlpha", {"ColorKey", "Tolerance"}},
        {"Color", "Invert", {}},
        {"Color", "MaskToAlpha", {}},
        {"Color", "Monochrome", {}},
        {"ColorAdjust", "Bloom", {"BloomIntensity", "BaseIntensity", "BloomSaturation", "BaseSaturation"}},
        {"ColorAdjust", "Contrast", {"Brightness", "Contrast"}},
        {"ColorAdjust", "Gloom", {"GloomIntensity", "BaseIntensity", "GloomSaturation", "BaseSaturation"}},
        {"ColorAdjust", "HueAdjust", {"Hue"}},
        {"Composite", "NormalBlend", {}},
        {"Distortion", "BandedSwirl", {"Center", "Bands", "Strength", "AspectRatio"}},
        {"Distortion", "Bands", {"BandDensity", "BandIntensity"}},
        {"Distortion", "Magnify", {"Center", "Radius", "Magnification", "AspectRatio"}},
        {"Distortion", "Pinch", {"Center", "Radius", "Strength", "AspectRatio"}},
        {"Distortion", "Ripple", {"Center", "Amplitude", "Frequency", "Phase", "AspectRatio"}},
        {"Distortion", "SmoothMagnify", {"Center", "InnerRadius", "OuterRadius", "Magnification", "AspectRatio"}},
        {"Distortion", "Swirl", {"Center", "SpiralStrength", "AspectRatio"}},
        {"Distortion", "Wave", {"Time", "WaveSize"}},
        {"Distortion", "Wrap", {"LeftStart", "LeftControl1", "LeftControl2", "LeftEnd", "RightStart", "RightControl1",
                                "RightControl2", "RightEnd"}},
        {"Generator", "Fill", {"Color"}},
        {"Generator", "FillRGB", {"Color"}},
        {"Geometry", "AffineTransform", {"Center", "Rotation", "Scale"}},
        {"Geometry", "Crop", {"LeftTop", "RightBottom"}},
        {"Geometry", "PerspectiveTransform", {"TopLeft", "TopRight", "BottomRight", "BottomLeft"}},
        {"Style", "Emboss", {"Amount", "Width"}},
        {"Style", "GlowFilter", {"BlurAmount", "Color"}},
        {"Style", "InnerGlowFilter", {"BlurAmount", "Color"}},
        {"Style", "PaperSketch", {"brushSize"}},
        {"Style", "PencilStroke", {"brushSize"}},
        {"Style", "Pixelate", {"BlockCount"}},
        {"Style", "ReflectionFilter", {"Opacity", "Length"}},
        {"Style", "Sepia", {"Amount"}},
        {"Style", "Sharpen", {"Amount"}},
        {"Style", "Toon", {"Levels"}},
        {"Tiles", "Tiler", {"VerticalTileCount", "HorizontalTileCount", "HorizontalOffset", "VerticalOffset"}},
    };
    return cases;
}

const QStringList kTransitions = {
    "BandedSwirlTransition", "BlindTransition", "BloodTransition", "BlurTransition", "BrightTransition",
    "CircleTransition", "CrumpleTransition", "DissolveTransition", "DropTransition", "FadeTransition",
    "LineTransition", "MagnifyTransition", "PixelateTransition", "RippleTransition", "RotateCrumpleTransition",
    "SaturateTransition", "ShapeTransition", "SlideTransition", "SwipeTransition", "SwirlTransition",
    "WaterTransition", "WaveTransition", "WiggleTransition"};

QStringList nonBitmapParams(const TFilterRec &rec)
{
    QStringList out;
    for (const TFilterValueRec &v : rec.Values)
        if (v.ValueType != TFilterValueType::Bitmap)
            out << v.Name;
    return out;
}

TEST(FilterCatalogue, HasTheTenCategoriesAndEveryFilterOnce)
{
    EXPECT_EQ(categories(), QStringList({"Blur", "Color", "ColorAdjust", "Composite", "Distortion", "Generator",
                                         "Geometry", "Style", "Tiles", "Transition"}));
    EXPECT_EQ(filtersInCategory("Transition"), kTransitions);
    EXPECT_EQ(allFilters().size(), int(catalogueCases().size()) + kTransitions.size());
    const QStringList all = allFilters();
    EXPECT_EQ(QSet<QString>(all.begin(), all.end()).size(), all.size());
    EXPECT_TRUE(filtersInCategory("NoSuchCategory").isEmpty());
    EXPECT_TRUE(filtersInCategory("  Blur").isEmpty()); // callers trim the list box text
}

class CatalogueEntry : public ::testing::TestWithParam<CatalogueCase> {};

TEST_P(CatalogueEntry, NamesParametersInOrderAndTakesInput)
{
    const CatalogueCase &c = GetParam();
    EXPECT_EQ(categoryOf(c.filter), QString(c.category));
    EXPECT_TRUE(filtersInCategory(c.category).contains(c.filter));
    TFilterRec rec;
    ASSERT_TRUE(filterRec(c.filter, &rec));
    EXPECT_EQ(rec.Name, QString(c.filter));
    QStringList expected;
    for (const char *p : c.params)
        expected << p;
    EXPECT_EQ(nonBitmapParams(rec), expected);
    const int input = rec.indexOf("Input");
    ASSERT_GE(input, 0);
    EXPECT_EQ(rec.Values[input].ValueType, TFilterValueType::Bitmap);
    for (const TFilterValueRec &v : rec.Values) {
        EXPECT_FALSE(v.Desc.isEmpty()) << v.Name.toStdString();
        if (v.ValueType == TFilterValueType::Float) {
            EXPECT_LT(v.Min.Float, v.Max.Float) << v.Name.toStdString();
            EXPECT_GE(v.Default.Float, v.Min.Float) << v.Name.toStdString();
            EXPECT_LE(v.Default.Float, v.Max.Float) << v.Name.toStdString();
            EXPECT_EQ(v.Value.Float, v.Default.Float);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(All, CatalogueEntry, ::testing::ValuesIn(catalogueCases()),
                         [](const auto &info) { return std::string(info.param.filter); });

struct RangeCase {
    const char *filter;
    const char *param;
    int index;
    double min, max, def;
};

class ParameterRange : public ::testing::TestWithParam<RangeCase> {};

TEST_P(ParameterRange, MatchesWhatTheWindowsRelyOn)
{
    const RangeCase &c = GetParam();
    TFilterRec rec;
    ASSERT_TRUE(filterRec(c.filter, &rec));
    ASSERT_GT(rec.Values.size(), c.index);
    const TFilterValueRec &v = rec.Values[c.index];
    EXPECT_EQ(v.Name, QString(c.param));
    EXPECT_EQ(v.ValueType, TFilterValueType::Float);
    EXPECT_DOUBLE_EQ(v.Min.Float, c.min);
    EXPECT_DOUBLE_EQ(v.Max.Float, c.max);
    EXPECT_DOUBLE_EQ(v.Default.Float, c.def);
}

INSTANTIATE_TEST_SUITE_P(QuickAdjustments, ParameterRange,
                         ::testing::Values(RangeCase{"Contrast", "Brightness", 0, -1, 1, 0},
                                           RangeCase{"Contrast", "Contrast", 1, 0, 2, 1.5},
                                           RangeCase{"HueAdjust", "Hue", 0, -1, 1, 0},
                                           RangeCase{"BoxBlur", "BlurAmount", 0, 0.01, 10, 1},
                                           RangeCase{"Sharpen", "Amount", 0, 0, 2, 0.5},
                                           RangeCase{"FadeTransition", "Progress", 0, 0, 100, 30},
                                           RangeCase{"SwirlTransition", "Progress", 0, 0, 100, 30}));

TEST(FilterCatalogue, TransitionsHaveProgressInputAndTarget)
{
    for (const QString &name : kTransitions) {
        TFilterRec rec;
        ASSERT_TRUE(filterRec(name, &rec)) << name.toStdString();
        ASSERT_FALSE(rec.Values.isEmpty());
        EXPECT_EQ(rec.Values[0].Name, QString("Progress")) << name.toStdString();
        EXPECT_DOUBLE_EQ(rec.Values[0].Default.Float, 30.0);
        for (const char *b : {"Input", "Target"}) {
            const int i = rec.indexOf(b);
            ASSERT_GE(i, 0) << name.toStdString() << " " << b;
            EXPECT_EQ(rec.Values[i].ValueType, TFilterValueType::Bitmap);
        }
    }
}

TEST(FilterCatalogue, EveryExtraTransitionParameterIsUsedWithItsType)
{
    const std::map<QString, TFilterValueType> expected = {
        {"RandomSeed", TFilterValueType::Float},  {"Strength", TFilterValueType::Float},
        {"Frequency", TFilterValueType::Float},   {"FuzzyAmount", TFilterValueType::Float},
        {"CircleSize", TFilterValueType::Float},  {"NumberOfBlinds", TFilterValueType::Float},
        {"Origin", TFilterValueType::Point},      {"Normal", TFilterValueType::Point},
        {"Offset", TFilterValueType::Float},      {"SlideAmount", TFilterValueType::Point},
        {"Center", TFilterValueType::Point},      {"MousePoint", TFilterValueType::Point},
        {"CornerPoint", TFilterValueType::Point}, {"Deep", TFilterValueType::Float}};
    std::set<QString> seen;
    for (const QString &name : kTransitions) {
        TFilterRec rec;
        filterRec(name, &rec);
        for (const TFilterValueRec &v : rec.Values) {
            if (v.Name == "Progress" || v.ValueType == TFilterValueType::Bitmap)
                continue;
            ASSERT_TRUE(expected.count(v.Name)) << name.toStdString() << " has " << v.Name.toStdString();
            EXPECT_EQ(v.ValueType, expected.at(v.Name)) << v.Name.toStdString();
            seen.insert(v.Name);
        }
    }
    EXPECT_EQ(seen.size(), expected.size());
}

// --- Every filter on the test picture ------------------------------------------------

class EveryFilter : public ::testing::TestWithParam<QString> {};

TEST_P(EveryFilter, KeepsTheSizeAndChangesThePicture)
{
    const QString name = GetParam();
    // Large enough to hold the default centres and corner points of the
    // effects, which assume a picture of about 300 x 300.
    const QImage in = testPicture(320, 240);
    const QImage out = run(name, in, targetPicture(320, 240));
    ASSERT_FALSE(out.isNull());
    if (name == "Crop") {
        // The default rectangle (25, 25)-(275, 275) is cut at the picture's edge.
        EXPECT_EQ(out.size(), QSize(250, 215));
        EXPECT_TRUE(sameBytes(out, premul(in).copy(25, 25, 250, 215)));
        return;
    }
    EXPECT_EQ(out.size(), in.size());
    EXPECT_EQ(out.format(), QImage::Format_ARGB32_Premultiplied);
    if (name == "HueAdjust") { // Hue 0 is neutral
        EXPECT_TRUE(sameBytes(out, in));
    } else {
        EXPECT_GT(maxDiff(out, in), 8) << "the default settings should visibly change the picture";
    }
}

TEST_P(EveryFilter, EmptyInputGivesEmptyOutput)
{
    auto f = createFilter(GetParam());
    ASSERT_TRUE(f);
    EXPECT_TRUE(f->output().isNull());
    f->setBitmap("Input", QImage());
    f->setBitmap("Target", targetPicture());
    EXPECT_TRUE(f->bitmapValue("output").isNull());
}

TEST_P(EveryFilter, ToleratesOnePixelAndExtremeSettings)
{
    auto f = createFilter(GetParam());
    ASSERT_TRUE(f);
    for (const QImage &in : {testPicture(1, 1), testPicture(1, 9), testPicture(9, 1)}) {
        f->setBitmap("Input", in);
        for (int extreme = 0; extreme < 2; ++extreme) {
            for (const TFilterValueRec &v : f->rec().Values) {
                if (v.ValueType == TFilterValueType::Float)
                    f->setFloat(v.Name, extreme ? v.Max.Float : v.Min.Float);
                else if (v.ValueType == TFilterValueType::Point)
                    f->setPoint(v.Name, extreme ? QPointF(1e6, -1e6) : QPointF(0, 0));
            }
            const QImage out = f->output();
            if (GetParam() != "Crop") {
                EXPECT_EQ(out.size(), in.size());
            }
        }
    }
}

TEST_P(EveryFilter, GivesTheSameBytesWhateverTheThreadCount)
{
    ThreadCountGuard guard;
    // Tall enough for the vertical blur to split into bands.
    const QImage in = testPicture(120, 700);
    const QImage target = targetPicture(120, 700);
    setThreadCount(1);
    const QImage one = run(GetParam(), in, target);
    setThreadCount(3);
    const QImage three = run(GetParam(), in, target);
    setThreadCount(2);
    const QImage two = run(GetParam(), in, target);
    EXPECT_TRUE(sameBytes(one, three));
    EXPECT_TRUE(sameBytes(one, two));
}

TEST(FilterThreads, FiltersRunFromSeveralThreadsAtOnce)
{
    ThreadCountGuard guard;
    setThreadCount(3);
    const QImage in = testPicture(160, 600), target = targetPicture(160, 600);
    const QStringList names = {"GaussianBlur", "Swirl", "Sepia", "SwirlTransition", "BoxBlur", "Pixelate"};
    std::vector<QImage> expected;
    for (const QString &n : names)
        expected.push_back(run(n, in, target));
    std::vector<QImage> got(names.size() * 4);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (size_t i = 0; i < size_t(names.size()); ++i)
                got[t * size_t(names.size()) + i] = run(names[int(i)], in, target);
        });
    for (std::thread &t : threads)
        t.join();
    for (size_t i = 0; i < got.size(); ++i)
        EXPECT_TRUE(sameBytes(got[i], expected[i % size_t(names.size())])) << names[int(i % names.size())].toStdString();
}

TEST(FilterMemory, PicturesOutliveTheirFilterAndIdleMemoryRelease)
{
    // Large enough for pooled buffers.
    const QImage in = testPicture(800, 600);
    QImage kept;
    {
        auto f = createFilter("GaussianBlur");
        f->setBitmap("Input", in);
        kept = f->output();
    }
    const QImage again = run("GaussianBlur", in);
    QImage copyOfKept = kept; // shared, then written: detaches into its own buffer
    copyOfKept.setPixel(0, 0, 0u);
    for (int i = 0; i < 12; ++i) // more pictures than the pool keeps
        run("Sepia", in);
    releaseIdleMemory();
    EXPECT_TRUE(sameBytes(kept, again));
    EXPECT_EQ(copyOfKept.pixel(0, 0), 0u);
    EXPECT_NE(kept.pixel(0, 0), 0u);
    EXPECT_TRUE(sameBytes(run("GaussianBlur", in), again));
}

INSTANTIATE_TEST_SUITE_P(All, EveryFilter, ::testing::ValuesIn(allFilters()),
                         [](const auto &info) { return info.param.toStdString(); });

// --- Transitions ---------------------------------------------------------------------

class Transition : public ::testing::TestWithParam<QString> {};

TEST_P(Transition, GoesExactlyFromInputToTarget)
{
    const QImage in = testPicture(), target = targetPicture();
    EXPECT_TRUE(sameBytes(run(GetParam(), in, target, {{"Progress", 0}}), in));
    EXPECT_TRUE(sameBytes(run(GetParam(), in, target, {{"Progress", 100}}), target));
    // Nearly there is nearly the target, just started is nearly the input.
    const QImage early = run(GetParam(), in, target, {{"Progress", 1}});
    const QImage late = run(GetParam(), in, target, {{"Progress", 99}});
    ASSERT_EQ(early.size(), in.size());
    ASSERT_EQ(late.size(), in.size());
    EXPECT_LT(meanDiff(early, in), meanDiff(early, target));
    EXPECT_LT(meanDiff(late, target), meanDiff(late, in));
}

TEST_P(Transition, EmptyTargetIsTransparentAndOtherSizesAreScaled)
{
    const QImage in = testPicture();
    const QImage end = run(GetParam(), in, QImage(), {{"Progress", 100}});
    ASSERT_EQ(end.size(), in.size());
    for (int y = 0; y < end.height(); ++y)
        for (int x = 0; x < end.width(); ++x)
            ASSERT_EQ(end.pixel(x, y), 0u);
    EXPECT_EQ(run(GetParam(), in, QImage(), {{"Progress", 50}}).size(), in.size());
    const QImage big = targetPicture(128, 96);
    EXPECT_EQ(run(GetParam(), in, big, {{"Progress", 50}}).size(), in.size());
    EXPECT_LE(maxDiff(run(GetParam(), in, big, {{"Progress", 100}}), big.scaled(64, 48, Qt::IgnoreAspectRatio,
                                                                                 Qt::SmoothTransformation)),
              1);
}

INSTANTIATE_TEST_SUITE_P(All, Transition, ::testing::ValuesIn(kTransitions),
                         [](const auto &info) { return info.param.toStdString(); });

TEST(Transition, FadeIsHalfWayAtFifty)
{
    QImage black(8, 8, QImage::Format_ARGB32_Premultiplied), white(8, 8, QImage::Format_ARGB32_Premultiplied);
    black.fill(0xff000000u);
    white.fill(0xffffffffu);
    const QImage mid = run("FadeTransition", black, white, {{"Progress", 50}});
    EXPECT_NEAR(qRed(mid.pixel(3, 3)), 128, 1);
    EXPECT_EQ(qAlpha(mid.pixel(3, 3)), 255);
}

// --- Filters are pure functions of their inputs ------------------------------------------

TEST(FilterPurity, SepiaAfterGaussianBlurShowsOnlyTheSepia)
{
    const QImage opened = testPicture();
    auto blur = createFilter("GaussianBlur");
    blur->setBitmap("Input", opened);
    const QImage blurred = blur->output();
    auto sepia = createFilter("Sepia");
    sepia->setBitmap("Input", opened);
    const QImage result = sepia->output();
    EXPECT_TRUE(sameBytes(result, run("Sepia", opened)));
    EXPECT_FALSE(sameBytes(result, run("Sepia", blurred)));
    EXPECT_TRUE(sameBytes(sepia->output(), result)); // reading output again changes nothing
    EXPECT_TRUE(sameBytes(blur->output(), blurred));
}

TEST(FilterPurity, NeutralSettingsGiveTheBaseBack)
{
    const QImage base = testPicture();
    EXPECT_TRUE(sameBytes(run("HueAdjust", base, {}, {{"Hue", 0}}), base));
    EXPECT_TRUE(sameBytes(run("Contrast", base, {}, {{"Brightness", 0}, {"Contrast", 1}}), base));
    EXPECT_TRUE(sameBytes(run("Sepia", base, {}, {{"Amount", 0}}), base));
    EXPECT_TRUE(sameBytes(run("Sharpen", base, {}, {{"Amount", 0}}), base));
    EXPECT_TRUE(sameBytes(run("GaussianBlur", base, {}, {{"BlurAmount", 0}}), base));
    EXPECT_FALSE(sameBytes(run("HueAdjust", base, {}, {{"Hue", 0.3}}), base));
}

TEST(FilterPurity, FullHueTurnComesBackAndInvertTwiceIsIdentity)
{
    const QImage base = testPicture();
    EXPECT_LE(maxDiff(run("HueAdjust", base, {}, {{"Hue", 1}}), run("HueAdjust", base, {}, {{"Hue", -1}})), 1);
    const QImage shifted = run("HueAdjust", base, {}, {{"Hue", 0.1}});
    EXPECT_LE(maxDiff(run("HueAdjust", shifted, {}, {{"Hue", -0.1}}), base), 40); // saturated colours clip
    EXPECT_GT(maxDiff(shifted, base), 8);
    EXPECT_LE(maxDiff(run("Invert", run("Invert", base)), base), 1);
    const QImage mono = run("Monochrome", base);
    for (int x = 0; x < 64; x += 7) {
        const QRgb p = mono.pixel(x, 10);
        EXPECT_EQ(qRed(p), qGreen(p));
        EXPECT_EQ(qGreen(p), qBlue(p));
    }
}

// --- Blur ----------------------------------------------------------------------------

struct BlurCase {
    const char *filter;
    double amount;
};

class ConstantPictureBlur : public ::testing::TestWithParam<BlurCase> {};

TEST_P(ConstantPictureBlur, StaysConstantUpToTheEdges)
{
    QImage flat(70, 610, QImage::Format_ARGB32_Premultiplied);
    flat.fill(qRgba(201, 37, 90, 255));
    const QImage out = run(GetParam().filter, flat, {}, {{"BlurAmount", GetParam().amount}});
    EXPECT_TRUE(sameBytes(out, flat));
}

INSTANTIATE_TEST_SUITE_P(All, ConstantPictureBlur,
                         ::testing::Values(BlurCase{"BoxBlur", 0.01}, BlurCase{"BoxBlur", 1}, BlurCase{"BoxBlur", 10},
                                           BlurCase{"GaussianBlur", 0.4}, BlurCase{"GaussianBlur", 2},
                                           BlurCase{"GaussianBlur", 20}, BlurCase{"GaussianBlur", 50},
                                           BlurCase{"DirectionalBlur", 30}, BlurCase{"RadialBlur", 0.8}),
                         [](const auto &info) {
                             return std::string(info.param.filter) + "_" + std::to_string(int(info.param.amount * 100));
                         });

class BlurBands : public ::testing::TestWithParam<BlurCase> {};

// Tall and wide enough that the vertical pass splits into a different number
// of row bands and column strips for each thread count.
TEST_P(BlurBands, SplitDoesNotChangeTheBytes)
{
    ThreadCountGuard guard;
    const QImage in = testPicture(2100, 1600);
    setThreadCount(1);
    const QImage one = run(GetParam().filter, in, {}, {{"BlurAmount", GetParam().amount}});
    for (int threads : {2, 3}) {
        setThreadCount(threads);
        EXPECT_TRUE(sameBytes(run(GetParam().filter, in, {}, {{"BlurAmount", GetParam().amount}}), one)) << threads;
    }
}

INSTANTIATE_TEST_SUITE_P(All, BlurBands,
                         ::testing::Values(BlurCase{"BoxBlur", 3}, BlurCase{"GaussianBlur", 2},
                                           BlurCase{"GaussianBlur", 30}),
                         [](const auto &info) {
                             return std::string(info.param.filter) + "_" + std::to_string(int(info.param.amount));
                         });

TEST(Blur, BoxSpreadsAPointOverItsSquare)
{
    QImage dot(40, 40, QImage::Format_ARGB32_Premultiplied);
    dot.fill(0xff000000u);
    dot.setPixel(20, 20, 0xffffffffu);
    const QImage out = run("BoxBlur", dot, {}, {{"BlurAmount", 1}}); // 5 x 5
    for (int y = 14; y < 27; ++y)
        for (int x = 14; x < 27; ++x) {
            const bool inside = std::abs(x - 20) <= 2 && std::abs(y - 20) <= 2;
            EXPECT_NEAR(qRed(out.pixel(x, y)), inside ? 255 / 25 : 0, 1) << x << "," << y;
        }
}

TEST(Blur, GaussianSpreadHasTheRequestedDeviation)
{
    for (double sigma : {2.0, 6.0, 20.0}) {
        // A white band 11 pixels wide keeps the blurred values well above rounding.
        QImage band(301, 40, QImage::Format_ARGB32_Premultiplied);
        band.fill(0xff000000u);
        for (int y = 0; y < 40; ++y)
            for (int x = 145; x <= 155; ++x)
                band.setPixel(x, y, 0xffffffffu);
        const QImage out = run("GaussianBlur", band, {}, {{"BlurAmount", sigma}});
        double sum = 0, var = 0;
        for (int x = 0; x < 301; ++x) {
            const double v = qRed(out.pixel(x, 20));
            sum += v;
            var += v * (x - 150) * (x - 150);
        }
        const double measured = std::sqrt(var / sum - 10.0); // less the band's own spread
        EXPECT_NEAR(measured, sigma, sigma * 0.15) << sigma;
    }
}

// --- Distortions do what their names say ---------------------------------------------------

TEST(Distortion, MagnifyEnlargesAboutTheCentre)
{
    const QImage in = testPicture(300, 300);
    auto f = createFilter("Magnify");
    f->setBitmap("Input", in);
    f->setPoint("Center", QPointF(150, 150));
    f->setFloat("Magnification", 2);
    const QImage out = f->output();
    // 40 pixels right of the centre shows what was 20 pixels right of it.
    EXPECT_LE(maxDiff(out.copy(190, 150, 1, 1), premul(in).copy(170, 150, 1, 1)), 2);
    EXPECT_TRUE(sameBytes(out.copy(0, 0, 20, 20), premul(in).copy(0, 0, 20, 20))); // outside the lens
}

TEST(Distortion, SwirlTurnsMoreNearTheCentre)
{
    const QImage in = testPicture(200, 200);
    auto f = createFilter("Swirl");
    f->setBitmap("Input", in);
    f->setPoint("Center", QPointF(100, 100));
    const QImage out = f->output();
    EXPECT_GT(maxDiff(out.copy(90, 90, 20, 20), premul(in).copy(90, 90, 20, 20)), 20);
    EXPECT_LE(maxDiff(out.copy(0, 0, 3, 3), premul(in).copy(0, 0, 3, 3)), 2); // the far corner barely moves
}

TEST(Distortion, FastSineAndCosineMatchTheLibrary)
{
    for (float x = -400.f; x < 400.f; x += 0.0137f) {
        float s, c;
        detail::fastSinCos(x, s, c);
        ASSERT_NEAR(s, std::sin(double(x)), 2e-6) << x;
        ASSERT_NEAR(c, std::cos(double(x)), 2e-6) << x;
    }
    float s = 1, c = 1;
    detail::fastSinCos(std::nanf(""), s, c);
    EXPECT_EQ(s, 0.f);
    EXPECT_EQ(c, 1.f);
}

TEST(Transition, SlidePushesTheInputOutInWholePixels)
{
    const QImage in = testPicture(), target = targetPicture();
    auto f = createFilter("SlideTransition");
    f->setBitmap("Input", in);
    f->setBitmap("Target", target);
    f->setFloat("Progress", 25);
    const QImage out = f->output(); // default: to the right, a quarter of the way = 16 pixels
    EXPECT_TRUE(sameBytes(out.copy(16, 0, 48, 48), premul(in).copy(0, 0, 48, 48)));
    EXPECT_TRUE(sameBytes(out.copy(0, 0, 16, 48), premul(target).copy(48, 0, 16, 48)));
}

// --- Geometry ----------------------------------------------------------------------------

TEST(Geometry, QuarterTurnsSwapTheSidesExactly)
{
    const QImage in = testPicture(400, 300);
    const QImage r90 = rotated(in, 90);
    EXPECT_EQ(r90.size(), QSize(300, 400));
    EXPECT_EQ(r90.pixel(299, 0), premul(in).pixel(0, 0)); // the top left corner goes to the top right
    EXPECT_TRUE(sameBytes(rotated(r90, 270), in));
    EXPECT_TRUE(sameBytes(rotated(rotated(in, 180), -180), in));
    EXPECT_TRUE(sameBytes(rotated(in, 0), in));
    EXPECT_TRUE(sameBytes(rotated(in, 360), in));
}

TEST(Geometry, AnyAngleGrowsToTheBoundingBoxWithTransparentCorners)
{
    QImage in(400, 300, QImage::Format_ARGB32_Premultiplied);
    in.fill(0xff2050a0u);
    const QImage r = rotated(in, 45);
    const double c = std::cos(M_PI / 4);
    EXPECT_EQ(r.width(), int(std::floor(400 * c + 300 * c + 1e-6)));
    EXPECT_EQ(r.height(), int(std::floor(400 * c + 300 * c + 1e-6)));
    EXPECT_EQ(qAlpha(r.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(r.pixel(r.width() - 1, r.height() - 1)), 0);
    EXPECT_EQ(r.pixel(r.width() / 2, r.height() / 2), 0xff2050a0u);
    EXPECT_TRUE(rotated(QImage(), 30).isNull());
}

TEST(Geometry, AHugeBoundingBoxGivesAnEmptyPictureNotACrash)
{
    QImage strip(1, 40000, QImage::Format_ARGB32_Premultiplied);
    strip.fill(0xffffffffu);
    EXPECT_TRUE(rotated(strip, 45).isNull()); // 28284 x 28284 pixels: more than the engine allocates
    EXPECT_EQ(rotated(strip, 90).size(), QSize(40000, 1));
    EXPECT_TRUE(resized(strip, 50000, 50000).isNull()); // 10 GB: refused, not attempted
}

TEST(Geometry, FlipAndResize)
{
    const QImage in = testPicture(40, 30);
    const QImage h = flipped(in, true), v = flipped(in, false);
    EXPECT_EQ(h.pixel(0, 5), in.pixel(39, 5));
    EXPECT_EQ(v.pixel(5, 0), in.pixel(5, 29));
    EXPECT_TRUE(sameBytes(flipped(flipped(in, true), true), in));
    EXPECT_EQ(resized(in, 200, 150).size(), QSize(200, 150));
    EXPECT_EQ(resized(in, 7, 90).size(), QSize(7, 90));
    EXPECT_TRUE(resized(in, 0, 10).isNull());
    EXPECT_TRUE(resized(in, 10, -3).isNull());
    EXPECT_TRUE(sameBytes(resized(in, 40, 30), in));
}

// --- Bad names and values ----------------------------------------------------------------

TEST(FilterObject, UnknownNamesAndWrongTypesAreIgnored)
{
    EXPECT_EQ(createFilter("NoSuchFilter"), nullptr);
    EXPECT_EQ(createFilter(""), nullptr);
    EXPECT_FALSE(filterRec("NoSuchFilter", nullptr));
    EXPECT_TRUE(categoryOf("NoSuchFilter").isEmpty());

    const QImage in = testPicture();
    auto f = createFilter("Sepia");
    f->setBitmap("Input", in);
    const QImage before = f->output();
    f->setFloat("NoSuchParameter", 1);
    f->setPoint("Amount", QPointF(3, 3));  // wrong type
    f->setColor("Amount", 0xffffffffu);     // wrong type
    f->setBitmap("Amount", QImage());       // wrong type
    f->setFloat("Input", 0.2);              // wrong type
    EXPECT_DOUBLE_EQ(f->floatValue("Amount"), 0.5);
    EXPECT_DOUBLE_EQ(f->floatValue("NoSuchParameter"), 0);
    EXPECT_TRUE(sameBytes(f->output(), before));
}

TEST(FilterObject, FloatsStayInRangeAndNaNIsIgnored)
{
    auto f = createFilter("Contrast");
    f->setFloat("Brightness", 7);
    EXPECT_DOUBLE_EQ(f->floatValue("Brightness"), 1);
    f->setFloat("Brightness", -7);
    EXPECT_DOUBLE_EQ(f->floatValue("Brightness"), -1);
    f->setFloat("Brightness", std::nan(""));
    EXPECT_DOUBLE_EQ(f->floatValue("Brightness"), -1);
    EXPECT_DOUBLE_EQ(f->rec().Values[0].Value.Float, -1);
    EXPECT_DOUBLE_EQ(f->rec().Values[0].Default.Float, 0);
}

TEST(FilterObject, PointsAndColoursAreReadBack)
{
    auto f = createFilter("Swirl");
    f->setPoint("Center", QPointF(12.5, 30));
    EXPECT_EQ(f->pointValue("Center"), QPointF(12.5, 30));
    auto g = createFilter("GlowFilter");
    g->setColor("Color", 0x80ff0000u);
    EXPECT_EQ(g->colorValue("Color"), 0x80ff0000u);
    const QImage in = testPicture();
    g->setBitmap("Input", in);
    EXPECT_TRUE(sameBytes(g->ValuesAsBitmap("output"), g->output()));
}

TEST(FilterObject, NonPremultipliedAndOpaqueFormatsAreAccepted)
{
    const QImage base = testPicture();
    const QImage straight = base.convertToFormat(QImage::Format_ARGB32);
    const QImage rgb = base.convertToFormat(QImage::Format_RGB32);
    EXPECT_LE(maxDiff(run("Sepia", straight), run("Sepia", base)), 1);
    EXPECT_EQ(run("Sepia", rgb).size(), base.size());
    const QImage gray = base.convertToFormat(QImage::Format_Grayscale8);
    EXPECT_EQ(run("GaussianBlur", gray).size(), base.size());
}

} // namespace
