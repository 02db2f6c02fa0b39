// The shape library of the Shapes sub-tab: 68 ready-made figures, their
// preview, their inner and outer frames, and drawing them onto the working
// picture at the press point.
//
// The engine holds no state of its own. The editor keeps a ShapeFields (its
// shape fields), a ShapeControls snapshot of the sub-tab's controls, a
// CanvasStyle for the working picture and a ShapePreview for the preview
// picture, and passes them in. Every drawing call opens its own QPainter on
// the picture it is given, so no other painter may be active on it; a
// picture in a palette or grey format is widened to 32-bit ARGB first.
#pragma once

#include "edit/shapes/ShapePath.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringList>

namespace orvane::shapes {

constexpr int kShapeCount = 68;
constexpr int kPreviewSize = 90; // the preview picture is 90 by 90 pixels
constexpr qreal kArcRadius = 40;

enum class ShapeKind {
    None,    // not an index of the list
    Path,    // 0-14, 31-34, 38-67: a path text in the 90 by 90 box
    Circle,  // 15, 28-30: an ellipse in a rectangle, preview and picture differ
    Ellipse, // 35-37: an ellipse in a rectangle, the same in preview and picture
    Arc,     // 16-27: an arc of radius 40 around the centre
};

// The 68 names in list order.
const QStringList &shapeNames();
// The name of a list index, empty outside 0..67.
QString shapeName(int index);
// The list index of a name, -1 when there is none.
int shapeIndex(const QString &name);
ShapeKind shapeKind(int index);
// The path text of a path shape; empty for the other kinds.
QString shapePathText(int index);
// The rectangle of a circle or ellipse shape, relative to the box; empty for
// the other kinds.
QRectF shapePreviewRect(int index);
QRectF shapePictureRect(int index);

struct ArcAngles {
    qreal start = 0; // degrees, 0 points right, angles grow clockwise on screen
    qreal sweep = 0;
};
// Angles of an arc shape; zero sweep for the other kinds.
ArcAngles shapeArcAngles(int index);

// Whether the frame controls (the INN and OUT groups and their amount
// fields) are enabled for a shape: false for circle and arc shapes.
bool shapeFrameControlsEnabled(int index);

// What the " Color " group's checked button colours.
enum class ColorTarget { Fill, Inner, Outer };

struct FrameControls {
    FrameMode mode = FrameMode::Add; // "+" checked, else "x"
    QString amountText;              // the frame amount field
};

// The values of the Shapes sub-tab's controls at the moment of a call.
struct ShapeControls {
    int index = -1;                                               // ListBox8's selected item
    FrameControls inner{FrameMode::Add, QStringLiteral("-2")};   // GRPSHPINN, Edit2
    FrameControls outer{FrameMode::Add, QStringLiteral("4")};    // GRPSHPOUT, Edit3
    ColorTarget colorTarget = ColorTarget::Fill;                  // GRPSHAPE
    QColor panelColor = QColor(0xFF, 0xFF, 0xFF);                 // ColorPanel3
};

// The stroke and fill a picture's canvas keeps between drawing operations.
struct CanvasStyle {
    QColor strokeColor = QColor(0, 0, 0);
    qreal strokeWidth = 1.0;
    QColor fillColor = QColor(0xFF, 0xFF, 0xFF);
    bool operator==(const CanvasStyle &) const = default;
};

// The editor's shape fields, with their start values.
struct ShapeFields {
    ShapePath WkPathData;            // path being previewed or drawn
    int HLDLIST8_INDEX = -1;         // shape last previewed
    bool IMAGENOBITMAP_FLG = false;  // the preview has a bitmap of its own
    bool DRWFIL_FLG = true;          // fill the shape
    bool DRWINN_FLG = false;         // draw the inner frame
    bool DRWOUT_FLG = false;         // draw the outer frame
    QColor PATHFILL_CLR = QColor::fromRgba(0xFF008000);
    QColor PATHINN_CLR = QColor::fromRgba(0xFF000000);
    QColor PATHOUT_CLR = QColor::fromRgba(0xFF808080);
    float DRWSHPPEN_THK = 1.0f;      // pen width of shapes
};

// The preview picture with its own canvas style. The bitmap starts empty.
struct ShapePreview {
    QImage bitmap;
    CanvasStyle canvas;
};

// Loads the path of the chosen shape into WkPathData (emptied for every
// other kind) and returns whether the frame controls are enabled.
bool SetShapePath(ShapeFields &fields, int index);

// Draws the chosen shape into the preview. Choosing another shape clears the
// preview (creating its 90 by 90 bitmap when it has none) and resets the fill
// and frame switches from the " Color " group; choosing the same shape again
// draws over what is there.
void DrawShapePreview(ShapeFields &fields, const ShapeControls &controls, ShapePreview &preview);

// The frames: transform WkPathData by the group's amount (path shapes only)
// and draw its outline in the colour panel's colour, which also becomes the
// canvas's stroke colour. On the preview they also switch their frame on.
void DrawShapeInnerFrame(ShapeFields &fields, const ShapeControls &controls, ShapePreview &preview);
void DrawShapeOuterFrame(ShapeFields &fields, const ShapeControls &controls, ShapePreview &preview);
void DrawShapeInnerFrame(ShapeFields &fields, const ShapeControls &controls, QImage &picture,
                         CanvasStyle &canvas);
void DrawShapeOuterFrame(ShapeFields &fields, const ShapeControls &controls, QImage &picture,
                         CanvasStyle &canvas);

// A shape chosen in the list: when the index is one of the list,
// DrawShapePreview and then the inner frame on the preview. Returns whether
// the frame controls are enabled (false also for an index outside the list).
bool chooseShape(ShapeFields &fields, const ShapeControls &controls, ShapePreview &preview);

// "Fill" clicked: the fill colour becomes the colour panel's colour, fill on.
void fillChosen(ShapeFields &fields, const ShapeControls &controls);

// The pen slider moved: the shapes' pen width and the working picture's stroke width.
void setShapePenWidth(ShapeFields &fields, CanvasStyle &pictureCanvas, int value);

// Draws the chosen shape onto the working picture at the press point, with
// the canvas's current stroke, then its frames as switched on. The caller
// sets the stroke width beforehand (DRWSHPPEN_THK at a release on the
// Shapes sub-tab).
void ShapeDraw(ShapeFields &fields, const ShapeControls &controls, QImage &picture, CanvasStyle &canvas,
               QPointF press);

// Widens a picture in a format QPainter cannot draw on (palette, grey,
// alpha-only) to premultiplied ARGB32; other pictures are left as they are.
void makePaintable(QImage &image);

} // namespace orvane::shapes
