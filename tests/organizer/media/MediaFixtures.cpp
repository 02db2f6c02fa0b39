#include "MediaFixtures.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <memory>
#include <mutex>

namespace orvane::media::test {

namespace {

const char *const kPicture =
    "testsrc=size=320x120:rate=25:duration=%1[t];"
    "color=c=red:s=160x120:r=25:d=%1[r];color=c=blue:s=160x120:r=25:d=%1[b];"
    "[r][b]hstack[rb];[t][rb]vstack,format=yuv420p";

void ffmpeg(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/ffmpeg"), QStringList{"-v", "error", "-y"} + args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        FAIL() << "ffmpeg failed: " << args.join(' ').toStdString() << "\n" << p.readAllStandardError().toStdString();
}

QStringList picture(double seconds)
{
    return {"-f", "lavfi", "-i", QString::fromLatin1(kPicture).arg(seconds)};
}

QStringList tone(double seconds)
{
    return {"-f", "lavfi", "-i", QStringLiteral("sine=frequency=440:sample_rate=44100:duration=%1").arg(seconds)};
}

void makeAll(const QString &dir)
{
    auto at = [&](const char *name) { return dir + '/' + QString::fromLatin1(name); };
    ffmpeg(tone(1) + QStringList{"-c:a", "pcm_s16le", at("tone.wav")});
    ffmpeg(tone(1) + QStringList{"-c:a", "libmp3lame", at("tone.mp3")});
    ffmpeg(tone(1) + QStringList{"-c:a", "wmav2", at("tone.wma")});
    const QStringList av = picture(1) + tone(1);
    ffmpeg(av + QStringList{"-c:v", "libx264", "-c:a", "aac", at("clip.mp4")});
    ffmpeg(av + QStringList{"-c:v", "libx264", "-c:a", "aac", at("clip.mov")});
    ffmpeg(av + QStringList{"-f", "mp4", "-c:v", "mpeg4", "-c:a", "aac", at("clip.m4v")});
    ffmpeg(av + QStringList{"-f", "mpeg", "-c:v", "mpeg1video", "-c:a", "mp2", at("clip.mpg")});
    ffmpeg(av + QStringList{"-c:v", "mpeg4", "-c:a", "libmp3lame", at("clip.avi")});
    ffmpeg(av + QStringList{"-c:v", "wmv2", "-c:a", "wmav2", at("clip.wmv")});
    ffmpeg(av + QStringList{"-c:v", "flv", "-c:a", "libmp3lame", at("clip.flv")});
    // Longer files for rate measurements, with and without sound.
    ffmpeg(picture(4) + tone(4) + QStringList{"-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac", at("long.mp4")});
    ffmpeg(picture(4) + QStringList{"-c:v", "libx264", "-preset", "ultrafast", at("silent.mp4")});
    ffmpeg(tone(4) + QStringList{"-c:a", "pcm_s16le", at("long.wav")});
    // Music with a cover picture.
    ffmpeg({"-f", "lavfi", "-i", "color=c=green:s=64x64", "-frames:v", "1", at("cover.png")});
    ffmpeg(tone(1) + QStringList{"-i", at("cover.png"), "-map", "0", "-map", "1", "-c:a", "libmp3lame", "-c:v", "mjpeg",
                                 "-id3v2_version", "3", "-disposition:v", "attached_pic", at("covered.mp3")});
    // Text subtitles.
    QFile srt(at("clip.srt"));
    if (srt.open(QIODevice::WriteOnly))
        srt.write("1\n00:00:00,000 --> 00:00:00,900\nHello subtitles\n\n");
    srt.close();
    ffmpeg(picture(1) + QStringList{"-i", at("clip.srt"), "-map", "0:v", "-map", "1:s", "-c:v", "libx264", "-preset",
                                    "ultrafast", "-c:s", "srt", at("subtitled.mkv")});
}

} // namespace

QString mediaDir()
{
    static std::unique_ptr<QTemporaryDir> dir;
    static std::once_flag once;
    std::call_once(once, [] {
        dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/orvane-media-XXXXXX");
        makeAll(dir->path());
    });
    return dir->path();
}

QString mediaFile(const QString &name)
{
    return mediaDir() + '/' + name;
}

bool waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
    return true;
}

void pump(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
}

} // namespace orvane::media::test
