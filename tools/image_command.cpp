// orvane-tool image: picture information and format conversion through the
// codec layer.
#include "ToolCommands.h"

#include "edit/codec/Codec.h"

using namespace orvane;

namespace {

int info(const QString &path)
{
    const codec::PictureInfo header = codec::readInfo(path);
    if (!header.ok()) {
        tool::err("orvane-tool image info: " + path + ": " + header.error);
        return 1;
    }
    const codec::DecodeResult decoded = codec::decodeFile(path);
    tool::out("file: " + path);
    tool::out("format: " + codec::formatName(header.format));
    tool::out(QStringLiteral("size: %1 x %2").arg(header.size.width()).arg(header.size.height()));
    if (decoded.ok()) {
        // The decoded size differs from the header when an orientation tag turns the picture.
        tool::out(QStringLiteral("decoded: %1 x %2%3")
                      .arg(decoded.image.width())
                      .arg(decoded.image.height())
                      .arg(decoded.image.hasAlphaChannel() ? ", with alpha" : ""));
        return 0;
    }
    tool::out("decoded: no (" + decoded.error + ")");
    return 1;
}

int convert(const QString &in, const QString &out)
{
    const codec::DecodeResult decoded = codec::decodeFile(in);
    if (!decoded.ok()) {
        tool::err("orvane-tool image convert: " + in + ": " + decoded.error);
        return 1;
    }
    QString error;
    if (!codec::encodeFile(decoded.image, out, &error)) {
        tool::err("orvane-tool image convert: " + out + ": " + error);
        return 1;
    }
    tool::out(QStringLiteral("%1 (%2 x %3) -> %4")
                  .arg(in)
                  .arg(decoded.image.width())
                  .arg(decoded.image.height())
                  .arg(out));
    return 0;
}

int run(const QStringList &args)
{
    if (args.size() == 2 && args[0] == "info")
        return info(args[1]);
    if (args.size() == 3 && args[0] == "convert")
        return convert(args[1], args[2]);
    if (args.size() == 1 && args[0] == "formats") {
        tool::out("reads: " + codec::readableExtensions().join(' '));
        tool::out("writes: " + codec::writableExtensions().join(' '));
        return 0;
    }
    tool::err("usage: orvane-tool image info FILE | convert IN OUT | formats");
    return 2;
}

const bool registered = tool::registerCommand(
    {"image",
     "image info FILE        format and size of a picture\n"
     "  image convert IN OUT   write IN in the format of OUT's extension\n"
     "  image formats          extensions read and written",
     &run});

} // namespace
