// Codec layer: pictures made by other programs (ImageMagick, JxrEncApp,
// Pillow) for every readable extension, damaged and hostile files, round
// trips of every writable extension, EXIF orientation and thumbnails.
#include "edit/codec/Codec.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtConcurrent>
#include <QtEndian>

#include <cstdio>
#include <memory>

using namespace orvane::codec;

namespace {

const QColor kRed(255, 0, 0), kGreen(0, 255, 0), kBlue(0, 0, 255), kYellow(255, 255, 0);

// Four coloured quadrants; with alpha the bottom-right one is transparent.
QImage quadrants(QSize size = {64, 48}, bool alpha = false)
{
    QImage image(size, QImage::Format_ARGB32);
    const int w = size.width(), h = size.height();
    QPainter p(&image);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(0, 0, w / 2, h / 2, kRed);
    p.fillRect(w / 2, 0, w - w / 2, h / 2, kGreen);
    p.fillRect(0, h / 2, w / 2, h - h / 2, kBlue);
    p.fillRect(w / 2, h / 2, w - w / 2, h - h / 2, alpha ? QColor(Qt::transparent) : kYellow);
    p.end();
    return alpha ? image : image.convertToFormat(QImage::Format_RGB32);
}

struct Probe {
    double x, y; // relative position
    QColor color;
};

const std::vector<Probe> kQuadrantProbes = {
    {0.25, 0.25, kRed}, {0.75, 0.25, kGreen}, {0.25, 0.75, kBlue}, {0.75, 0.75, kYellow}};
const std::vector<Probe> kHalvesProbes = {{0.25, 0.5, kRed}, {0.75, 0.5, kBlue}};

::testing::AssertionResult colorsMatch(const QImage &image, const std::vector<Probe> &probes, int tolerance)
{
    for (const Probe &p : probes) {
        const QPoint at(int(p.x * image.width()), int(p.y * image.height()));
        const QColor c = image.pixelColor(at);
        const int diff = qMax(qAbs(c.red() - p.color.red()),
                              qMax(qAbs(c.green() - p.color.green()), qAbs(c.blue() - p.color.blue())));
        if (diff > tolerance)
            return ::testing::AssertionFailure()
                   << "pixel at " << at.x() << "," << at.y() << " is " << c.name().toStdString() << ", expected "
                   << p.color.name().toStdString();
    }
    return ::testing::AssertionSuccess();
}

QString findTool(const QString &name)
{
    return QStandardPaths::findExecutable(name);
}

bool runTool(const QString &program, const QStringList &args, QString *output = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    if (!process.waitForFinished(60000))
        return false;
    if (output)
        *output = QString::fromLocal8Bit(process.readAll());
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QString sourceDir()
{
    return QString::fromUtf8(ORVANE_SOURCE_DIR);
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Peak resident memory of this process in kB.
long peakRssKb()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Fixtures made by other programs, once per test run.

enum class Maker { Magick, JxrEnc, Pillow, Committed };

struct ReadCase {
    const char *ext;
    Maker maker;
    Format format;
    int tolerance;
};

void PrintTo(const ReadCase &c, std::ostream *os) { *os << c.ext; }

class Fixtures {
public:
    static Fixtures &get()
    {
        static Fixtures f;
        return f;
    }
    QString dir() const { return m_dir.path(); }
    QString reference() const { return m_dir.filePath("reference.png"); }
    QString referenceBmp() const { return m_dir.filePath("reference.bmp"); }

    // The fixture for ext, made on first use; empty when its maker is missing.
    QString file(const ReadCase &c)
    {
        const QString path = m_dir.filePath(QStringLiteral("made.") + QString::fromLatin1(c.ext).toLower());
        if (QFile::exists(path))
            return path;
        switch (c.maker) {
        case Maker::Magick: {
            const QString convert = findTool("convert-im6.q16");
            if (convert.isEmpty() || !runTool(convert, {reference(), path}))
                return {};
            break;
        }
        case Maker::JxrEnc: {
            const QString enc = findTool("JxrEncApp");
            const QString jxr = m_dir.filePath("made-by-jxrencapp.jxr");
            if (enc.isEmpty() || (!QFile::exists(jxr) && !runTool(enc, {"-i", referenceBmp(), "-o", jxr})))
                return {};
            QFile::copy(jxr, path);
            break;
        }
        case Maker::Pillow: {
            const QString script = QStringLiteral(
                "import sys\nfrom PIL import Image\nImage.open(sys.argv[1]).resize((64, 64)).save(sys.argv[2])\n");
            if (!QFile::exists("/usr/bin/python3") || !runTool("/usr/bin/python3", {"-c", script, reference(), path}))
                return {};
            break;
        }
        case Maker::Committed:
            QFile::copy(sourceDir() + "/tests/data/codec/halves.wmf", path);
            break;
        }
        return QFile::exists(path) ? path : QString();
    }

private:
    Fixtures()
    {
        quadrants().save(reference(), "PNG");
        quadrants().convertToFormat(QImage::Format_RGB888).save(referenceBmp(), "BMP");
    }
    QTemporaryDir m_dir;
};

const ReadCase kReadCases[] = {
    {"JPG", Maker::Magick, Format::Jpeg, 40},  {"JPE", Maker::Magick, Format::Jpeg, 40},
    {"JPEG", Maker::Magick, Format::Jpeg, 40}, {"JP2", Maker::Magick, Format::Jp2, 8},
    {"J2K", Maker::Magick, Format::J2k, 8},    {"TIFF", Maker::Magick, Format::Tiff, 2},
    {"TIF", Maker::Magick, Format::Tiff, 2},   {"BMP", Maker::Magick, Format::Bmp, 2},
    {"ICO", Maker::Magick, Format::Ico, 2},    {"TGA", Maker::Magick, Format::Tga, 2},
    {"PSD", Maker::Magick, Format::Psd, 2},    {"PNG", Maker::Magick, Format::Png, 2},
    {"GIF", Maker::Magick, Format::Gif, 8},    {"WMF", Maker::Committed, Format::Wmf, 2},
    {"HDP", Maker::JxrEnc, Format::Jxr, 2},    {"JXR", Maker::JxrEnc, Format::Jxr, 2},
    {"WDP", Maker::JxrEnc, Format::Jxr, 2},    {"ICNS", Maker::Pillow, Format::Icns, 8},
};

class ReadEveryExtension : public ::testing::TestWithParam<ReadCase> {
protected:
    QString fixture()
    {
        const QString path = Fixtures::get().file(GetParam());
        if (path.isEmpty())
            ADD_FAILURE() << "could not make the " << GetParam().ext << " fixture";
        return path;
    }
    QSize expectedSize() const
    {
        return GetParam().format == Format::Icns ? QSize() : QSize(64, 48); // Pillow stores ICNS up to 1024
    }
    const std::vector<Probe> &probes() const
    {
        return GetParam().format == Format::Wmf ? kHalvesProbes : kQuadrantProbes;
    }
};

TEST_P(ReadEveryExtension, DecodesPictureMadeByAnotherProgram)
{
    const QString path = fixture();
    if (path.isEmpty())
        return;
    const DecodeResult r = decodeFile(path);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(r.format, GetParam().format);
    if (expectedSize().isValid())
        EXPECT_EQ(r.image.size(), expectedSize());
    else
        EXPECT_EQ(r.image.width(), r.image.height());
    EXPECT_TRUE(r.image.format() == QImage::Format_RGB32 || r.image.format() == QImage::Format_ARGB32);
    EXPECT_TRUE(colorsMatch(r.image, probes(), GetParam().tolerance));

    const PictureInfo info = readInfo(path);
    ASSERT_TRUE(info.ok()) << info.error.toStdString();
    EXPECT_EQ(info.size, r.image.size());
}

TEST_P(ReadEveryExtension, ThumbnailFitsTheBox)
{
    const QString path = fixture();
    if (path.isEmpty())
        return;
    const DecodeResult r = decodeThumbnail(path, {20, 20});
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_LE(r.image.width(), 20);
    EXPECT_LE(r.image.height(), 20);
    EXPECT_TRUE(r.image.width() == 20 || r.image.height() == 20);
    EXPECT_TRUE(colorsMatch(r.image, probes(), GetParam().tolerance + 30));
}

// Damaged files never crash: each either fails with a message or gives a
// picture of the size its header announced.
TEST_P(ReadEveryExtension, DamagedFilesFailCleanly)
{
    const QString path = fixture();
    if (path.isEmpty())
        return;
    const QByteArray good = readBytes(path);
    ASSERT_FALSE(good.isEmpty());
    QTemporaryDir dir;
    const QString ext = QString::fromLatin1(GetParam().ext).toLower();
    QByteArray flipped = good;
    for (qsizetype i = flipped.size() / 3; i < flipped.size(); i += 7)
        flipped[i] = char(flipped[i] ^ 0x5A);
    const std::vector<std::pair<const char *, QByteArray>> damaged = {
        {"empty", QByteArray()},
        {"first 16 bytes", good.left(16)},
        {"first half", good.left(good.size() / 2)},
        {"all but the last byte", good.left(good.size() - 1)},
        {"flipped bytes", flipped},
        {"zeroed body", good.left(24) + QByteArray(good.size() - 24, '\0')},
    };
    for (const auto &[name, bytes] : damaged) {
        SCOPED_TRACE(name);
        const QString file = dir.filePath(QStringLiteral("damaged.") + ext);
        ASSERT_TRUE(writeBytes(file, bytes));
        const DecodeResult r = decodeFile(file);
        if (r.ok()) {
            EXPECT_GT(r.image.width(), 0);
        } else {
            EXPECT_FALSE(r.error.isEmpty());
            EXPECT_TRUE(r.image.isNull());
        }
        decodeThumbnail(file, {32, 32});
        readInfo(file);
    }
}

INSTANTIATE_TEST_SUITE_P(Codec, ReadEveryExtension, ::testing::ValuesIn(kReadCases),
                         [](const auto &info) { return std::string(info.param.ext); });

TEST(CodecFormats, EveryPictureExtensionIsReadableAndWritable)
{
    const QStringList all = {"JPG", "JPE", "JPEG", "JP2", "J2K", "TIFF", "TIF", "BMP", "ICO",
                             "TGA", "PSD", "PNG", "GIF", "WMF", "HDP", "JXR", "WDP", "ICNS"};
    EXPECT_EQ(readableExtensions(), all);
    EXPECT_EQ(writableExtensions(), all);
}

TEST(CodecFormats, ExtensionIsTheTextAfterTheLastDot)
{
    const std::vector<std::pair<QString, QString>> cases = {
        {"photo.Jpg", "JPG"}, {"/a.b/photo", ""}, {"archive.tar.gz", "GZ"}, {"x.TIFF", "TIFF"}, {"noext", ""}};
    for (const auto &[path, ext] : cases)
        EXPECT_EQ(upperExtension(path), ext) << path.toStdString();
}

// ---------------------------------------------------------------------------
// Content that does not match the name.

TEST(CodecSniffing, PngNamedJpgOpensAsPng)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("really-a-png.jpg");
    ASSERT_TRUE(quadrants().save(path, "PNG"));
    const DecodeResult r = decodeFile(path);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(r.format, Format::Png);
    EXPECT_TRUE(colorsMatch(r.image, kQuadrantProbes, 0));
    EXPECT_EQ(readInfo(path).format, Format::Png);
}

TEST(CodecSniffing, TextFilesWithPictureNamesFail)
{
    QTemporaryDir dir;
    for (const QString &ext : readableExtensions()) {
        const QString path = dir.filePath("notes." + ext.toLower());
        ASSERT_TRUE(writeBytes(path, "This is a text file, not a picture.\nSecond line.\n"));
        const DecodeResult r = decodeFile(path);
        EXPECT_FALSE(r.ok()) << ext.toStdString();
        EXPECT_FALSE(r.error.isEmpty()) << ext.toStdString();
        EXPECT_FALSE(readInfo(path).ok()) << ext.toStdString();
    }
}

// Damaged JPEG XR files on which jxrlib itself (and JxrDecApp) crashes with a
// segmentation fault or fails an assertion: the decoder's process isolation
// turns both into an error.
TEST(CodecSniffing, FilesThatCrashJxrlibFailCleanly)
{
    QTemporaryDir dir;
    const std::pair<const char *, const char *> cases[] = {
        {"damaged-crashes-jxrlib.jxr", "crash.jxr"}, {"damaged-crashes-jxrlib.jxr", "crash.hdp"},
        {"damaged-crashes-jxrlib.jxr", "crash.wdp"}, {"damaged-aborts-jxrlib.jxr", "abort.jxr"}};
    for (const auto &[fixture, name] : cases) {
        SCOPED_TRACE(name);
        const QString path = dir.filePath(name);
        ASSERT_TRUE(QFile::copy(sourceDir() + "/tests/data/codec/" + fixture, path));
        const DecodeResult r = decodeFile(path);
        EXPECT_FALSE(r.ok());
        EXPECT_FALSE(r.error.isEmpty());
        EXPECT_FALSE(decodeThumbnail(path, {64, 64}).ok());
        readInfo(path);
    }
}

TEST(CodecSniffing, MissingFileAndFolderFail)
{
    QTemporaryDir dir;
    EXPECT_FALSE(decodeFile(dir.filePath("absent.png")).ok());
    QDir(dir.path()).mkdir("folder.png");
    EXPECT_FALSE(decodeFile(dir.filePath("folder.png")).ok());
}

// ---------------------------------------------------------------------------
// Headers that claim gigantic pictures are refused before pixels are
// allocated (the peak memory of the process stays put).

quint32 crc32(const QByteArray &data)
{
    quint32 crc = 0xFFFFFFFFu;
    for (char ch : data) {
        crc ^= uchar(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray be32(quint32 v)
{
    QByteArray b(4, '\0');
    qToBigEndian(v, b.data());
    return b;
}

QByteArray hugePng()
{
    QByteArray ihdr = "IHDR" + be32(29000) + be32(29000) + QByteArray("\x08\x06\x00\x00\x00", 5);
    QByteArray png("\x89PNG\r\n\x1A\n", 8);
    png += be32(13) + ihdr + be32(crc32(ihdr));
    QByteArray idat = "IDAT" + QByteArray("\x78\x9C\x63\x00\x00\x00\x01\x00\x01", 9);
    png += be32(9) + idat + be32(crc32(idat));
    return png;
}

QByteArray patched(QByteArray bytes, qsizetype at, const QByteArray &with)
{
    bytes.replace(at, with.size(), with);
    return bytes;
}

QByteArray le16(quint16 v)
{
    QByteArray b(2, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray le32(quint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray hugeJpeg()
{
    QByteArray jpeg;
    {
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        quadrants().save(&buffer, "JPEG");
    }
    const qsizetype sof = jpeg.indexOf("\xFF\xC0");
    QByteArray size(4, '\0');
    qToBigEndian<quint16>(60000, size.data());
    qToBigEndian<quint16>(60000, size.data() + 2);
    return patched(jpeg, sof + 5, size); // height, width of the frame header
}

QByteArray hugeBmp()
{
    QByteArray bmp;
    {
        QBuffer buffer(&bmp);
        buffer.open(QIODevice::WriteOnly);
        quadrants().save(&buffer, "BMP");
    }
    return patched(patched(bmp, 18, le32(29000)), 22, le32(29000));
}

QByteArray hugeGif()
{
    QByteArray gif("GIF89a", 6);
    gif += le16(65000) + le16(65000) + QByteArray("\x80\x00\x00", 3) + QByteArray(6, '\0');
    gif += QByteArray("\x2C", 1) + le16(0) + le16(0) + le16(65000) + le16(65000) + QByteArray("\x00", 1);
    gif += QByteArray("\x02\x02\x44\x01\x00\x3B", 6);
    return gif;
}

QByteArray hugePsd()
{
    QByteArray psd("8BPS", 4);
    psd += QByteArray("\x00\x01", 2) + QByteArray(6, '\0') + QByteArray("\x00\x03", 2);
    psd += be32(29000) + be32(29000) + QByteArray("\x00\x08\x00\x03", 4);
    psd += be32(0) + be32(0) + be32(0) + QByteArray("\x00\x00", 2) + QByteArray(64, '\0');
    return psd;
}

QByteArray hugeTiff()
{
    // Little-endian TIFF, one IFD: width, length, bits, samples, strip offsets.
    QByteArray t("II*\0", 4);
    t += le32(8);
    auto entry = [](quint16 tag, quint16 type, quint32 count, quint32 value) {
        return le16(tag) + le16(type) + le32(count) + le32(value);
    };
    t += le16(6);
    t += entry(256, 4, 1, 29000) + entry(257, 4, 1, 29000) + entry(258, 3, 1, 8) + entry(262, 3, 1, 1)
         + entry(273, 4, 1, 200) + entry(279, 4, 1, 16);
    t += le32(0);
    t += QByteArray(200 - t.size() + 16, '\x11');
    return t;
}

// A J2K code stream whose size marker claims 29000 x 29000: as one tile, in
// 32-pixel tiles (over the format's tile limit) and in 116-pixel tiles
// (62 500 tiles, for which openjp2 would allocate ~700 MB of tile state).
QByteArray hugeJ2k(quint32 tile)
{
    QString error;
    QByteArray j2k = encode(quadrants(), Format::J2k, &error);
    const qsizetype siz = j2k.indexOf("\xFF\x51");
    j2k = patched(j2k, siz + 6, be32(29000) + be32(29000));
    return patched(j2k, siz + 22, be32(tile) + be32(tile));
}
QByteArray hugeJ2kOneTile() { return hugeJ2k(29000); }
QByteArray hugeJ2kTinyTiles() { return hugeJ2k(32); }
QByteArray hugeJ2kManyTiles() { return hugeJ2k(116); }

// A legal-sized picture split into 62 500 tiles of 4 pixels.
QByteArray manyTilesJ2k()
{
    QString error;
    QByteArray j2k = encode(quadrants({1000, 1000}), Format::J2k, &error);
    const qsizetype siz = j2k.indexOf("\xFF\x51");
    return patched(j2k, siz + 22, be32(4) + be32(4));
}

struct HostileCase {
    const char *name;
    QByteArray (*make)();
    bool refusedForSize; // false: refused by the library's own checks
};

TEST(CodecHostileHeaders, GiganticSizesAreRefusedBeforeAllocating)
{
    const HostileCase cases[] = {
        {"huge.png", hugePng, true},           {"huge.jpg", hugeJpeg, true},
        {"huge.bmp", hugeBmp, false},          {"huge.gif", hugeGif, true},
        {"huge.psd", hugePsd, false},          {"huge.tif", hugeTiff, true},
        {"huge.j2k", hugeJ2kOneTile, true},    {"tiny-tiles.j2k", hugeJ2kTinyTiles, true},
        {"many-tiles.j2k", hugeJ2kManyTiles, true}, {"legal-many-tiles.j2k", manyTilesJ2k, false}};
    QTemporaryDir dir;
    for (const HostileCase &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(c.name);
        ASSERT_TRUE(writeBytes(path, c.make()));
        const long before = peakRssKb();
        const DecodeResult r = decodeFile(path);
        EXPECT_FALSE(r.ok());
        EXPECT_FALSE(r.error.isEmpty());
        if (c.refusedForSize)
            EXPECT_TRUE(r.refusedForSize()) << r.error.toStdString();
        const DecodeResult t = decodeThumbnail(path, {128, 128});
        EXPECT_FALSE(t.ok());
        EXPECT_LT(peakRssKb() - before, 200 * 1024) << "a hostile header made the decoder allocate";
    }
}

TEST(CodecHostileHeaders, CallerLimitIsHonoured)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("wide.png");
    ASSERT_TRUE(quadrants({300, 20}).save(path));
    EXPECT_TRUE(decodeFile(path, {300, 300}).ok());
    const DecodeResult r = decodeFile(path, {299, 299});
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.error.contains("too large")) << r.error.toStdString();
}

// ---------------------------------------------------------------------------
// Writing.

struct WriteCase {
    const char *ext;
    int tolerance;   // per channel at the quadrant centres
    bool keepsAlpha; // transparency survives the round trip
};

void PrintTo(const WriteCase &c, std::ostream *os) { *os << c.ext; }

const WriteCase kWriteCases[] = {
    {"JPG", 40, false}, {"JPE", 40, false}, {"JPEG", 40, false}, {"JP2", 0, true},  {"J2K", 0, true},
    {"TIFF", 0, true},  {"TIF", 0, true},   {"BMP", 0, false},   {"ICO", 0, true},  {"TGA", 0, true},
    {"PSD", 0, true},   {"PNG", 0, true},   {"GIF", 8, true},    {"WMF", 0, false}, {"HDP", 0, true},
    {"JXR", 0, true},   {"WDP", 0, true},   {"ICNS", 8, true},
};

class WriteEveryExtension : public ::testing::TestWithParam<WriteCase> {
protected:
    QString ext() const { return QString::fromLatin1(GetParam().ext); }
};

TEST_P(WriteEveryExtension, RoundTripKeepsSizeAndPixels)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("round." + ext().toLower());
    QString error;
    ASSERT_TRUE(encodeFile(quadrants({64, 48}), path, &error)) << error.toStdString();
    const DecodeResult r = decodeFile(path);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(r.format, formatForExtension(ext()));
    if (ext() == "ICNS") {
        // ICNS holds squares: the picture sits centred on a 64 x 64 square.
        ASSERT_EQ(r.image.size(), QSize(64, 64));
        EXPECT_TRUE(colorsMatch(r.image.copy(0, 8, 64, 48), kQuadrantProbes, GetParam().tolerance));
    } else {
        ASSERT_EQ(r.image.size(), QSize(64, 48));
        EXPECT_TRUE(colorsMatch(r.image, kQuadrantProbes, GetParam().tolerance));
    }
    // Only the finished file is left in the folder.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"round." + ext().toLower()});
}

TEST_P(WriteEveryExtension, TransparencyIsKeptOrFlattenedToWhite)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("alpha." + ext().toLower());
    QString error;
    ASSERT_TRUE(encodeFile(quadrants({64, 64}, true), path, &error)) << error.toStdString();
    const DecodeResult r = decodeFile(path);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    const QColor corner = r.image.pixelColor(r.image.width() * 3 / 4, r.image.height() * 3 / 4);
    const QColor opaque = r.image.pixelColor(r.image.width() / 4, r.image.height() / 4);
    EXPECT_GT(opaque.alpha(), 250);
    if (GetParam().keepsAlpha) {
        EXPECT_LT(corner.alpha(), 5);
    } else {
        EXPECT_GT(corner.alpha(), 250);
        EXPECT_GT(qMin(corner.red(), qMin(corner.green(), corner.blue())), 215) << "transparent parts become white";
    }
}

// The files we write open in other programs too.
TEST_P(WriteEveryExtension, OtherProgramsReadWhatWeWrite)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("shared." + ext().toLower());
    ASSERT_TRUE(encodeFile(quadrants({64, 48}), path));
    const Format format = formatForExtension(ext());
    QString output;
    if (format == Format::Jxr) {
        const QString dec = findTool("JxrDecApp");
        if (dec.isEmpty())
            GTEST_SKIP() << "JxrDecApp missing";
        const QString copy = dir.filePath("shared.jxr"), bmp = dir.filePath("back.bmp");
        if (path != copy)
            QFile::copy(path, copy);
        ASSERT_TRUE(runTool(dec, {"-i", copy, "-o", bmp}, &output)) << output.toStdString();
        const QImage back(bmp);
        EXPECT_EQ(back.size(), QSize(64, 48));
        EXPECT_TRUE(colorsMatch(back, kQuadrantProbes, 0));
        return;
    }
    if (format == Format::Icns) {
        const QString script = QStringLiteral("import sys\nfrom PIL import Image\nprint(Image.open(sys.argv[1]).size)\n");
        ASSERT_TRUE(runTool("/usr/bin/python3", {"-c", script, path}, &output)) << output.toStdString();
        EXPECT_EQ(output.trimmed(), "(64, 64)");
        return;
    }
    const QString identify = findTool("identify-im6.q16");
    if (identify.isEmpty())
        GTEST_SKIP() << "ImageMagick missing";
    QStringList args = {"-format", "%w %h\\n"};
    if (format == Format::Wmf)
        args = QStringList{"-density", "96"} + args;
    ASSERT_TRUE(runTool(identify, args + QStringList{path}, &output)) << output.toStdString();
    EXPECT_EQ(output.split('\n').first().trimmed(), "64 48");
}

INSTANTIATE_TEST_SUITE_P(Codec, WriteEveryExtension, ::testing::ValuesIn(kWriteCases),
                         [](const auto &info) { return std::string(info.param.ext); });

TEST(CodecWriting, FailedWriteLeavesTheOldFileAlone)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("keep.wmf");
    ASSERT_TRUE(writeBytes(path, "old contents"));
    QString error;
    // WMF coordinates are 16-bit: this picture cannot be written.
    EXPECT_FALSE(encodeFile(QImage(40000, 2, QImage::Format_RGB32), path, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readBytes(path), QByteArray("old contents"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.wmf"});
}

TEST(CodecWriting, UnknownExtensionsAndNullPicturesAreRefused)
{
    QTemporaryDir dir;
    QString error;
    EXPECT_FALSE(encodeFile(quadrants(), dir.filePath("picture.xyz"), &error));
    EXPECT_TRUE(error.contains("XYZ"));
    EXPECT_FALSE(encodeFile(quadrants(), dir.filePath("picture"), &error));
    EXPECT_FALSE(encodeFile(QImage(), dir.filePath("picture.png"), &error));
    EXPECT_FALSE(encodeFile(quadrants(), dir.filePath("missing-folder/picture.png"), &error));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

TEST(CodecWriting, ReplacesAnExistingFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("replace.png");
    ASSERT_TRUE(encodeFile(quadrants({10, 10}), path));
    ASSERT_TRUE(encodeFile(quadrants({30, 20}), path));
    EXPECT_EQ(decodeFile(path).image.size(), QSize(30, 20));
}

TEST(CodecWriting, IconsLargerThanTheFormatAllowsAreScaledDown)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("big.ico");
    ASSERT_TRUE(encodeFile(quadrants({600, 300}), path));
    const DecodeResult r = decodeFile(path);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.image.size(), QSize(256, 128));
    EXPECT_TRUE(colorsMatch(r.image, kQuadrantProbes, 10));
}

// ---------------------------------------------------------------------------
// EXIF orientation.

class Orientation : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QFile::exists("/usr/bin/python3"))
            GTEST_SKIP() << "Pillow missing";
        // 40 x 20, blue in the 10 left columns, red elsewhere, tagged
        // orientation 6 (shown turned 90 degrees clockwise).
        const QString script = QStringLiteral(
            "import sys\nfrom PIL import Image\n"
            "im = Image.new('RGB', (400, 200), (255, 0, 0))\n"
            "im.paste((0, 0, 255), (0, 0, 100, 200))\n"
            "e = Image.Exif()\ne[0x0112] = 6\n"
            "im.save(sys.argv[1], exif=e.tobytes())\n");
        path = dir.filePath("turned.jpg");
        QString output;
        ASSERT_TRUE(runTool("/usr/bin/python3", {"-c", script, path}, &output)) << output.toStdString();
    }
    // Upright: 200 x 400 with the blue band along the top.
    ::testing::AssertionResult upright(const QImage &image, int tolerance = 40)
    {
        if (image.width() * 2 != image.height())
            return ::testing::AssertionFailure() << "size " << image.width() << "x" << image.height();
        return colorsMatch(image, {{0.5, 0.1, kBlue}, {0.5, 0.8, kRed}}, tolerance);
    }
    QTemporaryDir dir;
    QString path;
};

TEST_F(Orientation, JpegOrientationIsApplied)
{
    const DecodeResult r = decodeFile(path);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(r.image.size(), QSize(200, 400));
    EXPECT_TRUE(upright(r.image));
    EXPECT_EQ(readInfo(path).size, QSize(200, 400));
    EXPECT_EQ(readExifThumbnail(path).orientation, 6);
}

TEST_F(Orientation, ThumbnailIsUprightToo)
{
    const DecodeResult r = decodeThumbnail(path, {64, 64});
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(r.image.size(), QSize(32, 64));
    EXPECT_TRUE(upright(r.image));
}

TEST_F(Orientation, RewrittenPictureIsStoredUprightWithoutTag)
{
    const DecodeResult r = decodeFile(path);
    ASSERT_TRUE(r.ok());
    const QString again = dir.filePath("again.jpg");
    ASSERT_TRUE(encodeFile(r.image, again));
    EXPECT_EQ(readExifThumbnail(again).orientation, 1);
    const DecodeResult back = decodeFile(again);
    ASSERT_TRUE(back.ok());
    EXPECT_TRUE(upright(back.image, 60));
}

// ---------------------------------------------------------------------------
// Thumbnails and the embedded EXIF thumbnail.

TEST(CodecThumbnail, JpegThumbnailUsesScaledDecoding)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("large.jpg");
    ASSERT_TRUE(encodeFile(quadrants({1600, 1200}), path));
    const DecodeResult r = decodeThumbnail(path, {128, 128});
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.image.size(), QSize(128, 96));
    EXPECT_EQ(r.originalSize, QSize(1600, 1200));
    EXPECT_TRUE(colorsMatch(r.image, kQuadrantProbes, 40));
}

TEST(CodecThumbnail, SmallPicturesAreNotEnlarged)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("small.png");
    ASSERT_TRUE(encodeFile(quadrants({40, 30}), path));
    EXPECT_EQ(decodeThumbnail(path, {128, 128}).image.size(), QSize(40, 30));
}

TEST(CodecThumbnail, Jpeg2000ThumbnailUsesReducedResolution)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("large.jp2");
    ASSERT_TRUE(encodeFile(quadrants({1024, 768}), path));
    const DecodeResult r = decodeThumbnail(path, {100, 100});
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(r.image.size(), QSize(100, 75));
    EXPECT_EQ(r.originalSize, QSize(1024, 768));
    EXPECT_TRUE(colorsMatch(r.image, kQuadrantProbes, 10));
}

// Builds a JPEG whose APP1 EXIF block carries orientation and a thumbnail.
QByteArray jpegWithExifThumbnail(const QImage &main, const QImage &thumb, quint16 orientation)
{
    QByteArray mainJpeg, thumbJpeg;
    {
        QBuffer b(&mainJpeg);
        b.open(QIODevice::WriteOnly);
        main.save(&b, "JPEG");
    }
    {
        QBuffer b(&thumbJpeg);
        b.open(QIODevice::WriteOnly);
        thumb.save(&b, "JPEG");
    }
    auto entry = [](quint16 tag, quint16 type, quint32 count, quint32 value) {
        QByteArray e = le16(tag) + le16(type) + le32(count);
        e += type == 3 ? le16(quint16(value)) + le16(0) : le32(value);
        return e;
    };
    QByteArray tiff("II*\0", 4);
    tiff += le32(8);
    // IFD0 at 8: one entry (orientation), next IFD at 8 + 2 + 12 + 4 = 26.
    tiff += le16(1) + entry(0x0112, 3, 1, orientation) + le32(26);
    // IFD1 at 26: compression, offset, length; thumbnail after it.
    const quint32 thumbAt = 26 + 2 + 3 * 12 + 4;
    tiff += le16(3) + entry(0x0103, 3, 1, 6) + entry(0x0201, 4, 1, thumbAt)
            + entry(0x0202, 4, 1, quint32(thumbJpeg.size())) + le32(0);
    tiff += thumbJpeg;
    QByteArray app1 = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xFF\xE1", 2);
    QByteArray length(2, '\0');
    qToBigEndian<quint16>(quint16(app1.size() + 2), length.data());
    segment += length + app1;
    return mainJpeg.left(2) + segment + mainJpeg.mid(2);
}

TEST(CodecExif, EmbeddedThumbnailIsFound)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("camera.jpg");
    QImage thumb(160, 120, QImage::Format_RGB32);
    thumb.fill(kGreen);
    ASSERT_TRUE(writeBytes(path, jpegWithExifThumbnail(quadrants({640, 480}), thumb, 3)));
    const ExifThumbnail exif = readExifThumbnail(path);
    ASSERT_TRUE(exif.found());
    EXPECT_EQ(exif.orientation, 3);
    const QImage decoded = QImage::fromData(exif.jpeg, "JPEG");
    EXPECT_EQ(decoded.size(), QSize(160, 120));
    // The main picture still decodes, turned by 180 degrees.
    const DecodeResult r = decodeFile(path);
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(colorsMatch(r.image, {{0.75, 0.75, kRed}, {0.25, 0.25, kYellow}}, 40));
}

TEST(CodecExif, DamagedExifBlocksAreIgnored)
{
    QTemporaryDir dir;
    QImage thumb(160, 120, QImage::Format_RGB32);
    thumb.fill(kGreen);
    const QByteArray good = jpegWithExifThumbnail(quadrants({64, 48}), thumb, 6);
    const qsizetype tiffAt = good.indexOf("II*");
    ASSERT_GT(tiffAt, 0);
    const std::vector<std::pair<const char *, QByteArray>> cases = {
        {"IFD0 offset past the end", patched(good, tiffAt + 4, le32(0x7FFFFFF0))},
        {"IFD entry count too large", patched(good, tiffAt + 8, le16(0xFFFF))},
        {"thumbnail length past the end", patched(good, tiffAt + 26 + 2 + 24 + 8, le32(0x00FFFFFF))},
        {"IFD1 points back at IFD0", patched(good, tiffAt + 22, le32(8))},
        {"segment length cut short", patched(good, 4, QByteArray("\x00\x01", 2))},
    };
    for (const auto &[name, bytes] : cases) {
        SCOPED_TRACE(name);
        const QString path = dir.filePath("bad.jpg");
        ASSERT_TRUE(writeBytes(path, bytes));
        const ExifThumbnail exif = readExifThumbnail(path);
        if (exif.found())
            EXPECT_TRUE(exif.jpeg.startsWith("\xFF\xD8"));
    }
}

// ---------------------------------------------------------------------------
// Worker threads.

TEST(CodecThreads, ParallelDecodesAgree)
{
    QStringList paths;
    for (const ReadCase &c : kReadCases) {
        const QString p = Fixtures::get().file(c);
        if (!p.isEmpty())
            paths << p;
    }
    ASSERT_FALSE(paths.isEmpty());
    QStringList many;
    for (int i = 0; i < 6; ++i)
        many += paths;
    const QList<QSize> sizes = QtConcurrent::blockingMapped(many, [](const QString &p) {
        const DecodeResult r = (p.size() % 2) ? decodeFile(p) : decodeThumbnail(p, {16, 16});
        return r.ok() ? decodeFile(p).image.size() : QSize();
    });
    for (int i = 0; i < many.size(); ++i)
        EXPECT_EQ(sizes[i], decodeFile(many[i]).image.size()) << many[i].toStdString();
}

} // namespace
