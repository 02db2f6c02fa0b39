#pragma once
// Reading and writing pictures for the editor through the codec layer: every
// extension the codec knows, written atomically (temporary file, then renamed
// over the target, so a failed save leaves the old file as it was).
#include <QImage>
#include <QString>

namespace orvane {

// Decodes a picture file; throws orvane::Error naming the file when it is
// missing or cannot be decoded.
QImage ReadPictureFile(const QString &path);
// Writes a picture in the format of the file name's extension; throws
// orvane::Error when nothing was written.
void WritePictureFile(const QImage &image, const QString &path);

} // namespace orvane
