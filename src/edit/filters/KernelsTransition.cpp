// Transitions from Input (Progress 0) to Target (Progress 100). The ends are
// handled by the filter object (exact copies); these kernels draw the way in
// between, p in (0, 1).
#include "edit/filters/Kernels.h"

#include <tuple>
#include <vector>

namespace orvane::filters::detail {
namespace {

struct Pair {
    QImage in, target;
    double p = 0;
    int w = 0, h = 0;
};

Pair pairOf(const Args &a)
{
    Pair t;
    t.in = a.img("Input");
    t.target = targetFor(a, t.in);
    t.p = progressOf(a);
    t.w = t.in.width();
    t.h = t.in.height();
    return t;
}

// Both pictures sampled at moved positions, then mixed:
// out = lerp(in(mapIn(x, y)), target(mapTarget(x, y)), weight(x, y) / 256).
template <class MapIn, class MapTarget, class Weight>
QImage warpMix(const Pair &t, Edge edge, MapIn mapIn, MapTarget mapTarget, Weight weight)
{
    QImage out = newImage(t.w, t.h);
    const Sampler si(t.in), st(t.target);
    auto sample = [edge](const Sampler &s, float x, float y) {
        return edge == Edge::Clamp ? s.clamped(x, y) : s.transparent(x, y);
    };
    parallelFor(t.h, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            u32 *o = rowOf(out, y);
            const float fy = float(y) + 0.5f;
            for (int x = 0; x < t.w; ++x) {
                const float fx = float(x) + 0.5f;
                const u32 wgt = weight(fx, fy);
                u32 a = 0, b = 0;
                float sx, sy;
                if (wgt < 256) {
                    mapIn(fx, fy, sx, sy);
                    a = sample(si, sx, sy);
                }
                if (wgt > 0) {
                    mapTarget(fx, fy, sx, sy);
                    b = sample(st, sx, sy);
                }
                o[x] = lerp256(a, b, wgt);
            }
        }
    });
    return out;
}

// The same moved position for both pictures: the map is computed once.
template <class Map>
QImage warpBoth(const Pair &t, Map map, double mix)
{
    const u32 wgt = weight256(mix);
    QImage out = newImage(t.w, t.h);
    const Sampler si(t.in), st(t.target);
    parallelFor(t.h, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            u32 *o = rowOf(out, y);
            const float fy = float(y) + 0.5f;
            for (int x = 0; x < t.w; ++x) {
                float sx, sy;
                map(float(x) + 0.5f, fy, sx, sy);
                o[x] = lerp256(si.clamped(sx, sy), st.clamped(sx, sy), wgt);
            }
        }
    });
    return out;
}

// Smooth maps are evaluated on a grid every kGrid pixels and interpolated
// bilinearly in between: the displacement of these transitions varies over
// tens of pixels, and the map (noise, trigonometry) costs more than sampling.
constexpr int kGrid = 4;

struct MapGrid {
    int gw = 0, gh = 0;
    std::vector<float> sx, sy;

    template <class Map>
    void build(int w, int h, Map &map)
    {
        gw = (w - 1) / kGrid + 2;
        gh = (h - 1) / kGrid + 2;
        sx.resize(size_t(gw) * size_t(gh));
        sy.resize(sx.size());
        parallelFor(gh, [&](int j0, int j1) {
            for (int j = j0; j < j1; ++j)
                for (int i = 0; i < gw; ++i)
                    map(float(i * kGrid) + 0.5f, float(j * kGrid) + 0.5f, sx[size_t(j) * size_t(gw) + size_t(i)],
                        sy[size_t(j) * size_t(gw) + size_t(i)]);
        }, 4);
    }
    // The grid rows around output row y, mixed vertically.
    void row(int y, float *rx, float *ry) const
    {
        const int j = y / kGrid;
        const float f = float(y % kGrid) / float(kGrid);
        const float *ax = &sx[size_t(j) * size_t(gw)], *bx = ax + gw;
        const float *ay = &sy[size_t(j) * size_t(gw)], *by = ay + gw;
        for (int i = 0; i < gw; ++i) {
            rx[i] = ax[i] + (bx[i] - ax[i]) * f;
            ry[i] = ay[i] + (by[i] - ay[i]) * f;
        }
    }
};

// Like warpMix with clamped edges, maps taken from grids; a null target grid
// means the same map for both pictures.
template <class Weight>
QImage gridWarpMix(const Pair &t, const MapGrid &gin, const MapGrid *gtarget, Weight weight)
{
    QImage out = newImage(t.w, t.h);
    const Sampler si(t.in), st(t.target);
    const MapGrid &gt = gtarget ? *gtarget : gin;
    parallelFor(t.h, [&](int y0, int y1) {
        std::vector<float> ix(size_t(gin.gw)), iy(size_t(gin.gw)), tx(size_t(gt.gw)), ty(size_t(gt.gw));
        for (int y = y0; y < y1; ++y) {
            gin.row(y, ix.data(), iy.data());
            if (gtarget)
                gt.row(y, tx.data(), ty.data());
            const float *txp = gtarget ? tx.data() : ix.data(), *typ = gtarget ? ty.data() : iy.data();
            u32 *o = rowOf(out, y);
            const float fy = float(y) + 0.5f;
            for (int x = 0; x < t.w; ++x) {
                const int i = x / kGrid;
                const float f = float(x % kGrid) / float(kGrid);
                const u32 wgt = weight(float(x) + 0.5f, fy);
                u32 a = 0, b = 0;
                if (wgt < 256)
                    a = si.clamped(ix[size_t(i)] + (ix[size_t(i) + 1] - ix[size_t(i)]) * f,
                                   iy[size_t(i)] + (iy[size_t(i) + 1] - iy[size_t(i)]) * f);
                if (wgt > 0)
                    b = st.clamped(txp[i] + (txp[i + 1] - txp[i]) * f, typ[i] + (typ[i + 1] - typ[i]) * f);
                o[x] = lerp256(a, b, wgt);
            }
        }
    }, 8);
    return out;
}

template <class Map>
QImage gridWarpBoth(const Pair &t, Map map, double mix)
{
    MapGrid g;
    g.build(t.w, t.h, map);
    const u32 wgt = weight256(mix);
    return gridWarpMix(t, g, nullptr, [wgt](float, float) { return wgt; });
}

template <class MapIn, class MapTarget, class Weight>
QImage gridWarpTwo(const Pair &t, MapIn mapIn, MapTarget mapTarget, Weight weight)
{
    MapGrid gi, gt;
    gi.build(t.w, t.h, mapIn);
    gt.build(t.w, t.h, mapTarget);
    return gridWarpMix(t, gi, &gt, weight);
}

// Weight 0..256 of the target from a per-pixel mask value in [0, 1].
inline u32 maskWeight(double v) { return weight256(v); }

// Swirl displacement about a centre: turn(d) radians at distance d.
template <class Turn>
auto swirlMap(QPointF c, Turn turn)
{
    const float cx = float(c.x()), cy = float(c.y());
    return [=](float x, float y, float &sx, float &sy) {
        const float dx = x - cx, dy = y - cy;
        const float th = turn(std::sqrt(dx * dx + dy * dy));
        float sn, cs;
        fastSinCos(th, sn, cs);
        sx = cx + dx * cs - dy * sn;
        sy = cy + dx * sn + dy * cs;
    };
}

// Crumpled-paper displacement: two octaves of smooth noise.
auto crumpleMap(u32 seed, float amp, float cell)
{
    return [=](float x, float y, float &sx, float &sy) {
        const float u = x / cell, v = y / cell;
        const float nx = valueNoise(u, v, seed) + 0.5f * valueNoise(2.f * u, 2.f * v, seed + 7) - 0.75f;
        const float ny = valueNoise(u, v, seed + 13) + 0.5f * valueNoise(2.f * u, 2.f * v, seed + 29) - 0.75f;
        sx = x + amp * nx;
        sy = y + amp * ny;
    };
}

} // namespace

QImage kernelFadeTransition(const Args &a)
{
    const Pair t = pairOf(a);
    return crossFade(t.in, t.target, t.p);
}

QImage kernelDissolveTransition(const Args &a)
{
    const Pair t = pairOf(a);
    const u32 seed = seedOf(a.f("RandomSeed"));
    const float p = float(t.p);
    return blendBy(t.in, t.target, [=](int x, int y) { return noise01(u32(x), u32(y), seed) < p ? 256u : 0u; });
}

QImage kernelBlindTransition(const Args &a)
{
    const Pair t = pairOf(a);
    const double n = std::max(1.0, a.f("NumberOfBlinds"));
    const double bh = t.h / n; // height of one blind in pixels
    // Each blind closes from its top, with one pixel of soft edge: the weight
    // depends on the row only.
    std::vector<u32> rowWeight(size_t(std::max(0, t.h)));
    for (int y = 0; y < t.h; ++y)
        rowWeight[size_t(y)] = maskWeight(std::clamp(t.p * bh - std::fmod(y + 0.5, bh) + 0.5, 0.0, 1.0));
    return blendBy(t.in, t.target, [&](int, int y) { return rowWeight[size_t(y)]; });
}

QImage kernelBloodTransition(const Args &a)
{
    const Pair t = pairOf(a);
    const u32 seed = seedOf(a.f("RandomSeed"));
    const double p = t.p, h = std::max(1, t.h);
    std::vector<float> drip(size_t(std::max(1, t.w)));
    for (int x = 0; x < t.w; ++x)
        drip[size_t(x)] = 0.7f * valueNoise(float(x) / 24.f, 0.5f, seed) + 0.3f * valueNoise(float(x) / 5.f, 3.5f, seed + 3);
    return blendBy(t.in, t.target, [&, p, h](int x, int y) {
        const double front = p * 1.6 - 0.6 * drip[size_t(x)]; // how far this column has run down
        return maskWeight(std::clamp((front - (y + 0.5) / h) * h * 0.5, 0.0, 1.0));
    });
}

QImage kernelBlurTransition(const Args &a)
{
    const Pair t = pairOf(a);
    const double sigma = a.f("Strength") * std::min(t.w, t.h) / 20.0 * std::sin(kPi * t.p);
    return gaussianBlur(crossFade(t.in, t.target, t.p), sigma);
}

QImage kernelBrightTransition(const Args &a)
{
    const Pair t = pairOf(a);
    const double p = t.p;
    const QImage &base = p < 0.5 ? t.in : t.target;
    const u32 white = weight256(p < 0.5 ? 2 * p : 2 * (1 - p));
    return mapPixels(base, [white](u32 px, int, int) { return lerp256(px, 0xffffffffu, white); });
}

QImage kernelCircleTransition(const Args &a)
{
    const Pair t = pairOf(a);
    const QPointF c = a.pt("Center");
    const double cover = std::max({std::hypot(c.x(), c.y()), std::hypot(t.w - c.x(), c.y()),
                                   std::hypot(c.x(), t.h - c.y()), std::hypot(t.w - c.x(), t.h - c.y())});
    const double fz = std::clamp(a.f("FuzzyAmount"), 0.0, 1.0) * cover * 0.5;
    const double r = t.p * std::max(1.0, a.f("CircleSize")) * (cover + fz);
    const double cx = c.x(), cy = c.y();
    return blendBy(t.in, t.target, [=](int x, int y) {
        const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
        const double d = std::sqrt(dx * dx + dy * dy);
        // Inside the circle minus its rim: the target; outside: the input.
        if (d <= r - fz - 1)
            return 256u;
        if (d >= r + 1)
            return 0u;
        return maskWeight(fz > 0 ? 1.0 - smoothstep(r - fz, r, d) : std::clamp(r - d + 0.5, 0.0, 1.0));
    });
}

QImage kernelShapeTransition(const Args &a)
{
    const Pair t = pairOf(a);
    const QPointF c = a.pt("Center");
    const double cover = std::max(std::fabs(c.x()), std::fabs(t.w - c.x())) + std::max(std::fabs(c.y()), std::fabs(t.h - c.y()));
    const double fz = std::clamp(a.f("FuzzyAmount"), 0.0, 1.0) * cover * 0.5;
    const double r = t.p * (cover + fz);
    return blendBy(t.in, t.target, [=](int x, int y) {
        const double d = std::fabs(x + 0.5 - c.x()) + std::fabs(y + 0.5 - c.y()); // a diamond
        return maskWeight(fz > 0 ? 1.0 - smoothstep(r - fz, r, d) : std::clamp(r - d + 0.5, 0.0, 1.0));
    });
}

QImage kernelLineTransition(const Args &a)
{
    const Pair t = pairOf(a);
    QPointF dir = a.pt("Normal") - a.pt("Origin");
    double len = std::hypot(dir.x(), dir.y());
    if (len < 1e-9) {
        dir = QPointF(1, 0);
        len = 1;
    }
    const double tilt = std::clamp(a.f("Offset"), -1.0, 1.0) * kPi / 4;
    const double ux0 = dir.x() / len, uy0 = dir.y() / len;
    const double ux = ux0 * std::cos(tilt) - uy0 * std::sin(tilt), uy = ux0 * std::sin(tilt) + uy0 * std::cos(tilt);
    double smin = 1e300, smax = -1e300;
    for (QPointF q : {QPointF(0, 0), QPointF(t.w, 0), QPointF(0, t.h), QPointF(t.w, t.h)}) {
        const double s = q.x() * ux + q.y() * uy;
        smin = std::min(smin, s);
        smax = std::max(smax, s);
    }
    const double fz = std::clamp(a.f("FuzzyAmount"), 0.0, 1.0) * (smax - smin) * 0.5;
    const double e = smin + t.p * (smax - smin + fz); // the line's leading edge
    return blendBy(t.in, t.target, [=](int x, int y) {
        const double s = (x + 0.5) * ux + (y + 0.5) * uy;
        return maskWeight(fz > 0 ? 1.0 - smoothstep(e - fz, e, s) : std::clamp(e - s + 0.5, 0.0, 1.0));
    });
}

QImage kernelSlideTransition(const Args &a)
{
    const Pair t = pairOf(a);
    const QPointF v = a.pt("SlideAmount");
    double ex = v.x(), ey = v.y();
    const double k = std::max(std::fabs(ex) / std::max(1, t.w), std::fabs(ey) / std::max(1, t.h));
    if (k < 1e-12) {
        ex = t.w;
        ey = 0;
    } else {
        ex /= k; // the full way: the old picture leaves the frame entirely
        ey /= k;
    }
    // Whole-pixel steps: every row is two copied pieces, and the pictures
    // stay sharp while they move.
    const int ix = int(std::lround(ex * t.p)), iy = int(std::lround(ey * t.p));
    const int tx = ix - int(std::lround(ex)), ty = iy - int(std::lround(ey));
    QImage out = newImage(t.w, t.h);
    parallelFor(t.h, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            u32 *o = rowOf(out, y);
            std::fill(o, o + t.w, 0u);
            // The target first, then the input over it where they meet.
            for (const auto &[img, dx, dy] : {std::tuple<const QImage *, int, int>{&t.target, tx, ty},
                                              std::tuple<const QImage *, int, int>{&t.in, ix, iy}}) {
                const int sy = y - dy;
                if (sy < 0 || sy >= t.h)
                    continue;
                const int x0 = std::max(0, dx), x1 = std::min(t.w, t.w + dx);
                if (x1 > x0)
                    std::memcpy(o + x0, rowOf(*img, sy) + (x0 - dx), size_t(x1 - x0) * 4);
            }
        }
    }, 16);
    return out;
}

QImage kernelDropTransition(const Args &a)
{
    const Pair t = pairOf(a);
    const u32 seed = seedOf(a.f("RandomSeed"));
    const float p = float(t.p), h = float(t.h);
    std::vector<float> fall(size_t(std::max(1, t.w)));
    for (int x = 0; x < t.w; ++x) // strips fall at different speeds
        fall[size_t(x)] = p * p * h * (1.f + 2.f * valueNoise(float(x) / 12.f, 0.5f, seed));
    const Sampler si(t.in);
    QImage out = newImage(t.w, t.h);
    parallelFor(t.h, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const u32 *pt = rowOf(t.target, y);
            u32 *o = rowOf(out, y);
            for (int x = 0; x < t.w; ++x)
                o[x] = over(si.transparent(float(x) + 0.5f, float(y) + 0.5f - fall[size_t(x)]), pt[x]);
        }
    });
    return out;
}

QImage kernelSwirlTransition(const Args &a)
{
    const Pair t = pairOf(a);
    const float R = 0.5f * std::hypot(float(t.w), float(t.h));
    const float s = float(a.f("Strength") * std::sin(kPi * t.p));
    return gridWarpBoth(t, swirlMap(a.pt("Center"), [=](float d) {
        const float f = std::max(0.f, 1.f - d / R);
        return s * f * f;
    }), t.p);
}

QImage kernelBandedSwirlTransition(const Args &a)
{
    const Pair t = pairOf(a);
    const float R = 0.5f * std::hypot(float(t.w), float(t.h));
    const float s = float(a.f("Strength") * std::sin(kPi * t.p)) * 0.15f;
    const float freq = float(a.f("Frequency"));
    return gridWarpBoth(t, swirlMap(a.pt("Center"), [=](float d) {
        return s * fastSin(2.f * float(kPi) * freq * d / R) * std::max(0.f, 1.f - d / R);
    }), t.p);
}

QImage kernelRippleTransition(const Args &a)
{
    const Pair t = pairOf(a);
    const QPointF c = a.pt("Center");
    const float cx = float(c.x()), cy = float(c.y());
    const float amp = float(a.f("Strength") * std::sin(kPi * t.p)) * float(std::min(t.w, t.h)) * 0.04f;
    const float k = 2.f * float(kPi) * float(a.f("Frequency")) / 100.f;
    const float phase = float(t.p) * 12.f;
    return warpBoth(t, [=](float x, float y, float &sx, float &sy) {
        const float dx = x - cx, dy = y - cy;
        const float d = std::sqrt(dx * dx + dy * dy);
        const float s = d > 0.5f ? (d + amp * fastSin(k * d - phase)) / d : 1.f;
        sx = cx + dx * s;
        sy = cy + dy * s;
    }, t.p);
}

QImage kernelMagnifyTransition(const Args &a)
{
    const Pair t = pairOf(a);
    const QPointF c = a.pt("Center");
    const float cx = float(c.x()), cy = float(c.y());
    const float zin = 1.f + 3.f * float(t.p);          // the old picture grows
    const float zt = 1.f + 3.f * float(1.0 - t.p);     // the new one settles from large
    const u32 wgt = weight256(t.p);
    return gridWarpTwo(
        t,
        [=](float x, float y, float &sx, float &sy) { sx = cx + (x - cx) / zin; sy = cy + (y - cy) / zin; },
        [=](float x, float y, float &sx, float &sy) { sx = cx + (x - cx) / zt; sy = cy + (y - cy) / zt; },
        [wgt](float, float) { return wgt; });
}

QImage kernelPixelateTransition(const Args &a)
{
    const Pair t = pairOf(a);
    const double block = 1.0 + std::min(t.w, t.h) / 10.0 * std::sin(kPi * t.p);
    return pixelated(crossFade(t.in, t.target, t.p), int(std::lround(t.w / block)));
}

QImage kernelCrumpleTransition(const Args &a)
{
    const Pair t = pairOf(a);
    const float amp = float(a.f("Strength") * std::sin(kPi * t.p)) * float(std::min(t.w, t.h)) * 0.15f;
    return gridWarpBoth(t, crumpleMap(seedOf(a.f("RandomSeed")), amp, std::max(8.f, float(std::min(t.w, t.h)) / 8.f)), t.p);
}

QImage kernelRotateCrumpleTransition(const Args &a)
{
    const Pair t = pairOf(a);
    const float amp = float(a.f("Strength") * std::sin(kPi * t.p)) * float(std::min(t.w, t.h)) * 0.15f;
    const auto crumple = crumpleMap(seedOf(a.f("RandomSeed")), amp, std::max(8.f, float(std::min(t.w, t.h)) / 8.f));
    const float cx = float(t.w) / 2.f, cy = float(t.h) / 2.f;
    const float th = float(t.p * kPi / 2), cs = std::cos(th), sn = std::sin(th);
    const float thT = float((t.p - 1.0) * kPi / 2), csT = std::cos(thT), snT = std::sin(thT);
    const u32 wgt = weight256(t.p);
    auto turned = [=](float c, float s) {
        return [=](float x, float y, float &sx, float &sy) {
            float mx, my;
            crumple(x, y, mx, my);
            const float dx = mx - cx, dy = my - cy;
            sx = cx + dx * c + dy * s;
            sy = cy - dx * s + dy * c;
        };
    };
    return gridWarpTwo(t, turned(cs, sn), turned(csT, snT), [wgt](float, float) { return wgt; });
}

QImage kernelSaturateTransition(const Args &a)
{
    const Pair t = pairOf(a);
    const double p = t.p;
    const QImage in = saturated(t.in, 1.0 + 4.0 * std::min(1.0, 2 * p));
    const QImage target = saturated(t.target, 1.0 + 4.0 * std::min(1.0, 2 * (1 - p)));
    return crossFade(in, target, smoothstep(0.3, 0.7, p));
}

QImage kernelSwipeTransition(const Args &a)
{
    const Pair t = pairOf(a);
    const QPointF corner = a.pt("CornerPoint");
    QPointF dir = a.pt("MousePoint") - corner;
    double len = std::hypot(dir.x(), dir.y());
    if (len < 1e-9) {
        dir = QPointF(-1, -1);
        len = std::sqrt(2.0);
    }
    const double ux = dir.x() / len, uy = dir.y() / len;
    double smin = 1e300, smax = -1e300;
    for (QPointF q : {QPointF(0, 0), QPointF(t.w, 0), QPointF(0, t.h), QPointF(t.w, t.h)}) {
        const double s = (q.x() - corner.x()) * ux + (q.y() - corner.y()) * uy;
        smin = std::min(smin, s);
        smax = std::max(smax, s);
    }
    // The fold line runs across at distance m from the corner: the page
    // before it is lifted (the target shows), and lies mirrored beyond it.
    const double m = smin + t.p * (smax - smin);
    const float deep = float(std::clamp(a.f("Deep"), 0.0, 1.0));
    const float shadowLen = float(std::max(4.0, (smax - smin) * 0.06));
    const QImage backImg = a.img("Back");
    const QImage back = backImg.isNull() ? QImage() : targetFor(a, t.in, "Back");
    const Sampler si(t.in), sb(back.isNull() ? t.in : back);
    QImage out = newImage(t.w, t.h);
    parallelFor(t.h, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const u32 *pt = rowOf(t.target, y), *pin = rowOf(t.in, y);
            u32 *o = rowOf(out, y);
            for (int x = 0; x < t.w; ++x) {
                const float fx = float(x) + 0.5f, fy = float(y) + 0.5f;
                const float s = float((fx - corner.x()) * ux + (fy - corner.y()) * uy);
                const float fm = float(m);
                u32 page;
                if (s < fm) {
                    // Uncovered: the target, shadowed near the fold.
                    const float sh = deep * 0.6f * std::exp(-(fm - s) / shadowLen);
                    page = scale256(pt[x], weight256(1.0 - sh));
                    page = (page & 0x00ffffffu) | (pt[x] & 0xff000000u);
                } else {
                    page = pin[x];
                }
                if (s >= fm && s <= 2.f * fm - float(smin)) {
                    // The turned-over flap: the page's back, mirrored at the fold.
                    const float k = 2.f * (s - fm);
                    const float mx = fx - k * float(ux), my = fy - k * float(uy);
                    u32 flap = sb.transparent(mx, my);
                    if (flap >> 24) {
                        if (back.isNull())
                            flap = lerp256(flap, premultiply((flap & 0xff000000u) | 0xf0f0f0u), 150); // paper-like back
                        const float shade = 1.f - deep * 0.35f * std::exp(-(s - fm) / shadowLen);
                        flap = scale256(flap, weight256(shade)) | (flap & 0xff000000u);
                        page = over(flap, page);
                    }
                }
                o[x] = page;
            }
        }
    });
    return out;
}

QImage kernelWaterTransition(const Args &a)
{
    const Pair t = pairOf(a);
    const u32 seed = seedOf(a.f("RandomSeed"));
    const float cell = std::max(8.f, float(std::min(t.w, t.h)) / 10.f);
    const float amp = float(a.f("Strength") * std::sin(kPi * t.p)) * cell * 0.5f;
    const float h = float(std::max(1, t.h));
    const float level = float(t.p) * 1.2f - 0.1f;
    const float phase = float(t.p) * 6.f;
    auto map = [=](float x, float y, float &sx, float &sy) {
        sx = x + amp * fastSin(y / cell * 3.f + phase);
        sy = y + amp * fastCos(x / cell * 3.f + phase);
    };
    MapGrid g;
    g.build(t.w, t.h, map);
    return gridWarpMix(t, g, nullptr, [=](float x, float y) {
        // The new picture rises like water from the bottom, with a rough surface.
        const float thr = 0.7f * valueNoise(x / cell, y / cell, seed) + 0.3f * (1.f - y / h);
        return maskWeight(smoothstep(thr - 0.1, thr, level));
    });
}

QImage kernelWaveTransition(const Args &a)
{
    const Pair t = pairOf(a);
    const float amp = float(a.f("Strength") * std::sin(kPi * t.p)) * float(t.h) * 0.1f;
    const float off = float(a.f("Offset"));
    const float w = float(std::max(1, t.w)), h = float(std::max(1, t.h));
    const float p = float(t.p);
    const float twoPi = 2.f * float(kPi);
    auto map = [=](float x, float y, float &sx, float &sy) {
        sx = x + amp * fastSin(twoPi * (y / h * 3.f + off));
        sy = y;
    };
    MapGrid g;
    g.build(t.w, t.h, map);
    return gridWarpMix(t, g, nullptr, [=](float x, float y) {
        const float front = p * 1.3f - 0.15f + 0.1f * fastSin(twoPi * (y / h * 2.f + off));
        return maskWeight(smoothstep(x / w, x / w + 0.05, front));
    });
}

QImage kernelWiggleTransition(const Args &a)
{
    const Pair t = pairOf(a);
    const u32 seed = seedOf(a.f("RandomSeed"));
    const float amp = float(std::sin(kPi * t.p)) * float(std::min(t.w, t.h)) * 0.05f;
    const float cell = std::max(8.f, float(std::min(t.w, t.h)) / 6.f);
    const float phase = float(t.p) * 10.f;
    return gridWarpBoth(t, [=](float x, float y, float &sx, float &sy) {
        const float n = valueNoise(y / cell, 0.5f, seed) * 6.283f;
        sx = x + amp * fastSin(y / cell * 2.f + phase + n);
        sy = y + amp * fastSin(x / cell * 2.f + phase - n);
    }, t.p);
}

} // namespace orvane::filters::detail
