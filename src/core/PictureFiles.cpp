#include "core/PictureFiles.h"

#include "core/Errors.h"

#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>

namespace orvane {

QImage LoadPictureFile(const QString &path)
{
    if (path.trimmed().isEmpty() || !QFileInfo(path).isFile())
        throw Error(QStringLiteral("Cannot open file \"%1\". The file does not exist.").arg(path));
    QImageReader reader(path);
    reader.setAutoTransform(true);
    reader.setDecideFormatFromContent(true);
    QImage image = reader.read();
    if (image.isNull())
        throw Error(QStringLiteral("Cannot load \"%1\": %2").arg(path, reader.errorString()));
    return image;
}

void SavePictureFile(const QImage &image, const QString &path)
{
    const QByteArray format = QFileInfo(path).suffix().toLower().toLatin1();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(QStringLiteral("Cannot write \"%1\": %2").arg(path, file.errorString()));
    QImageWriter writer(&file, format);
    if (!writer.write(image)) {
        file.cancelWriting();
        throw Error(QStringLiteral("Cannot write \"%1\": %2").arg(path, writer.errorString()));
    }
    if (!file.commit())
        throw Error(QStringLiteral("Cannot write \"%1\": %2").arg(path, file.errorString()));
}

} // namespace orvane
