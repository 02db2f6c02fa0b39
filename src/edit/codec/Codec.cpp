// Dispatch by extension, content sniffing, size limits and atomic writes.
#include "edit/codec/Backends.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QSaveFile>

namespace orvane::codec {
namespace detail {

QString checkSize(QSize size, const Limits &limits)
{
    if (size.width() <= 0 || size.height() <= 0)
        return QStringLiteral("the picture has no size");
    const qint64 pixels = qint64(size.width()) * size.height();
    if (size.width() > limits.maxWidth || size.height() > limits.maxHeight || pixels > limits.maxPixels)
        return QStringLiteral("the picture is too large (%1 x %2)").arg(size.width()).arg(size.height());
    return {};
}

QImage normalized(QImage image)
{
    if (image.isNull())
        return image;
    const QImage::Format wanted = image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    if (image.format() != wanted)
        image.convertTo(wanted);
    return image;
}

} // namespace detail

using detail::Limits;

namespace {

const struct {
    const char *ext;
    Format format;
} kExtensions[] = {
    {"JPG", Format::Jpeg}, {"JPE", Format::Jpeg}, {"JPEG", Format::Jpeg}, {"JP2", Format::Jp2},
    {"J2K", Format::J2k},  {"TIFF", Format::Tiff}, {"TIF", Format::Tiff}, {"BMP", Format::Bmp},
    {"ICO", Format::Ico},  {"TGA", Format::Tga},  {"PSD", Format::Psd},   {"PNG", Format::Png},
    {"GIF", Format::Gif},  {"WMF", Format::Wmf},  {"HDP", Format::Jxr},   {"JXR", Format::Jxr},
    {"WDP", Format::Jxr},  {"ICNS", Format::Icns},
};

bool isQtFormat(Format f)
{
    switch (f) {
    case Format::Jpeg: case Format::Tiff: case Format::Bmp: case Format::Ico:
    case Format::Tga: case Format::Png: case Format::Gif: case Format::Icns:
        return true;
    default:
        return false;
    }
}

// Formats ImageMagick reads, tried when Qt's plugin refuses a file of them
// (Magick knows more variants of BMP, TGA and ICO than Qt does). TIFF stays
// with Qt alone: ImageMagick's TIFF coder installs process-wide libtiff
// warning handlers that abort when Qt's TIFF plugin later reports a warning.
bool isMagickReadable(Format f)
{
    switch (f) {
    case Format::Jpeg: case Format::Bmp: case Format::Ico: case Format::Tga:
    case Format::Png: case Format::Gif: case Format::Psd: case Format::Wmf:
        return true;
    default:
        return false;
    }
}

bool readBounded(const QString &path, QByteArray *data, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = "cannot open the file: " + file.errorString();
        return false;
    }
    if (file.size() > kMaxFileBytes) {
        *error = QStringLiteral("the file is too large");
        return false;
    }
    *data = file.readAll();
    if (data->isEmpty()) {
        *error = QStringLiteral("the file is empty");
        return false;
    }
    return true;
}

QByteArray readHead(const QString &path, int bytes = 64)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(bytes);
}

// Reads the file's bytes once, on first use, for the backends that decode
// from memory.
class LazyBytes {
public:
    explicit LazyBytes(const QString &path) : m_path(path) {}
    const QByteArray *get(QString *error)
    {
        if (!m_loaded) {
            m_loaded = true;
            m_ok = readBounded(m_path, &m_data, &m_error);
        }
        if (!m_ok)
            *error = m_error;
        return m_ok ? &m_data : nullptr;
    }

private:
    QString m_path;
    QByteArray m_data;
    QString m_error;
    bool m_loaded = false;
    bool m_ok = false;
};

DecodeResult failed(const QString &error)
{
    DecodeResult r;
    r.error = error;
    return r;
}

DecodeResult decodeAs(const QString &path, Format format, LazyBytes &bytes, const Limits &limits)
{
    DecodeResult result;
    if (isQtFormat(format)) {
        result = detail::qtDecode(path, format, limits);
        if (result.ok() || !isMagickReadable(format) || result.refusedForSize())
            return result; // a size refusal is final
    }
    QString error;
    const QByteArray *data = bytes.get(&error);
    if (!data)
        return failed(error);
    switch (format) {
    case Format::Jp2:
    case Format::J2k:
        return detail::jp2Decode(*data, limits);
    case Format::Jxr:
        return detail::jxrDecode(*data, limits);
    default:
        break;
    }
    if (isMagickReadable(format)) {
        DecodeResult viaMagick = detail::magickDecode(*data, format, limits);
        if (viaMagick.ok() || result.error.isEmpty())
            return viaMagick;
        return result; // keep Qt's message, which names the first problem
    }
    return failed(QStringLiteral("no decoder for this format"));
}

DecodeResult decodeWithLimits(const QString &path, const Limits &limits)
{
    const QFileInfo info(path);
    if (!info.exists())
        return failed(QStringLiteral("the file does not exist"));
    if (!info.isFile())
        return failed(QStringLiteral("not a file"));
    if (info.size() > kMaxFileBytes)
        return failed(QStringLiteral("the file is too large"));

    LazyBytes bytes(path);
    const Format byExtension = formatForExtension(upperExtension(path));
    DecodeResult first;
    if (byExtension != Format::Unknown) {
        first = decodeAs(path, byExtension, bytes, limits);
        if (first.ok() || first.refusedForSize())
            return first;
    }
    // The extension's decoder failed: the content may be another format
    // (a PNG saved under the name photo.jpg).
    const Format sniffed = sniffFormat(readHead(path));
    if (sniffed != Format::Unknown && sniffed != byExtension) {
        DecodeResult second = decodeAs(path, sniffed, bytes, limits);
        if (second.ok() || byExtension == Format::Unknown)
            return second;
    }
    if (byExtension == Format::Unknown)
        return failed(QStringLiteral("not a known picture format"));
    return first;
}

bool startsWith(const QByteArray &head, const char *magic, int length)
{
    return head.size() >= length && memcmp(head.constData(), magic, size_t(length)) == 0;
}

} // namespace

bool DecodeResult::refusedForSize() const
{
    return !ok() && error.startsWith(QLatin1String("the picture is too large"));
}

QString upperExtension(const QString &path)
{
    const int slash = qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < slash)
        return {};
    return path.mid(dot + 1).trimmed().toUpper();
}

Format formatForExtension(const QString &upperExt)
{
    for (const auto &e : kExtensions) {
        if (upperExt == QLatin1String(e.ext))
            return e.format;
    }
    return Format::Unknown;
}

Format sniffFormat(const QByteArray &head)
{
    if (startsWith(head, "\xFF\xD8\xFF", 3))
        return Format::Jpeg;
    if (startsWith(head, "\x89PNG\r\n\x1A\n", 8))
        return Format::Png;
    if (startsWith(head, "GIF87a", 6) || startsWith(head, "GIF89a", 6))
        return Format::Gif;
    if (startsWith(head, "II*\0", 4) || startsWith(head, "MM\0*", 4))
        return Format::Tiff;
    if (startsWith(head, "II\xBC", 3))
        return Format::Jxr;
    if (startsWith(head, "8BPS", 4))
        return Format::Psd;
    if (startsWith(head, "icns", 4))
        return Format::Icns;
    if (startsWith(head, "\0\0\0\x0CjP  \r\n\x87\n", 12))
        return Format::Jp2;
    if (startsWith(head, "\xFF\x4F\xFF\x51", 4))
        return Format::J2k;
    if (startsWith(head, "\xD7\xCD\xC6\x9A", 4))
        return Format::Wmf;
    // Metafile without the placeable header: type 1 or 2, header of 9 words.
    if ((startsWith(head, "\x01\0\x09\0", 4) || startsWith(head, "\x02\0\x09\0", 4)) && head.size() >= 6
        && (head[5] == '\x03' || head[5] == '\x01'))
        return Format::Wmf;
    if (startsWith(head, "BM", 2) && head.size() >= 18)
        return Format::Bmp;
    // Icon directory: reserved 0, type 1, at least one picture.
    if (startsWith(head, "\0\0\x01\0", 4) && head.size() >= 6 && (head[4] != 0 || head[5] != 0))
        return Format::Ico;
    return Format::Unknown;
}

QString formatName(Format format)
{
    switch (format) {
    case Format::Jpeg: return QStringLiteral("JPEG");
    case Format::Jp2: return QStringLiteral("JPEG 2000");
    case Format::J2k: return QStringLiteral("JPEG 2000 code stream");
    case Format::Tiff: return QStringLiteral("TIFF");
    case Format::Bmp: return QStringLiteral("BMP");
    case Format::Ico: return QStringLiteral("ICO");
    case Format::Tga: return QStringLiteral("TGA");
    case Format::Psd: return QStringLiteral("PSD");
    case Format::Png: return QStringLiteral("PNG");
    case Format::Gif: return QStringLiteral("GIF");
    case Format::Wmf: return QStringLiteral("WMF");
    case Format::Jxr: return QStringLiteral("JPEG XR");
    case Format::Icns: return QStringLiteral("ICNS");
    case Format::Unknown: break;
    }
    return QStringLiteral("unknown");
}

QSize fitInside(QSize size, QSize box)
{
    if (size.isEmpty() || box.isEmpty())
        return size;
    if (size.width() <= box.width() && size.height() <= box.height())
        return size;
    QSize fitted = size.scaled(box, Qt::KeepAspectRatio);
    return fitted.expandedTo(QSize(1, 1));
}

DecodeResult decodeFile(const QString &path, QSize maxSize)
{
    Limits limits;
    if (maxSize.isValid()) {
        limits.maxWidth = qMin(limits.maxWidth, maxSize.width());
        limits.maxHeight = qMin(limits.maxHeight, maxSize.height());
    }
    return decodeWithLimits(path, limits);
}

DecodeResult decodeThumbnail(const QString &path, QSize box)
{
    if (box.isEmpty())
        return failed(QStringLiteral("empty thumbnail box"));
    Limits limits;
    limits.thumbnailBox = box;
    DecodeResult result = decodeWithLimits(path, limits);
    if (!result.ok())
        return result;
    // Fitted from the full size: a reduced decode may have rounded the proportions.
    const QSize fitted = fitInside(result.originalSize.isValid() ? result.originalSize : result.image.size(), box);
    if (fitted != result.image.size())
        result.image = detail::normalized(
            result.image.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return result;
}

PictureInfo readInfo(const QString &path)
{
    PictureInfo info;
    const QFileInfo fi(path);
    if (!fi.isFile()) {
        info.error = QStringLiteral("the file does not exist");
        return info;
    }
    const Format byExtension = formatForExtension(upperExtension(path));
    const Format sniffed = sniffFormat(readHead(path));
    QList<Format> candidates;
    if (byExtension != Format::Unknown)
        candidates << byExtension;
    if (sniffed != Format::Unknown && sniffed != byExtension)
        candidates << sniffed;
    QByteArray data;
    for (Format f : candidates) {
        QSize size = isQtFormat(f) ? detail::qtReadSize(path, f) : QSize();
        const bool fromBytes = f == Format::Jp2 || f == Format::J2k || f == Format::Jxr || isMagickReadable(f);
        if (!size.isValid() && fromBytes) {
            if (data.isEmpty() && !readBounded(path, &data, &info.error))
                return info;
            if (f == Format::Jp2 || f == Format::J2k)
                size = detail::jp2ReadSize(data);
            else if (f == Format::Jxr)
                size = detail::jxrReadSize(data);
            else
                size = detail::magickReadSize(data, f);
        }
        if (size.isValid()) {
            info.format = f;
            info.size = size;
            return info;
        }
    }
    info.error = QStringLiteral("not a readable picture");
    return info;
}

QByteArray encode(const QImage &image, Format format, QString *error)
{
    QString dummy;
    QString &err = error ? *error : dummy;
    if (image.isNull()) {
        err = QStringLiteral("there is no picture to write");
        return {};
    }
    QImage source = detail::normalized(image);
    if (source.hasAlphaChannel() && (format == Format::Jpeg || format == Format::Bmp || format == Format::Wmf)) {
        // These formats keep no transparency: transparent parts become white, not black.
        QImage flat(source.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter painter(&flat);
        painter.drawImage(0, 0, source);
        painter.end();
        source = flat;
    }
    switch (format) {
    case Format::Jpeg: case Format::Tiff: case Format::Bmp: case Format::Ico:
    case Format::Png: case Format::Icns:
        return detail::qtEncode(source, format, &err);
    case Format::Gif: case Format::Tga: case Format::Psd:
        return detail::magickEncode(source, format, &err);
    case Format::Jp2: case Format::J2k:
        return detail::jp2Encode(source, format, &err);
    case Format::Jxr:
        return detail::jxrEncode(source, &err);
    case Format::Wmf:
        return detail::wmfEncode(source, &err);
    case Format::Unknown:
        break;
    }
    err = QStringLiteral("no codec writes this format");
    return {};
}

bool encodeFile(const QImage &image, const QString &path, QString *error)
{
    QString dummy;
    QString &err = error ? *error : dummy;
    const QString ext = upperExtension(path);
    const Format format = formatForExtension(ext);
    if (format == Format::Unknown) {
        err = ext.isEmpty() ? QStringLiteral("the file name has no extension")
                            : "no codec writes the extension " + ext;
        return false;
    }
    const QByteArray bytes = encode(image, format, &err);
    if (bytes.isEmpty()) {
        if (err.isEmpty())
            err = "cannot write " + formatName(format);
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        err = "cannot create the file: " + file.errorString();
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        err = "cannot write the file: " + file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

bool canRead(Format format)
{
    return format != Format::Unknown;
}

bool canWrite(Format format)
{
    return format != Format::Unknown;
}

QStringList readableExtensions()
{
    QStringList list;
    for (const auto &e : kExtensions) {
        if (canRead(e.format))
            list << QString::fromLatin1(e.ext);
    }
    return list;
}

QStringList writableExtensions()
{
    QStringList list;
    for (const auto &e : kExtensions) {
        if (canWrite(e.format))
            list << QString::fromLatin1(e.ext);
    }
    return list;
}

} // namespace orvane::codec
