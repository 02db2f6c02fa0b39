// Pixel buffers for the kernels' pictures.
//
// A fresh 24-megapixel picture costs more in page faults (the system zeroes
// and maps 24 000 pages) than most filters spend computing it. Large buffers
// are therefore kept when their last QImage goes away and handed out again
// for the next picture of a similar size; they are allocated on 2 MB
// boundaries and marked for huge pages, so a new one needs few faults. The
// pool keeps at most kMaxPooledBytes of idle buffers.
#include "edit/filters/Internal.h"

#include <cstdlib>
#include <mutex>
#include <new>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif
#if defined(_WIN32)
#include <malloc.h>
#endif

namespace orvane::filters::detail {
namespace {

constexpr size_t kAlign = size_t(2) << 20;       // huge page size
constexpr size_t kMinPooled = size_t(1) << 20;   // smaller pictures use ordinary allocations
constexpr size_t kMaxPooledBytes = size_t(640) << 20;
constexpr size_t kMaxPooledBuffers = 8;

void *allocateAligned(size_t bytes)
{
#if defined(_WIN32)
    return _aligned_malloc(bytes, kAlign);
#else
    void *p = nullptr;
    if (posix_memalign(&p, kAlign, bytes) != 0)
        return nullptr;
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    madvise(p, bytes, MADV_HUGEPAGE);
#endif
    return p;
#endif
}

void freeAligned(void *p)
{
#if defined(_WIN32)
    _aligned_free(p);
#else
    std::free(p);
#endif
}

struct Block {
    void *data = nullptr;
    size_t bytes = 0;
};

class Pool {
public:
    Block acquire(size_t wanted)
    {
        const size_t bytes = (wanted + kAlign - 1) / kAlign * kAlign;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            // The smallest idle buffer that fits without wasting more than half.
            int best = -1;
            for (int i = 0; i < int(m_free.size()); ++i) {
                const size_t b = m_free[size_t(i)].bytes;
                if (b >= bytes && b <= bytes * 2 && (best < 0 || b < m_free[size_t(best)].bytes))
                    best = i;
            }
            if (best >= 0) {
                const Block blk = m_free[size_t(best)];
                m_free.erase(m_free.begin() + best);
                m_idleBytes -= blk.bytes;
                return blk;
            }
        }
        return Block{allocateAligned(bytes), bytes};
    }

    void release(Block blk)
    {
        std::vector<Block> drop;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_free.push_back(blk);
            m_idleBytes += blk.bytes;
            // Over the limits: give back the oldest idle buffers.
            while (!m_free.empty() && (m_idleBytes > kMaxPooledBytes || m_free.size() > kMaxPooledBuffers)) {
                drop.push_back(m_free.front());
                m_idleBytes -= m_free.front().bytes;
                m_free.erase(m_free.begin());
            }
        }
        for (const Block &b : drop)
            freeAligned(b.data);
    }

    void trim()
    {
        std::vector<Block> drop;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            drop.swap(m_free);
            m_idleBytes = 0;
        }
        for (const Block &b : drop)
            freeAligned(b.data);
    }

private:
    std::mutex m_mutex;
    std::vector<Block> m_free;
    size_t m_idleBytes = 0;
};

// Never destroyed: pictures may outlive static destruction order.
Pool &pool()
{
    static Pool *p = new Pool;
    return *p;
}

void releaseBlock(void *info)
{
    Block *blk = static_cast<Block *>(info);
    pool().release(*blk);
    delete blk;
}

} // namespace

QImage newImage(int w, int h)
{
    if (w <= 0 || h <= 0)
        return QImage();
    const qint64 bpl = qint64(w) * 4;
    const qint64 total = bpl * h;
    // Out of memory (or a size no machine holds) is an exception, so that a
    // kernel never writes into a missing picture; Filter::output() turns it
    // into an empty result.
    if (w > (1 << 20) || h > (1 << 20) || total > (qint64(1) << 31))
        throw std::bad_alloc();
    if (size_t(total) < kMinPooled) {
        QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
        if (img.isNull())
            throw std::bad_alloc();
        return img;
    }
    const Block blk = pool().acquire(size_t(total));
    if (!blk.data)
        throw std::bad_alloc();
    auto *info = new Block(blk);
    QImage img(static_cast<uchar *>(blk.data), w, h, qsizetype(bpl), QImage::Format_ARGB32_Premultiplied,
               &releaseBlock, info);
    if (img.isNull()) {
        releaseBlock(info);
        throw std::bad_alloc();
    }
    return img;
}

QImage copyImage(const QImage &src)
{
    if (src.isNull())
        return QImage();
    QImage out = newImage(src.width(), src.height());
    if (out.isNull())
        return out;
    const size_t rowBytes = size_t(src.width()) * 4;
    parallelFor(src.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            std::memcpy(out.scanLine(y), src.constScanLine(y), rowBytes);
    }, 64);
    return out;
}

QImage copyRegion(const QImage &src, int x, int y, int w, int h)
{
    const QRect r = QRect(x, y, w, h) & src.rect();
    if (r.isEmpty())
        return QImage();
    QImage out = newImage(r.width(), r.height());
    if (out.isNull())
        return out;
    const size_t rowBytes = size_t(r.width()) * 4;
    for (int j = 0; j < r.height(); ++j)
        std::memcpy(out.scanLine(j), src.constScanLine(r.y() + j) + size_t(r.x()) * 4, rowBytes);
    return out;
}

QImage premultipliedCopy(const QImage &image)
{
    if (image.isNull())
        return QImage();
    const QImage::Format f = image.format();
    if (f == QImage::Format_ARGB32_Premultiplied)
        return image;
    if (f != QImage::Format_RGB32 && f != QImage::Format_ARGB32)
        return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage out = newImage(image.width(), image.height());
    if (out.isNull())
        return out;
    const int w = image.width();
    const bool opaque = f == QImage::Format_RGB32;
    parallelFor(image.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const u32 *in = reinterpret_cast<const u32 *>(image.constScanLine(y));
            u32 *o = rowOf(out, y);
            if (opaque) {
                for (int x = 0; x < w; ++x)
                    o[x] = in[x] | 0xff000000u;
            } else {
                for (int x = 0; x < w; ++x)
                    o[x] = qPremultiply(in[x]);
            }
        }
    }, 32);
    return out;
}

} // namespace orvane::filters::detail

namespace orvane::filters {
void releaseIdleMemory() { detail::pool().trim(); }
} // namespace orvane::filters
