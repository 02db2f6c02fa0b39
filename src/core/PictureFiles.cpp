#include "core/PictureFiles.h"

#include "core/Errors.h"
#include "edit/codec/Codec.h"

#include <QFileInfo>

namespace orvane {

QImage LoadPictureFile(const QString &path)
{
    if (path.trimmed().isEmpty() || !QFileInfo(path).isFile())
        throw Error(QStringLiteral("Cannot open file \"%1\". The file does not exist.").arg(path));
    const codec::DecodeResult decoded = codec::decodeFile(path);
    if (!decoded.ok())
        throw Error(QStringLiteral("Cannot load \"%1\": %2")
                        .arg(path, decoded.error.isEmpty() ? QStringLiteral("not a picture") : decoded.error));
    return decoded.image;
}

void SavePictureFile(const QImage &image, const QString &path)
{
    if (image.isNull())
        throw Error(QStringLiteral("Cannot write \"%1\": there is no picture.").arg(path));
    QString error;
    if (!codec::encodeFile(image, path, &error))
        throw Error(QStringLiteral("Cannot write \"%1\": %2").arg(path, error));
}

} // namespace orvane
