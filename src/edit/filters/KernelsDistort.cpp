// Distortions and geometry filters: each output pixel is sampled (bilinear)
// from a moved position of the input.
#include "edit/filters/Kernels.h"

#include <QPolygonF>
#include <QTransform>

namespace orvane::filters::detail {
namespace {

// Polar warp about Center: fn(d, R, &scale, &turn) gives, for an output pixel
// at distance d (with AspectRatio applied), the factor on the distance and the
// turn in radians of its source point. R is half the picture's diagonal.
template <class Fn>
QImage polarWarp(const Args &a, Edge edge, Fn fn)
{
    const QImage in = a.img("Input");
    const QPointF c = a.pt("Center");
    const float cx = float(c.x()), cy = float(c.y());
    const int ai = a.rec.indexOf(QStringLiteral("AspectRatio"));
    const float ar = ai < 0 ? 1.f : float(std::max(0.05, a.f("AspectRatio")));
    const float R = 0.5f * std::hypot(float(in.width()), float(in.height()));
    return warp(in, in.width(), in.height(), edge, [=](float x, float y, float &sx, float &sy) {
        const float dx = (x - cx) / ar, dy = y - cy;
        const float d = std::sqrt(dx * dx + dy * dy);
        float scale = 1.f, turn = 0.f;
        fn(d, R, scale, turn);
        float rx = dx * scale, ry = dy * scale;
        if (turn != 0.f) {
            float sn, cs;
            fastSinCos(turn, sn, cs);
            const float tx = rx * cs - ry * sn;
            ry = rx * sn + ry * cs;
            rx = tx;
        }
        sx = cx + rx * ar;
        sy = cy + ry;
        return true;
    });
}

struct Bezier {
    QPointF p0, p1, p2, p3;
    QPointF at(double t) const
    {
        const double u = 1 - t;
        return p0 * (u * u * u) + p1 * (3 * u * u * t) + p2 * (3 * u * t * t) + p3 * (t * t * t);
    }
    // Parameter where the curve reaches height y (the curve is taken to run
    // from top to bottom); -1 when y is outside it.
    double tAtY(double y) const
    {
        double lo = 0, hi = 1;
        const double y0 = at(0).y(), y1 = at(1).y();
        const bool down = y1 >= y0;
        if (y < std::min(y0, y1) || y > std::max(y0, y1))
            return -1;
        for (int i = 0; i < 40; ++i) {
            const double mid = (lo + hi) / 2;
            if ((at(mid).y() < y) == down)
                lo = mid;
            else
                hi = mid;
        }
        return (lo + hi) / 2;
    }
};

} // namespace

QImage kernelSwirl(const Args &a)
{
    const float strength = float(a.f("SpiralStrength"));
    return polarWarp(a, Edge::Clamp, [=](float d, float R, float &, float &turn) {
        const float f = std::max(0.f, 1.f - d / R);
        turn = strength * f * f;
    });
}

QImage kernelBandedSwirl(const Args &a)
{
    const float strength = float(a.f("Strength")), bands = float(a.f("Bands"));
    return polarWarp(a, Edge::Clamp, [=](float d, float R, float &, float &turn) {
        const float f = std::max(0.f, 1.f - d / R);
        turn = 0.5f * strength * fastSin(2.f * float(kPi) * bands * d / R) * f;
    });
}

QImage kernelMagnify(const Args &a)
{
    const float radius = float(a.f("Radius")), m = float(std::max(1.0, a.f("Magnification")));
    return polarWarp(a, Edge::Clamp, [=](float d, float, float &scale, float &) {
        if (d < radius)
            scale = 1.f / m;
    });
}

QImage kernelSmoothMagnify(const Args &a)
{
    const float inner = float(a.f("InnerRadius"));
    const float outer = std::max(inner, float(a.f("OuterRadius")));
    const float m = float(std::max(1.0, a.f("Magnification")));
    return polarWarp(a, Edge::Clamp, [=](float d, float, float &scale, float &) {
        if (d <= inner) {
            scale = 1.f / m;
        } else if (d < outer) {
            // The source radius runs smoothly from inner / m to outer.
            const float t = float(smoothstep(inner, outer, d));
            const float srcR = inner / m + (d - inner) * (1.f / m + (1.f - 1.f / m) * t);
            scale = std::min(1.f, srcR / d);
            if (d > 0 && t >= 1.f)
                scale = 1.f;
        }
    });
}

QImage kernelPinch(const Args &a)
{
    const float radius = float(a.f("Radius"));
    const float k = float(std::clamp(a.f("Strength"), 0.0, 2.0)) * 0.45f;
    return polarWarp(a, Edge::Clamp, [=](float d, float, float &scale, float &) {
        if (d > 0 && d < radius)
            scale = std::pow(d / radius, -k); // source further out: the picture is drawn inwards
    });
}

QImage kernelRipple(const Args &a)
{
    const float amp = float(a.f("Amplitude")), freq = float(a.f("Frequency")), phase = float(a.f("Phase"));
    return polarWarp(a, Edge::Clamp, [=](float d, float, float &scale, float &) {
        if (d > 0.5f)
            scale = (d + amp * fastSin(2.f * float(kPi) * freq / 100.f * d + phase)) / d;
    });
}

QImage kernelWave(const Args &a)
{
    const QImage in = a.img("Input");
    const float len = float(std::max(4.0, a.f("WaveSize"))), t = float(a.f("Time"));
    const float amp = len / 8.f, k = 2.f * float(kPi) / len;
    return warp(in, in.width(), in.height(), Edge::Clamp, [=](float x, float y, float &sx, float &sy) {
        sx = x + amp * fastSin(k * y + t);
        sy = y + amp * fastSin(k * x + t);
        return true;
    });
}

QImage kernelBands(const Args &a)
{
    const QImage in = a.img("Input");
    const float density = float(a.f("BandDensity")), intensity = float(a.f("BandIntensity"));
    const float h = float(std::max(1, in.height()));
    return mapPixels(in, [=](u32 p, int, int y) -> u32 {
        const float f = 1.f + intensity * fastSin(2.f * float(kPi) * density * (float(y) + 0.5f) / h);
        const int al = alphaOf(p);
        auto ch = [&](int c) { return clampTo(int(float(c) * f + 0.5f), al); };
        return pack(al, ch(redOf(p)), ch(greenOf(p)), ch(blueOf(p)));
    });
}

QImage kernelWrap(const Args &a)
{
    const QImage in = a.img("Input");
    const Bezier left{a.pt("LeftStart"), a.pt("LeftControl1"), a.pt("LeftControl2"), a.pt("LeftEnd")};
    const Bezier right{a.pt("RightStart"), a.pt("RightControl1"), a.pt("RightControl2"), a.pt("RightEnd")};
    const int w = in.width(), h = in.height();
    const Sampler s(in);
    QImage out = newImage(w, h);
    parallelFor(h, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            u32 *o = rowOf(out, y);
            const double fy = y + 0.5;
            const double tl = left.tAtY(fy), tr = right.tAtY(fy);
            if (tl < 0 || tr < 0) {
                std::fill(o, o + w, 0u);
                continue;
            }
            // The row runs from the left curve to the right curve; the source
            // row follows the curves' parameter.
            const double xl = left.at(tl).x(), xr = right.at(tr).x();
            const double span = xr - xl;
            const float sy = float((tl + tr) / 2 * h);
            for (int x = 0; x < w; ++x) {
                const double u = std::fabs(span) < 1e-6 ? -1 : (x + 0.5 - xl) / span;
                o[x] = (u < 0 || u > 1) ? 0u : s.transparent(float(u * w), sy);
            }
        }
    });
    return out;
}

QImage kernelAffineTransform(const Args &a)
{
    const QImage in = a.img("Input");
    const QPointF c = a.pt("Center");
    const float cx = float(c.x()), cy = float(c.y());
    const double th = a.f("Rotation") * kPi / 180.0;
    const float scale = float(std::max(0.01, a.f("Scale")));
    const float cs = float(std::cos(th)), sn = float(std::sin(th));
    return warp(in, in.width(), in.height(), Edge::Transparent, [=](float x, float y, float &sx, float &sy) {
        const float dx = (x - cx) / scale, dy = (y - cy) / scale;
        sx = cx + cs * dx + sn * dy;
        sy = cy - sn * dx + cs * dy;
        return true;
    });
}

QImage kernelCrop(const Args &a)
{
    const QImage in = a.img("Input");
    const QPointF p = a.pt("LeftTop"), q = a.pt("RightBottom");
    const int x0 = std::clamp(int(std::lround(std::min(p.x(), q.x()))), 0, in.width());
    const int y0 = std::clamp(int(std::lround(std::min(p.y(), q.y()))), 0, in.height());
    const int x1 = std::clamp(int(std::lround(std::max(p.x(), q.x()))), 0, in.width());
    const int y1 = std::clamp(int(std::lround(std::max(p.y(), q.y()))), 0, in.height());
    // A rectangle outside the picture keeps the whole picture rather than
    // leaving nothing.
    if (x1 <= x0 || y1 <= y0)
        return copyImage(in);
    return copyRegion(in, x0, y0, x1 - x0, y1 - y0);
}

QImage kernelPerspectiveTransform(const Args &a)
{
    const QImage in = a.img("Input");
    const double w = in.width(), h = in.height();
    const QPolygonF from{QPointF(0, 0), QPointF(w, 0), QPointF(w, h), QPointF(0, h)};
    const QPolygonF to{a.pt("TopLeft"), a.pt("TopRight"), a.pt("BottomRight"), a.pt("BottomLeft")};
    QTransform t;
    bool invertible = false;
    QTransform inv;
    if (QTransform::quadToQuad(from, to, t))
        inv = t.inverted(&invertible);
    if (!invertible) {
        QImage out = newImage(in.width(), in.height());
        out.fill(0);
        return out;
    }
    const double m11 = inv.m11(), m12 = inv.m12(), m13 = inv.m13(), m21 = inv.m21(), m22 = inv.m22(), m23 = inv.m23(),
                 m31 = inv.m31(), m32 = inv.m32(), m33 = inv.m33();
    // The side of the projection's horizon that holds the picture.
    const QPointF mid = (to[0] + to[1] + to[2] + to[3]) / 4.0;
    const double side = (m13 * mid.x() + m23 * mid.y() + m33) < 0 ? -1.0 : 1.0;
    return warp(in, in.width(), in.height(), Edge::Transparent, [=](float x, float y, float &sx, float &sy) {
        const double wz = m13 * x + m23 * y + m33;
        if (std::fabs(wz) < 1e-12)
            return false;
        sx = float((m11 * x + m21 * y + m31) / wz);
        sy = float((m12 * x + m22 * y + m32) / wz);
        return wz * side > 0;
    });
}

} // namespace orvane::filters::detail
