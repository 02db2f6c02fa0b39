#pragma once
// Internal interface between the codec dispatcher and the library backends.
#include "edit/codec/Codec.h"

namespace orvane::codec::detail {

// Limits applied to a decode: the largest side and pixel count accepted.
struct Limits {
    int maxWidth = kMaxSide;
    int maxHeight = kMaxSide;
    qint64 maxPixels = kMaxPixels;
    // When valid, the caller only needs a picture fitting this box; a backend
    // may decode at a reduced size not smaller than the fitted size.
    QSize thumbnailBox;
};

// Empty when the size is acceptable, else the error text.
QString checkSize(QSize size, const Limits &limits);

// Brings a decoded picture to Format_RGB32 / Format_ARGB32.
QImage normalized(QImage image);

// Qt image plugins (JPEG, TIFF, BMP, ICO, TGA, PNG, GIF, ICNS).
DecodeResult qtDecode(const QString &path, Format format, const Limits &limits);
QSize qtReadSize(const QString &path, Format format);
QByteArray qtEncode(const QImage &image, Format format, QString *error);

// ImageMagick (PSD, WMF reading; GIF, TGA, PSD writing).
DecodeResult magickDecode(const QByteArray &data, Format format, const Limits &limits);
QSize magickReadSize(const QByteArray &data, Format format);
QByteArray magickEncode(const QImage &image, Format format, QString *error);

// openjp2 (JP2, J2K).
DecodeResult jp2Decode(const QByteArray &data, const Limits &limits);
QSize jp2ReadSize(const QByteArray &data);
QByteArray jp2Encode(const QImage &image, Format format, QString *error);

// jxrlib (HDP, JXR, WDP).
DecodeResult jxrDecode(const QByteArray &data, const Limits &limits);
QSize jxrReadSize(const QByteArray &data);
QByteArray jxrEncode(const QImage &image, QString *error);

// Our WMF writer: one 24-bit DIB in a placeable metafile.
QByteArray wmfEncode(const QImage &image, QString *error);

} // namespace orvane::codec::detail
