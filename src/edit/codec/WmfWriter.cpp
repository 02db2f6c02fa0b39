// WMF writing: no Debian library writes Windows metafiles, so the picture is
// stored the way raster programs do it: a placeable metafile whose one
// drawing record (StretchDIBits) holds the picture as a 24-bit bitmap.
#include "edit/codec/Backends.h"

#include <QPainter>
#include <QtEndian>

namespace orvane::codec::detail {
namespace {

void put16(QByteArray &b, quint16 v)
{
    char raw[2];
    qToLittleEndian(v, raw);
    b.append(raw, 2);
}

void put32(QByteArray &b, quint32 v)
{
    char raw[4];
    qToLittleEndian(v, raw);
    b.append(raw, 4);
}

// A record: size in 16-bit words (with the 6-byte record header), function.
void record(QByteArray &out, quint16 function, const QByteArray &params)
{
    put32(out, quint32(3 + params.size() / 2));
    put16(out, function);
    out.append(params);
}

} // namespace

QByteArray wmfEncode(const QImage &image, QString *error)
{
    const int w = image.width(), h = image.height();
    if (w > 32767 || h > 32767) {
        *error = QStringLiteral("WMF holds pictures up to 32767 pixels a side");
        return {};
    }
    // Metafiles have no transparency: transparent parts become white.
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    {
        QPainter painter(&flat);
        painter.drawImage(0, 0, image);
    }

    const qint64 stride = (qint64(w) * 3 + 3) & ~qint64(3);
    QByteArray dib;
    dib.reserve(40 + stride * h);
    put32(dib, 40);          // BITMAPINFOHEADER size
    put32(dib, quint32(w));
    put32(dib, quint32(h));  // positive height: rows bottom-up
    put16(dib, 1);           // planes
    put16(dib, 24);          // bits per pixel
    put32(dib, 0);           // BI_RGB
    put32(dib, quint32(stride * h));
    put32(dib, 3780);        // 96 dpi in pixels per metre
    put32(dib, 3780);
    put32(dib, 0);
    put32(dib, 0);
    QByteArray row(stride, '\0');
    for (int y = h - 1; y >= 0; --y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(flat.constScanLine(y));
        char *p = row.data();
        for (int x = 0; x < w; ++x) {
            *p++ = char(qBlue(line[x]));
            *p++ = char(qGreen(line[x]));
            *p++ = char(qRed(line[x]));
        }
        dib.append(row);
    }
    if (dib.size() % 2)
        dib.append('\0');

    QByteArray body;
    QByteArray params;
    put16(params, 0); put16(params, 0);                    // SetWindowOrg y, x
    record(body, 0x020B, params);
    params.clear();
    put16(params, quint16(h)); put16(params, quint16(w));  // SetWindowExt y, x
    record(body, 0x020C, params);
    params.clear();
    put32(params, 0x00CC0020);                             // SRCCOPY
    put16(params, 0);                                      // DIB_RGB_COLORS
    put16(params, quint16(h)); put16(params, quint16(w));  // source height, width
    put16(params, 0); put16(params, 0);                    // source y, x
    put16(params, quint16(h)); put16(params, quint16(w));  // destination height, width
    put16(params, 0); put16(params, 0);                    // destination y, x
    params.append(dib);
    record(body, 0x0F43, params);                          // StretchDIB
    const quint32 largest = quint32(3 + params.size() / 2);
    record(body, 0x0000, {});                              // end of file

    QByteArray out;
    // Placeable header: key, handle, bounding box, units per inch, checksum.
    QByteArray placeable;
    put32(placeable, 0x9AC6CDD7);
    put16(placeable, 0);
    put16(placeable, 0); put16(placeable, 0);
    put16(placeable, quint16(w)); put16(placeable, quint16(h));
    put16(placeable, 96);
    put32(placeable, 0);
    quint16 checksum = 0;
    for (int i = 0; i < 10; ++i)
        checksum ^= qFromLittleEndian<quint16>(placeable.constData() + 2 * i);
    put16(placeable, checksum);
    out.append(placeable);
    // Metafile header: type (memory), header words, version 3.0, size, objects, largest record.
    put16(out, 1);
    put16(out, 9);
    put16(out, 0x0300);
    put32(out, quint32((18 + body.size()) / 2));
    put16(out, 0);
    put32(out, largest);
    put16(out, 0);
    out.append(body);
    return out;
}

} // namespace orvane::codec::detail
