// Opening an input and describing its streams, shared by the player and probeMedia().
#include "PlaybackSession.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace orvane::media::detail {

bool isUrl(const QString &s)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+://"));
    return scheme.match(s).hasMatch();
}

namespace {

// Demuxers that take any text or byte soup for a picture (ANSI art and the
// like): a text file with a media extension is no media file.
bool isPseudoMedia(const AVInputFormat *format)
{
    static const char *const names[] = {"tty", "bin", "xbin", "adf", "idf", "data"};
    for (const char *n : names)
        if (qstrcmp(format->name, n) == 0)
            return true;
    return false;
}

QString mediaKind(AVMediaType type)
{
    switch (type) {
    case AVMEDIA_TYPE_VIDEO: return QStringLiteral("video");
    case AVMEDIA_TYPE_AUDIO: return QStringLiteral("audio");
    case AVMEDIA_TYPE_SUBTITLE: return QStringLiteral("subtitle");
    case AVMEDIA_TYPE_ATTACHMENT: return QStringLiteral("attachment");
    default: return QStringLiteral("data");
    }
}

} // namespace

MediaResult openInput(const QString &url, const QStringList &options, AVIOInterruptCB interrupt, FormatContextPtr &out)
{
    out.reset();
    if (url.trimmed().isEmpty())
        return MediaResult::failure(MediaStatus::FileNotFound, QStringLiteral("No file name given"));
    QByteArray location;
    if (isUrl(url)) {
        location = url.toUtf8();
    } else {
        const QFileInfo fi(url);
        if (!fi.exists())
            return MediaResult::failure(MediaStatus::FileNotFound, QStringLiteral("File not found: %1").arg(url));
        if (!fi.isFile() || !fi.isReadable())
            return MediaResult::failure(MediaStatus::FileNotFound, QStringLiteral("Cannot read file: %1").arg(url));
        if (fi.size() == 0)
            return MediaResult::failure(MediaStatus::NotMediaFile, QStringLiteral("The file is empty: %1").arg(url));
        // The "file:" prefix keeps a colon in the name from reading as a protocol.
        location = "file:" + QFile::encodeName(fi.absoluteFilePath());
    }

    Dictionary dict;
    for (const QString &raw : options) {
        const QString line = raw.trimmed();
        if (line.isEmpty())
            continue;
        const int eq = line.indexOf(u'=');
        if (eq <= 0)
            return MediaResult::failure(MediaStatus::BadOption, QStringLiteral("Option is not key=value: %1").arg(line));
        av_dict_set(&dict.dict, line.left(eq).trimmed().toUtf8().constData(), line.mid(eq + 1).trimmed().toUtf8().constData(), 0);
    }

    AVFormatContext *raw = avformat_alloc_context();
    if (!raw)
        throw std::bad_alloc();
    raw->interrupt_callback = interrupt;
    int ret = avformat_open_input(&raw, location.constData(), nullptr, &dict.dict);
    if (ret < 0) {
        const QString why = errorText(ret);
        if (ret == AVERROR(ENOENT))
            return MediaResult::failure(MediaStatus::FileNotFound, QStringLiteral("File not found: %1").arg(url));
        if (ret == AVERROR(EACCES))
            return MediaResult::failure(MediaStatus::FileNotFound, QStringLiteral("Cannot read file: %1").arg(url));
        if (ret == AVERROR_EXIT)
            return MediaResult::failure(MediaStatus::OpenFailed, QStringLiteral("Opening was cancelled or timed out: %1").arg(url));
        // A local file that was found and readable but no demuxer accepts.
        if (ret == AVERROR_INVALIDDATA || !isUrl(url))
            return MediaResult::failure(MediaStatus::NotMediaFile, QStringLiteral("Not a media file: %1 (%2)").arg(url, why));
        return MediaResult::failure(MediaStatus::OpenFailed, QStringLiteral("Cannot open %1: %2").arg(url, why));
    }
    out.reset(raw);
    if (isPseudoMedia(out->iformat)) {
        out.reset();
        return MediaResult::failure(MediaStatus::NotMediaFile, QStringLiteral("Not a media file: %1").arg(url));
    }
    ret = avformat_find_stream_info(out.get(), nullptr);
    if (ret < 0) {
        out.reset();
        if (ret == AVERROR_EXIT)
            return MediaResult::failure(MediaStatus::OpenFailed, QStringLiteral("Opening was cancelled or timed out: %1").arg(url));
        return MediaResult::failure(MediaStatus::NotMediaFile, QStringLiteral("Not a media file (no stream information): %1").arg(url));
    }
    bool anyAv = false;
    for (unsigned i = 0; i < out->nb_streams; ++i) {
        const AVCodecParameters *par = out->streams[i]->codecpar;
        if (par->codec_type == AVMEDIA_TYPE_AUDIO || par->codec_type == AVMEDIA_TYPE_VIDEO)
            anyAv = true;
    }
    if (!anyAv) {
        out.reset();
        return MediaResult::failure(MediaStatus::NotMediaFile, QStringLiteral("Not a media file (no sound or picture): %1").arg(url));
    }
    return MediaResult::success();
}

MediaInfo describeInput(const QString &url, AVFormatContext *ic)
{
    MediaInfo info;
    info.url = url;
    info.format = QString::fromUtf8(ic->iformat->long_name ? ic->iformat->long_name : ic->iformat->name);
    info.bitRate = ic->bit_rate;
    if (ic->duration != AV_NOPTS_VALUE && ic->duration > 0)
        info.duration = double(ic->duration) / AV_TIME_BASE;
    for (unsigned i = 0; i < ic->nb_streams; ++i) {
        const AVStream *st = ic->streams[i];
        const AVCodecParameters *par = st->codecpar;
        StreamInfo s;
        s.index = int(i);
        s.kind = mediaKind(par->codec_type);
        if (const AVCodec *codec = avcodec_find_decoder(par->codec_id))
            s.codec = QString::fromLatin1(codec->name);
        else
            s.codec.clear();
        if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
            s.width = par->width;
            s.height = par->height;
            const AVRational fr = av_guess_frame_rate(const_cast<AVFormatContext *>(ic), const_cast<AVStream *>(st), nullptr);
            s.frameRate = fr.num > 0 && fr.den > 0 ? av_q2d(fr) : 0;
        } else if (par->codec_type == AVMEDIA_TYPE_AUDIO) {
            s.sampleRate = par->sample_rate;
            s.channels = par->ch_layout.nb_channels;
        }
        if (const AVDictionaryEntry *lang = av_dict_get(st->metadata, "language", nullptr, 0))
            s.language = QString::fromUtf8(lang->value);
        info.streams.append(s);
    }
    if (info.duration <= 0) {
        for (unsigned i = 0; i < ic->nb_streams; ++i) {
            const AVStream *st = ic->streams[i];
            if (st->duration != AV_NOPTS_VALUE && st->duration > 0)
                info.duration = std::max(info.duration, double(st->duration) * av_q2d(st->time_base));
        }
    }
    return info;
}

} // namespace orvane::media::detail
