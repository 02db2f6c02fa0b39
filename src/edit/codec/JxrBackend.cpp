// JPEG XR (HD Photo: HDP, JXR, WDP) through jxrlib.
#include "edit/codec/Backends.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

extern "C" {
#include <JXRGlue.h>
}
#undef min
#undef max

namespace orvane::codec::detail {
namespace {

// jxrlib keeps some state in static tables; one picture at a time keeps it
// safe to call from several worker threads.
std::mutex &jxrMutex()
{
    static std::mutex m;
    return m;
}

bool same(const PKPixelFormatGUID &a, const PKPixelFormatGUID &b)
{
    return memcmp(&a, &b, sizeof(PKPixelFormatGUID)) == 0;
}

// How a stored pixel format is brought into a QImage: the format jxrlib's
// converter produces and the matching QImage format.
struct Target {
    PKPixelFormatGUID pixels;
    QImage::Format image;
    bool alpha;
    bool rgb48; // 3 x 16-bit samples, narrowed by hand (QImage has no such format)
};

bool targetFor(const PKPixelFormatGUID &source, Target *t)
{
    struct Row {
        const PKPixelFormatGUID *from;
        const PKPixelFormatGUID *to;
        QImage::Format image;
        bool alpha;
        bool rgb48;
    };
    static const Row rows[] = {
        {&GUID_PKPixelFormatBlackWhite, &GUID_PKPixelFormat8bppGray, QImage::Format_Grayscale8, false, false},
        {&GUID_PKPixelFormat8bppGray, &GUID_PKPixelFormat8bppGray, QImage::Format_Grayscale8, false, false},
        {&GUID_PKPixelFormat16bppGray, &GUID_PKPixelFormat16bppGray, QImage::Format_Grayscale16, false, false},
        {&GUID_PKPixelFormat16bppRGB555, &GUID_PKPixelFormat24bppRGB, QImage::Format_RGB888, false, false},
        {&GUID_PKPixelFormat16bppRGB565, &GUID_PKPixelFormat24bppRGB, QImage::Format_RGB888, false, false},
        {&GUID_PKPixelFormat24bppRGB, &GUID_PKPixelFormat24bppRGB, QImage::Format_RGB888, false, false},
        {&GUID_PKPixelFormat24bppBGR, &GUID_PKPixelFormat24bppRGB, QImage::Format_RGB888, false, false},
        {&GUID_PKPixelFormat32bppRGB, &GUID_PKPixelFormat24bppRGB, QImage::Format_RGB888, false, false},
        {&GUID_PKPixelFormat32bppBGR, &GUID_PKPixelFormat24bppRGB, QImage::Format_RGB888, false, false},
        {&GUID_PKPixelFormat32bppRGBA, &GUID_PKPixelFormat32bppRGBA, QImage::Format_RGBA8888, true, false},
        {&GUID_PKPixelFormat32bppBGRA, &GUID_PKPixelFormat32bppRGBA, QImage::Format_RGBA8888, true, false},
        {&GUID_PKPixelFormat32bppPRGBA, &GUID_PKPixelFormat32bppPRGBA, QImage::Format_RGBA8888_Premultiplied, true, false},
        {&GUID_PKPixelFormat48bppRGB, &GUID_PKPixelFormat48bppRGB, QImage::Format_RGB32, false, true},
        {&GUID_PKPixelFormat32bppRGB101010, &GUID_PKPixelFormat48bppRGB, QImage::Format_RGB32, false, true},
        {&GUID_PKPixelFormat64bppRGBA, &GUID_PKPixelFormat64bppRGBA, QImage::Format_RGBA64, true, false},
        {&GUID_PKPixelFormat64bppPRGBA, &GUID_PKPixelFormat64bppPRGBA, QImage::Format_RGBA64_Premultiplied, true, false},
    };
    for (const Row &r : rows) {
        if (same(source, *r.from)) {
            *t = {*r.to, r.image, r.alpha, r.rgb48};
            return true;
        }
    }
    return false;
}

struct Decoder {
    PKImageDecode *decoder = nullptr;
    struct WMPStream *stream = nullptr;
    PKFormatConverter *converter = nullptr;
    ~Decoder()
    {
        if (converter)
            PKFormatConverter_Release(&converter);
        if (decoder)
            PKImageDecode_Release(&decoder); // owns and closes the stream
        else if (stream)
            stream->Close(&stream);
    }
};

bool open(const QByteArray &data, Decoder &d, QString *error)
{
    if (sniffFormat(data.left(4)) != Format::Jxr) {
        *error = QStringLiteral("not a JPEG XR picture");
        return false;
    }
    const PKIID *iid = nullptr;
    if (Failed(GetImageDecodeIID(".jxr", &iid))
        || Failed(CreateWS_Memory(&d.stream, const_cast<char *>(data.constData()), size_t(data.size())))
        || Failed(PKCodecFactory_CreateCodec(iid, reinterpret_cast<void **>(&d.decoder)))) {
        *error = QStringLiteral("cannot start the JPEG XR decoder");
        return false;
    }
    if (Failed(d.decoder->Initialize(d.decoder, d.stream))) {
        *error = QStringLiteral("not a readable JPEG XR picture");
        return false;
    }
    d.decoder->fStreamOwner = 1;
    d.stream = nullptr;
    return true;
}

// jxrlib crashes on some damaged files. On Unix every decode therefore runs
// in a forked child that shares only the result memory with us: a damaged
// file kills the child, never the program. The child runs nothing but jxrlib
// and memcpy, and leaves with _exit().
struct HeaderInfo {
    int ok = 0;
    I32 width = 0;
    I32 height = 0;
    PKPixelFormatGUID format {};
};

class SharedMemory {
public:
    explicit SharedMemory(size_t bytes) : m_size(bytes)
    {
#ifdef Q_OS_UNIX
        void *p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        m_data = p == MAP_FAILED ? nullptr : p;
#else
        m_data = calloc(1, bytes);
#endif
    }
    ~SharedMemory() { release(m_data, m_size); }
    SharedMemory(const SharedMemory &) = delete;
    SharedMemory &operator=(const SharedMemory &) = delete;
    void *data() const { return m_data; }
    size_t size() const { return m_size; }
    // Hands the memory to a QImage, which releases it when done.
    void *take()
    {
        void *p = m_data;
        m_data = nullptr;
        return p;
    }
    static void release(void *p, size_t bytes)
    {
        if (!p)
            return;
#ifdef Q_OS_UNIX
        munmap(p, bytes);
#else
        Q_UNUSED(bytes);
        free(p);
#endif
    }

private:
    void *m_data = nullptr;
    size_t m_size = 0;
};

// Runs work() isolated; true when it returned 0 within the time limit.
template <typename Work>
bool isolated(Work work, int timeoutMs = 30000)
{
#ifdef Q_OS_UNIX
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        // The parent's crash handlers (a crash reporter, a sanitizer) must not
        // run for the child: a damaged file just ends it.
        for (int sig : {SIGSEGV, SIGBUS, SIGABRT, SIGFPE, SIGILL})
            signal(sig, SIG_DFL);
        _exit(work());
    }
    int status = 0;
    for (int waited = 0;; ++waited) {
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child)
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (done < 0)
            return false;
        if (waited >= timeoutMs) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return false;
        }
        usleep(1000);
    }
#else
    return work() == 0;
#endif
}

HeaderInfo readHeader(const QByteArray &data)
{
    SharedMemory shared(sizeof(HeaderInfo));
    auto *info = static_cast<HeaderInfo *>(shared.data());
    if (!info)
        return {};
    new (info) HeaderInfo();
    const bool ok = isolated([&] {
        Decoder d;
        QString unused;
        if (!open(data, d, &unused) || Failed(d.decoder->GetSize(d.decoder, &info->width, &info->height))
            || Failed(d.decoder->GetPixelFormat(d.decoder, &info->format)))
            return 1;
        info->ok = 1;
        return 0;
    });
    HeaderInfo result = *info;
    result.ok = ok && result.ok;
    return result;
}

} // namespace

QSize jxrReadSize(const QByteArray &data)
{
    if (sniffFormat(data.left(4)) != Format::Jxr)
        return {};
    std::lock_guard lock(jxrMutex());
    const HeaderInfo info = readHeader(data);
    return info.ok ? QSize(info.width, info.height) : QSize();
}

DecodeResult jxrDecode(const QByteArray &data, const Limits &limits)
{
    DecodeResult result;
    if (sniffFormat(data.left(4)) != Format::Jxr) {
        result.error = QStringLiteral("not a JPEG XR picture");
        return result;
    }
    std::lock_guard lock(jxrMutex());
    const HeaderInfo info = readHeader(data);
    if (!info.ok) {
        result.error = QStringLiteral("not a readable JPEG XR picture");
        return result;
    }
    const int w = info.width, h = info.height;
    result.originalSize = QSize(w, h);
    result.error = checkSize(result.originalSize, limits);
    if (!result.error.isEmpty())
        return result;
    Target target;
    if (!targetFor(info.format, &target)) {
        result.error = QStringLiteral("unsupported JPEG XR pixel format");
        return result;
    }
    // Row layout of the result: QImage's for the direct formats, 3 x 16 bits
    // for RGB48 (narrowed to 8 bits below).
    const qsizetype stride = target.rgb48 ? qsizetype(w) * 6
                                          : ((qsizetype(w) * QImage::toPixelFormat(target.image).bitsPerPixel() + 31) / 32) * 4;
    SharedMemory pixels(size_t(stride) * size_t(h));
    if (!pixels.data()) {
        result.error = QStringLiteral("not enough memory for the picture");
        return result;
    }
    const bool ok = isolated([&] {
        Decoder d;
        QString unused;
        if (!open(data, d, &unused))
            return 1;
        d.decoder->WMP.wmiSCP.uAlphaMode = target.alpha ? 2 : 0;
        if (Failed(PKCodecFactory_CreateFormatConverter(&d.converter))
            || Failed(d.converter->Initialize(d.converter, d.decoder, nullptr, target.pixels)))
            return 2;
        PKRect rect = {0, 0, w, h};
        return Failed(d.converter->Copy(d.converter, &rect, static_cast<U8 *>(pixels.data()), U32(stride))) ? 3 : 0;
    });
    if (!ok) {
        result.error = QStringLiteral("the JPEG XR data is damaged or uses an unsupported pixel format");
        return result;
    }
    QImage image;
    if (target.rgb48) {
        image = QImage(w, h, QImage::Format_RGB32);
        if (image.isNull()) {
            result.error = QStringLiteral("not enough memory for the picture");
            return result;
        }
        for (int y = 0; y < h; ++y) {
            const auto *src = reinterpret_cast<const quint16 *>(static_cast<const char *>(pixels.data()) + qsizetype(y) * stride);
            QRgb *dst = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < w; ++x)
                dst[x] = qRgb(src[3 * x] >> 8, src[3 * x + 1] >> 8, src[3 * x + 2] >> 8);
        }
    } else {
        struct Mapping {
            void *data;
            size_t size;
        };
        auto *mapping = new Mapping{pixels.data(), pixels.size()};
        pixels.take();
        image = QImage(static_cast<uchar *>(mapping->data), w, h, stride, target.image,
                       [](void *info) {
                           auto *m = static_cast<Mapping *>(info);
                           SharedMemory::release(m->data, m->size);
                           delete m;
                       },
                       mapping);
    }
    result.image = normalized(std::move(image));
    result.format = Format::Jxr;
    return result;
}

namespace {

// Growing memory stream for the encoder (the buffer comes from malloc).
ERR writeGrowing(struct WMPStream *ws, const void *pv, size_t cb)
{
    auto &b = ws->state.buf;
    const size_t end = b.cbCur + cb;
    if (end < b.cbCur)
        return WMP_errBufferOverflow;
    if (end > b.cbBuf) {
        size_t capacity = qMax(end, b.cbBuf + b.cbBuf / 2);
        void *grown = realloc(b.pbBuf, capacity);
        if (!grown)
            return WMP_errOutOfMemory;
        b.pbBuf = static_cast<U8 *>(grown);
        b.cbBuf = capacity;
    }
    memcpy(b.pbBuf + b.cbCur, pv, cb);
    b.cbCur = end;
    b.cbBufCount = qMax(b.cbBufCount, end);
    return WMP_errSuccess;
}

Bool neverAtEnd(struct WMPStream *)
{
    return 0;
}

} // namespace

QByteArray jxrEncode(const QImage &image, QString *error)
{
    std::lock_guard lock(jxrMutex());
    const bool alpha = image.hasAlphaChannel();
    const QImage pixels = image.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    size_t capacity = size_t(pixels.sizeInBytes()) / 2 + 4096;
    U8 *buffer = static_cast<U8 *>(malloc(capacity));
    if (!buffer) {
        *error = QStringLiteral("not enough memory for the JPEG XR picture");
        return {};
    }
    struct WMPStream *stream = nullptr;
    PKImageEncode *encoder = nullptr;
    QByteArray bytes;
    bool ok = !Failed(CreateWS_Memory(&stream, buffer, capacity));
    if (ok) {
        stream->Write = writeGrowing;
        stream->EOS = neverAtEnd;
        ok = !Failed(PKImageEncode_Create_WMP(&encoder))
             && !Failed(encoder->Initialize(encoder, stream, &encoder->WMP.wmiSCP, sizeof(CWMIStrCodecParam)));
    }
    if (ok) {
        // Default settings: lossless, 4:4:4, no overlap filter, no tiles.
        CWMIStrCodecParam &p = encoder->WMP.wmiSCP;
        p.uiDefaultQPIndex = 1;
        p.uiDefaultQPIndexAlpha = 1;
        p.olOverlap = OL_NONE;
        p.cfColorFormat = YUV_444;
        p.sbSubband = SB_ALL;
        p.bfBitstreamFormat = SPATIAL;
        p.bProgressiveMode = 0;
        p.cNumOfSliceMinus1H = 0;
        p.cNumOfSliceMinus1V = 0;
        p.uAlphaMode = alpha ? 2 : 0;
        ok = !Failed(encoder->SetPixelFormat(encoder, alpha ? GUID_PKPixelFormat32bppRGBA : GUID_PKPixelFormat24bppRGB))
             && !Failed(encoder->SetSize(encoder, pixels.width(), pixels.height()))
             && !Failed(encoder->SetResolution(encoder, 96.0f, 96.0f))
             && !Failed(encoder->WritePixels(encoder, U32(pixels.height()), const_cast<U8 *>(pixels.constBits()),
                                             U32(pixels.bytesPerLine())));
    }
    if (stream) {
        buffer = stream->state.buf.pbBuf; // may have moved while growing
        if (ok)
            bytes = QByteArray(reinterpret_cast<const char *>(buffer), qsizetype(stream->state.buf.cbBufCount));
    }
    if (encoder)
        PKImageEncode_Release(&encoder); // closes the stream
    else if (stream)
        stream->Close(&stream);
    free(buffer);
    if (!ok || bytes.isEmpty()) {
        *error = QStringLiteral("cannot write JPEG XR");
        return {};
    }
    return bytes;
}

} // namespace orvane::codec::detail
