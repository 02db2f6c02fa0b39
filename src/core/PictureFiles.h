#pragma once
// Loading and saving pictures by their file name's extension, for window code.
#include <QImage>
#include <QString>

namespace orvane {

// Decodes a picture file; throws orvane::Error naming the file when it is
// missing or not a decodable picture.
QImage LoadPictureFile(const QString &path);
// Writes a picture in the format that the file name's extension selects,
// atomically; throws orvane::Error when it cannot be written.
void SavePictureFile(const QImage &image, const QString &path);

} // namespace orvane
