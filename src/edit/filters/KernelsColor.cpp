// Colour filters. Most are an affine map of the colour channels, which works
// directly on premultiplied pixels when the constant term is scaled by alpha:
//   c' = sum(m[c][j] * c_j) + k[c] * alpha,  clamped to [0, alpha].
#include "edit/filters/Kernels.h"

#include <array>

namespace orvane::filters::detail {
namespace {

// Fixed point with 12 fraction bits.
struct ColorMatrix {
    int m[9];
    int k[3];
};

ColorMatrix toFixed(const std::array<double, 9> &m, const std::array<double, 3> &k)
{
    ColorMatrix f{};
    for (int i = 0; i < 9; ++i)
        f.m[i] = int(std::lround(m[size_t(i)] * 4096.0));
    for (int i = 0; i < 3; ++i)
        f.k[i] = int(std::lround(k[size_t(i)] * 4096.0));
    return f;
}

ORVANE_HOT void matrixRow(const u32 *__restrict in, u32 *__restrict out, int n, ColorMatrix cm)
{
    for (int x = 0; x < n; ++x) {
        const u32 p = in[x];
        const int a = int(p >> 24), r = int((p >> 16) & 0xff), g = int((p >> 8) & 0xff), b = int(p & 0xff);
        int nr = (cm.m[0] * r + cm.m[1] * g + cm.m[2] * b + cm.k[0] * a + 2048) >> 12;
        int ng = (cm.m[3] * r + cm.m[4] * g + cm.m[5] * b + cm.k[1] * a + 2048) >> 12;
        int nb = (cm.m[6] * r + cm.m[7] * g + cm.m[8] * b + cm.k[2] * a + 2048) >> 12;
        nr = std::min(std::max(nr, 0), a);
        ng = std::min(std::max(ng, 0), a);
        nb = std::min(std::max(nb, 0), a);
        out[x] = (u32(a) << 24) | (u32(nr) << 16) | (u32(ng) << 8) | u32(nb);
    }
}

QImage applyMatrix(const QImage &src, const ColorMatrix &cm)
{
    QImage out = newImage(src.width(), src.height());
    if (out.isNull())
        return out;
    const int w = src.width();
    parallelFor(src.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            matrixRow(rowOf(src, y), rowOf(out, y), w, cm);
    }, 32);
    return out;
}

constexpr std::array<double, 9> kIdentity{1, 0, 0, 0, 1, 0, 0, 0, 1};

std::array<double, 9> saturationMatrix(double s)
{
    const double lr = 0.299, lg = 0.587, lb = 0.114;
    return {lr * (1 - s) + s, lg * (1 - s),     lb * (1 - s),
            lr * (1 - s),     lg * (1 - s) + s, lb * (1 - s),
            lr * (1 - s),     lg * (1 - s),     lb * (1 - s) + s};
}

inline float satAdjust(float c, float grey, float s) { return grey + (c - grey) * s; }

// Shared by Bloom and Gloom: a blurred map of the bright (or dark) parts,
// mixed with the picture.
QImage bloomOrGloom(const Args &a, bool gloom)
{
    const QImage in = a.img("Input");
    const float effI = float(a.f(gloom ? "GloomIntensity" : "BloomIntensity"));
    const float baseI = float(a.f("BaseIntensity"));
    const float effS = float(a.f(gloom ? "GloomSaturation" : "BloomSaturation"));
    const float baseS = float(a.f("BaseSaturation"));
    const float threshold = gloom ? 0.75f : 0.25f;
    // The bright-pass (or dark-pass) picture, premultiplied.
    const QImage pass = mapPixels(in, [=](u32 p, int, int) -> u32 {
        const int al = alphaOf(p);
        if (al == 0)
            return 0;
        auto f = [&](int c) {
            const float v = float(c) / float(al);
            const float t = gloom ? (threshold - v) / threshold : (v - threshold) / (1.f - threshold);
            return int(std::clamp(t, 0.f, 1.f) * float(al) + 0.5f);
        };
        return pack(al, f(redOf(p)), f(greenOf(p)), f(blueOf(p)));
    });
    const double sigma = 2.0 + std::min(in.width(), in.height()) / 60.0;
    const QImage glow = gaussianBlur(pass, sigma);
    QImage out = newImage(in.width(), in.height());
    const int w = in.width();
    parallelFor(in.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const u32 *pi = rowOf(in, y), *pg = rowOf(glow, y);
            u32 *o = rowOf(out, y);
            for (int x = 0; x < w; ++x) {
                const int al = alphaOf(pi[x]);
                float b[3] = {float(redOf(pi[x])), float(greenOf(pi[x])), float(blueOf(pi[x]))};
                float e[3] = {float(redOf(pg[x])), float(greenOf(pg[x])), float(blueOf(pg[x]))};
                const float gb = 0.299f * b[0] + 0.587f * b[1] + 0.114f * b[2];
                const float ge = 0.299f * e[0] + 0.587f * e[1] + 0.114f * e[2];
                int c[3];
                for (int i = 0; i < 3; ++i) {
                    const float base = satAdjust(b[i], gb, baseS) * baseI;
                    const float eff = satAdjust(e[i], ge, effS) * effI;
                    float v;
                    if (gloom)
                        v = base * (1.f - std::clamp(eff / 255.f, 0.f, 1.f));
                    else
                        v = base * (1.f - std::clamp(eff / 255.f, 0.f, 1.f)) + eff;
                    c[i] = clampTo(int(v + 0.5f), al);
                }
                o[x] = pack(al, c[0], c[1], c[2]);
            }
        }
    }, 16);
    return out;
}

} // namespace

QImage kernelInvert(const Args &a)
{
    return applyMatrix(a.img("Input"), toFixed({-1, 0, 0, 0, -1, 0, 0, 0, -1}, {1, 1, 1}));
}

QImage kernelMonochrome(const Args &a)
{
    return applyMatrix(a.img("Input"), toFixed(saturationMatrix(0.0), {0, 0, 0}));
}

QImage kernelSepia(const Args &a)
{
    const double t = std::clamp(a.f("Amount"), 0.0, 1.0);
    const std::array<double, 9> sepia{0.393, 0.769, 0.189, 0.349, 0.686, 0.168, 0.272, 0.534, 0.131};
    std::array<double, 9> m{};
    for (size_t i = 0; i < 9; ++i)
        m[i] = kIdentity[i] * (1 - t) + sepia[i] * t;
    return applyMatrix(a.img("Input"), toFixed(m, {0, 0, 0}));
}

QImage kernelContrast(const Args &a)
{
    // On straight colour in [0, 1]: c' = (c - 0.5) * contrast + 0.5 + brightness.
    const double k = a.f("Contrast"), b = a.f("Brightness");
    const double off = 0.5 * (1.0 - k) + b;
    return applyMatrix(a.img("Input"), toFixed({k, 0, 0, 0, k, 0, 0, 0, k}, {off, off, off}));
}

QImage kernelHueAdjust(const Args &a)
{
    const QImage in = a.img("Input");
    const double hue = a.f("Hue");
    if (hue == 0.0)
        return copyImage(in);
    // Rotation about the grey axis of the RGB cube by hue * 180 degrees.
    const double th = hue * kPi, c = std::cos(th), s = std::sin(th);
    const double t = (1 - c) / 3.0, q = std::sqrt(1.0 / 3.0) * s;
    return applyMatrix(in, toFixed({c + t, t - q, t + q, t + q, c + t, t - q, t - q, t + q, c + t}, {0, 0, 0}));
}

QImage kernelBloom(const Args &a) { return bloomOrGloom(a, false); }
QImage kernelGloom(const Args &a) { return bloomOrGloom(a, true); }

QImage kernelColorKeyAlpha(const Args &a)
{
    const u32 key = a.color("ColorKey");
    const float kr = float(redOf(key)) / 255.f, kg = float(greenOf(key)) / 255.f, kb = float(blueOf(key)) / 255.f;
    const float tol = float(a.f("Tolerance"));
    const float soft = 0.02f;
    return mapPixels(a.img("Input"), [=](u32 p, int, int) -> u32 {
        const int al = alphaOf(p);
        if (al == 0)
            return 0;
        const float r = float(redOf(p)) / float(al), g = float(greenOf(p)) / float(al), b = float(blueOf(p)) / float(al);
        const float d = std::sqrt(((r - kr) * (r - kr) + (g - kg) * (g - kg) + (b - kb) * (b - kb)) / 3.f);
        const double keep = smoothstep(tol, tol + soft, d);
        return scale256(p, weight256(keep));
    });
}

QImage kernelMaskToAlpha(const Args &a)
{
    const QImage in = a.img("Input");
    const QImage second = a.img("Second");
    const QImage mask = second.isNull() ? in : targetFor(a, in, "Second");
    QImage out = newImage(in.width(), in.height());
    const int w = in.width();
    parallelFor(in.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const u32 *pi = rowOf(in, y), *pm = rowOf(mask, y);
            u32 *o = rowOf(out, y);
            for (int x = 0; x < w; ++x) {
                const int al = alphaOf(pi[x]);
                if (al == 0) {
                    o[x] = 0;
                    continue;
                }
                // New opacity: the visible brightness of the mask, never more than the pixel had.
                const int na = std::min(al, luma(pm[x]));
                auto c = [&](int v) { return (v * na + al / 2) / al; };
                o[x] = pack(na, c(redOf(pi[x])), c(greenOf(pi[x])), c(blueOf(pi[x])));
            }
        }
    }, 16);
    return out;
}

QImage kernelFill(const Args &a)
{
    const QImage in = a.img("Input");
    QImage out = newImage(in.width(), in.height());
    out.fill(premultiply(a.color("Color")));
    return out;
}

QImage kernelFillRGB(const Args &a)
{
    const u32 col = a.color("Color");
    const int ca = alphaOf(col);
    return mapPixels(a.img("Input"), [=](u32 p, int, int) -> u32 {
        const int al = (alphaOf(p) * ca + 127) / 255;
        return premultiply((u32(al) << 24) | (col & 0xffffffu));
    });
}

QImage kernelNormalBlend(const Args &a)
{
    const QImage in = a.img("Input");
    const QImage t = targetFor(a, in);
    QImage out = newImage(in.width(), in.height());
    const int w = in.width();
    parallelFor(in.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const u32 *pi = rowOf(in, y), *pt = rowOf(t, y);
            u32 *o = rowOf(out, y);
            for (int x = 0; x < w; ++x)
                o[x] = over(pt[x], pi[x]);
        }
    }, 16);
    return out;
}

QImage saturated(const QImage &in, double s)
{
    return applyMatrix(in, toFixed(saturationMatrix(s), {0, 0, 0}));
}

} // namespace orvane::filters::detail
