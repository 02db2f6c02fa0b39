// orvane-tool media: describe or play a music/video file or stream.
#include "ToolCommands.h"
#include "organizer/media/MediaPlayer.h"

#include <QEventLoop>
#include <QSaveFile>
#include <QTimer>

using namespace orvane::media;
using orvane::tool::err;
using orvane::tool::out;

namespace {

int info(const QStringList &args)
{
    if (args.size() != 1) {
        err("usage: orvane-tool media info FILE");
        return 2;
    }
    MediaInfo mi;
    const MediaResult r = probeMedia(args.first(), &mi);
    if (!r) {
        err(r.message);
        return 1;
    }
    out(QStringLiteral("file: %1").arg(mi.url));
    out(QStringLiteral("format: %1").arg(mi.format));
    out(QStringLiteral("duration: %1 s").arg(mi.duration, 0, 'f', 3));
    if (mi.bitRate > 0)
        out(QStringLiteral("bit rate: %1 kbit/s").arg(mi.bitRate / 1000));
    for (const StreamInfo &s : mi.streams) {
        QString line = QStringLiteral("stream %1: %2 %3").arg(s.index).arg(s.kind, s.codec.isEmpty() ? QStringLiteral("(no decoder)") : s.codec);
        if (s.kind == QLatin1String("video"))
            line += QStringLiteral(" %1x%2 %3 fps").arg(s.width).arg(s.height).arg(s.frameRate, 0, 'f', 3);
        else if (s.kind == QLatin1String("audio"))
            line += QStringLiteral(" %1 Hz %2 channels").arg(s.sampleRate).arg(s.channels);
        if (!s.language.isEmpty())
            line += QStringLiteral(" [%1]").arg(s.language);
        out(line);
    }
    return 0;
}

bool writePng(const QImage &image, const QString &path)
{
    QSaveFile file(path); // written beside the target, then renamed over it
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (!image.save(&file, "PNG")) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

int play(QStringList args)
{
    QString file, grab, speed = QStringLiteral("normal");
    double seconds = 5;
    while (!args.isEmpty()) {
        const QString a = args.takeFirst();
        if (a == QLatin1String("--seconds") && !args.isEmpty()) {
            bool ok = false;
            seconds = args.takeFirst().toDouble(&ok);
            if (!ok || seconds < 0) {
                err("media play: --seconds needs a number of seconds");
                return 2;
            }
        } else if (a == QLatin1String("--speed") && !args.isEmpty()) {
            speed = args.takeFirst();
        } else if (a == QLatin1String("--grab") && !args.isEmpty()) {
            grab = args.takeFirst();
        } else if (file.isEmpty() && !a.startsWith(QLatin1String("--"))) {
            file = a;
        } else {
            err("media play: unexpected argument " + a);
            return 2;
        }
    }
    if (file.isEmpty()) {
        err("usage: orvane-tool media play FILE --seconds N [--speed half|double] [--grab OUT.png]");
        return 2;
    }
    QString vf = QStringLiteral("setpts=1.0*PTS"), af = QStringLiteral("atempo=1.0");
    if (speed == QLatin1String("half")) {
        vf = QStringLiteral("setpts=2.0*PTS");
        af = QStringLiteral("atempo=0.5");
    } else if (speed == QLatin1String("double")) {
        vf = QStringLiteral("setpts=0.5*PTS");
        af = QStringLiteral("atempo=2.0");
    } else if (speed != QLatin1String("normal")) {
        err("media play: --speed is half, double or normal");
        return 2;
    }

    MediaPlayer player;
    player.setVideoFilters(vf);
    player.setAudioFilters(af);
    const MediaResult r = player.open(file);
    if (!r) {
        err(r.message);
        return 1;
    }
    out(QStringLiteral("playing %1 (%2 s) at %3 speed").arg(file).arg(player.duration(), 0, 'f', 3).arg(speed));
    QEventLoop loop;
    QObject::connect(&player, &MediaPlayer::finished, &loop, &QEventLoop::quit);
    QTimer stop;
    stop.setSingleShot(true);
    QObject::connect(&stop, &QTimer::timeout, &loop, &QEventLoop::quit);
    stop.start(int(seconds * 1000));
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { out(QStringLiteral("position %1 s").arg(player.position(), 0, 'f', 3)); });
    tick.start(1000);
    loop.exec();

    const PlaybackStatistics st = player.statistics();
    out(QStringLiteral("position %1 s, %2 pictures shown, %3 dropped, largest audio/video drift %4 ms%5")
            .arg(player.position(), 0, 'f', 3).arg(st.framesShown).arg(st.framesDropped)
            .arg(st.maxDrift * 1000, 0, 'f', 1)
            .arg(st.audioOutput.isEmpty() ? QString() : QStringLiteral(", sound to ") + st.audioOutput));
    if (!grab.isEmpty()) {
        const QImage frame = player.currentFrame();
        if (frame.isNull()) {
            err("media play: no picture to grab");
            return 1;
        }
        if (!writePng(frame, grab)) {
            err("media play: cannot write " + grab);
            return 1;
        }
        out(QStringLiteral("picture %1x%2 written to %3").arg(frame.width()).arg(frame.height()).arg(grab));
    }
    return 0;
}

int run(const QStringList &args)
{
    if (args.isEmpty()) {
        err("usage: orvane-tool media info FILE | media play FILE --seconds N [--speed half|double] [--grab OUT.png]");
        return 2;
    }
    const QString sub = args.first();
    if (sub == QLatin1String("info"))
        return info(args.mid(1));
    if (sub == QLatin1String("play"))
        return play(args.mid(1));
    err("media: unknown sub-command " + sub);
    return 2;
}

const bool registered = orvane::tool::registerCommand(
    {QStringLiteral("media"),
     QStringLiteral("media info FILE | media play FILE --seconds N [--speed half|double] [--grab OUT.png]"),
     &run});

} // namespace
