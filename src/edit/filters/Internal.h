#pragma once
// Building blocks shared by the kernels: parameter access, row-band
// parallelism, premultiplied pixel arithmetic, bilinear sampling, noise.
#include "edit/filters/FilterEngine.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#if defined(__GNUC__) && defined(__x86_64__) && defined(__linux__) && !defined(__clang__)
// Hot loops get an AVX2 copy chosen at load time; the default copy is SSE2.
#define ORVANE_HOT __attribute__((target_clones("avx2", "default")))
#else
#define ORVANE_HOT
#endif
#if defined(__GNUC__)
#define ORVANE_INLINE inline __attribute__((always_inline))
#else
#define ORVANE_INLINE inline
#endif

namespace orvane::filters::detail {

using u8 = std::uint8_t;
using u16 = std::uint16_t;
using u32 = std::uint32_t;

constexpr double kPi = 3.14159265358979323846;

// --- Parameters handed to a kernel ------------------------------------------

struct Args {
    const TFilterRec &rec;
    double f(const char *name) const;
    QPointF pt(const char *name) const;
    u32 color(const char *name) const;
    QImage img(const char *name) const; // premultiplied ARGB32 (null when empty)
};

using Kernel = QImage (*)(const Args &);

// --- Parallel row bands -------------------------------------------------------

int effectiveThreads();

// Runs call(ctx, b) for every band b in [0, bands) on the engine's worker
// threads and the calling thread; returns when all are done. An exception of
// a band is rethrown here.
void runBands(int bands, void (*call)(void *, int), void *ctx);

// Calls fn(begin, end) for consecutive bands covering [0, n). Every row is
// computed from the same formula whatever the band, so the result never
// depends on the split.
template <class Fn>
void parallelFor(int n, Fn &&fn, int minPerBand = 8)
{
    if (n <= 0)
        return;
    const int threads = effectiveThreads();
    const int bands = std::min(threads * 4, std::max(1, n / std::max(1, minPerBand)));
    if (threads <= 1 || bands <= 1) {
        fn(0, n);
        return;
    }
    struct Ctx {
        Fn *fn;
        int n, bands;
    } ctx{&fn, n, bands};
    runBands(bands, [](void *p, int b) {
        const Ctx &c = *static_cast<const Ctx *>(p);
        const int begin = int(qint64(c.n) * b / c.bands);
        const int end = int(qint64(c.n) * (b + 1) / c.bands);
        if (begin < end)
            (*c.fn)(begin, end);
    }, &ctx);
}

// --- Premultiplied pixels (0xAARRGGBB, colour channels <= alpha) --------------

inline int alphaOf(u32 p) { return int(p >> 24); }
inline int redOf(u32 p) { return int((p >> 16) & 0xff); }
inline int greenOf(u32 p) { return int((p >> 8) & 0xff); }
inline int blueOf(u32 p) { return int(p & 0xff); }
inline u32 pack(int a, int r, int g, int b) { return (u32(a) << 24) | (u32(r) << 16) | (u32(g) << 8) | u32(b); }
inline int clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }
inline int clampTo(int v, int hi) { return v < 0 ? 0 : (v > hi ? hi : v); }

// a * (256 - w) + b * w, all four channels, w in [0, 256].
ORVANE_INLINE u32 lerp256(u32 a, u32 b, u32 w)
{
    const u32 iw = 256 - w;
    const u32 rb = ((((a & 0xff00ffu) * iw + (b & 0xff00ffu) * w) + 0x800080u) >> 8) & 0xff00ffu;
    const u32 ag = ((((a >> 8) & 0xff00ffu) * iw + ((b >> 8) & 0xff00ffu) * w) + 0x800080u) & 0xff00ff00u;
    return rb | ag;
}

// All four channels times w / 256, w in [0, 256].
inline u32 scale256(u32 p, u32 w)
{
    const u32 rb = ((((p & 0xff00ffu) * w) + 0x800080u) >> 8) & 0xff00ffu;
    const u32 ag = ((((p >> 8) & 0xff00ffu) * w) + 0x800080u) & 0xff00ff00u;
    return rb | ag;
}

// Source-over: s drawn on d.
inline u32 over(u32 s, u32 d)
{
    const u32 sa = s >> 24;
    if (sa == 255)
        return s;
    if (sa == 0)
        return d;
    const u32 k = 256 - (sa + (sa >> 7)); // 256 * (1 - sa / 255)
    const u32 t = scale256(d, k);
    // Saturating add per channel (premultiplied sums cannot exceed 255 by more
    // than rounding, but keep them exact).
    u32 out = 0;
    for (int sh = 0; sh < 32; sh += 8) {
        const u32 v = ((s >> sh) & 0xff) + ((t >> sh) & 0xff);
        out |= (v > 255 ? 255u : v) << sh;
    }
    return out;
}

// Unpremultiplied colour 0xAARRGGBB to premultiplied.
inline u32 premultiply(u32 argb)
{
    const int a = alphaOf(argb);
    if (a == 255)
        return argb;
    auto m = [a](int c) { return (c * a + 127) / 255; };
    return pack(a, m(redOf(argb)), m(greenOf(argb)), m(blueOf(argb)));
}

// Luma (Rec. 601) of a premultiplied pixel, 0..alpha.
inline int luma(u32 p) { return (redOf(p) * 77 + greenOf(p) * 150 + blueOf(p) * 29 + 128) >> 8; }

// --- Images ---------------------------------------------------------------------

// A premultiplied ARGB32 picture with uninitialised pixels; large ones come
// from a pool of reused buffers (ImagePool.cpp). Null for sizes <= 0; throws
// std::bad_alloc when the memory is not there.
QImage newImage(int w, int h);
// Deep copy into a new (pooled) picture.
QImage copyImage(const QImage &src);
QImage copyRegion(const QImage &src, int x, int y, int w, int h);
QImage rotatedImpl(const QImage &image, double degrees);
QImage resizedImpl(const QImage &image, int width, int height);
// The picture in premultiplied ARGB32, shared when it already is.
QImage premultipliedCopy(const QImage &image);
inline const u32 *rowOf(const QImage &img, int y) { return reinterpret_cast<const u32 *>(img.constScanLine(y)); }
inline u32 *rowOf(QImage &img, int y) { return reinterpret_cast<u32 *>(img.scanLine(y)); }

// Bilinear mix of four pixels (p00 p01 on the upper row), weights in 1/256.
ORVANE_INLINE u32 bilerp(u32 p00, u32 p01, u32 p10, u32 p11, u32 wx, u32 wy)
{
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i top = _mm_unpacklo_epi8(_mm_unpacklo_epi32(_mm_cvtsi32_si128(int(p00)), _mm_cvtsi32_si128(int(p01))), zero);
    const __m128i bot = _mm_unpacklo_epi8(_mm_unpacklo_epi32(_mm_cvtsi32_si128(int(p10)), _mm_cvtsi32_si128(int(p11))), zero);
    const __m128i half = _mm_set1_epi16(128);
    __m128i v = _mm_add_epi16(_mm_mullo_epi16(top, _mm_set1_epi16(short(256 - wy))), _mm_mullo_epi16(bot, _mm_set1_epi16(short(wy))));
    v = _mm_srli_epi16(_mm_add_epi16(v, half), 8);
    const short a = short(256 - wx), b = short(wx);
    __m128i hsum = _mm_mullo_epi16(v, _mm_set_epi16(b, b, b, b, a, a, a, a));
    hsum = _mm_add_epi16(hsum, _mm_srli_si128(hsum, 8));
    hsum = _mm_srli_epi16(_mm_add_epi16(hsum, half), 8);
    return u32(_mm_cvtsi128_si32(_mm_packus_epi16(hsum, hsum)));
#else
    return lerp256(lerp256(p00, p10, wy), lerp256(p01, p11, wy), wx);
#endif
}

// floor() for per-pixel code: the library's may be a call on plain SSE2.
inline float fastFloor(float x)
{
    if (!(std::fabs(x) < 1e9f))
        return x != x ? 0.f : x;
    const float t = float(int(x));
    return t > x ? t - 1.f : t;
}

// Bilinear sampling of a premultiplied picture. Coordinates are continuous:
// pixel i covers [i, i + 1), its centre is i + 0.5.
struct Sampler {
    const u8 *bits = nullptr;
    qsizetype bpl = 0;
    int w = 0, h = 0;
    explicit Sampler(const QImage &img) : bits(img.constBits()), bpl(img.bytesPerLine()), w(img.width()), h(img.height()) {}
    ORVANE_INLINE u32 at(int x, int y) const { return reinterpret_cast<const u32 *>(bits + bpl * y)[x]; }

    // Outside the picture repeats the edge pixels.
    ORVANE_INLINE u32 clamped(float x, float y) const
    {
        float fx = x - 0.5f, fy = y - 0.5f;
        fx = fx > 0.f ? (fx < float(w - 1) ? fx : float(w - 1)) : 0.f; // NaN goes to 0
        fy = fy > 0.f ? (fy < float(h - 1) ? fy : float(h - 1)) : 0.f;
        const int ix = int(fx), iy = int(fy);
        const u32 wx = u32((fx - float(ix)) * 256.f), wy = u32((fy - float(iy)) * 256.f);
        const int ix1 = std::min(ix + 1, w - 1), iy1 = std::min(iy + 1, h - 1);
        const u32 *r0 = reinterpret_cast<const u32 *>(bits + bpl * iy);
        const u32 *r1 = reinterpret_cast<const u32 *>(bits + bpl * iy1);
        return bilerp(r0[ix], r0[ix1], r1[ix], r1[ix1], wx, wy);
    }

    // Outside the picture is transparent; the border is anti-aliased.
    ORVANE_INLINE u32 transparent(float x, float y) const
    {
        const float fx = x - 0.5f, fy = y - 0.5f;
        if (!(fx > -1.f && fy > -1.f && fx < float(w) && fy < float(h)))
            return 0;
        const float flx = fastFloor(fx), fly = fastFloor(fy);
        const int ix = int(flx), iy = int(fly);
        const u32 wx = u32((fx - flx) * 256.f), wy = u32((fy - fly) * 256.f);
        if (ix >= 0 && iy >= 0 && ix + 1 < w && iy + 1 < h) {
            const u32 *r0 = reinterpret_cast<const u32 *>(bits + bpl * iy);
            const u32 *r1 = reinterpret_cast<const u32 *>(bits + bpl * (iy + 1));
            return bilerp(r0[ix], r0[ix + 1], r1[ix], r1[ix + 1], wx, wy);
        }
        auto get = [this](int px, int py) -> u32 { return (px < 0 || py < 0 || px >= w || py >= h) ? 0u : at(px, py); };
        return bilerp(get(ix, iy), get(ix + 1, iy), get(ix, iy + 1), get(ix + 1, iy + 1), wx, wy);
    }

    // Repeats the picture in both directions.
    ORVANE_INLINE u32 wrapped(float x, float y) const
    {
        float fx = x - 0.5f, fy = y - 0.5f;
        fx -= fastFloor(fx / float(w)) * float(w);
        fy -= fastFloor(fy / float(h)) * float(h);
        if (!(fx >= 0.f && fy >= 0.f))
            fx = fy = 0.f;
        int ix = int(fx), iy = int(fy);
        if (ix >= w) ix = w - 1;
        if (iy >= h) iy = h - 1;
        const u32 wx = u32((fx - float(ix)) * 256.f), wy = u32((fy - float(iy)) * 256.f);
        const int ix1 = ix + 1 == w ? 0 : ix + 1, iy1 = iy + 1 == h ? 0 : iy + 1;
        return bilerp(at(ix, iy), at(ix1, iy), at(ix, iy1), at(ix1, iy1), std::min(wx, 256u), std::min(wy, 256u));
    }
};

enum class Edge { Clamp, Transparent, Wrap };

// out(x, y) = src sampled at map(x + 0.5, y + 0.5). map(x, y, &sx, &sy)
// returns false for a transparent output pixel.
template <class Map>
QImage warp(const QImage &src, int outW, int outH, Edge edge, Map map)
{
    QImage out = newImage(outW, outH);
    if (out.isNull() || src.isNull())
        return out;
    const Sampler s(src);
    // Tiles of 32 x 64 output pixels: a turned or swirled tile reads a compact
    // patch of the source, which stays in cache.
    constexpr int kTileH = 32, kTileW = 64;
    const int tilesY = (outH + kTileH - 1) / kTileH;
    parallelFor(tilesY, [&](int t0, int t1) {
        for (int t = t0; t < t1; ++t) {
            const int y0 = t * kTileH, y1 = std::min(outH, y0 + kTileH);
            for (int xb = 0; xb < outW; xb += kTileW) {
                const int xe = std::min(outW, xb + kTileW);
                for (int y = y0; y < y1; ++y) {
                    u32 *o = rowOf(out, y);
                    const float fy = float(y) + 0.5f;
                    for (int x = xb; x < xe; ++x) {
                        float sx, sy;
                        if (!map(float(x) + 0.5f, fy, sx, sy)) {
                            o[x] = 0;
                            continue;
                        }
                        o[x] = edge == Edge::Clamp ? s.clamped(sx, sy)
                             : edge == Edge::Wrap  ? s.wrapped(sx, sy)
                                                   : s.transparent(sx, sy);
                    }
                }
            }
        }
    }, 1);
    return out;
}

// Per-pixel map of one picture: out = fn(pixel, x, y).
template <class Fn>
QImage mapPixels(const QImage &src, Fn fn)
{
    QImage out = newImage(src.width(), src.height());
    if (out.isNull())
        return out;
    const int w = src.width();
    parallelFor(src.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const u32 *in = rowOf(src, y);
            u32 *o = rowOf(out, y);
            for (int x = 0; x < w; ++x)
                o[x] = fn(in[x], x, y);
        }
    }, 32);
    return out;
}

// --- Fast trigonometry for per-pixel maps ----------------------------------------
// Sine and cosine to about 1e-7 for any |x| < 1e5, several times faster than
// the library's; the same result on every thread.
ORVANE_INLINE void fastSinCos(float x, float &s, float &c)
{
    if (!(std::fabs(x) < 1e5f))
        x = 0.f;
    const float q = x * 0.63661977236758134f; // x / (pi / 2)
    const float k = float(int(q + (q >= 0.f ? 0.5f : -0.5f)));
    // Cody-Waite reduction: pi / 2 in three parts, the first two short enough
    // that k times them is exact.
    float r = x - k * 1.5703125f;
    r -= k * 4.837512969970703125e-4f;
    r -= k * 7.54978995489188216e-8f;
    const float r2 = r * r;
    const float sr = r * (1.f + r2 * (-1.6666667163e-01f + r2 * (8.3333337680e-03f + r2 * (-1.9841270114e-04f + r2 * 2.7557314297e-06f))));
    const float cr = 1.f + r2 * (-0.5f + r2 * (4.1666667908e-02f + r2 * (-1.3888889225e-03f + r2 * (2.4801587642e-05f - r2 * 2.7557314297e-07f))));
    switch (int(k) & 3) {
    case 0: s = sr; c = cr; break;
    case 1: s = cr; c = -sr; break;
    case 2: s = -sr; c = -cr; break;
    default: s = -cr; c = sr; break;
    }
}
inline float fastSin(float x)
{
    float s, c;
    fastSinCos(x, s, c);
    return s;
}
inline float fastCos(float x)
{
    float s, c;
    fastSinCos(x, s, c);
    return c;
}

// --- Noise ------------------------------------------------------------------------

inline u32 hash32(u32 x, u32 y, u32 seed)
{
    u32 h = x * 0x8da6b343u ^ y * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    h ^= h >> 16;
    return h;
}
inline float noise01(u32 x, u32 y, u32 seed) { return float(hash32(x, y, seed) >> 8) * (1.f / 16777216.f); }
// Smooth value noise in [0, 1) over a lattice of the given cell size.
float valueNoise(float x, float y, u32 seed);

inline u32 seedOf(double randomSeed) { return u32(std::llround(std::fabs(randomSeed) * 1000003.0)) + 1u; }

// --- Blur -----------------------------------------------------------------------

// Box blur with radius rx horizontally and ry vertically (edges repeat).
QImage boxBlur(const QImage &src, int rx, int ry);
// Gaussian blur with standard deviation sigma (three box passes per axis).
QImage gaussianBlur(const QImage &src, double sigma);
// Gaussian blur treating everything outside the picture as transparent.
QImage gaussianBlurTransparentEdges(const QImage &src, double sigma);

// --- Helpers for kernels -------------------------------------------------------

// Target of a two-picture filter at Input's size: transparent when empty.
QImage targetFor(const Args &a, const QImage &input, const char *name = "Target");
// Per pixel a * (1 - t) + b * t, t in [0, 1].
QImage crossFade(const QImage &a, const QImage &b, double t);
// Per pixel lerp of a and b by weight(x, y) in [0, 256].
template <class Weight>
QImage blendBy(const QImage &a, const QImage &b, Weight weight)
{
    QImage out = newImage(a.width(), a.height());
    const int w = a.width();
    parallelFor(a.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const u32 *pa = rowOf(a, y);
            const u32 *pb = rowOf(b, y);
            u32 *o = rowOf(out, y);
            for (int x = 0; x < w; ++x)
                o[x] = lerp256(pa[x], pb[x], weight(x, y));
        }
    }, 16);
    return out;
}
inline u32 weight256(double t) { return u32(std::clamp(t, 0.0, 1.0) * 256.0 + 0.5); }
inline double smoothstep(double e0, double e1, double x)
{
    if (e1 == e0)
        return x < e0 ? 0.0 : 1.0;
    const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// Shared kernels: block averages (count blocks across), colour saturation
// (0 = grey, 1 = unchanged).
QImage pixelated(const QImage &in, int count);
QImage saturated(const QImage &in, double saturation);

// Progress of a transition in [0, 1].
inline double progressOf(const Args &a) { return std::clamp(a.f("Progress") / 100.0, 0.0, 1.0); }

} // namespace orvane::filters::detail
