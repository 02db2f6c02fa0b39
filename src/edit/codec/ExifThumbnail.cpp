// The EXIF block of a JPEG file: the main picture's orientation and the
// embedded thumbnail of IFD1. Every offset is checked against the block.
#include "edit/codec/Codec.h"

#include <QFile>
#include <QtEndian>

namespace orvane::codec {
namespace {

class Tiff {
public:
    explicit Tiff(const QByteArray &data) : m_data(data)
    {
        if (data.size() >= 8 && data.startsWith("II*\0"))
            m_little = true, m_valid = true;
        else if (data.size() >= 8 && data.startsWith("MM\0*"))
            m_little = false, m_valid = true;
    }
    bool valid() const { return m_valid; }
    qint64 size() const { return m_data.size(); }

    bool u16(qint64 at, quint16 *v) const
    {
        if (at < 0 || at + 2 > m_data.size())
            return false;
        const char *p = m_data.constData() + at;
        *v = m_little ? qFromLittleEndian<quint16>(p) : qFromBigEndian<quint16>(p);
        return true;
    }
    bool u32(qint64 at, quint32 *v) const
    {
        if (at < 0 || at + 4 > m_data.size())
            return false;
        const char *p = m_data.constData() + at;
        *v = m_little ? qFromLittleEndian<quint32>(p) : qFromBigEndian<quint32>(p);
        return true;
    }

    // Calls visit(tag, type, valueOffset) for each entry of the IFD at
    // offset; returns the offset of the next IFD (0 when none or damaged).
    template <typename Visit>
    quint32 walk(quint32 offset, Visit visit) const
    {
        quint16 count = 0;
        if (offset < 8 || !u16(offset, &count))
            return 0;
        for (int i = 0; i < count; ++i) {
            const qint64 entry = qint64(offset) + 2 + qint64(i) * 12;
            quint16 tag = 0, type = 0;
            if (!u16(entry, &tag) || !u16(entry + 2, &type))
                return 0;
            visit(tag, type, entry + 8);
        }
        quint32 next = 0;
        if (!u32(qint64(offset) + 2 + qint64(count) * 12, &next) || next <= offset)
            return 0; // also stops loops of IFDs pointing backwards
        return next;
    }

    // A SHORT or LONG value stored in the entry itself.
    bool number(quint16 type, qint64 at, quint32 *v) const
    {
        if (type == 3) {
            quint16 s = 0;
            if (!u16(at, &s))
                return false;
            *v = s;
            return true;
        }
        if (type == 4)
            return u32(at, v);
        return false;
    }

    QByteArray slice(quint32 offset, quint32 length) const
    {
        if (qint64(offset) + length > m_data.size() || length == 0)
            return {};
        return m_data.mid(offset, length);
    }

private:
    QByteArray m_data;
    bool m_little = true;
    bool m_valid = false;
};

// The TIFF block of the APP1 "Exif" segment, searched among the segments
// before the picture data.
QByteArray exifBlock(QFile &file)
{
    if (file.read(2) != QByteArray("\xFF\xD8", 2))
        return {};
    for (int segment = 0; segment < 32; ++segment) {
        const QByteArray marker = file.read(4);
        if (marker.size() < 4 || uchar(marker[0]) != 0xFF)
            return {};
        const uchar kind = uchar(marker[1]);
        if (kind == 0xDA || kind == 0xD9)
            return {}; // picture data or end: no EXIF before it
        const int length = qFromBigEndian<quint16>(marker.constData() + 2);
        if (length < 2)
            return {};
        if (kind == 0xE1) {
            const QByteArray payload = file.read(length - 2);
            if (payload.size() == length - 2 && payload.startsWith(QByteArray("Exif\0\0", 6)))
                return payload.mid(6);
        } else if (!file.seek(file.pos() + length - 2)) {
            return {};
        }
    }
    return {};
}

} // namespace

ExifThumbnail readExifThumbnail(const QString &path)
{
    ExifThumbnail result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return result;
    const Tiff tiff(exifBlock(file));
    if (!tiff.valid())
        return result;
    quint32 ifd0 = 0;
    if (!tiff.u32(4, &ifd0))
        return result;
    const quint32 ifd1 = tiff.walk(ifd0, [&](quint16 tag, quint16 type, qint64 at) {
        quint32 v = 0;
        if (tag == 0x0112 && tiff.number(type, at, &v) && v >= 1 && v <= 8)
            result.orientation = int(v);
    });
    if (ifd1 == 0)
        return result;
    quint32 offset = 0, length = 0;
    tiff.walk(ifd1, [&](quint16 tag, quint16 type, qint64 at) {
        quint32 v = 0;
        if (tag == 0x0201 && tiff.number(type, at, &v))
            offset = v;
        else if (tag == 0x0202 && tiff.number(type, at, &v))
            length = v;
    });
    const QByteArray jpeg = tiff.slice(offset, length);
    if (jpeg.startsWith("\xFF\xD8"))
        result.jpeg = jpeg;
    return result;
}

} // namespace orvane::codec
