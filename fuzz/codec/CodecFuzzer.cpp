// libFuzzer target for the codec layer's entry: the first byte of the input
// picks the file name's extension, the rest is the file. Every picture
// extension's decoder runs, then the content sniffing fallback, the
// thumbnail path and the header reader; a decoded picture must be encoded
// and decoded again without harm.
#include "edit/codec/Codec.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

using namespace orvane::codec;

namespace {
// Both live until the process ends: libFuzzer leaves through exit(), and a
// QGuiApplication destroyed among the static destructors crashes there.
QGuiApplication *app = nullptr;
QTemporaryDir *dir = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    app = new QGuiApplication(*argc, *argv);
    dir = new QTemporaryDir();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2 || size > 1 << 20)
        return 0;
    const QStringList exts = readableExtensions();
    const QString ext = exts.at(data[0] % exts.size());
    const QString path = dir->filePath("input." + ext.toLower());
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return 0;
        f.write(reinterpret_cast<const char *>(data + 1), qint64(size - 1));
    }
    const DecodeResult full = decodeFile(path, {4096, 4096});
    if (full.ok()) {
        if (full.image.width() > 4096 || full.image.height() > 4096)
            std::abort(); // the caller's limit was not honoured
        if (full.image.width() * full.image.height() <= 256 * 256) {
            QString error;
            const QByteArray again = encode(full.image, Format::Png, &error);
            if (again.isEmpty())
                std::abort(); // a decoded picture must always be writable
        }
    } else if (full.error.isEmpty()) {
        std::abort(); // a failure always says why
    }
    const DecodeResult thumb = decodeThumbnail(path, {32, 32});
    if (thumb.ok() && (thumb.image.width() > 32 || thumb.image.height() > 32))
        std::abort();
    readInfo(path);
    readExifThumbnail(path);
    return 0;
}
