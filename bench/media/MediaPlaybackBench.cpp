// Playback cost of the media player against ffmpeg itself.
//
//   media_bench [--display WxH] [--seconds N]
//
// Reference: `ffmpeg -re -i FILE -f null -` (decodes video and sound in real
// time, shows nothing). Player: the same file at normal speed, every picture
// converted to RGB32 for display (at the source size unless --display is
// given). Prints both CPU times, their ratio and the largest drift between
// the picture shown and the audio clock.
#include "organizer/media/MediaPlayer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <sys/resource.h>
#include <cstdio>

using namespace orvane::media;

namespace {

double cpuSeconds(int who)
{
    rusage u{};
    getrusage(who, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

QString benchFile()
{
    const QString dir = qEnvironmentVariable("ORVANE_BENCH_DATA", QStringLiteral(ORVANE_BENCH_DATA_DIR));
    QDir().mkpath(dir);
    const QString file = dir + QStringLiteral("/media-1080p-30s.mp4");
    if (QFileInfo(file).size() > 1000000)
        return file;
    std::printf("making %s (once) ...\n", qPrintable(file));
    std::fflush(stdout);
    const QString partial = file + QStringLiteral(".part.mp4");
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QStringLiteral("/usr/bin/ffmpeg"),
            {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc2=size=1920x1080:rate=30:duration=30",
             "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000:duration=30",
             "-c:v", "libx264", "-preset", "veryfast", "-b:v", "12M", "-maxrate", "12M", "-bufsize", "24M",
             "-pix_fmt", "yuv420p", "-c:a", "aac", "-b:a", "128k", partial});
    if (!p.waitForFinished(-1) || p.exitCode() != 0 || !QFile::rename(partial, file)) {
        QFile::remove(partial);
        return QString();
    }
    return file;
}

struct Run {
    double cpu = 0;
    double wall = 0;
};

Run runFfmpeg(const QString &file)
{
    QElapsedTimer wall;
    wall.start();
    const double before = cpuSeconds(RUSAGE_CHILDREN);
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QStringLiteral("/usr/bin/ffmpeg"), {"-v", "error", "-re", "-i", file, "-f", "null", "-"});
    p.waitForFinished(-1);
    return {cpuSeconds(RUSAGE_CHILDREN) - before, wall.elapsed() / 1000.0};
}

Run runPlayer(const QString &file, const QSize &display, double seconds, PlaybackStatistics *stats)
{
    MediaPlayer player;
    player.setDisplaySize(display);
    qint64 pictures = 0;
    // Take each picture as the video view would.
    QObject::connect(&player, &MediaPlayer::frameChanged, [&] { pictures += !player.currentFrame().isNull(); });
    QEventLoop loop;
    QObject::connect(&player, &MediaPlayer::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    QElapsedTimer wall;
    wall.start();
    const double before = cpuSeconds(RUSAGE_SELF);
    const MediaResult r = player.open(file);
    if (!r) {
        std::fprintf(stderr, "open failed: %s\n", qPrintable(r.message));
        return {};
    }
    loop.exec();
    *stats = player.statistics();
    player.close();
    Run run{cpuSeconds(RUSAGE_SELF) - before, wall.elapsed() / 1000.0};
    std::printf("  pictures taken by the view side: %lld\n", static_cast<long long>(pictures));
    return run;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QSize display; // source size
    double seconds = 40;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--display")) {
            const QStringList wh = args[i + 1].split('x');
            if (wh.size() == 2)
                display = QSize(wh[0].toInt(), wh[1].toInt());
        } else if (args[i] == QLatin1String("--seconds")) {
            seconds = args[i + 1].toDouble();
        }
    }
    const QString file = benchFile();
    if (file.isEmpty()) {
        std::fprintf(stderr, "could not make the benchmark file\n");
        return 1;
    }
    std::printf("media playback, %s, pictures converted at %s\n", qPrintable(file),
                display.isValid() ? qPrintable(QStringLiteral("%1x%2").arg(display.width()).arg(display.height())) : "source size");
    const Run ref = runFfmpeg(file);
    std::printf("  ffmpeg -re -f null : %.2f s CPU in %.1f s\n", ref.cpu, ref.wall);
    PlaybackStatistics stats;
    const Run player = runPlayer(file, display, seconds, &stats);
    std::printf("  player             : %.2f s CPU in %.1f s (%lld pictures shown, %lld dropped, sound to %s)\n",
                player.cpu, player.wall, static_cast<long long>(stats.framesShown),
                static_cast<long long>(stats.framesDropped), qPrintable(stats.audioOutput));
    const double ratio = ref.cpu > 0 ? player.cpu / ref.cpu : 0;
    std::printf("  CPU ratio player/ffmpeg: %.2f (target <= 1.5)\n", ratio);
    std::printf("  largest audio/video drift: %.1f ms at %.2f s (target < 40)\n", stats.maxDrift * 1000, stats.maxDriftAt);
    return 0;
}
