// Blurs, stylisation and tiling.
#include "edit/filters/Kernels.h"

#include <vector>

namespace orvane::filters::detail {
namespace {

// Sums of premultiplied channels, for averaging a few samples.
struct Acc {
    u32 a = 0, r = 0, g = 0, b = 0;
    void add(u32 p)
    {
        a += p >> 24;
        r += (p >> 16) & 0xff;
        g += (p >> 8) & 0xff;
        b += p & 0xff;
    }
    u32 mean(u32 n) const
    {
        const u32 h = n / 2;
        return pack(int((a + h) / n), int((r + h) / n), int((g + h) / n), int((b + h) / n));
    }
};

// 3x3 sharpen on the bytes of a row: (1 + 4k) c - k (up + down + left + right).
ORVANE_HOT void sharpenBytes(const u8 *__restrict up, const u8 *__restrict mid, const u8 *__restrict down,
                             u8 *__restrict out, int n, int k0, int k1)
{
    for (int i = 4; i < n - 4; ++i) {
        const int v = (k0 * mid[i] - k1 * (up[i] + down[i] + mid[i - 4] + mid[i + 4]) + 128) >> 8;
        out[i] = u8(v < 0 ? 0 : (v > 255 ? 255 : v));
    }
}

// Colour channels may not exceed alpha in premultiplied pixels.
ORVANE_HOT void fixPremultiplied(u32 *__restrict row, int n)
{
    for (int x = 0; x < n; ++x) {
        const u32 p = row[x];
        const u32 a = p >> 24;
        const u32 r = std::min((p >> 16) & 0xffu, a), g = std::min((p >> 8) & 0xffu, a), b = std::min(p & 0xffu, a);
        row[x] = (a << 24) | (r << 16) | (g << 8) | b;
    }
}

// Grey picture (opaque where the input is) of a per-pixel value 0..255.
template <class Fn>
QImage greyOf(const QImage &in, Fn value)
{
    return mapPixels(in, [&](u32 p, int, int) -> u32 {
        const int v = value(p);
        return pack(255, v, v, v);
    });
}

// Straight (unpremultiplied) luma of a pixel, 0..255.
inline int straightLuma(u32 p)
{
    const int al = alphaOf(p);
    return al == 0 ? 0 : std::min(255, luma(p) * 255 / al);
}

} // namespace

QImage kernelBoxBlur(const Args &a)
{
    const int r = int(std::lround(a.f("BlurAmount") * 2.0));
    return boxBlur(a.img("Input"), r, r);
}

QImage kernelGaussianBlur(const Args &a)
{
    return gaussianBlur(a.img("Input"), a.f("BlurAmount"));
}

QImage kernelDirectionalBlur(const Args &a)
{
    const QImage in = a.img("Input");
    const double len = a.f("BlurAmount");
    const int taps = std::clamp(int(std::ceil(len)) + 1, 1, 201);
    if (taps <= 1)
        return copyImage(in);
    const double th = a.f("Angle") * kPi / 180.0;
    const float dx = float(std::cos(th) * len / (taps - 1)), dy = float(std::sin(th) * len / (taps - 1));
    const float half = float(taps - 1) / 2.f;
    const Sampler s(in);
    QImage out = newImage(in.width(), in.height());
    const int w = in.width();
    parallelFor(in.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            u32 *o = rowOf(out, y);
            for (int x = 0; x < w; ++x) {
                Acc acc;
                for (int t = 0; t < taps; ++t) {
                    const float k = float(t) - half;
                    acc.add(s.clamped(float(x) + 0.5f + k * dx, float(y) + 0.5f + k * dy));
                }
                o[x] = acc.mean(u32(taps));
            }
        }
    });
    return out;
}

QImage kernelRadialBlur(const Args &a)
{
    const QImage in = a.img("Input");
    const QPointF c = a.pt("Center");
    const float cx = float(c.x()), cy = float(c.y());
    const float amount = float(std::clamp(a.f("BlurAmount"), 0.0, 1.0));
    const Sampler s(in);
    QImage out = newImage(in.width(), in.height());
    const int w = in.width();
    parallelFor(in.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            u32 *o = rowOf(out, y);
            for (int x = 0; x < w; ++x) {
                const float px = float(x) + 0.5f - cx, py = float(y) + 0.5f - cy;
                const float d = std::sqrt(px * px + py * py) * amount; // length of the streak
                const int taps = std::clamp(int(d) + 1, 1, 64);
                Acc acc;
                // Samples from the pixel towards the centre, over the fraction
                // `amount` of the way.
                const float step = taps > 1 ? amount / float(taps - 1) : 0.f;
                for (int t = 0; t < taps; ++t) {
                    const float k = 1.f - step * float(t);
                    acc.add(s.clamped(cx + px * k, cy + py * k));
                }
                o[x] = acc.mean(u32(taps));
            }
        }
    });
    return out;
}

QImage kernelSharpen(const Args &a)
{
    const QImage in = a.img("Input");
    const int w = in.width(), h = in.height();
    const int k1 = int(std::lround(std::clamp(a.f("Amount"), 0.0, 2.0) * 256.0));
    const int k0 = 256 + 4 * k1;
    QImage out = newImage(w, h);
    if (out.isNull())
        return out;
    parallelFor(h, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const u8 *up = in.constScanLine(std::max(0, y - 1));
            const u8 *mid = in.constScanLine(y);
            const u8 *down = in.constScanLine(std::min(h - 1, y + 1));
            u8 *o = out.scanLine(y);
            sharpenBytes(up, mid, down, o, w * 4, k0, k1);
            // First and last pixel: the missing neighbour repeats the pixel itself.
            for (int x : {0, w - 1}) {
                for (int c = 0; c < 4; ++c) {
                    const int i = x * 4 + c;
                    const int l = x > 0 ? mid[i - 4] : mid[i];
                    const int r = x < w - 1 ? mid[i + 4] : mid[i];
                    o[i] = u8(clamp255((k0 * mid[i] - k1 * (up[i] + down[i] + l + r) + 128) >> 8));
                }
            }
            fixPremultiplied(reinterpret_cast<u32 *>(o), w);
        }
    }, 32);
    return out;
}

QImage kernelEmboss(const Args &a)
{
    const QImage in = a.img("Input");
    const float amount = float(a.f("Amount"));
    const float d = float(std::max(0.0, a.f("Width"))) * 0.7071f;
    const Sampler s(in);
    QImage out = newImage(in.width(), in.height());
    const int w = in.width();
    parallelFor(in.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            u32 *o = rowOf(out, y);
            const u32 *pi = rowOf(in, y);
            for (int x = 0; x < w; ++x) {
                const float fx = float(x) + 0.5f, fy = float(y) + 0.5f;
                const int l1 = luma(s.clamped(fx - d, fy - d)), l2 = luma(s.clamped(fx + d, fy + d));
                const int al = alphaOf(pi[x]);
                const int v = clamp255(int(128.f + amount * float(l1 - l2) * 0.5f));
                o[x] = pack(al, v * al / 255, v * al / 255, v * al / 255);
            }
        }
    }, 16);
    return out;
}

QImage kernelGlowFilter(const Args &a)
{
    const QImage in = a.img("Input");
    const u32 col = a.color("Color");
    const int ca = alphaOf(col);
    const QImage blurred = gaussianBlurTransparentEdges(in, a.f("BlurAmount"));
    QImage out = newImage(in.width(), in.height());
    const int w = in.width();
    parallelFor(in.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const u32 *pi = rowOf(in, y), *pb = rowOf(blurred, y);
            u32 *o = rowOf(out, y);
            for (int x = 0; x < w; ++x) {
                const int ga = std::min(255, alphaOf(pb[x]) * 2) * ca / 255;
                const u32 glow = premultiply((u32(ga) << 24) | (col & 0xffffffu));
                o[x] = over(pi[x], glow);
            }
        }
    }, 16);
    return out;
}

QImage kernelInnerGlowFilter(const Args &a)
{
    const QImage in = a.img("Input");
    const u32 col = a.color("Color");
    const int ca = alphaOf(col);
    const QImage blurred = gaussianBlurTransparentEdges(in, a.f("BlurAmount"));
    QImage out = newImage(in.width(), in.height());
    const int w = in.width();
    parallelFor(in.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const u32 *pi = rowOf(in, y), *pb = rowOf(blurred, y);
            u32 *o = rowOf(out, y);
            for (int x = 0; x < w; ++x) {
                const int sa = alphaOf(pi[x]);
                // Glow where the blurred shape thins out, kept inside the shape (source-atop).
                const int inv = std::min(255, (255 - alphaOf(pb[x])) * 2);
                const int g = inv * ca / 255;
                const u32 glow = premultiply((u32(g) << 24) | (col & 0xffffffu));
                const u32 glowAtop = scale256(glow, u32(sa + (sa >> 7)));
                o[x] = over(glowAtop, pi[x]);
                // Keep the shape's own opacity.
                const u32 p = o[x];
                o[x] = (p & 0x00ffffffu) | (u32(sa) << 24);
                fixPremultiplied(&o[x], 1);
            }
        }
    }, 16);
    return out;
}

QImage kernelPaperSketch(const Args &a)
{
    const QImage in = a.img("Input");
    const QImage grey = greyOf(in, [](u32 p) { return straightLuma(p); });
    const QImage inverted = greyOf(grey, [](u32 p) { return 255 - redOf(p); });
    const QImage blurred = gaussianBlur(inverted, std::max(1.0, a.f("brushSize")));
    QImage out = newImage(in.width(), in.height());
    const int w = in.width();
    parallelFor(in.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const u32 *pg = rowOf(grey, y), *pb = rowOf(blurred, y), *pi = rowOf(in, y);
            u32 *o = rowOf(out, y);
            for (int x = 0; x < w; ++x) {
                // Colour dodge of the grey picture by its blurred negative.
                const int g = redOf(pg[x]), b = redOf(pb[x]);
                const int v = b >= 255 ? 255 : std::min(255, g * 255 / (255 - b));
                const int al = alphaOf(pi[x]);
                const int pv = v * al / 255;
                o[x] = pack(al, pv, pv, pv);
            }
        }
    }, 16);
    return out;
}

QImage kernelPencilStroke(const Args &a)
{
    const QImage in = a.img("Input");
    const double size = std::max(1.0, a.f("brushSize"));
    const QImage grey = greyOf(in, [](u32 p) { return straightLuma(p); });
    const QImage soft = gaussianBlur(grey, size);
    QImage out = newImage(in.width(), in.height());
    const int w = in.width();
    parallelFor(in.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const u32 *pg = rowOf(grey, y), *ps = rowOf(soft, y), *pi = rowOf(in, y);
            u32 *o = rowOf(out, y);
            for (int x = 0; x < w; ++x) {
                const int al = alphaOf(pi[x]);
                // Strokes where the picture differs from its surroundings,
                // on a light, paper-like version of the colours.
                const float edge = std::min(1.f, float(std::abs(redOf(pg[x]) - redOf(ps[x]))) * 6.f / 255.f);
                auto ch = [&](int c) {
                    const float straight = al ? float(c) * 255.f / float(al) : 0.f;
                    const float light = straight * 0.55f + 255.f * 0.45f;
                    const float dark = straight * 0.35f;
                    return clampTo(int((light + (dark - light) * edge) * float(al) / 255.f + 0.5f), al);
                };
                o[x] = pack(al, ch(redOf(pi[x])), ch(greenOf(pi[x])), ch(blueOf(pi[x])));
            }
        }
    }, 16);
    return out;
}

QImage kernelPixelate(const Args &a)
{
    return pixelated(a.img("Input"), int(std::lround(a.f("BlockCount"))));
}

QImage pixelated(const QImage &in, int blockCount)
{
    const int w = in.width(), h = in.height();
    const int count = std::clamp(blockCount, 1, std::max(1, w));
    const double bs = double(w) / count; // block side in pixels
    const int rows = std::max(1, int(std::ceil(h / bs)));
    auto edgeX = [&](int i) { return std::min(w, int(std::lround(i * bs))); };
    auto edgeY = [&](int j) { return std::min(h, int(std::lround(j * bs))); };
    QImage out = newImage(w, h);
    parallelFor(rows, [&](int j0, int j1) {
        std::vector<Acc> acc(static_cast<size_t>(count));
        for (int j = j0; j < j1; ++j) {
            const int ya = edgeY(j), yb = j == rows - 1 ? h : edgeY(j + 1);
            if (ya >= yb)
                continue;
            std::fill(acc.begin(), acc.end(), Acc{});
            for (int y = ya; y < yb; ++y) {
                const u32 *pi = rowOf(in, y);
                for (int i = 0; i < count; ++i)
                    for (int x = edgeX(i), xe = i == count - 1 ? w : edgeX(i + 1); x < xe; ++x)
                        acc[size_t(i)].add(pi[x]);
            }
            for (int i = 0; i < count; ++i) {
                const int xa = edgeX(i), xb = i == count - 1 ? w : edgeX(i + 1);
                if (xa >= xb)
                    continue;
                const u32 m = acc[size_t(i)].mean(u32((xb - xa) * (yb - ya)));
                for (int y = ya; y < yb; ++y)
                    std::fill(rowOf(out, y) + xa, rowOf(out, y) + xb, m);
            }
        }
    }, 1);
    return out;
}

QImage kernelReflectionFilter(const Args &a)
{
    const QImage in = a.img("Input");
    const double len = std::clamp(a.f("Length"), 0.0, 1.0);
    const float opacity = float(std::clamp(a.f("Opacity"), 0.0, 1.0));
    const int w = in.width(), h = in.height();
    // The picture shrinks to leave room for its mirror image below it.
    const float s = float(1.0 / (1.0 + len));
    const float ph = float(h) * s, x0 = (float(w) - float(w) * s) / 2.f;
    const float rh = float(h) - ph;
    const Sampler smp(in);
    QImage out = newImage(w, h);
    parallelFor(h, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            u32 *o = rowOf(out, y);
            const float fy = float(y) + 0.5f;
            const bool mirror = fy > ph;
            const float sy = mirror ? (2.f * ph - fy) / s : fy / s;
            const u32 fade = mirror && rh > 0 ? weight256(opacity * (1.f - (fy - ph) / rh)) : 256u;
            for (int x = 0; x < w; ++x) {
                const u32 p = smp.transparent((float(x) + 0.5f - x0) / s, sy);
                o[x] = fade == 256u ? p : scale256(p, fade);
            }
        }
    });
    return out;
}

QImage kernelToon(const Args &a)
{
    const QImage in = a.img("Input");
    const int levels = std::clamp(int(std::lround(a.f("Levels"))), 2, 32);
    const int w = in.width(), h = in.height();
    u8 lut[256];
    for (int v = 0; v < 256; ++v)
        lut[v] = u8(std::lround(std::round(v / 255.0 * (levels - 1)) / (levels - 1) * 255.0));
    QImage out = newImage(w, h);
    parallelFor(h, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const u32 *up = rowOf(in, std::max(0, y - 1)), *mid = rowOf(in, y), *dn = rowOf(in, std::min(h - 1, y + 1));
            u32 *o = rowOf(out, y);
            for (int x = 0; x < w; ++x) {
                const int xl = std::max(0, x - 1), xr = std::min(w - 1, x + 1);
                const int gx = luma(up[xr]) + 2 * luma(mid[xr]) + luma(dn[xr]) - luma(up[xl]) - 2 * luma(mid[xl]) - luma(dn[xl]);
                const int gy = luma(dn[xl]) + 2 * luma(dn[x]) + luma(dn[xr]) - luma(up[xl]) - 2 * luma(up[x]) - luma(up[xr]);
                const int al = alphaOf(mid[x]);
                if (al == 0) {
                    o[x] = 0;
                    continue;
                }
                const bool outline = gx * gx + gy * gy > 200 * 200;
                auto ch = [&](int c) { return outline ? 0 : lut[std::min(255, c * 255 / al)] * al / 255; };
                o[x] = pack(al, ch(redOf(mid[x])), ch(greenOf(mid[x])), ch(blueOf(mid[x])));
            }
        }
    }, 16);
    return out;
}

QImage kernelTiler(const Args &a)
{
    const QImage in = a.img("Input");
    const float vc = float(std::max(1.0, a.f("VerticalTileCount")));
    const float hc = float(std::max(1.0, a.f("HorizontalTileCount")));
    const float ho = float(a.f("HorizontalOffset")), vo = float(a.f("VerticalOffset"));
    // One tile, shrunk smoothly once, then repeated.
    const QImage tile = resized(in, std::max(1, int(std::lround(in.width() / hc))),
                                std::max(1, int(std::lround(in.height() / vc))));
    const float w = float(in.width()), h = float(in.height());
    const float tw = float(tile.width()), th = float(tile.height());
    return warp(tile, in.width(), in.height(), Edge::Wrap, [=](float x, float y, float &sx, float &sy) {
        float u = x / w * hc, v = y / h * vc;
        const int col = int(fastFloor(u)), row = int(fastFloor(v));
        if (row & 1)
            u += ho;
        if (col & 1)
            v += vo;
        sx = (u - fastFloor(u)) * tw;
        sy = (v - fastFloor(v)) * th;
        return true;
    });
}

} // namespace orvane::filters::detail
