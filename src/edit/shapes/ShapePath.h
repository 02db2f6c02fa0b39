// The path object of the shape library: a list of moves, lines, cubic curves
// and closes, read from SVG path data and written back as text in the form
// "M20,50 L20,50 L60,50 " that the frame transformation works on.
#pragma once

#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringView>

#include <vector>

namespace orvane::shapes {

// Rounds to the nearest integer, ties to the even neighbour (2.5 -> 2,
// 3.5 -> 4, -2.5 -> -2). Non-finite values are returned unchanged.
double roundHalfEven(double value);

class ShapePath {
public:
    enum class Op { Move, Line, Curve, Close };
    // Move and Line use p[0]; Curve uses p[0], p[1] as control points and
    // p[2] as the end point; Close uses no point.
    struct Element {
        Op op = Op::Move;
        QPointF p[3];
        bool operator==(const Element &other) const;
    };
    struct ParseResult {
        bool ok = true;
        int errorPosition = -1; // index into the text where reading stopped
        QString error;
    };

    ShapePath() = default;

    // Reads SVG path data (M/m L/l H/h V/v C/c S/s Q/q T/t A/a Z/z, numbers
    // separated by blanks and commas, repeated parameter groups). A leading
    // relative "m" starts from the origin. Quadratic curves and elliptical
    // arcs are stored as cubic curves. On bad input the path keeps what was
    // read up to the fault and the result says where reading stopped.
    static ShapePath fromSvg(QStringView data, ParseResult *result = nullptr);

    // Per element: "M" or "L" then x "," y and one blank; a curve as
    // "C" x1,y1 " " x2,y2 " " x,y " "; a close as "Z ". Whole numbers carry no
    // decimals. An empty path gives an empty text.
    QString toText() const;

    bool isEmpty() const { return m_elements.empty(); }
    void clear() { m_elements.clear(); }
    const std::vector<Element> &elements() const { return m_elements; }

    void moveTo(QPointF p);
    void lineTo(QPointF p);
    void curveTo(QPointF c1, QPointF c2, QPointF end);
    void close();

    // Every point moved by (dx, dy).
    void translate(qreal dx, qreal dy);
    ShapePath translated(qreal dx, qreal dy) const;

    // The path for drawing; subpaths that are not closed stay open for
    // outlines and are closed implicitly when filled (odd-even rule).
    QPainterPath toPainterPath() const;
    // Bounds of all points, control points included; empty for an empty path.
    QRectF controlPointRect() const;

    bool operator==(const ShapePath &other) const { return m_elements == other.m_elements; }

private:
    std::vector<Element> m_elements;
};

// How a frame is derived from the figure's path.
enum class FrameMode { Add, Multiply };

// The frame amount typed into a frame field: its leading decimal number
// ("." or "," as the decimal mark, an optional sign). A text that does not
// start with a number gives the neutral amount, 0 for Add and 1 for Multiply,
// so the frame then lies on the figure instead of collapsing it to a point.
double parseFrameAmount(const QString &text, FrameMode mode);

// Rewrites a path text number by number: every run of characters between two
// separators ("m", "M", "L", "C", "Z", blank, ",") is replaced by the integer
// v read from its start (sign and digits; none reads as 0), transformed to
// Round(v + amount) or Round(v * amount). Separators are copied unchanged.
// Results are limited to +-1e7 so repeated scaling stays drawable.
QString TransformPathNumbers(const QString &pathText, double amount, FrameMode mode);

} // namespace orvane::shapes
