// The filter catalogue (categories, filters, parameter descriptions) and the
// filter objects created from it.
#include "edit/filters/Kernels.h"

#include <exception>
#include <vector>

namespace orvane::filters {

using namespace detail;

int TFilterRec::indexOf(const QString &name) const
{
    for (int i = 0; i < Values.size(); ++i) {
        if (Values[i].Name == name)
            return i;
    }
    return -1;
}

namespace {

struct Entry {
    QString category;
    TFilterRec rec;
    Kernel kernel = nullptr;
    bool transition = false;
};

TFilterValueRec F(const char *name, const char *desc, double min, double max, double def)
{
    TFilterValueRec v;
    v.Name = QString::fromLatin1(name);
    v.Desc = QString::fromLatin1(desc);
    v.ValueType = TFilterValueType::Float;
    v.Min.Float = min;
    v.Max.Float = max;
    v.Default.Float = def;
    v.Value.Float = def;
    return v;
}

// Points are positions in the picture's pixels (a picture of about 300 x 300
// is assumed for the defaults), or vectors where the description says so.
TFilterValueRec P(const char *name, const char *desc, double x, double y, double min = 0.0, double max = 65535.0)
{
    TFilterValueRec v;
    v.Name = QString::fromLatin1(name);
    v.Desc = QString::fromLatin1(desc);
    v.ValueType = TFilterValueType::Point;
    v.Min.Point = QPointF(min, min);
    v.Max.Point = QPointF(max, max);
    v.Default.Point = QPointF(x, y);
    v.Value.Point = v.Default.Point;
    return v;
}

TFilterValueRec C(const char *name, const char *desc, quint32 def)
{
    TFilterValueRec v;
    v.Name = QString::fromLatin1(name);
    v.Desc = QString::fromLatin1(desc);
    v.ValueType = TFilterValueType::Color;
    v.Min.Color = 0;
    v.Max.Color = 0xffffffffu;
    v.Default.Color = def;
    v.Value.Color = def;
    return v;
}

TFilterValueRec B(const char *name, const char *desc)
{
    TFilterValueRec v;
    v.Name = QString::fromLatin1(name);
    v.Desc = QString::fromLatin1(desc);
    v.ValueType = TFilterValueType::Bitmap;
    return v;
}

TFilterValueRec input() { return B("Input", "The picture to filter"); }
TFilterValueRec target() { return B("Target", "The second picture"); }
TFilterValueRec progress() { return F("Progress", "How far the transition has gone, in per cent", 0, 100, 30); }
TFilterValueRec center() { return P("Center", "Centre of the effect", 150, 150); }
TFilterValueRec aspect() { return F("AspectRatio", "Width to height ratio of the effect's circle", 0.25, 4, 1); }
TFilterValueRec seed() { return F("RandomSeed", "Seed of the random pattern", 0, 1, 0.3); }

std::vector<Entry> buildCatalogue()
{
    std::vector<Entry> c;
    auto add = [&](const char *category, const char *name, const char *desc, Kernel k, QVector<TFilterValueRec> values) {
        Entry e;
        e.category = QString::fromLatin1(category);
        e.rec.Name = QString::fromLatin1(name);
        e.rec.Desc = QString::fromLatin1(desc);
        e.rec.Values = std::move(values);
        e.kernel = k;
        e.transition = e.category == QLatin1String("Transition");
        c.push_back(std::move(e));
    };
    auto tr = [&](const char *name, const char *desc, Kernel k, QVector<TFilterValueRec> extra) {
        QVector<TFilterValueRec> v{progress()};
        v += extra;
        v += input();
        v += target();
        add("Transition", name, desc, k, std::move(v));
    };

    // Blur
    add("Blur", "BoxBlur", "Averages every pixel with its square neighbourhood", kernelBoxBlur,
        {F("BlurAmount", "Size of the box (2 pixels per unit)", 0.01, 10, 1), input()});
    add("Blur", "DirectionalBlur", "Smears the picture along a direction, as in a moving camera", kernelDirectionalBlur,
        {F("Angle", "Direction of the blur in degrees", 0, 360, 0),
         F("BlurAmount", "Length of the blur in pixels", 0, 100, 10), input()});
    add("Blur", "GaussianBlur", "Soft blur with a bell-shaped falloff", kernelGaussianBlur,
        {F("BlurAmount", "Radius (standard deviation) in pixels", 0, 50, 3), input()});
    add("Blur", "RadialBlur", "Zoom blur towards a centre", kernelRadialBlur,
        {center(), F("BlurAmount", "Strength of the zoom", 0, 1, 0.1), input()});

    // Color
    add("Color", "ColorKeyAlpha", "Makes one colour transparent", kernelColorKeyAlpha,
        {C("ColorKey", "The colour that becomes transparent", 0xff00ff00u),
         F("Tolerance", "How far a colour may be from the key", 0, 1, 0.3), input()});
    add("Color", "Invert", "Negative of the picture", kernelInvert, {input()});
    add("Color", "MaskToAlpha", "Turns brightness into opacity (of Second when given)", kernelMaskToAlpha,
        {input(), B("Second", "Optional mask picture")});
    add("Color", "Monochrome", "Grey tones only", kernelMonochrome, {input()});

    // ColorAdjust
    add("ColorAdjust", "Bloom", "Makes the bright parts glow", kernelBloom,
        {F("BloomIntensity", "Strength of the glow", 0, 4, 1),
         F("BaseIntensity", "Strength of the picture", 0, 4, 1),
         F("BloomSaturation", "Colour saturation of the glow", 0, 4, 1),
         F("BaseSaturation", "Colour saturation of the picture", 0, 4, 1), input()});
    add("ColorAdjust", "Contrast", "Brightness and contrast", kernelContrast,
        {F("Brightness", "Added brightness", -1, 1, 0), F("Contrast", "Contrast factor (1 = unchanged)", 0, 2, 1.5),
         input()});
    add("ColorAdjust", "Gloom", "Deepens the dark parts", kernelGloom,
        {F("GloomIntensity", "Strength of the gloom", 0, 4, 1),
         F("BaseIntensity", "Strength of the picture", 0, 4, 1),
         F("GloomSaturation", "Colour saturation of the gloom", 0, 4, 1),
         F("BaseSaturation", "Colour saturation of the picture", 0, 4, 1), input()});
    add("ColorAdjust", "HueAdjust", "Turns all hues around the colour wheel", kernelHueAdjust,
        {F("Hue", "Hue shift (1 = half a turn)", -1, 1, 0), input()});

    // Composite
    add("Composite", "NormalBlend", "Draws Target over the picture", kernelNormalBlend, {input(), target()});

    // Distortion
    add("Distortion", "BandedSwirl", "Swirl in rings turning in alternate directions", kernelBandedSwirl,
        {center(), F("Bands", "Number of rings", 1, 50, 6), F("Strength", "Turn of each ring (radians)", -10, 10, 0.3), aspect(),
         input()});
    add("Distortion", "Bands", "Horizontal light bands", kernelBands,
        {F("BandDensity", "Number of bands over the picture height", 1, 200, 65),
         F("BandIntensity", "Contrast of the bands", 0, 1, 0.5), input()});
    add("Distortion", "Magnify", "Magnifying glass", kernelMagnify,
        {center(), F("Radius", "Radius of the lens in pixels", 0, 2000, 75),
         F("Magnification", "Enlargement inside the lens", 1, 10, 2), aspect(), input()});
    add("Distortion", "Pinch", "Pulls the picture towards the centre", kernelPinch,
        {center(), F("Radius", "Radius of the pinch in pixels", 0, 2000, 100),
         F("Strength", "Strength of the pinch", 0, 2, 0.5), aspect(), input()});
    add("Distortion", "Ripple", "Rings as on water", kernelRipple,
        {center(), F("Amplitude", "Height of the ripples in pixels", 0, 50, 5),
         F("Frequency", "Ripples per 100 pixels", 0, 20, 4), F("Phase", "Shift of the ripples", -20, 20, 0), aspect(),
         input()});
    add("Distortion", "SmoothMagnify", "Magnifying glass with a soft rim", kernelSmoothMagnify,
        {center(), F("InnerRadius", "Radius of the full enlargement in pixels", 0, 2000, 50),
         F("OuterRadius", "Radius where the lens ends in pixels", 0, 2000, 100),
         F("Magnification", "Enlargement inside the lens", 1, 10, 2), aspect(), input()});
    add("Distortion", "Swirl", "Whirls the picture around a centre", kernelSwirl,
        {center(), F("SpiralStrength", "Turn at the centre (radians)", -10, 10, 3), aspect(), input()});
    add("Distortion", "Wave", "Waves across the picture", kernelWave,
        {F("Time", "Phase of the waves", 0, 100, 0), F("WaveSize", "Length of a wave in pixels", 4, 500, 64),
         input()});
    add("Distortion", "Wrap", "Bends the left and right sides along two curves", kernelWrap,
        {P("LeftStart", "Top end of the left curve", 0, 0), P("LeftControl1", "First control of the left curve", 60, 100),
         P("LeftControl2", "Second control of the left curve", 60, 200), P("LeftEnd", "Bottom end of the left curve", 0, 300),
         P("RightStart", "Top end of the right curve", 300, 0),
         P("RightControl1", "First control of the right curve", 240, 100),
         P("RightControl2", "Second control of the right curve", 240, 200),
         P("RightEnd", "Bottom end of the right curve", 300, 300), input()});

    // Generator
    add("Generator", "Fill", "Fills the picture with a colour", kernelFill,
        {C("Color", "Fill colour", 0xff3a6ea5u), input()});
    add("Generator", "FillRGB", "Paints the picture's shape in one colour, keeping its transparency", kernelFillRGB,
        {C("Color", "Fill colour", 0xffc03030u), input()});

    // Geometry
    add("Geometry", "AffineTransform", "Turns and scales the picture about a centre", kernelAffineTransform,
        {center(), F("Rotation", "Turn in degrees (clockwise)", -360, 360, 15),
         F("Scale", "Scale factor", 0.05, 10, 0.8), input()});
    add("Geometry", "Crop", "Cuts out a rectangle", kernelCrop,
        {P("LeftTop", "Top left corner of the cut-out", 25, 25), P("RightBottom", "Bottom right corner", 275, 275),
         input()});
    add("Geometry", "PerspectiveTransform", "Moves the picture's corners", kernelPerspectiveTransform,
        {P("TopLeft", "Where the top left corner goes", 30, 20), P("TopRight", "Where the top right corner goes", 270, 0),
         P("BottomRight", "Where the bottom right corner goes", 300, 300),
         P("BottomLeft", "Where the bottom left corner goes", 0, 280), input()});

    // Style
    add("Style", "Emboss", "Relief in grey", kernelEmboss,
        {F("Amount", "Depth of the relief", 0, 10, 3), F("Width", "Distance of the relief in pixels", 0, 10, 1),
         input()});
    add("Style", "GlowFilter", "Coloured glow around the picture's shape", kernelGlowFilter,
        {F("BlurAmount", "Size of the glow in pixels", 0, 50, 5), C("Color", "Colour of the glow", 0xffffd700u),
         input()});
    add("Style", "InnerGlowFilter", "Coloured glow inside the picture's edges", kernelInnerGlowFilter,
        {F("BlurAmount", "Size of the glow in pixels", 0, 50, 5), C("Color", "Colour of the glow", 0xffffffffu),
         input()});
    add("Style", "PaperSketch", "Pencil drawing on white paper", kernelPaperSketch,
        {F("brushSize", "Width of the strokes in pixels", 1, 50, 3), input()});
    add("Style", "PencilStroke", "Coloured pencil drawing", kernelPencilStroke,
        {F("brushSize", "Width of the strokes in pixels", 1, 50, 3), input()});
    add("Style", "Pixelate", "Large square pixels", kernelPixelate,
        {F("BlockCount", "Number of blocks across the picture", 1, 1000, 50), input()});
    add("Style", "ReflectionFilter", "Mirror image below the picture", kernelReflectionFilter,
        {F("Opacity", "Opacity of the reflection", 0, 1, 0.5), F("Length", "Height of the reflection", 0, 1, 0.3),
         input()});
    add("Style", "Sepia", "Old brown photograph", kernelSepia,
        {F("Amount", "Strength of the tint", 0, 1, 0.5), input()});
    add("Style", "Sharpen", "Crisper edges", kernelSharpen, {F("Amount", "Strength", 0, 2, 0.5), input()});
    add("Style", "Toon", "Cartoon with flat colours and outlines", kernelToon,
        {F("Levels", "Number of tones per colour", 2, 32, 5), input()});

    // Tiles
    add("Tiles", "Tiler", "Repeats the picture in tiles", kernelTiler,
        {F("VerticalTileCount", "Tiles from top to bottom", 1, 50, 3),
         F("HorizontalTileCount", "Tiles from left to right", 1, 50, 3),
         F("HorizontalOffset", "Shift of every other row of tiles", 0, 1, 0),
         F("VerticalOffset", "Shift of every other column of tiles", 0, 1, 0), input()});

    // Transition
    tr("BandedSwirlTransition", "Rings of swirl carry one picture into the other", kernelBandedSwirlTransition,
       {center(), F("Strength", "Turn of the rings", 0, 10, 1), F("Frequency", "Number of rings", 1, 100, 20)});
    tr("BlindTransition", "Venetian blinds close over the first picture", kernelBlindTransition,
       {F("NumberOfBlinds", "Number of blinds", 1, 100, 10)});
    tr("BloodTransition", "The new picture runs down from the top", kernelBloodTransition, {seed()});
    tr("BlurTransition", "Blurs out and back in", kernelBlurTransition,
       {F("Strength", "Blur at the middle of the way", 0, 1, 0.5)});
    tr("BrightTransition", "Over-exposes to white and back", kernelBrightTransition, {});
    tr("CircleTransition", "A growing circle reveals the new picture", kernelCircleTransition,
       {F("FuzzyAmount", "Softness of the circle's rim", 0, 1, 0.1),
        F("CircleSize", "How fast the circle grows (1 = covers at the end)", 1, 5, 1), center()});
    tr("CrumpleTransition", "Crumples the picture like paper", kernelCrumpleTransition,
       {seed(), F("Strength", "Depth of the creases", 0, 1, 0.5)});
    tr("DissolveTransition", "Pixel by pixel", kernelDissolveTransition, {seed()});
    tr("DropTransition", "The picture falls away in strips", kernelDropTransition, {seed()});
    tr("FadeTransition", "Cross-fade", kernelFadeTransition, {});
    tr("LineTransition", "A soft line sweeps across", kernelLineTransition,
       {P("Origin", "Where the line starts", 0, 0), P("Normal", "Where the line moves to", 300, 150),
        F("Offset", "Tilt of the line (1 = 45 degrees)", -1, 1, 0),
        F("FuzzyAmount", "Softness of the line", 0, 1, 0.1)});
    tr("MagnifyTransition", "Zooms into the centre", kernelMagnifyTransition, {center()});
    tr("PixelateTransition", "Blocks grow and shrink again", kernelPixelateTransition, {});
    tr("RippleTransition", "Ripples spread from the centre", kernelRippleTransition,
       {center(), F("Frequency", "Ripples per 100 pixels", 0.5, 20, 3), F("Strength", "Height of the ripples", 0, 1, 0.5)});
    tr("RotateCrumpleTransition", "Crumples and turns", kernelRotateCrumpleTransition,
       {seed(), F("Strength", "Depth of the creases", 0, 1, 0.5)});
    tr("SaturateTransition", "Colours flare up and settle", kernelSaturateTransition, {});
    tr("ShapeTransition", "A growing diamond reveals the new picture", kernelShapeTransition,
       {center(), F("FuzzyAmount", "Softness of the rim", 0, 1, 0.05)});
    tr("SlideTransition", "The new picture pushes the old one out", kernelSlideTransition,
       {P("SlideAmount", "Direction of the slide as a vector (x, y)", 300, 0, -65535.0, 65535.0)});
    tr("SwipeTransition", "Turns the page from a corner", kernelSwipeTransition,
       {P("MousePoint", "Where the corner is pulled to", 150, 150), P("CornerPoint", "The corner that turns", 300, 300),
        F("Deep", "Depth of the page's shadow", 0, 1, 0.5)});
    tr("SwirlTransition", "Whirls from one picture into the other", kernelSwirlTransition,
       {center(), F("Strength", "Turn at the middle of the way", 0, 20, 6)});
    tr("WaterTransition", "Melts through a water surface", kernelWaterTransition,
       {seed(), F("Strength", "Height of the waves", 0, 1, 0.4)});
    tr("WaveTransition", "Waves carry the new picture in", kernelWaveTransition,
       {F("Strength", "Height of the waves", 0, 1, 0.3), F("Offset", "Phase of the waves", 0, 1, 0)});
    tr("WiggleTransition", "The picture wobbles into the next", kernelWiggleTransition, {seed()});

    // The swipe may show another picture on the back of the turning page.
    for (Entry &e : c) {
        if (e.rec.Name == QLatin1String("SwipeTransition"))
            e.rec.Values.push_back(B("Back", "Optional picture on the back of the page"));
    }
    return c;
}

const std::vector<Entry> &catalogue()
{
    static const std::vector<Entry> c = buildCatalogue();
    return c;
}

const Entry *findEntry(const QString &name)
{
    for (const Entry &e : catalogue()) {
        if (e.rec.Name == name)
            return &e;
    }
    return nullptr;
}

} // namespace

QStringList categories()
{
    QStringList out;
    for (const Entry &e : catalogue()) {
        if (!out.contains(e.category))
            out << e.category;
    }
    return out;
}

QStringList filtersInCategory(const QString &category)
{
    QStringList out;
    for (const Entry &e : catalogue()) {
        if (e.category == category)
            out << e.rec.Name;
    }
    return out;
}

QStringList allFilters()
{
    QStringList out;
    for (const Entry &e : catalogue())
        out << e.rec.Name;
    return out;
}

QString categoryOf(const QString &filterName)
{
    const Entry *e = findEntry(filterName);
    return e ? e->category : QString();
}

bool filterRec(const QString &filterName, TFilterRec *rec)
{
    const Entry *e = findEntry(filterName);
    if (!e)
        return false;
    if (rec)
        *rec = e->rec;
    return true;
}

struct Filter::Impl {
    TFilterRec rec;
    Kernel kernel = nullptr;
    bool transition = false;

    TFilterValueRec *param(const QString &name, TFilterValueType type)
    {
        const int i = rec.indexOf(name);
        if (i < 0 || rec.Values[i].ValueType != type)
            return nullptr;
        return &rec.Values[i];
    }
    const TFilterValueRec *param(const QString &name, TFilterValueType type) const
    {
        return const_cast<Impl *>(this)->param(name, type);
    }
};

std::unique_ptr<Filter> createFilter(const QString &filterName)
{
    const Entry *e = findEntry(filterName);
    if (!e)
        return nullptr;
    auto impl = std::make_unique<Filter::Impl>();
    impl->rec = e->rec;
    impl->kernel = e->kernel;
    impl->transition = e->transition;
    return std::make_unique<Filter>(std::move(impl));
}

Filter::Filter(std::unique_ptr<Impl> impl) : d(std::move(impl)) {}
Filter::~Filter() = default;

QString Filter::name() const { return d->rec.Name; }
const TFilterRec &Filter::rec() const { return d->rec; }

void Filter::setFloat(const QString &name, double value)
{
    TFilterValueRec *p = d->param(name, TFilterValueType::Float);
    if (!p || std::isnan(value))
        return;
    p->Value.Float = std::clamp(value, p->Min.Float, p->Max.Float);
}

void Filter::setPoint(const QString &name, const QPointF &value)
{
    TFilterValueRec *p = d->param(name, TFilterValueType::Point);
    if (!p || std::isnan(value.x()) || std::isnan(value.y()))
        return;
    p->Value.Point = QPointF(std::clamp(value.x(), p->Min.Point.x(), p->Max.Point.x()),
                             std::clamp(value.y(), p->Min.Point.y(), p->Max.Point.y()));
}

void Filter::setColor(const QString &name, quint32 argb)
{
    if (TFilterValueRec *p = d->param(name, TFilterValueType::Color))
        p->Value.Color = argb;
}

void Filter::setBitmap(const QString &name, const QImage &image)
{
    if (TFilterValueRec *p = d->param(name, TFilterValueType::Bitmap))
        p->Value.Bitmap = image;
}

double Filter::floatValue(const QString &name) const
{
    const TFilterValueRec *p = d->param(name, TFilterValueType::Float);
    return p ? p->Value.Float : 0.0;
}

QPointF Filter::pointValue(const QString &name) const
{
    const TFilterValueRec *p = d->param(name, TFilterValueType::Point);
    return p ? p->Value.Point : QPointF();
}

quint32 Filter::colorValue(const QString &name) const
{
    const TFilterValueRec *p = d->param(name, TFilterValueType::Color);
    return p ? p->Value.Color : 0u;
}

QImage Filter::bitmapValue(const QString &name) const
{
    if (name.compare(QLatin1String("output"), Qt::CaseInsensitive) == 0)
        return output();
    const TFilterValueRec *p = d->param(name, TFilterValueType::Bitmap);
    return p ? p->Value.Bitmap : QImage();
}

QImage Filter::output() const
{
    try {
        // Every bitmap converted once to premultiplied ARGB32 for the kernels.
        TFilterRec rec = d->rec;
        for (TFilterValueRec &v : rec.Values) {
            if (v.ValueType == TFilterValueType::Bitmap)
                v.Value.Bitmap = toPremultiplied(v.Value.Bitmap);
        }
        const Args args{rec};
        const QImage in = args.img("Input");
        if (in.isNull())
            return QImage();
        if (d->transition) {
            const double p = args.f("Progress");
            if (p <= 0.0)
                return copyImage(in);
            if (p >= 100.0)
                return copyImage(targetFor(args, in));
        }
        return d->kernel(args);
    } catch (const std::exception &) {
        // Out of memory for a huge picture: no output rather than a crash.
        return QImage();
    }
}

namespace detail {

double Args::f(const char *name) const
{
    const int i = rec.indexOf(QLatin1String(name));
    return i < 0 ? 0.0 : rec.Values[i].Value.Float;
}

QPointF Args::pt(const char *name) const
{
    const int i = rec.indexOf(QLatin1String(name));
    return i < 0 ? QPointF() : rec.Values[i].Value.Point;
}

u32 Args::color(const char *name) const
{
    const int i = rec.indexOf(QLatin1String(name));
    return i < 0 ? 0u : rec.Values[i].Value.Color;
}

QImage Args::img(const char *name) const
{
    const int i = rec.indexOf(QLatin1String(name));
    return i < 0 ? QImage() : toPremultiplied(rec.Values[i].Value.Bitmap);
}

} // namespace detail
} // namespace orvane::filters
