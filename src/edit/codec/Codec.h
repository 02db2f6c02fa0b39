#pragma once
// Picture codec layer: reads and writes pictures chosen by the file name's
// extension (upper case, the text after the last "."), with the codecs'
// default settings. Qt's image plugins come first; JPEG 2000 goes through
// openjp2, JPEG XR through jxrlib, PSD, GIF writing, TGA writing and WMF
// reading through ImageMagick; WMF is written by our own small encoder
// (one device-independent bitmap inside a placeable metafile).
//
// Every function is safe to call from several threads at once. A file that is
// not a decodable picture gives an error text, never a crash; sizes claimed by
// a file's header are checked before any pixel memory is allocated.
#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

namespace orvane::codec {

// The picture formats behind the extensions of the picture list.
enum class Format {
    Unknown,
    Jpeg, // JPG, JPE, JPEG
    Jp2,  // JP2 (JPEG 2000 file format)
    J2k,  // J2K (JPEG 2000 code stream)
    Tiff, // TIFF, TIF
    Bmp,
    Ico,
    Tga,
    Psd,
    Png,
    Gif,
    Wmf,
    Jxr,  // HDP, JXR, WDP
    Icns,
};

// Largest picture the layer decodes: pictures over either bound are refused
// from their header, before pixel memory is allocated.
constexpr int kMaxSide = 30000;
constexpr qint64 kMaxPixels = 500'000'000;
// Files larger than this are not read at all.
constexpr qint64 kMaxFileBytes = qint64(1) << 31;

struct DecodeResult {
    QImage image;       // Format_RGB32 when opaque, Format_ARGB32 with alpha
    QString error;      // empty on success
    Format format = Format::Unknown; // the format that decoded the file
    QSize originalSize; // the picture's full size (also for thumbnails)
    bool ok() const { return !image.isNull() && error.isEmpty(); }
    // The picture was refused for its size (by its header), not for damage.
    bool refusedForSize() const;
};

struct PictureInfo {
    Format format = Format::Unknown;
    QSize size;
    QString error;
    bool ok() const { return error.isEmpty() && size.isValid(); }
};

// Upper-case extension without the dot ("photo.Jpg" -> "JPG"; "readme" -> "").
QString upperExtension(const QString &path);
Format formatForExtension(const QString &upperExt);
// The format a file's first bytes announce (Unknown when none is recognised;
// TGA has no signature and is never sniffed).
Format sniffFormat(const QByteArray &head);
QString formatName(Format format); // "JPEG", "PNG", ...

// Decodes a whole picture. maxSize, when valid, lowers the size limits: a
// picture wider or taller than it is refused. JPEG and TIFF orientation tags
// are applied, so the pixels come out upright. When the decoder of the
// extension fails, the content's signature picks another decoder (a PNG named
// photo.jpg opens as PNG).
DecodeResult decodeFile(const QString &path, QSize maxSize = {});

// Decodes a picture scaled to fit inside box (aspect ratio kept, never
// enlarged). JPEG uses the decoder's DCT scaling, JPEG 2000 its reduced
// resolution levels; the other formats are decoded whole and scaled.
DecodeResult decodeThumbnail(const QString &path, QSize box);

// Reads only the header: format and size.
PictureInfo readInfo(const QString &path);

// Writes image in the format of path's extension with default settings,
// atomically (temporary file in the same folder, then renamed over path).
// Pixels are written upright and no orientation tag is written. ICO holds at
// most 256 x 256 and ICNS at most 1024 x 1024: larger pictures are scaled down
// to fit. Returns false with *error set when nothing was written.
bool encodeFile(const QImage &image, const QString &path, QString *error = nullptr);

// Encodes into memory (same rules as encodeFile).
QByteArray encode(const QImage &image, Format format, QString *error = nullptr);

bool canRead(Format format);
bool canWrite(Format format);
// Upper-case extensions of the picture list that this build reads / writes.
QStringList readableExtensions();
QStringList writableExtensions();

// The size of `size` scaled to fit inside box, keeping the aspect ratio and
// never enlarging; each side at least 1.
QSize fitInside(QSize size, QSize box);

// Embedded EXIF thumbnail of a JPEG file (the JPEG bytes of IFD1) and the
// main picture's EXIF orientation (1..8, 1 when absent). Bounded parsing.
struct ExifThumbnail {
    QByteArray jpeg;
    int orientation = 1;
    bool found() const { return !jpeg.isEmpty(); }
};
ExifThumbnail readExifThumbnail(const QString &path);

} // namespace orvane::codec
