// JPEG XR (HD Photo: HDP, JXR, WDP) through jxrlib.
#include "edit/codec/Backends.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

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

} // namespace

QSize jxrReadSize(const QByteArray &data)
{
    std::lock_guard lock(jxrMutex());
    Decoder d;
    QString error;
    I32 w = 0, h = 0;
    if (!open(data, d, &error) || Failed(d.decoder->GetSize(d.decoder, &w, &h)))
        return {};
    return QSize(w, h);
}

DecodeResult jxrDecode(const QByteArray &data, const Limits &limits)
{
    DecodeResult result;
    std::lock_guard lock(jxrMutex());
    Decoder d;
    if (!open(data, d, &result.error))
        return result;
    I32 w = 0, h = 0;
    PKPixelFormatGUID format;
    if (Failed(d.decoder->GetSize(d.decoder, &w, &h)) || Failed(d.decoder->GetPixelFormat(d.decoder, &format))) {
        result.error = QStringLiteral("not a readable JPEG XR picture");
        return result;
    }
    result.originalSize = QSize(w, h);
    result.error = checkSize(result.originalSize, limits);
    if (!result.error.isEmpty())
        return result;
    Target target;
    if (!targetFor(format, &target)) {
        result.error = QStringLiteral("unsupported JPEG XR pixel format");
        return result;
    }
    d.decoder->WMP.wmiSCP.uAlphaMode = target.alpha ? 2 : 0;
    if (Failed(PKCodecFactory_CreateFormatConverter(&d.converter))
        || Failed(d.converter->Initialize(d.converter, d.decoder, nullptr, target.pixels))) {
        result.error = QStringLiteral("unsupported JPEG XR pixel format");
        return result;
    }
    PKRect rect = {0, 0, w, h};
    QImage image;
    QByteArray wide;
    U8 *buffer = nullptr;
    U32 stride = 0;
    if (target.rgb48) {
        stride = U32(w) * 6;
        wide.resize(qsizetype(stride) * h);
        buffer = reinterpret_cast<U8 *>(wide.data());
    } else {
        image = QImage(w, h, target.image);
        if (image.isNull()) {
            result.error = QStringLiteral("not enough memory for the picture");
            return result;
        }
        buffer = image.bits();
        stride = U32(image.bytesPerLine());
    }
    if (wide.isNull() && image.isNull()) {
        result.error = QStringLiteral("not enough memory for the picture");
        return result;
    }
    if (Failed(d.converter->Copy(d.converter, &rect, buffer, stride))) {
        result.error = QStringLiteral("the JPEG XR data is damaged");
        return result;
    }
    if (target.rgb48) {
        image = QImage(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y) {
            const auto *src = reinterpret_cast<const quint16 *>(wide.constData() + qsizetype(y) * stride);
            QRgb *dst = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < w; ++x)
                dst[x] = qRgb(src[3 * x] >> 8, src[3 * x + 1] >> 8, src[3 * x + 2] >> 8);
        }
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
