// JPEG 2000 (JP2 file format and J2K code stream) through openjp2.
#include "edit/codec/Backends.h"

#include <QtEndian>
#include <openjpeg.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

namespace orvane::codec::detail {
namespace {

// Working memory openjp2 may use for one picture: it keeps every sample as a
// 32-bit integer, so the budget is checked on components x pixels.
constexpr qint64 kMaxSampleBytes = qint64(3) << 30;

// A seekable in-memory stream, for reading and for writing (the JP2 writer
// seeks back to fill in box lengths).
struct Memory {
    QByteArray *out = nullptr; // writing
    const char *in = nullptr;  // reading
    qint64 size = 0;
    qint64 pos = 0;
};

OPJ_SIZE_T memRead(void *buffer, OPJ_SIZE_T bytes, void *user)
{
    auto *m = static_cast<Memory *>(user);
    const qint64 n = qMin<qint64>(qint64(bytes), m->size - m->pos);
    if (n <= 0)
        return OPJ_SIZE_T(-1);
    memcpy(buffer, m->in + m->pos, size_t(n));
    m->pos += n;
    return OPJ_SIZE_T(n);
}

OPJ_SIZE_T memWrite(void *buffer, OPJ_SIZE_T bytes, void *user)
{
    auto *m = static_cast<Memory *>(user);
    const qint64 end = m->pos + qint64(bytes);
    if (end > m->out->size())
        m->out->resize(end);
    memcpy(m->out->data() + m->pos, buffer, bytes);
    m->pos = end;
    m->size = qMax(m->size, end);
    return bytes;
}

OPJ_OFF_T memSkip(OPJ_OFF_T bytes, void *user)
{
    auto *m = static_cast<Memory *>(user);
    const qint64 limit = m->out ? std::numeric_limits<qint32>::max() : m->size;
    const qint64 target = std::clamp<qint64>(m->pos + bytes, 0, limit);
    const qint64 moved = target - m->pos;
    m->pos = target;
    if (m->out && m->pos > m->out->size())
        m->out->resize(m->pos);
    return moved == 0 && bytes != 0 ? -1 : moved;
}

OPJ_BOOL memSeek(OPJ_OFF_T offset, void *user)
{
    auto *m = static_cast<Memory *>(user);
    if (offset < 0 || (!m->out && offset > m->size))
        return OPJ_FALSE;
    m->pos = offset;
    if (m->out && m->pos > m->out->size())
        m->out->resize(m->pos);
    return OPJ_TRUE;
}

void quiet(const char *, void *) {}
void collectError(const char *message, void *user)
{
    auto *text = static_cast<QString *>(user);
    if (text->isEmpty())
        *text = QString::fromLocal8Bit(message).trimmed();
}

struct StreamDeleter { void operator()(opj_stream_t *s) const { opj_stream_destroy(s); } };
struct CodecDeleter { void operator()(opj_codec_t *c) const { opj_destroy_codec(c); } };
struct ImageDeleter { void operator()(opj_image_t *i) const { opj_image_destroy(i); } };
using Stream = std::unique_ptr<opj_stream_t, StreamDeleter>;
using Codec = std::unique_ptr<opj_codec_t, CodecDeleter>;
using Image = std::unique_ptr<opj_image_t, ImageDeleter>;

Stream makeStream(Memory &memory, bool input)
{
    Stream stream(opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, input ? OPJ_TRUE : OPJ_FALSE));
    if (!stream)
        return stream;
    opj_stream_set_user_data(stream.get(), &memory, nullptr);
    if (input) {
        opj_stream_set_user_data_length(stream.get(), OPJ_UINT64(memory.size));
        opj_stream_set_read_function(stream.get(), memRead);
    } else {
        opj_stream_set_write_function(stream.get(), memWrite);
    }
    opj_stream_set_skip_function(stream.get(), memSkip);
    opj_stream_set_seek_function(stream.get(), memSeek);
    return stream;
}

bool codecKind(const QByteArray &data, OPJ_CODEC_FORMAT *kind)
{
    const Format f = sniffFormat(data.left(16));
    if (f == Format::Jp2)
        *kind = OPJ_CODEC_JP2;
    else if (f == Format::J2k)
        *kind = OPJ_CODEC_J2K;
    else
        return false;
    return true;
}

// openjp2 allocates its per-tile state while reading the header, before the
// picture's size can be checked: a forged size marker with many small tiles
// costs hundreds of megabytes. The marker is therefore read here first.
constexpr quint64 kMaxTiles = 8192;
constexpr quint32 kMaxComponents = 16;

QString checkSizeMarker(const QByteArray &data, const Limits &limits, QSize *size = nullptr)
{
    const qsizetype at = data.indexOf(QByteArray("\xFF\x4F\xFF\x51", 4));
    if (at < 0 || at + 4 + 38 > data.size())
        return QStringLiteral("not a readable JPEG 2000 picture");
    const auto *p = reinterpret_cast<const uchar *>(data.constData() + at + 4);
    auto be32 = [p](int offset) { return qFromBigEndian<quint32>(p + offset); };
    // Lsiz(2) Rsiz(2) Xsiz Ysiz XOsiz YOsiz XTsiz YTsiz XTOsiz YTOsiz Csiz(2)
    const quint32 xsiz = be32(4), ysiz = be32(8), xo = be32(12), yo = be32(16);
    const quint32 xt = be32(20), yt = be32(24), xto = be32(28), yto = be32(32);
    const quint32 comps = qFromBigEndian<quint16>(p + 36);
    if (xsiz <= xo || ysiz <= yo || xt == 0 || yt == 0 || xto > xo || yto > yo || comps == 0)
        return QStringLiteral("not a readable JPEG 2000 picture");
    const QSize claimed(int(qMin<quint32>(xsiz - xo, INT_MAX)), int(qMin<quint32>(ysiz - yo, INT_MAX)));
    if (size)
        *size = claimed;
    const QString sizeError = checkSize(claimed, limits);
    if (!sizeError.isEmpty())
        return sizeError;
    const quint64 tiles = quint64((xsiz - xto + quint64(xt) - 1) / xt) * quint64((ysiz - yto + quint64(yt) - 1) / yt);
    if (tiles > kMaxTiles || comps > kMaxComponents)
        return QStringLiteral("unsupported JPEG 2000 layout (%1 tiles, %2 components)").arg(tiles).arg(comps);
    return {};
}

struct Header {
    Memory memory;
    Stream stream;
    Codec codec;
    Image image;
    QString error;
    QSize size;
};

bool openHeader(const QByteArray &data, Header &h, const Limits &limits)
{
    OPJ_CODEC_FORMAT kind;
    if (!codecKind(data, &kind)) {
        h.error = QStringLiteral("not a JPEG 2000 picture");
        return false;
    }
    h.error = checkSizeMarker(data, limits);
    if (!h.error.isEmpty())
        return false;
    h.memory.in = data.constData();
    h.memory.size = data.size();
    h.stream = makeStream(h.memory, true);
    h.codec.reset(opj_create_decompress(kind));
    if (!h.stream || !h.codec) {
        h.error = QStringLiteral("cannot start the JPEG 2000 decoder");
        return false;
    }
    opj_set_info_handler(h.codec.get(), quiet, nullptr);
    opj_set_warning_handler(h.codec.get(), quiet, nullptr);
    opj_set_error_handler(h.codec.get(), collectError, &h.error);
    opj_dparameters_t params;
    opj_set_default_decoder_parameters(&params);
    if (!opj_setup_decoder(h.codec.get(), &params)) {
        h.error = QStringLiteral("cannot start the JPEG 2000 decoder");
        return false;
    }
    opj_image_t *raw = nullptr;
    const bool ok = opj_read_header(h.stream.get(), h.codec.get(), &raw);
    h.image.reset(raw);
    if (!ok || !raw || raw->numcomps == 0 || raw->x1 <= raw->x0 || raw->y1 <= raw->y0) {
        if (h.error.isEmpty())
            h.error = QStringLiteral("not a readable JPEG 2000 picture");
        return false;
    }
    h.size = QSize(int(qMin<OPJ_UINT32>(raw->x1 - raw->x0, INT_MAX)), int(qMin<OPJ_UINT32>(raw->y1 - raw->y0, INT_MAX)));
    return true;
}

int to8(OPJ_INT32 v, const opj_image_comp_t &c)
{
    if (c.sgnd)
        v += 1 << (c.prec - 1);
    if (c.prec > 8)
        v >>= (c.prec - 8);
    else if (c.prec < 8)
        v = (v << (8 - c.prec)) | (v >> qMax(0, 2 * int(c.prec) - 8));
    return std::clamp(v, 0, 255);
}

} // namespace

QSize jp2ReadSize(const QByteArray &data)
{
    // The size marker alone answers; openjp2 is not needed for it.
    QSize size;
    if (sniffFormat(data.left(16)) == Format::Unknown)
        return {};
    const QString error = checkSizeMarker(data, Limits(), &size);
    return error.isEmpty() || error.startsWith(QLatin1String("the picture is too large")) ? size : QSize();
}

DecodeResult jp2Decode(const QByteArray &data, const Limits &limits)
{
    DecodeResult result;
    Header h;
    if (!openHeader(data, h, limits)) {
        result.error = h.error;
        return result;
    }
    result.originalSize = h.size;
    result.error = checkSize(h.size, limits);
    if (!result.error.isEmpty())
        return result;
    opj_image_t *img = h.image.get();
    const OPJ_UINT32 comps = qMin<OPJ_UINT32>(img->numcomps, 4);
    if (qint64(h.size.width()) * h.size.height() * img->numcomps * 4 > kMaxSampleBytes) {
        result.error = QStringLiteral("the picture is too large (%1 x %2)").arg(h.size.width()).arg(h.size.height());
        return result;
    }
    for (OPJ_UINT32 c = 0; c < comps; ++c) {
        if (img->comps[c].prec < 1 || img->comps[c].prec > 31 || img->comps[c].dx == 0 || img->comps[c].dy == 0) {
            result.error = QStringLiteral("unsupported JPEG 2000 component layout");
            return result;
        }
    }

    if (limits.thumbnailBox.isValid()) {
        // Decode only the resolution levels the thumbnail needs.
        opj_codestream_info_v2_t *info = opj_get_cstr_info(h.codec.get());
        int levels = 1;
        if (info && info->m_default_tile_info.tccp_info)
            levels = int(info->m_default_tile_info.tccp_info[0].numresolutions);
        opj_destroy_cstr_info(&info);
        const QSize fitted = fitInside(h.size, limits.thumbnailBox);
        int factor = 0;
        while (factor + 1 < levels && (h.size.width() >> (factor + 1)) >= fitted.width()
               && (h.size.height() >> (factor + 1)) >= fitted.height())
            ++factor;
        if (factor > 0)
            opj_set_decoded_resolution_factor(h.codec.get(), OPJ_UINT32(factor));
    }

    if (!opj_decode(h.codec.get(), h.stream.get(), img) || !opj_end_decompress(h.codec.get(), h.stream.get())) {
        result.error = h.error.isEmpty() ? QStringLiteral("the JPEG 2000 data is damaged") : h.error;
        return result;
    }
    const opj_image_comp_t &base = img->comps[0];
    const int w = int(base.w), h2 = int(base.h);
    if (w <= 0 || h2 <= 0) {
        result.error = QStringLiteral("the JPEG 2000 data is damaged");
        return result;
    }
    for (OPJ_UINT32 c = 0; c < comps; ++c) {
        if (!img->comps[c].data || img->comps[c].w == 0 || img->comps[c].h == 0) {
            result.error = QStringLiteral("the JPEG 2000 data is damaged");
            return result;
        }
    }
    const bool hasAlpha = comps == 2 || comps == 4;
    const bool gray = comps <= 2;
    const bool ycc = img->color_space == OPJ_CLRSPC_SYCC && !gray;
    QImage out(w, h2, hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (out.isNull()) {
        result.error = QStringLiteral("not enough memory for the picture");
        return result;
    }
    auto sample = [&](OPJ_UINT32 c, int x, int y) {
        const opj_image_comp_t &comp = img->comps[c];
        // Sub-sampled components (chroma of YCC pictures) cover the same area.
        const int cx = qMin(int(qint64(x) * comp.w / w), int(comp.w) - 1);
        const int cy = qMin(int(qint64(y) * comp.h / h2), int(comp.h) - 1);
        return to8(comp.data[qint64(cy) * comp.w + cx], comp);
    };
    for (int y = 0; y < h2; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < w; ++x) {
            int r, g, b, a = 255;
            if (gray) {
                r = g = b = sample(0, x, y);
                if (hasAlpha)
                    a = sample(1, x, y);
            } else {
                r = sample(0, x, y);
                g = sample(1, x, y);
                b = sample(2, x, y);
                if (hasAlpha)
                    a = sample(3, x, y);
                if (ycc) {
                    const int cb = g - 128, cr = b - 128, yy = r;
                    r = std::clamp(int(yy + 1.402 * cr), 0, 255);
                    g = std::clamp(int(yy - 0.344136 * cb - 0.714136 * cr), 0, 255);
                    b = std::clamp(int(yy + 1.772 * cb), 0, 255);
                }
            }
            line[x] = qRgba(r, g, b, a);
        }
    }
    result.image = std::move(out);
    result.format = sniffFormat(data.left(16));
    return result;
}

QByteArray jp2Encode(const QImage &image, Format format, QString *error)
{
    const bool alpha = image.hasAlphaChannel();
    const OPJ_UINT32 comps = alpha ? 4 : 3;
    const int w = image.width(), h = image.height();
    opj_image_cmptparm_t parms[4];
    memset(parms, 0, sizeof(parms));
    for (OPJ_UINT32 c = 0; c < comps; ++c) {
        parms[c].dx = parms[c].dy = 1;
        parms[c].w = OPJ_UINT32(w);
        parms[c].h = OPJ_UINT32(h);
        parms[c].prec = 8;
        parms[c].sgnd = 0;
    }
    Image img(opj_image_create(comps, parms, OPJ_CLRSPC_SRGB));
    if (!img) {
        *error = QStringLiteral("not enough memory for the JPEG 2000 picture");
        return {};
    }
    img->x0 = img->y0 = 0;
    img->x1 = OPJ_UINT32(w);
    img->y1 = OPJ_UINT32(h);
    if (alpha)
        img->comps[3].alpha = 1;
    const QImage src = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(src.constScanLine(y));
        const qint64 row = qint64(y) * w;
        for (int x = 0; x < w; ++x) {
            img->comps[0].data[row + x] = qRed(line[x]);
            img->comps[1].data[row + x] = qGreen(line[x]);
            img->comps[2].data[row + x] = qBlue(line[x]);
            if (alpha)
                img->comps[3].data[row + x] = qAlpha(line[x]);
        }
    }

    // Default settings: one lossless layer, the reversible 5-3 wavelet.
    opj_cparameters_t params;
    opj_set_default_encoder_parameters(&params);
    params.tcp_numlayers = 1;
    params.tcp_rates[0] = 0;
    params.cp_disto_alloc = 1;
    params.tcp_mct = 1;
    int levels = 1;
    while (levels < params.numresolution && (qMin(w, h) >> levels) >= 1)
        ++levels;
    params.numresolution = levels;

    Codec codec(opj_create_compress(format == Format::J2k ? OPJ_CODEC_J2K : OPJ_CODEC_JP2));
    QString message;
    opj_set_info_handler(codec.get(), quiet, nullptr);
    opj_set_warning_handler(codec.get(), quiet, nullptr);
    opj_set_error_handler(codec.get(), collectError, &message);
    QByteArray bytes;
    Memory memory;
    memory.out = &bytes;
    Stream stream = makeStream(memory, false);
    const bool ok = codec && stream && opj_setup_encoder(codec.get(), &params, img.get())
                    && opj_start_compress(codec.get(), img.get(), stream.get())
                    && opj_encode(codec.get(), stream.get()) && opj_end_compress(codec.get(), stream.get());
    stream.reset(); // flushes the last chunk into bytes
    if (!ok || bytes.isEmpty()) {
        *error = "cannot write JPEG 2000" + (message.isEmpty() ? QString() : ": " + message);
        return {};
    }
    bytes.resize(memory.size);
    return bytes;
}

} // namespace orvane::codec::detail
