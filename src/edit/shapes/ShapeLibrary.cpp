#include "edit/shapes/ShapeLibrary.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include <array>

namespace orvane::shapes {

namespace {

struct PathEntry {
    int index;
    const char *text;
};

// Path texts in the 90 by 90 box, as the list's path shapes define them.
constexpr PathEntry kPathTexts[] = {
    {0, "m 20, 50, L20, 50, 60, 50, 40, 80, 20, 50, M40, 50, L40, 50, 40, 10"},
    {1, "m 10, 30, L10, 30, 40, 10, 40, 50, 10, 30, M40, 30, L40, 30, 80, 30"},
    {2, "m 80, 30, L80, 30, 50, 10, 50, 50, 80, 30, M50, 30, L50, 30, 10, 30"},
    {3, "m 40, 10, L40, 10, 60, 40, 20, 40, 40, 10, M40, 40, L40, 40, 40, 80"},
    {4, "m 50, 60, L50, 60, 70, 60, 60, 75, 50, 60, M60, 60, L60,60,60,10, M40, 50, L40, 50, 40, 10,M 10, 30, L10, 30, 40, 10, 40, 50, 10, 30,M 40, 30, L40, 30, 80, 30"},
    {5, "m 10, 30, L10, 30, 30, 20, 30, 40, 10, 30, M30, 30, L30, 30, 60, 30, M80,30,L80,30,60,20,60,40,80,30"},
    {6, "m 60, 10, L60, 10, 70, 30, 50, 30, 60, 10, M60, 30, L60, 30, 60, 70, M40, 50, L40, 50, 40, 30, M10, 50, L10, 50, 40, 30, 40, 70, 10, 50, M40, 50, L40, 50, 80, 50"},
    {7, "m 80, 30, L80, 30, 50, 10, 50, 50, 80, 30, M50, 30, L50, 30, 10, 30, M20, 60, L20, 60, 40, 60, 30, 75, 20, 60, M30,60, L30,60,30,10"},
    {8, "m 80, 50, L80, 50, 50, 30, 50, 70, 80, 50, M50, 50, L50, 50, 10, 50, M20, 10, L20, 10, 30, 30, 10, 30, 20, 10, M20, 30, L20, 30, 20, 70"},
    {9, "m 40, 10, L40, 10, 60, 30, 20, 30, 40, 10, M40, 30, L40, 30, 40, 55, M40,75, L40, 75, 60, 55, 20, 55, 40, 75"},
    {10, "m 40, 60, L40, 60, 60, 60, 50, 75, 40, 60, M50,60, L50,60,50,10, M40, 50, L40, 50, 40, 10,M 10, 30, L10, 30, 40, 10, 40, 50, 10, 30, M40, 30, L40, 30, 60, 30, M80,30,L80,30,60,20,60,40,80,30"},
    {11, "m 10, 30, L10, 30, 40, 10, 40, 50, 10, 30, M40, 30, L40, 30, 80, 30, M60, 10, L60, 10, 80, 30, 40, 30, 60, 10, M60, 30, L60, 30, 60, 60, M60,75, L60, 75, 80, 55, 40, 55, 60, 75"},
    {12, "m 50, 10, L50, 10, 60, 30, 40, 30, 50, 10, M50, 30, L50, 30, 50, 70, M 10, 60, L10, 60, 40, 40, 40, 80, 10, 60, M40, 60, L40, 60, 60, 60, M80,60, L80,60,60,50,60,70,80,60"},
    {13, "m 30, 10, L30, 10, 50, 30, 10, 30, 30, 10, M30, 40, L30, 30, 30, 55, M30,75, L30, 75, 50, 55, 10, 55, 30, 75, M 80, 40, L80, 40, 50, 20, 50, 60, 80, 40, M50, 40, L50, 40, 10, 40"},
    {14, "m 10, 40, L10, 40, 30, 30, 30, 50, 10, 40, M30, 40, L30, 40, 60, 40, M80, 40, L80, 40, 60, 30, 60, 50, 80, 40, M35, 60, L35, 60, 55, 60, 45, 75, 35, 60, M45, 60, L45,60,45,20,M 45,0, L45, 0, 55, 20, 35, 20, 45, 0"},
    {31, "m 40, 10, L40, 10, 60, 10, 60, 30, 80, 30, 80, 50, 60, 50, 60, 70, 40, 70, 40, 50,20,50,20,30,40,30,40,10"},
    {32, "m 40, 20, L40, 20, 50, 20, 50, 40, 70, 40, 70, 50, 50, 50, 50, 70, 40, 70, 40, 50,20,50,20,40,40,40,40,20"},
    {33, "m 40, 25, L40, 25, 45, 25, 45, 45, 65, 45, 65, 50, 45, 50, 45, 70, 40, 70, 40, 50,20,50,20,45,40,45,40,25"},
    {34, "m 40, 15, L40, 15, 60, 40, 40, 60, 20, 40, 40, 15"},
    {38, "m 30, 20, L30, 20, 50, 20, 70, 40, 50, 60, 30, 60, 10, 40, 30,20"},
    {39, "m 30, 20, L30, 20, 50, 20, 60, 30, 60, 50, 50, 60, 30, 60, 20,50,20,30, 30,20"},
    {40, "m 20, 20, L20, 20, 60, 40, 60, 70, 20, 50, 20, 20"},
    {41, "m 10, 20, L10, 20, 50, 20, 70, 40, 30, 40, 10, 20"},
    {42, "m 30, 20, L30, 20, 70, 20, 50, 40, 10, 40, 30, 20"},
    {43, "m 20, 40, L20, 40, 60, 20, 60, 50, 20, 70, 20, 40"},
    {44, "m 40, 20, L40, 20, 60, 40, 50, 60, 30, 60, 20,40, 40, 20"},
    {45, "m 20, 20, L20, 20, 70, 20, 70, 60, 20, 60, 20, 20"},
    {46, "m 10, 20, L10, 20, 80, 20, 80, 70, 10, 70, 10, 20"},
    {47, "m 30, 30, L30, 30, 60, 30, 60, 60, 30, 60, 30, 30"},
    {48, "m 10, 10, L10, 10, 70, 10, 70, 70, 10, 70, 10, 10"},
    {49, "m 40, 10, L40, 10, 50, 40, 70, 45, 50, 50, 40, 80, 30, 50, 10, 45, 30, 40, 40 ,10"},
    {50, "m 30, 5, L30, 5, 37, 21, 53, 21, 39, 32, 45, 49, 31, 39, 16, 48, 20, 32, 7, 21,26, 20, 30, 5"},
    {51, "m 20, 20, L20, 20, 60, 20, 50, 40, 30, 40, 20, 20"},
    {52, "m 20, 30, L20, 30, 60, 20, 60, 60, 20, 50, 20, 30"},
    {53, "m 20, 10, L20, 10, 60, 20, 60, 40, 20, 60, 20, 10"},
    {54, "m 30, 20, L30, 20, 60, 20, 70, 40, 10, 40, 30, 20"},
    {55, "m 20, 20, L20, 20, 60, 20, 40, 60, 20, 20"},
    {56, "m 10, 50, L10, 50, 40, 20, 40, 70, 10, 50"},
    {57, "m 20, 60, L20, 60, 20, 20, 50, 40, 20, 60"},
    {58, "m 40, 20, L40, 20, 60, 60, 20, 60, 40, 20"},
    {59, "m 10, 10, L10, 10, 80, 10, 50, 80, 10, 10"},
    {60, "m 70, 70, L70, 70, 10, 40, 70, 10, 70, 70"},
    {61, "m 10, 70, L10, 70, 10, 10, 70, 40, 10, 70"},
    {62, "m 10, 70, L10, 70, 40, 10, 70, 70, 10, 70"},
    {63, "m 10, 80, L10, 80, 40, 10, 80, 80, 10, 80"},
    {64, "m 10, 70, L10, 70, 10, 10, 80, 70, 10, 70"},
    {65, "m 10, 10, L10, 10, 70, 10, 10, 70, 10, 10"},
    {66, "m 70, 70, L70, 70, 10, 70, 70, 10, 70, 70"},
    {67, "m 10, 10, L10, 10, 70, 10, 70, 70, 10, 10"},
};

struct RectEntry {
    int index;
    qreal preview[4]; // left, top, right, bottom
    qreal picture[4];
};

constexpr RectEntry kRects[] = {
    {15, {10, 10, 80, 80}, {0, 0, 80, 80}},
    {28, {5, 5, 85, 85}, {5, 5, 85, 85}},
    {29, {20, 20, 70, 70}, {20, 20, 70, 70}},
    {30, {40, 40, 50, 50}, {40, 40, 50, 50}},
    {35, {5, 15, 75, 60}, {5, 15, 75, 60}},
    {36, {15, 25, 50, 50}, {15, 25, 50, 50}},
    {37, {40, 40, 60, 50}, {40, 40, 60, 50}},
};

QRectF fromEdges(const qreal (&e)[4])
{
    return QRectF(QPointF(e[0], e[1]), QPointF(e[2], e[3]));
}

const RectEntry *rectEntry(int index)
{
    for (const RectEntry &r : kRects) {
        if (r.index == index)
            return &r;
    }
    return nullptr;
}


// One opened canvas scene on a picture: antialiased drawing at opacity 1.
class Scene {
public:
    explicit Scene(QImage &image)
    {
        if (image.isNull())
            return;
        makePaintable(image);
        m_painter.begin(&image);
        m_painter.setRenderHint(QPainter::Antialiasing);
    }

    void stroke(const QPainterPath &path, const CanvasStyle &style)
    {
        if (!m_painter.isActive() || path.isEmpty() || !(style.strokeWidth > 0))
            return;
        m_painter.strokePath(path, QPen(QBrush(style.strokeColor), style.strokeWidth, Qt::SolidLine,
                                        Qt::FlatCap, Qt::MiterJoin));
    }

    void fill(const QPainterPath &path, const QColor &color)
    {
        if (!m_painter.isActive() || path.isEmpty())
            return;
        m_painter.fillPath(path, QBrush(color));
    }

private:
    QPainter m_painter;
};

QPainterPath ellipsePath(const QRectF &rect)
{
    QPainterPath p;
    p.addEllipse(rect);
    return p;
}

// Our angles run clockwise on screen from 3 o'clock; QPainterPath's run
// counter-clockwise, hence the signs.
QPainterPath arcPath(QPointF centre, ArcAngles angles)
{
    const QRectF r(centre.x() - kArcRadius, centre.y() - kArcRadius, 2 * kArcRadius, 2 * kArcRadius);
    QPainterPath p;
    p.arcMoveTo(r, -angles.start);
    p.arcTo(r, -angles.start, -angles.sweep);
    return p;
}

void newPreviewBitmap(ShapePreview &preview)
{
    preview.bitmap = QImage(kPreviewSize, kPreviewSize, QImage::Format_ARGB32_Premultiplied);
    preview.bitmap.fill(Qt::transparent);
    preview.canvas = CanvasStyle{};
}

enum class Frame { Inner, Outer };

void transformForFrame(Frame which, ShapeFields &fields, const ShapeControls &controls)
{
    const ShapeKind kind = shapeKind(controls.index);
    if (kind == ShapeKind::Circle || kind == ShapeKind::Arc)
        return;
    const FrameControls &fc = which == Frame::Inner ? controls.inner : controls.outer;
    const double amount = parseFrameAmount(fc.amountText, fc.mode);
    fields.WkPathData = ShapePath::fromSvg(TransformPathNumbers(fields.WkPathData.toText(), amount, fc.mode));
}

void strokeFrame(Frame which, ShapeFields &fields, const ShapeControls &controls, QImage &target,
                 CanvasStyle &canvas)
{
    QColor &frameColor = which == Frame::Inner ? fields.PATHINN_CLR : fields.PATHOUT_CLR;
    frameColor = controls.panelColor;
    canvas.strokeColor = frameColor;
    Scene scene(target);
    scene.stroke(fields.WkPathData.toPainterPath(), canvas);
}

void frameOnPreview(Frame which, ShapeFields &fields, const ShapeControls &controls, ShapePreview &preview)
{
    transformForFrame(which, fields, controls);
    // A frame drawn before any shape was previewed gets a preview bitmap of
    // the preview's own size.
    if (!fields.IMAGENOBITMAP_FLG)
        newPreviewBitmap(preview);
    strokeFrame(which, fields, controls, preview.bitmap, preview.canvas);
    fields.IMAGENOBITMAP_FLG = true;
    (which == Frame::Inner ? fields.DRWINN_FLG : fields.DRWOUT_FLG) = true;
}

void frameOnPicture(Frame which, ShapeFields &fields, const ShapeControls &controls, QImage &picture,
                    CanvasStyle &canvas)
{
    transformForFrame(which, fields, controls);
    strokeFrame(which, fields, controls, picture, canvas);
}

} // namespace

// Formats QPainter cannot draw on are widened first.
void makePaintable(QImage &image)
{
    switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8:
    case QImage::Format_Alpha8:
    case QImage::Format_Grayscale8:
    case QImage::Format_Grayscale16:
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        break;
    default:
        break;
    }
}

const QStringList &shapeNames()
{
    static const QStringList names = {
        QStringLiteral("ARROW B"),
        QStringLiteral("ARROW L"),
        QStringLiteral("ARROW R"),
        QStringLiteral("ARROW T"),
        QStringLiteral("ARROW2 L AND B"),
        QStringLiteral("ARROW2 L AND R"),
        QStringLiteral("ARROW2 L AND T"),
        QStringLiteral("ARROW2 R AND B"),
        QStringLiteral("ARROW2 R AND T"),
        QStringLiteral("ARROW2 T AND B"),
        QStringLiteral("ARROW3 L AND B AND R"),
        QStringLiteral("ARROW3 L AND T AND B"),
        QStringLiteral("ARROW3 L AND T AND R"),
        QStringLiteral("ARROW3 T AND R AND B"),
        QStringLiteral("ARROW4 L AND T AND R AND B"),
        QStringLiteral("CIRCLE"),
        QStringLiteral("CIRCLE 180 B"),
        QStringLiteral("CIRCLE 180 L"),
        QStringLiteral("CIRCLE 180 R"),
        QStringLiteral("CIRCLE 180 T"),
        QStringLiteral("CIRCLE 270 LB"),
        QStringLiteral("CIRCLE 270 LT"),
        QStringLiteral("CIRCLE 270 RB"),
        QStringLiteral("CIRCLE 270 RT"),
        QStringLiteral("CIRCLE 90 LB"),
        QStringLiteral("CIRCLE 90 LT"),
        QStringLiteral("CIRCLE 90 RB"),
        QStringLiteral("CIRCLE 90 RT"),
        QStringLiteral("CIRCLE LARGE"),
        QStringLiteral("CIRCLE MEDIUM"),
        QStringLiteral("CIRCLE SMALL"),
        QStringLiteral("CROSS LARGE"),
        QStringLiteral("CROSS MEDIUM"),
        QStringLiteral("CROSS SMALL"),
        QStringLiteral("DIAMOND"),
        QStringLiteral("ELLIPSE LARGE"),
        QStringLiteral("ELLIPSE MEDIUM"),
        QStringLiteral("ELLIPSE SMALL"),
        QStringLiteral("HEXAGON"),
        QStringLiteral("OCTAGON"),
        QStringLiteral("PARALLELOGRAM B"),
        QStringLiteral("PARALLELOGRAM L"),
        QStringLiteral("PARALLELOGRAM R"),
        QStringLiteral("PARALLELOGRAM T"),
        QStringLiteral("PENTAGON"),
        QStringLiteral("RECTANGLE"),
        QStringLiteral("RECTANGLE LARGE"),
        QStringLiteral("SQUARE"),
        QStringLiteral("SQUARE LARGE"),
        QStringLiteral("STAR4"),
        QStringLiteral("STAR5"),
        QStringLiteral("TRAPEZOID B"),
        QStringLiteral("TRAPEZOID L"),
        QStringLiteral("TRAPEZOID R"),
        QStringLiteral("TRAPEZOID T"),
        QStringLiteral("TRIANGLE EQUILATERAL B"),
        QStringLiteral("TRIANGLE EQUILATERAL L"),
        QStringLiteral("TRIANGLE EQUILATERAL R"),
        QStringLiteral("TRIANGLE EQUILATERAL T"),
        QStringLiteral("TRIANGLE ISOSCELES B"),
        QStringLiteral("TRIANGLE ISOSCELES L"),
        QStringLiteral("TRIANGLE ISOSCELES R"),
        QStringLiteral("TRIANGLE ISOSCELES T"),
        QStringLiteral("TRIANGLE LARGE"),
        QStringLiteral("TRIANGLE RIGHT LB"),
        QStringLiteral("TRIANGLE RIGHT LT"),
        QStringLiteral("TRIANGLE RIGHT RB"),
        QStringLiteral("TRIANGLE RIGHT RT")
    };
    return names;
}

QString shapeName(int index)
{
    return index >= 0 && index < kShapeCount ? shapeNames().at(index) : QString();
}

int shapeIndex(const QString &name)
{
    return int(shapeNames().indexOf(name));
}

ShapeKind shapeKind(int index)
{
    if (index < 0 || index >= kShapeCount)
        return ShapeKind::None;
    if (index >= 16 && index <= 27)
        return ShapeKind::Arc;
    if (index == 15 || (index >= 28 && index <= 30))
        return ShapeKind::Circle;
    if (index >= 35 && index <= 37)
        return ShapeKind::Ellipse;
    return ShapeKind::Path;
}

QString shapePathText(int index)
{
    for (const PathEntry &e : kPathTexts) {
        if (e.index == index)
            return QString::fromLatin1(e.text);
    }
    return QString();
}

QRectF shapePreviewRect(int index)
{
    const RectEntry *e = rectEntry(index);
    return e ? fromEdges(e->preview) : QRectF();
}

QRectF shapePictureRect(int index)
{
    const RectEntry *e = rectEntry(index);
    return e ? fromEdges(e->picture) : QRectF();
}

ArcAngles shapeArcAngles(int index)
{
    if (shapeKind(index) != ShapeKind::Arc)
        return {};
    static constexpr qreal starts[4] = {0, 90, 270, 180};
    const int group = (index - 16) / 4; // 180, 270, 90 degree sweeps
    static constexpr qreal sweeps[3] = {180, 270, 90};
    return {starts[(index - 16) % 4], sweeps[group]};
}

bool shapeFrameControlsEnabled(int index)
{
    const ShapeKind kind = shapeKind(index);
    return kind != ShapeKind::Circle && kind != ShapeKind::Arc;
}

bool SetShapePath(ShapeFields &fields, int index)
{
    if (shapeKind(index) == ShapeKind::Path)
        fields.WkPathData = ShapePath::fromSvg(shapePathText(index));
    else
        fields.WkPathData.clear();
    return shapeFrameControlsEnabled(index);
}

void DrawShapePreview(ShapeFields &fields, const ShapeControls &controls, ShapePreview &preview)
{
    const int index = controls.index;
    SetShapePath(fields, index);
    if (index != fields.HLDLIST8_INDEX) {
        if (preview.bitmap.isNull() || preview.bitmap.width() == 0 || preview.bitmap.height() == 0)
            newPreviewBitmap(preview);
        preview.bitmap.fill(Qt::transparent);
        fields.HLDLIST8_INDEX = index;
        fields.DRWFIL_FLG = controls.colorTarget == ColorTarget::Fill;
        fields.DRWINN_FLG = controls.colorTarget == ColorTarget::Inner;
        fields.DRWOUT_FLG = controls.colorTarget == ColorTarget::Outer;
    }
    fields.IMAGENOBITMAP_FLG = true;
    if (fields.DRWFIL_FLG)
        fields.PATHFILL_CLR = controls.panelColor;

    const bool fillNow = controls.colorTarget == ColorTarget::Fill;
    Scene scene(preview.bitmap);
    switch (shapeKind(index)) {
    case ShapeKind::Circle: {
        const QPainterPath p = ellipsePath(shapePreviewRect(index));
        scene.stroke(p, preview.canvas);
        if (fillNow)
            scene.fill(p, fields.PATHFILL_CLR);
        break;
    }
    case ShapeKind::Ellipse:
    case ShapeKind::Arc: {
        const QPainterPath p = shapeKind(index) == ShapeKind::Ellipse
                                   ? ellipsePath(shapePreviewRect(index))
                                   : arcPath(QPointF(kArcRadius, kArcRadius), shapeArcAngles(index));
        scene.stroke(p, preview.canvas);
        preview.canvas.fillColor = fields.PATHFILL_CLR;
        if (fillNow)
            scene.fill(p, preview.canvas.fillColor);
        break;
    }
    case ShapeKind::Path: {
        const QPainterPath p = fields.WkPathData.toPainterPath();
        scene.stroke(p, preview.canvas);
        if (fillNow)
            scene.fill(p, fields.PATHFILL_CLR);
        break;
    }
    case ShapeKind::None:
        break;
    }
}

void DrawShapeInnerFrame(ShapeFields &fields, const ShapeControls &controls, ShapePreview &preview)
{
    frameOnPreview(Frame::Inner, fields, controls, preview);
}

void DrawShapeOuterFrame(ShapeFields &fields, const ShapeControls &controls, ShapePreview &preview)
{
    frameOnPreview(Frame::Outer, fields, controls, preview);
}

void DrawShapeInnerFrame(ShapeFields &fields, const ShapeControls &controls, QImage &picture,
                         CanvasStyle &canvas)
{
    frameOnPicture(Frame::Inner, fields, controls, picture, canvas);
}

void DrawShapeOuterFrame(ShapeFields &fields, const ShapeControls &controls, QImage &picture,
                         CanvasStyle &canvas)
{
    frameOnPicture(Frame::Outer, fields, controls, picture, canvas);
}

bool chooseShape(ShapeFields &fields, const ShapeControls &controls, ShapePreview &preview)
{
    if (shapeKind(controls.index) == ShapeKind::None)
        return false;
    DrawShapePreview(fields, controls, preview);
    DrawShapeInnerFrame(fields, controls, preview);
    return shapeFrameControlsEnabled(controls.index);
}

void fillChosen(ShapeFields &fields, const ShapeControls &controls)
{
    fields.PATHFILL_CLR = controls.panelColor;
    fields.DRWFIL_FLG = true;
}

void setShapePenWidth(ShapeFields &fields, CanvasStyle &pictureCanvas, int value)
{
    fields.DRWSHPPEN_THK = float(value);
    pictureCanvas.strokeWidth = value;
}

void ShapeDraw(ShapeFields &fields, const ShapeControls &controls, QImage &picture, CanvasStyle &canvas,
               QPointF press)
{
    const int index = controls.index;
    SetShapePath(fields, index);
    {
        Scene scene(picture);
        switch (shapeKind(index)) {
        case ShapeKind::Path: {
            fields.WkPathData.translate(press.x(), press.y());
            const QPainterPath p = fields.WkPathData.toPainterPath();
            scene.stroke(p, canvas);
            if (fields.DRWFIL_FLG)
                scene.fill(p, fields.PATHFILL_CLR);
            break;
        }
        case ShapeKind::Circle:
        case ShapeKind::Ellipse:
        case ShapeKind::Arc: {
            const QPainterPath p = shapeKind(index) == ShapeKind::Arc
                                       ? arcPath(press, shapeArcAngles(index))
                                       : ellipsePath(shapePictureRect(index).translated(press));
            scene.stroke(p, canvas);
            canvas.fillColor = fields.PATHFILL_CLR;
            if (fields.DRWFIL_FLG)
                scene.fill(p, canvas.fillColor);
            break;
        }
        case ShapeKind::None:
            break;
        }
    }
    if (fields.DRWINN_FLG)
        DrawShapeInnerFrame(fields, controls, picture, canvas);
    if (fields.DRWOUT_FLG)
        DrawShapeOuterFrame(fields, controls, picture, canvas);
}

} // namespace orvane::shapes
