// Geometric edits (rotate, resize, flip), threads, and small shared helpers.
#include "edit/filters/Internal.h"

#include <atomic>
#include <exception>
#include <thread>

namespace orvane::filters {
namespace {
std::atomic<int> g_threads{0};
}

void setThreadCount(int threads) { g_threads.store(std::max(0, threads)); }

int threadCount() { return detail::effectiveThreads(); }

QImage toPremultiplied(const QImage &image)
{
    if (image.isNull())
        return QImage();
    try {
        return detail::premultipliedCopy(image);
    } catch (const std::exception &) {
        return QImage(); // out of memory
    }
}

QImage rotated(const QImage &image, double degrees)
{
    try {
        return detail::rotatedImpl(image, degrees);
    } catch (const std::exception &) {
        return QImage(); // out of memory
    }
}

QImage resized(const QImage &image, int width, int height)
{
    try {
        return detail::resizedImpl(image, width, height);
    } catch (const std::exception &) {
        return QImage();
    }
}

namespace detail {

QImage rotatedImpl(const QImage &image, double degrees)
{
    if (image.isNull() || !std::isfinite(degrees))
        return image.isNull() ? QImage() : copyImage(toPremultiplied(image));
    double a = std::fmod(degrees, 360.0);
    if (a < 0)
        a += 360.0;
    const QImage src = toPremultiplied(image);
    const int w = src.width(), h = src.height();
    // Quarter turns are exact pixel moves.
    const int quarter = int(std::lround(a / 90.0)) % 4;
    if (std::fabs(a - 90.0 * std::lround(a / 90.0)) < 1e-9) {
        if (quarter == 0)
            return copyImage(src);
        const bool swap = quarter % 2 == 1;
        QImage out = newImage(swap ? h : w, swap ? w : h);
        if (out.isNull())
            return QImage();
        const int ow = out.width();
        parallelFor(out.height(), [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                u32 *o = rowOf(out, y);
                for (int x = 0; x < ow; ++x) {
                    // Clockwise quarter turn: out(x, y) = src(y, h - 1 - x).
                    int sx, sy;
                    if (quarter == 1) { sx = y; sy = h - 1 - x; }
                    else if (quarter == 2) { sx = w - 1 - x; sy = h - 1 - y; }
                    else { sx = w - 1 - y; sy = x; }
                    o[x] = rowOf(src, sy)[sx];
                }
            }
        });
        return out;
    }
    const double r = a * kPi / 180.0;
    const double c = std::cos(r), s = std::sin(r);
    const int ow = int(std::floor(std::fabs(w * c) + std::fabs(h * s) + 1e-6));
    const int oh = int(std::floor(std::fabs(w * s) + std::fabs(h * c) + 1e-6));
    if (ow <= 0 || oh <= 0)
        return QImage();
    const float cx = float(w) / 2.f, cy = float(h) / 2.f, ocx = float(ow) / 2.f, ocy = float(oh) / 2.f;
    const float fc = float(c), fs = float(s);
    return warp(src, ow, oh, Edge::Transparent, [=](float x, float y, float &sx, float &sy) {
        const float dx = x - ocx, dy = y - ocy;
        sx = fc * dx + fs * dy + cx;
        sy = -fs * dx + fc * dy + cy;
        return true;
    });
}

QImage resizedImpl(const QImage &image, int width, int height)
{
    if (image.isNull() || width <= 0 || height <= 0)
        return QImage();
    // The same limit as every picture of the engine: no more than 2 GB.
    if (qint64(width) * height * 4 > (qint64(1) << 31))
        return QImage();
    const QImage src = toPremultiplied(image);
    if (width == src.width() && height == src.height())
        return detail::copyImage(src);
    return src.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace detail

QImage flipped(const QImage &image, bool horizontal)
{
    if (image.isNull())
        return QImage();
    return image.mirrored(horizontal, !horizontal);
}

namespace detail {

int effectiveThreads()
{
    const int t = g_threads.load();
    if (t > 0)
        return t;
    static const int cores = std::max(1u, std::thread::hardware_concurrency());
    return int(cores);
}

QImage targetFor(const Args &a, const QImage &input, const char *name)
{
    QImage t = a.img(name);
    if (t.isNull()) {
        QImage empty = newImage(input.width(), input.height());
        empty.fill(0);
        return empty;
    }
    if (t.size() != input.size())
        t = resized(t, input.width(), input.height());
    return t;
}

namespace {
// One row of a * (256 - w) + b * w (vectorised: plain integer lanes).
ORVANE_HOT void lerpRow(const u32 *__restrict a, const u32 *__restrict b, u32 *__restrict out, int n, u32 w)
{
    const u32 iw = 256 - w;
    for (int x = 0; x < n; ++x) {
        const u32 rb = ((((a[x] & 0xff00ffu) * iw + (b[x] & 0xff00ffu) * w) + 0x800080u) >> 8) & 0xff00ffu;
        const u32 ag = ((((a[x] >> 8) & 0xff00ffu) * iw + ((b[x] >> 8) & 0xff00ffu) * w) + 0x800080u) & 0xff00ff00u;
        out[x] = rb | ag;
    }
}
} // namespace

QImage crossFade(const QImage &a, const QImage &b, double t)
{
    const u32 w = weight256(t);
    QImage out = newImage(a.width(), a.height());
    const int n = a.width();
    parallelFor(a.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            lerpRow(rowOf(a, y), rowOf(b, y), rowOf(out, y), n, w);
    }, 16);
    return out;
}

float valueNoise(float x, float y, u32 seed)
{
    const float fx = fastFloor(x), fy = fastFloor(y);
    const u32 ix = u32(int(fx)), iy = u32(int(fy));
    float tx = x - fx, ty = y - fy;
    tx = tx * tx * (3.f - 2.f * tx);
    ty = ty * ty * (3.f - 2.f * ty);
    const float a = noise01(ix, iy, seed), b = noise01(ix + 1, iy, seed);
    const float c = noise01(ix, iy + 1, seed), d = noise01(ix + 1, iy + 1, seed);
    return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

} // namespace detail
} // namespace orvane::filters
