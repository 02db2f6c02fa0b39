// ImageMagick (Magick++): PSD and WMF reading, GIF, TGA and PSD writing, and
// the second try for the formats whose Qt plugin refuses a file.
#include "edit/codec/Backends.h"

#include <Magick++.h>
#include <mutex>

namespace orvane::codec::detail {
namespace {

std::string magickName(Format format)
{
    switch (format) {
    case Format::Jpeg: return "JPEG";
    case Format::Bmp: return "BMP";
    case Format::Ico: return "ICO";
    case Format::Tga: return "TGA";
    case Format::Psd: return "PSD";
    case Format::Png: return "PNG";
    case Format::Gif: return "GIF";
    case Format::Wmf: return "WMF";
    default: return {};
    }
}

void initMagick()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Magick::InitializeMagick(nullptr);
        // Limits for hostile headers; the system policy may lower them further.
        Magick::ResourceLimits::width(kMaxSide);
        Magick::ResourceLimits::height(kMaxSide);
        Magick::ResourceLimits::area(MagickCore::MagickSizeType(kMaxPixels));
        Magick::ResourceLimits::memory(MagickCore::MagickSizeType(2) << 30);
        Magick::ResourceLimits::map(MagickCore::MagickSizeType(4) << 30);
        Magick::ResourceLimits::listLength(64);
    });
}

// The decoder is always named: ImageMagick never guesses a coder from the
// content, so no file reaches a coder that was not asked for.
void prepare(Magick::Image &image, Format format)
{
    image.quiet(true);
    image.subRange(1);
    if (format == Format::Wmf)
        image.density(Magick::Geometry(96, 96)); // metafile units at screen resolution
    image.magick(magickName(format));
}

} // namespace

QSize magickReadSize(const QByteArray &data, Format format)
{
    if (magickName(format).empty())
        return {};
    initMagick();
    try {
        Magick::Blob blob(data.constData(), size_t(data.size()));
        Magick::Image image;
        prepare(image, format);
        image.ping(blob);
        return QSize(int(qMin<size_t>(image.columns(), INT_MAX)), int(qMin<size_t>(image.rows(), INT_MAX)));
    } catch (const std::exception &) {
        return {};
    }
}

DecodeResult magickDecode(const QByteArray &data, Format format, const Limits &limits)
{
    DecodeResult result;
    if (magickName(format).empty()) {
        result.error = QStringLiteral("no ImageMagick decoder for this format");
        return result;
    }
    initMagick();
    try {
        Magick::Blob blob(data.constData(), size_t(data.size()));
        {
            Magick::Image header;
            prepare(header, format);
            header.ping(blob);
            const QSize size(int(qMin<size_t>(header.columns(), INT_MAX)), int(qMin<size_t>(header.rows(), INT_MAX)));
            result.originalSize = size;
            result.error = checkSize(size, limits);
            if (!result.error.isEmpty())
                return result;
        }
        Magick::Image image;
        prepare(image, format);
        image.read(blob);
        const QSize size(int(image.columns()), int(image.rows()));
        result.error = checkSize(size, limits);
        if (!result.error.isEmpty())
            return result;
        if (image.colorSpace() != MagickCore::sRGBColorspace && image.colorSpace() != MagickCore::GRAYColorspace)
            image.colorSpace(MagickCore::sRGBColorspace);
        const bool alpha = image.matte();
        QImage out(size, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        if (out.isNull()) {
            result.error = QStringLiteral("not enough memory for the picture");
            return result;
        }
        // Rows of a 32-bit QImage are exactly width * 4 bytes, as Magick writes them.
        image.write(0, 0, size_t(size.width()), size_t(size.height()), "BGRA", Magick::CharPixel, out.bits());
        result.image = std::move(out);
        result.format = format;
        result.originalSize = size;
    } catch (const std::exception &e) {
        result.image = QImage();
        result.error = "not a readable " + formatName(format) + " picture: " + QString::fromLocal8Bit(e.what());
    }
    return result;
}

QByteArray magickEncode(const QImage &image, Format format, QString *error)
{
    initMagick();
    try {
        const QImage source = image.convertToFormat(QImage::Format_ARGB32);
        Magick::Image out(size_t(source.width()), size_t(source.height()), "BGRA", Magick::CharPixel, source.constBits());
        out.quiet(true);
        if (!image.hasAlphaChannel())
            out.matte(false);
        out.magick(magickName(format));
        Magick::Blob blob;
        out.write(&blob);
        if (blob.length() == 0) {
            *error = "cannot write " + formatName(format);
            return {};
        }
        return QByteArray(static_cast<const char *>(blob.data()), qsizetype(blob.length()));
    } catch (const std::exception &e) {
        *error = "cannot write " + formatName(format) + ": " + QString::fromLocal8Bit(e.what());
        return {};
    }
}

} // namespace orvane::codec::detail
