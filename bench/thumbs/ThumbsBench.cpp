// Thumbnail listing of a folder of 200 JPEG photos of 12 megapixels,
// measured against decoding the same files fully with QImageReader on one
// thread (the way the folder would be listed without the thumbnail engine).
//
// Prints: time to the first thumbnail, time to all thumbnails (cold cache),
// time of a second listing (warm cache), peak memory of the listing, each as
// a ratio to the reference where it applies.
//
// The photos are generated once into the build folder (10 distinct pictures,
// hard-linked under 200 names to keep the disk use small).
#include "browse/thumbs/ThumbnailLoader.h"
#include "edit/codec/Codec.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

using namespace orvane;

namespace {

constexpr int kFiles = 200;
constexpr int kDistinct = 10;
constexpr QSize kPhotoSize(4000, 3000);

// A photo-like picture: soft coloured light, shapes, and sensor-like noise,
// so the JPEG has the size and entropy of a real photo.
QImage photo(int seed)
{
    QRandomGenerator rng(quint32(seed) * 7919u + 17u);
    QImage image(kPhotoSize, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, kPhotoSize.height());
    sky.setColorAt(0, QColor::fromHsv(rng.bounded(360), 120, 230));
    sky.setColorAt(1, QColor::fromHsv(rng.bounded(360), 160, 90));
    p.fillRect(image.rect(), sky);
    for (int i = 0; i < 40; ++i) {
        const QPointF c(rng.bounded(kPhotoSize.width()), rng.bounded(kPhotoSize.height()));
        const qreal r = 100 + rng.bounded(700);
        QRadialGradient g(c, r);
        g.setColorAt(0, QColor::fromHsv(rng.bounded(360), 80 + rng.bounded(150), 80 + rng.bounded(170), 200));
        g.setColorAt(1, QColor(0, 0, 0, 0));
        p.setBrush(g);
        p.setPen(Qt::NoPen);
        p.drawEllipse(c, r, r * (0.5 + rng.bounded(1.0)));
    }
    p.end();
    // Noise: a cheap generator per row keeps this under a second per photo.
    quint32 state = quint32(seed) * 2654435761u + 1u;
    for (int y = 0; y < image.height(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            state = state * 1664525u + 1013904223u;
            const int n = int((state >> 24) & 31) - 16;
            const QRgb v = line[x];
            line[x] = qRgb(qBound(0, qRed(v) + n, 255), qBound(0, qGreen(v) + n, 255), qBound(0, qBlue(v) + n, 255));
        }
    }
    return image;
}

QStringList photos(const QString &folder)
{
    QDir().mkpath(folder);
    QStringList paths;
    for (int i = 0; i < kFiles; ++i)
        paths << QStringLiteral("%1/photo%2.jpg").arg(folder).arg(i, 3, 10, QLatin1Char('0'));
    bool complete = true;
    for (const QString &p : paths)
        complete = complete && QFile::exists(p);
    if (complete)
        return paths;
    std::printf("generating %d photos of %dx%d in %s ...\n", kFiles, kPhotoSize.width(), kPhotoSize.height(),
                qPrintable(folder));
    std::fflush(stdout);
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < kDistinct; ++i) {
        QString error;
        if (!codec::encodeFile(photo(i), paths[i], &error)) {
            std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(paths[i]), qPrintable(error));
            return {};
        }
    }
    for (int i = kDistinct; i < kFiles; ++i) {
        QFile::remove(paths[i]);
        const QString source = paths[i % kDistinct];
        if (::link(QFile::encodeName(source).constData(), QFile::encodeName(paths[i]).constData()) != 0)
            QFile::copy(source, paths[i]);
    }
    std::printf("generated in %.1f s\n", t.elapsed() / 1000.0);
    return paths;
}

// CPU time of the whole process (all threads), in ms: on a machine shared
// with other work the wall clock of each phase depends on the load, its CPU
// time does not.
double cpuMs()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec * 1e3 + usage.ru_utime.tv_usec / 1e3 + usage.ru_stime.tv_sec * 1e3
           + usage.ru_stime.tv_usec / 1e3;
}

double loadAverage()
{
    QFile f("/proc/loadavg");
    return f.open(QIODevice::ReadOnly) ? f.readAll().split(' ').first().toDouble() : -1;
}

long statusKb(const char *field)
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// Resets the kernel's peak resident size, so the peak of one phase can be read.
void resetPeakMemory()
{
    QFile clear("/proc/self/clear_refs");
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

struct Listing {
    double firstMs = 0;
    double allMs = 0;
    double cpuMs = 0;
    int ok = 0;
    int fromCache = 0;
    long peakKb = 0;      // above the resident size at the start
    long processPeakKb = 0;
};

Listing listFolder(const QStringList &paths)
{
    Listing result;
    thumbs::ThumbnailLoader loader;
    QElapsedTimer clock;
    QObject::connect(&loader, &thumbs::ThumbnailLoader::thumbnailReady, [&](const thumbs::ThumbResult &r) {
        if (r.index == 0)
            result.firstMs = clock.nsecsElapsed() / 1e6;
        result.ok += r.ok() ? 1 : 0;
        result.fromCache += r.source == thumbs::Source::Cache ? 1 : 0;
    });
    resetPeakMemory();
    const long before = statusKb("VmRSS:");
    const double cpuBefore = cpuMs();
    clock.start();
    loader.load(paths);
    loader.waitForFinished(600000);
    result.allMs = clock.nsecsElapsed() / 1e6;
    result.cpuMs = cpuMs() - cpuBefore;
    result.processPeakKb = statusKb("VmHWM:");
    result.peakKb = result.processPeakKb - before;
    return result;
}

double referenceFullDecode(const QStringList &paths, long *peakKb, double *cpu)
{
    resetPeakMemory();
    const double cpuBefore = cpuMs();
    const long before = statusKb("VmRSS:");
    QElapsedTimer clock;
    clock.start();
    for (const QString &p : paths) {
        QImageReader reader(p);
        const QImage image = reader.read();
        if (image.isNull())
            std::fprintf(stderr, "reference decode failed: %s\n", qPrintable(p));
    }
    const double ms = clock.nsecsElapsed() / 1e6;
    *cpu = cpuMs() - cpuBefore;
    *peakKb = statusKb("VmHWM:") - before;
    return ms;
}

const char *verdict(bool ok)
{
    return ok ? "ok" : "MISSED";
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString data = QString::fromUtf8(ORVANE_BENCH_DATA_DIR) + "/thumbs-12mp";
    const QStringList paths = photos(data);
    if (paths.isEmpty())
        return 1;
    // A private, empty thumbnail cache: never the user's own.
    QTemporaryDir cacheHome(QString::fromUtf8(ORVANE_BENCH_DATA_DIR) + "/thumbs-cache-XXXXXX");
    qputenv("XDG_CACHE_HOME", cacheHome.path().toUtf8());

    // Touch every file once so both sides read from the page cache.
    for (const QString &p : paths) {
        QFile f(p);
        if (f.open(QIODevice::ReadOnly))
            f.readAll();
    }

    const Listing cold = listFolder(paths);
    const Listing warm = listFolder(paths);
    long refPeakKb = 0;
    double refCpuMs = 0;
    const double refMs = referenceFullDecode(paths, &refPeakKb, &refCpuMs);
    const int threads = QThread::idealThreadCount();

    std::printf("\nthumbnail listing of %d JPEG photos, %dx%d, %d worker threads, load average %.1f\n", kFiles,
                kPhotoSize.width(), kPhotoSize.height(), threads, loadAverage());
    std::printf("  reference: full QImageReader decode, one thread  wall %7.0f ms  cpu %7.0f ms (%.1f ms cpu per photo)\n",
                refMs, refCpuMs, refCpuMs / kFiles);
    std::printf("  first thumbnail                                  wall %7.1f ms  ratio %.4f   target <= 300 ms: %s\n",
                cold.firstMs, cold.firstMs / refMs, verdict(cold.firstMs <= 300));
    std::printf("  all thumbnails, empty cache                      wall %7.0f ms  ratio %.3f    target <= 0.3: %s\n",
                cold.allMs, cold.allMs / refMs, verdict(cold.allMs / refMs <= 0.3));
    std::printf("                                                   cpu  %7.0f ms  ratio %.3f    (cpu / %d threads: %.3f)\n",
                cold.cpuMs, cold.cpuMs / refCpuMs, threads, cold.cpuMs / refCpuMs / threads);
    std::printf("  all thumbnails, second listing (cache)           wall %7.0f ms  ratio %.4f   target <= 0.05: %s\n",
                warm.allMs, warm.allMs / refMs, verdict(warm.allMs / refMs <= 0.05));
    std::printf("                                                   cpu  %7.0f ms  ratio %.4f\n", warm.cpuMs,
                warm.cpuMs / refCpuMs);
    std::printf("  peak memory of the listing                     +%7ld MB (process peak %ld MB; reference +%ld MB)  "
                "target < 100 MB: %s\n",
                cold.peakKb / 1024, cold.processPeakKb / 1024, refPeakKb / 1024,
                verdict(cold.processPeakKb < 100 * 1024));
    std::printf("  thumbnails made %d/%d, second listing from cache %d/%d\n", cold.ok, kFiles, warm.fromCache,
                kFiles);
    return cold.ok == kFiles && warm.fromCache == kFiles ? 0 : 1;
}
