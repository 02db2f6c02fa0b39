#pragma once
// Orvane's filter engine: a catalogue of named image filters in categories,
// each describing its parameters, and filter objects that turn input bitmaps
// into an output bitmap. Everything runs on the CPU, in premultiplied ARGB32,
// split into row bands over the machine's cores; results do not depend on the
// number of threads.
//
// Rules every filter follows:
//  - an empty (null) "Input" gives an empty output, never a crash;
//  - the output has the size of "Input" (Crop alone returns the cut-out);
//  - a transition gives exactly "Input" at Progress 0 and exactly "Target"
//    (scaled to Input's size) at Progress 100; an empty "Target" stands for a
//    transparent picture of Input's size;
//  - a filter is a pure function of its parameters: reading "output" twice
//    gives the same picture, and nothing of an earlier run is carried over.
#include <QImage>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>

namespace orvane::filters {

enum class TFilterValueType { Float, Point, Color, Bitmap };

// The typed value of a parameter: the member that matches ValueType is used.
struct TFilterValue {
    double Float = 0;
    QPointF Point;
    quint32 Color = 0; // ARGB, alpha in the top byte
    QImage Bitmap;
};

struct TFilterValueRec {
    QString Name;
    QString Desc;
    TFilterValueType ValueType = TFilterValueType::Float;
    TFilterValue Value;   // the current value (the default in a description)
    TFilterValue Min;     // Float and Point only
    TFilterValue Max;
    TFilterValue Default;
};

struct TFilterRec {
    QString Name;
    QString Desc;
    QVector<TFilterValueRec> Values;
    // Index of the parameter called name, or -1.
    int indexOf(const QString &name) const;
};

// --- Catalogue -----------------------------------------------------------

QStringList categories();                          // in catalogue order
QStringList filtersInCategory(const QString &category); // empty for an unknown category
QStringList allFilters();
QString categoryOf(const QString &filterName);     // empty when unknown
bool filterRec(const QString &filterName, TFilterRec *rec); // false when unknown

class Filter;
std::unique_ptr<Filter> createFilter(const QString &filterName); // nullptr when unknown

// A filter object: holds the current parameter values. Unknown parameter
// names and values of the wrong type are ignored; floats are kept within the
// parameter's range (a NaN is ignored).
class Filter {
public:
    struct Impl;
    explicit Filter(std::unique_ptr<Impl> impl);
    ~Filter();
    Filter(const Filter &) = delete;
    Filter &operator=(const Filter &) = delete;

    QString name() const;
    const TFilterRec &rec() const; // the description with the current values in Value

    void setFloat(const QString &name, double value);
    void setPoint(const QString &name, const QPointF &value);
    void setColor(const QString &name, quint32 argb);
    void setBitmap(const QString &name, const QImage &image);

    double floatValue(const QString &name) const;   // 0 when unknown
    QPointF pointValue(const QString &name) const;
    quint32 colorValue(const QString &name) const;
    QImage bitmapValue(const QString &name) const;  // "output" runs the filter

    // Runs the filter on the current values; a new picture every time.
    QImage output() const;

    // Same-named accessors in the style of the framework's filter objects.
    void setValuesAsFloat(const QString &name, double v) { setFloat(name, v); }
    void setValuesAsPoint(const QString &name, const QPointF &v) { setPoint(name, v); }
    void setValuesAsColor(const QString &name, quint32 v) { setColor(name, v); }
    void setValuesAsBitmap(const QString &name, const QImage &v) { setBitmap(name, v); }
    QImage ValuesAsBitmap(const QString &name) const { return bitmapValue(name); }

private:
    std::unique_ptr<Impl> d;
};

// --- Threads -------------------------------------------------------------

// Number of threads the kernels use; 0 (the start value) means one per core.
void setThreadCount(int threads);
int threadCount(); // the effective count (>= 1)

// --- Memory ----------------------------------------------------------------

// Large pictures reuse pooled buffers (up to 640 MB of idle ones are kept);
// this gives the idle ones back to the system, e.g. when editing ends.
void releaseIdleMemory();

// --- Geometric edits -----------------------------------------------------

// Turns the picture about its centre by degrees (positive = clockwise on the
// screen) into the bounding box of the turned picture, sides truncated to
// whole pixels; corners outside the picture are transparent. Bilinear.
QImage rotated(const QImage &image, double degrees);
// Stretches the whole picture to width x height (smooth, area-averaging when
// shrinking). A size <= 0 gives an empty picture.
QImage resized(const QImage &image, int width, int height);
// Mirrors left-right (horizontal) or top-bottom.
QImage flipped(const QImage &image, bool horizontal);

// Premultiplied ARGB32 copy of any picture (what every kernel works on).
QImage toPremultiplied(const QImage &image);

} // namespace orvane::filters
