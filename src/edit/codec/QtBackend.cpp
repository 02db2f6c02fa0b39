// Qt image plugins: JPEG, TIFF, BMP, ICO, TGA, PNG, GIF (reading) and ICNS.
#include "edit/codec/Backends.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <mutex>

namespace orvane::codec::detail {
namespace {

QByteArray qtFormatName(Format format)
{
    switch (format) {
    case Format::Jpeg: return "jpeg";
    case Format::Tiff: return "tiff";
    case Format::Bmp: return "bmp";
    case Format::Ico: return "ico";
    case Format::Tga: return "tga";
    case Format::Png: return "png";
    case Format::Gif: return "gif";
    case Format::Icns: return "icns";
    default: return {};
    }
}

// Qt refuses images above its allocation limit (256 MB by default); our own
// header checks bound the size, so the limit is raised to the pixel budget.
void raiseAllocationLimit()
{
    static std::once_flag once;
    std::call_once(once, [] {
        const int neededMb = int(kMaxPixels * 4 / (1024 * 1024)) + 16;
        if (QImageReader::allocationLimit() < neededMb)
            QImageReader::setAllocationLimit(neededMb);
    });
}

void configure(QImageReader &reader)
{
    reader.setAutoDetectImageFormat(false);
    reader.setDecideFormatFromContent(false);
    reader.setAutoTransform(true);
}

// The stored size as the picture will be shown (width and height swapped
// when the orientation tag turns it by 90 degrees).
QSize uprightSize(QImageReader &reader, QSize stored)
{
    if (reader.transformation() & QImageIOHandler::TransformationRotate90)
        return stored.transposed();
    return stored;
}

// Icon files hold several pictures: the largest one is the picture.
void jumpToLargest(QImageReader &reader)
{
    const int count = reader.imageCount();
    if (count <= 1)
        return;
    int best = 0;
    qint64 bestArea = -1;
    for (int i = 0; i < qMin(count, 64); ++i) {
        if (!reader.jumpToImage(i))
            break;
        const QSize s = reader.size();
        const qint64 area = qint64(s.width()) * s.height();
        if (area > bestArea) {
            bestArea = area;
            best = i;
        }
    }
    reader.jumpToImage(best);
}

} // namespace

QSize qtReadSize(const QString &path, Format format)
{
    QImageReader reader(path, qtFormatName(format));
    configure(reader);
    if (!reader.canRead())
        return {};
    if (format == Format::Ico || format == Format::Icns)
        jumpToLargest(reader);
    const QSize stored = reader.size();
    if (stored.isValid())
        return uprightSize(reader, stored);
    // Some plugins (ICNS) know the size only after reading; their files are small.
    raiseAllocationLimit();
    const QImage image = reader.read();
    return image.size();
}

DecodeResult qtDecode(const QString &path, Format format, const Limits &limits)
{
    raiseAllocationLimit();
    DecodeResult result;
    const QByteArray name = qtFormatName(format);
    if (name.isEmpty()) {
        result.error = "no Qt decoder for this format";
        return result;
    }
    QImageReader reader(path, name);
    configure(reader);
    if (!reader.canRead()) {
        result.error = "not a " + formatName(format) + " picture";
        return result;
    }
    if (format == Format::Ico || format == Format::Icns)
        jumpToLargest(reader);

    const QSize stored = reader.size();
    if (stored.isValid()) {
        const QSize upright = uprightSize(reader, stored);
        result.originalSize = upright;
        const QString sizeError = checkSize(upright, limits);
        if (!sizeError.isEmpty()) {
            result.error = sizeError;
            return result;
        }
        // JPEG decodes at a reduced scale inside libjpeg when a smaller size
        // is asked for; the final smooth scaling is done by the caller.
        if (format == Format::Jpeg && limits.thumbnailBox.isValid()) {
            const QSize box = (upright == stored) ? limits.thumbnailBox : limits.thumbnailBox.transposed();
            const QSize fitted = fitInside(stored, box);
            // libjpeg scales by M/8 while decoding; ask for exactly the
            // smallest M/8 size that still covers the box, so Qt adds no
            // resampling of its own and the caller scales smoothly.
            for (int m = 1; m < 8; ++m) {
                const QSize scaled(int(qint64(stored.width()) * m / 8), int(qint64(stored.height()) * m / 8));
                if (scaled.width() >= fitted.width() && scaled.height() >= fitted.height()) {
                    reader.setScaledSize(scaled);
                    reader.setQuality(49); // fast DCT and upsampling: fine for thumbnails
                    break;
                }
            }
        }
    }

    QImage image;
    if (!reader.read(&image) || image.isNull()) {
        result.error = reader.errorString();
        if (result.error.isEmpty())
            result.error = "the picture could not be decoded";
        return result;
    }
    if (!result.originalSize.isValid())
        result.originalSize = image.size();
    const QString sizeError = checkSize(image.size(), limits);
    if (!sizeError.isEmpty()) {
        result.error = sizeError;
        return result;
    }
    result.image = normalized(std::move(image));
    result.format = format;
    return result;
}

QByteArray qtEncode(const QImage &source, Format format, QString *error)
{
    const QByteArray name = qtFormatName(format);
    QImage image = source;
    switch (format) {
    case Format::Ico:
        // The ICO directory stores sides up to 256.
        if (image.width() > 256 || image.height() > 256)
            image = image.scaled(fitInside(image.size(), {256, 256}), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        break;
    case Format::Icns: {
        // ICNS holds square pictures of fixed sizes: the picture is centred
        // on a transparent square of the next size up (at most 1024).
        static const int sides[] = {16, 32, 64, 128, 256, 512, 1024};
        int side = 1024;
        for (int s : sides) {
            if (s >= image.width() && s >= image.height()) {
                side = s;
                break;
            }
        }
        if (image.width() > side || image.height() > side)
            image = image.scaled(fitInside(image.size(), {side, side}), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QImage square(side, side, QImage::Format_ARGB32);
        square.fill(Qt::transparent);
        QPainter painter(&square);
        painter.drawImage((side - image.width()) / 2, (side - image.height()) / 2, image);
        painter.end();
        image = square;
        break;
    }
    default:
        break;
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, name);
    if (!writer.canWrite() || !writer.write(image)) {
        if (error)
            *error = "cannot write " + formatName(format) + ": " + writer.errorString();
        return {};
    }
    return bytes;
}

} // namespace orvane::codec::detail
