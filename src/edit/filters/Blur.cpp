// Box and Gaussian blurs whose cost does not depend on the radius.
//
// Both are built from one primitive, a cascade of running-sum box filters
// along the row axis of a stack of byte rows: out row y is the mean of rows
// y - R .. y + R (rows outside repeat the first or last one), repeated for each
// box of the cascade. The sums are exact integers, so any band of output rows
// computes the same bytes as the whole; the intermediate rows of the cascade
// live in small ring buffers, so the picture is read and written once per axis.
// The vertical pass runs the cascade on the picture's rows (in column strips
// that stay in cache); the horizontal pass transposes bands of 16 rows, runs
// the same cascade, and transposes back.
#include "edit/filters/Internal.h"

#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace orvane::filters::detail {
namespace {

constexpr int kMaxRadius = 74; // keeps the 16-bit sums and the rounding exact for constants

// acc = row (widened).
ORVANE_HOT void accSet(u16 *__restrict acc, const u8 *__restrict row, int n)
{
    for (int i = 0; i < n; ++i)
        acc[i] = row[i];
}
ORVANE_HOT void accAdd(u16 *__restrict acc, const u8 *__restrict row, int n)
{
    for (int i = 0; i < n; ++i)
        acc[i] = u16(acc[i] + row[i]);
}
// out = round(acc / (2R + 1)), by a 16-bit high multiply.
ORVANE_HOT void emitRow(const u16 *__restrict acc, u8 *__restrict out, int n, u16 half, u16 mul)
{
    for (int i = 0; i < n; ++i)
        out[i] = u8((u32(u16(acc[i] + half)) * mul) >> 16);
}
// acc += add - sub, then emitRow.
ORVANE_HOT void stepEmit(u16 *__restrict acc, const u8 *__restrict add, const u8 *__restrict sub, u8 *__restrict out,
                         int n, u16 half, u16 mul)
{
    for (int i = 0; i < n; ++i) {
        const u16 a = u16(acc[i] + add[i] - sub[i]);
        acc[i] = a;
        out[i] = u8((u32(u16(a + half)) * mul) >> 16);
    }
}

// One box over a whole stack of N rows of exactly 64 bytes (a transposed band
// of 16 pixels): the running sum stays in registers from row to row.
ORVANE_HOT void boxStage64(const u8 *__restrict in, u8 *__restrict out, int N, int R, u16 half, u16 mul)
{
    u16 acc[64];
    for (int i = 0; i < 64; ++i)
        acc[i] = 0;
    auto row = [in, N](int i) { return in + 64 * size_t(i < 0 ? 0 : (i >= N ? N - 1 : i)); };
    for (int k = -R; k <= R; ++k) {
        const u8 *r = row(k);
        for (int i = 0; i < 64; ++i)
            acc[i] = u16(acc[i] + r[i]);
    }
    for (int y = 0; y < N; ++y) {
        if (y > 0) {
            const u8 *a = row(y + R), *s = row(y - R - 1);
            for (int i = 0; i < 64; ++i)
                acc[i] = u16(acc[i] + a[i] - s[i]);
        }
        u8 *o = out + 64 * size_t(y);
        for (int i = 0; i < 64; ++i)
            o[i] = u8((u32(u16(acc[i] + half)) * mul) >> 16);
    }
}

// One run of the cascade over output rows [y0, y1) of a stack of N rows of
// rowBytes bytes. src(i) / dst(i) give row pointers.
template <class Src, class Dst>
void boxCascade(int N, int rowBytes, const std::vector<int> &radii, int y0, int y1, Src src, Dst dst)
{
    const int n = int(radii.size());
    if (n == 0) {
        for (int y = y0; y < y1; ++y)
            std::memcpy(dst(y), src(y), size_t(rowBytes));
        return;
    }
    struct Stage {
        int R = 0, lo = 0, hi = 0, cap = 0, next = 0;
        u16 half = 0, mul = 0;
        std::vector<u8> ring;   // outputs of this stage (not for the last)
        std::vector<u16> acc;   // running sum over the previous stage's rows
    };
    std::vector<Stage> st(size_t(n) + 1); // st[0] is the source
    st[size_t(n)].lo = y0;
    st[size_t(n)].hi = y1;
    for (int k = n; k >= 1; --k) {
        Stage &s = st[size_t(k)];
        s.R = radii[size_t(k - 1)];
        s.half = u16(s.R);
        s.mul = u16((65536 + 2 * s.R) / (2 * s.R + 1)); // ceil(65536 / (2R + 1))
        st[size_t(k - 1)].lo = std::max(0, s.lo - s.R);
        st[size_t(k - 1)].hi = std::min(N, s.hi + s.R);
        s.acc.assign(size_t(rowBytes), 0);
        s.next = s.lo;
    }
    for (int k = 1; k < n; ++k) {
        Stage &s = st[size_t(k)];
        s.cap = 2 * st[size_t(k + 1)].R + 2;
        s.ring.assign(size_t(s.cap) * size_t(rowBytes), 0);
    }
    auto fetch = [&](int k, int i) -> const u8 * {
        if (k == 0)
            return src(i);
        const Stage &s = st[size_t(k)];
        return s.ring.data() + size_t(i % s.cap) * size_t(rowBytes);
    };
    auto outRow = [&](int k, int y) -> u8 * {
        if (k == n)
            return dst(y);
        Stage &s = st[size_t(k)];
        return s.ring.data() + size_t(y % s.cap) * size_t(rowBytes);
    };
    auto clampRow = [N](int i) { return i < 0 ? 0 : (i >= N ? N - 1 : i); };

    // Produces rows of stage k up to and including `upto`.
    auto ensure = [&](auto &&self, int k, int upto) -> void {
        Stage &s = st[size_t(k)];
        while (s.next <= upto && s.next < s.hi) {
            const int y = s.next;
            if (k - 1 >= 1)
                self(self, k - 1, std::min(st[size_t(k - 1)].hi - 1, y + s.R));
            u8 *o = outRow(k, y);
            if (y == s.lo) {
                accSet(s.acc.data(), fetch(k - 1, clampRow(y - s.R)), rowBytes);
                for (int i = y - s.R + 1; i <= y + s.R; ++i)
                    accAdd(s.acc.data(), fetch(k - 1, clampRow(i)), rowBytes);
                emitRow(s.acc.data(), o, rowBytes, s.half, s.mul);
            } else {
                stepEmit(s.acc.data(), fetch(k - 1, clampRow(y + s.R)), fetch(k - 1, clampRow(y - s.R - 1)), o,
                         rowBytes, s.half, s.mul);
            }
            ++s.next;
        }
    };
    for (int y = y0; y < y1; ++y)
        ensure(ensure, n, y);
}

std::vector<int> cleanRadii(std::vector<int> radii)
{
    std::vector<int> out;
    for (int r : radii) {
        r = std::min(r, kMaxRadius);
        if (r > 0)
            out.push_back(r);
    }
    return out;
}

// Vertical cascade on the picture's own rows, in column strips and row bands.
void verticalPass(const QImage &src, QImage &dst, const std::vector<int> &radii)
{
    const int w = src.width(), h = src.height();
    const int rowBytes = w * 4;
    constexpr int kStripBytes = 8192;
    const int strips = (rowBytes + kStripBytes - 1) / kStripBytes;
    const int threads = effectiveThreads();
    const int bands = std::max(1, std::min(threads * 2, h / 256));
    const u8 *sb = src.constBits();
    u8 *db = dst.bits();
    const qsizetype sbpl = src.bytesPerLine(), dbpl = dst.bytesPerLine();
    parallelFor(strips * bands, [&](int t0, int t1) {
        for (int t = t0; t < t1; ++t) {
            const int strip = t % strips, band = t / strips;
            const int x0 = strip * kStripBytes;
            const int bytes = std::min(kStripBytes, rowBytes - x0);
            const int y0 = int(qint64(h) * band / bands), y1 = int(qint64(h) * (band + 1) / bands);
            boxCascade(h, bytes, radii, y0, y1, [&](int i) { return sb + sbpl * i + x0; },
                       [&](int i) { return db + dbpl * i + x0; });
        }
    }, 1);
}

// Transposes rows [y0, y0 + bh) (bh <= 32) of src into t (t[x * bh + j] = src(x, y0 + j)),
// or back (toRows): in blocks of 64 columns so that the scattered accesses
// stay within the first-level cache, with 4 x 4 register transposes.
void transposeBand(const QImage &src, QImage &dst, int y0, int bh, u32 *t, bool toRows)
{
    const int w = toRows ? dst.width() : src.width();
    constexpr int kBlock = 64;
    const u32 *srows[32] = {};
    u32 *drows[32] = {};
    for (int j = 0; j < bh && j < 32; ++j) {
        if (toRows)
            drows[j] = rowOf(dst, y0 + j);
        else
            srows[j] = rowOf(src, y0 + j);
    }
    for (int xb = 0; xb < w; xb += kBlock) {
        const int xe = std::min(w, xb + kBlock);
        int j = 0;
#if defined(__SSE2__)
        for (; j + 4 <= bh; j += 4) {
            int x = xb;
            for (; x + 4 <= xe; x += 4) {
                if (!toRows) {
                    const __m128i r0 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(srows[j] + x));
                    const __m128i r1 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(srows[j + 1] + x));
                    const __m128i r2 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(srows[j + 2] + x));
                    const __m128i r3 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(srows[j + 3] + x));
                    const __m128i a = _mm_unpacklo_epi32(r0, r1), b = _mm_unpackhi_epi32(r0, r1);
                    const __m128i c = _mm_unpacklo_epi32(r2, r3), d = _mm_unpackhi_epi32(r2, r3);
                    u32 *o = t + size_t(x) * size_t(bh) + size_t(j);
                    _mm_storeu_si128(reinterpret_cast<__m128i *>(o), _mm_unpacklo_epi64(a, c));
                    _mm_storeu_si128(reinterpret_cast<__m128i *>(o + bh), _mm_unpackhi_epi64(a, c));
                    _mm_storeu_si128(reinterpret_cast<__m128i *>(o + 2 * bh), _mm_unpacklo_epi64(b, d));
                    _mm_storeu_si128(reinterpret_cast<__m128i *>(o + 3 * bh), _mm_unpackhi_epi64(b, d));
                } else {
                    const u32 *i0 = t + size_t(x) * size_t(bh) + size_t(j);
                    const __m128i r0 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(i0));
                    const __m128i r1 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(i0 + bh));
                    const __m128i r2 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(i0 + 2 * bh));
                    const __m128i r3 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(i0 + 3 * bh));
                    const __m128i a = _mm_unpacklo_epi32(r0, r1), b = _mm_unpackhi_epi32(r0, r1);
                    const __m128i c = _mm_unpacklo_epi32(r2, r3), d = _mm_unpackhi_epi32(r2, r3);
                    _mm_storeu_si128(reinterpret_cast<__m128i *>(drows[j] + x), _mm_unpacklo_epi64(a, c));
                    _mm_storeu_si128(reinterpret_cast<__m128i *>(drows[j + 1] + x), _mm_unpackhi_epi64(a, c));
                    _mm_storeu_si128(reinterpret_cast<__m128i *>(drows[j + 2] + x), _mm_unpacklo_epi64(b, d));
                    _mm_storeu_si128(reinterpret_cast<__m128i *>(drows[j + 3] + x), _mm_unpackhi_epi64(b, d));
                }
            }
            for (; x < xe; ++x)
                for (int k = j; k < j + 4; ++k) {
                    if (!toRows)
                        t[size_t(x) * size_t(bh) + size_t(k)] = srows[k][x];
                    else
                        drows[k][x] = t[size_t(x) * size_t(bh) + size_t(k)];
                }
        }
#endif
        for (; j < bh; ++j) {
            for (int x = xb; x < xe; ++x) {
                if (!toRows)
                    t[size_t(x) * size_t(bh) + size_t(j)] = srows[j][x];
                else
                    drows[j][x] = t[size_t(x) * size_t(bh) + size_t(j)];
            }
        }
    }
}

// Horizontal cascade: transpose bands of rows, run the cascade, transpose back.
void horizontalPass(const QImage &src, QImage &dst, const std::vector<int> &radii)
{
    const int w = src.width(), h = src.height();
    constexpr int kBand = 16;
    const int bands = (h + kBand - 1) / kBand;
    parallelFor(bands, [&](int b0, int b1) {
        std::vector<u32> t1(size_t(w) * kBand), t2(size_t(w) * kBand);
        for (int b = b0; b < b1; ++b) {
            const int y0 = b * kBand, bh = std::min(kBand, h - y0);
            transposeBand(src, dst, y0, bh, t1.data(), false);
            const int rowBytes = bh * 4;
            if (rowBytes == 64) {
                // Full bands: one box at a time over the whole band, ping-ponging.
                u32 *from = t1.data(), *to = t2.data();
                for (int r : radii) {
                    boxStage64(reinterpret_cast<const u8 *>(from), reinterpret_cast<u8 *>(to), w, r, u16(r),
                               u16((65536 + 2 * r) / (2 * r + 1)));
                    std::swap(from, to);
                }
                transposeBand(src, dst, y0, bh, from, true);
                continue;
            }
            boxCascade(w, rowBytes, radii, 0, w,
                       [&](int i) { return reinterpret_cast<const u8 *>(t1.data() + size_t(i) * size_t(bh)); },
                       [&](int i) { return reinterpret_cast<u8 *>(t2.data() + size_t(i) * size_t(bh)); });
            transposeBand(src, dst, y0, bh, t2.data(), true);
        }
    }, 1);
}

QImage separable(const QImage &src, const std::vector<int> &rx, const std::vector<int> &ry)
{
    if (src.isNull())
        return QImage();
    const std::vector<int> hx = cleanRadii(rx), vy = cleanRadii(ry);
    QImage tmp = newImage(src.width(), src.height());
    if (tmp.isNull())
        return QImage();
    if (hx.empty())
        tmp = copyImage(src);
    else
        horizontalPass(src, tmp, hx);
    if (vy.empty())
        return tmp;
    QImage out = newImage(src.width(), src.height());
    if (out.isNull())
        return QImage();
    verticalPass(tmp, out, vy);
    return out;
}

// Radii of three boxes whose cascade has (nearly) the variance sigma^2.
std::vector<int> gaussBoxes(double sigma)
{
    const int n = 3;
    const double ideal = std::sqrt(12.0 * sigma * sigma / n + 1.0);
    int wl = int(std::floor(ideal));
    if (wl % 2 == 0)
        --wl;
    const int wu = wl + 2;
    const double mIdeal = (12.0 * sigma * sigma - n * wl * wl - 4.0 * n * wl - 3.0 * n) / (-4.0 * wl - 4.0);
    const int m = int(std::lround(mIdeal));
    std::vector<int> radii;
    for (int i = 0; i < n; ++i)
        radii.push_back(((i < m ? wl : wu) - 1) / 2);
    return radii;
}

} // namespace

QImage boxBlur(const QImage &src, int rx, int ry)
{
    return separable(src, {rx}, {ry});
}

QImage gaussianBlur(const QImage &src, double sigma)
{
    if (src.isNull())
        return QImage();
    if (!(sigma > 0.0))
        return copyImage(src);
    sigma = std::min(sigma, 50.0);
    // Below the smallest box (radius 1, variance 2/3) mix the picture with a
    // single 3x3 box so that the variance still follows sigma smoothly.
    constexpr double kUnitVariance = 2.0 / 3.0;
    if (sigma * sigma < kUnitVariance) {
        const QImage box = separable(src, {1}, {1});
        return crossFade(src, box, sigma * sigma / kUnitVariance);
    }
    const std::vector<int> radii = gaussBoxes(sigma);
    return separable(src, radii, radii);
}

QImage gaussianBlurTransparentEdges(const QImage &src, double sigma)
{
    if (src.isNull())
        return QImage();
    const int m = int(std::ceil(3.0 * std::min(std::max(sigma, 0.0), 50.0))) + 2;
    QImage padded = newImage(src.width() + 2 * m, src.height() + 2 * m);
    if (padded.isNull())
        return QImage();
    padded.fill(0);
    for (int y = 0; y < src.height(); ++y)
        std::memcpy(rowOf(padded, y + m) + m, rowOf(src, y), size_t(src.width()) * 4);
    const QImage blurred = gaussianBlur(padded, sigma);
    return copyRegion(blurred, m, m, src.width(), src.height());
}

} // namespace orvane::filters::detail
