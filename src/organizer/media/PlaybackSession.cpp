#include "PlaybackSession.h"

#include <QFileInfo>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QRegularExpression>

#include <cmath>
#include <optional>

namespace orvane::media::detail {

namespace {

constexpr size_t kMaxQueuedBytes = 15 * 1024 * 1024;
constexpr double kNoSyncThreshold = 10.0; // larger gaps are timestamp jumps, not lateness
constexpr double kOpenTimeout = 20.0;

bool isUrl(const QString &s)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+://"));
    return scheme.match(s).hasMatch();
}

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

// Plain text of an ASS event line: the text field without override blocks.
QString assText(const char *ass)
{
    QString line = QString::fromUtf8(ass);
    int commas = 0;
    int i = 0;
    for (; i < line.size() && commas < 8; ++i)
        if (line[i] == u',')
            ++commas;
    QString text = commas == 8 ? line.mid(i) : line;
    static const QRegularExpression overrides(QStringLiteral("\\{[^}]*\\}"));
    text.remove(overrides);
    text.replace(QLatin1String("\\N"), QLatin1String("\n")).replace(QLatin1String("\\n"), QLatin1String("\n"));
    text.replace(QLatin1String("\\h"), QLatin1String(" "));
    return text.trimmed();
}

} // namespace

// A decoder fed by one packet queue; follows serials and flushes itself
// whenever a new segment starts.
class Decoder {
public:
    // `onFirstPacket` receives a segment's first packet time (source seconds).
    using FirstPacket = std::function<void(int serial, double dropBefore, double time)>;
    Decoder(AVCodecContext *ctx, PacketQueue &queue, double startTime = 0, FirstPacket onFirstPacket = {})
        : ctx_(ctx), queue_(queue), startTime_(startTime), onFirstPacket_(std::move(onFirstPacket)) {}

    // 1: a frame; 0: end of this segment's stream; -1: aborted.
    int receive(AVFrame *frame)
    {
        for (;;) {
            if (queue_.serial() == serial_) {
                const int ret = avcodec_receive_frame(ctx_, frame);
                if (ret >= 0)
                    return 1;
                if (ret == AVERROR_EOF) {
                    avcodec_flush_buffers(ctx_);
                    return 0;
                }
                // EAGAIN or a decoding error: feed more input.
            }
            QueuedPacket item;
            for (;;) {
                if (pending_) {
                    item = std::move(*pending_);
                    pending_.reset();
                } else if (!queue_.get(item)) {
                    return -1;
                }
                if (item.serial != serial_) {
                    avcodec_flush_buffers(ctx_);
                    serial_ = item.serial;
                    dropBefore_ = item.dropBefore;
                    firstPacketSeen_ = false;
                }
                if (item.serial == queue_.serial())
                    break;
            }
            if (!firstPacketSeen_ && item.packet) {
                const int64_t ts = item.packet->pts != AV_NOPTS_VALUE ? item.packet->pts : item.packet->dts;
                if (ts != AV_NOPTS_VALUE) {
                    firstPacketSeen_ = true;
                    if (onFirstPacket_)
                        onFirstPacket_(serial_, dropBefore_, double(ts) * av_q2d(ctx_->pkt_timebase) - startTime_);
                }
            }
            const int ret = avcodec_send_packet(ctx_, item.packet.get());
            if (ret == AVERROR(EAGAIN))
                pending_ = std::move(item);
            // Other errors: a damaged packet; skip it.
        }
    }
    int serial() const { return serial_; }
    double dropBefore() const { return dropBefore_; }

private:
    AVCodecContext *ctx_;
    PacketQueue &queue_;
    std::optional<QueuedPacket> pending_;
    double startTime_;
    FirstPacket onFirstPacket_;
    int serial_ = -1;
    double dropBefore_ = 0;
    bool firstPacketSeen_ = false;
};

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

PlaybackSession::PlaybackSession(SessionConfig config, SessionCallbacks callbacks)
    : config_(std::move(config)),
      callbacks_(std::move(callbacks)),
      videoQueue_([this] { readWake_.notify(); }),
      audioQueue_([this] { readWake_.notify(); }),
      subtitleQueue_([this] { readWake_.notify(); }),
      pictures_(3, [this] { presentWake_.notify(); }),
      samples_(9)
{
    volume_ = float(std::clamp(config_.settings.volume, 0.0, 1.0));
    videoFilter_ = {config_.videoFilter, config_.videoScale, 0};
    audioFilter_ = {config_.audioFilter, config_.audioScale, 0};
    displaySize_ = config_.displaySize;
}

PlaybackSession::~PlaybackSession()
{
    stop();
}

int PlaybackSession::interruptCallback(void *opaque)
{
    auto *self = static_cast<PlaybackSession *>(opaque);
    if (self->abort_)
        return 1;
    const double deadline = self->openDeadline_;
    return deadline > 0 && Clock::now() > deadline ? 1 : 0;
}

void PlaybackSession::stop()
{
    abort_ = true;
    videoQueue_.abort();
    audioQueue_.abort();
    subtitleQueue_.abort();
    pictures_.abort();
    samples_.abort();
    readWake_.notify();
    presentWake_.notify();
    audio_.close();
    for (std::thread &t : threads_)
        if (t.joinable())
            t.join();
    threads_.clear();
}

bool PlaybackSession::openDecoder(int index, CodecContextPtr &ctx, QString *error)
{
    AVStream *st = ic_->streams[index];
    const AVCodec *codec = avcodec_find_decoder(st->codecpar->codec_id);
    if (!codec) {
        *error = QStringLiteral("No decoder for codec %1").arg(QString::fromLatin1(avcodec_get_name(st->codecpar->codec_id)));
        return false;
    }
    ctx.reset(avcodec_alloc_context3(codec));
    if (!ctx)
        throw std::bad_alloc();
    int ret = avcodec_parameters_to_context(ctx.get(), st->codecpar);
    if (ret >= 0) {
        ctx->pkt_timebase = st->time_base;
        Dictionary opts;
        if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
            av_dict_set(&opts.dict, "threads", "auto", 0);
        ret = avcodec_open2(ctx.get(), codec, &opts.dict);
    }
    if (ret < 0) {
        *error = QStringLiteral("Cannot open decoder %1: %2").arg(QString::fromLatin1(codec->name), errorText(ret));
        ctx.reset();
        return false;
    }
    return true;
}

MediaResult PlaybackSession::open(const QString &url)
{
    openDeadline_ = isUrl(url) ? Clock::now() + kOpenTimeout : 0.0;
    const AVIOInterruptCB interrupt{&PlaybackSession::interruptCallback, this};
    MediaResult result = openInput(url, config_.options, interrupt, ic_);
    openDeadline_ = 0.0;
    if (!result)
        return result;
    info_ = describeInput(url, ic_.get());

    const PlayerSettings &s = config_.settings;
    QStringList problems;
    if (s.videoEnabled) {
        const int v = av_find_best_stream(ic_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        QString why;
        if (v >= 0 && openDecoder(v, videoCtx_, &why)) {
            videoIndex_ = v;
            attachedPicture_ = (ic_->streams[v]->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0;
        } else if (v >= 0) {
            problems << why;
        }
    }
    if (s.audioEnabled) {
        const int a = av_find_best_stream(ic_.get(), AVMEDIA_TYPE_AUDIO, -1, videoIndex_, nullptr, 0);
        QString why;
        if (a >= 0 && openDecoder(a, audioCtx_, &why))
            audioIndex_ = a;
        else if (a >= 0)
            problems << why;
    }
    if (s.subtitlesEnabled && (videoIndex_ >= 0)) {
        const int t = av_find_best_stream(ic_.get(), AVMEDIA_TYPE_SUBTITLE, -1, videoIndex_ >= 0 ? videoIndex_ : audioIndex_, nullptr, 0);
        QString why;
        if (t >= 0 && openDecoder(t, subtitleCtx_, &why))
            subtitleIndex_ = t;
    }
    if (videoIndex_ < 0 && audioIndex_ < 0) {
        ic_.reset();
        if (!problems.isEmpty())
            return MediaResult::failure(MediaStatus::UnsupportedCodec, problems.join(QStringLiteral("; ")) + QStringLiteral(": ") + url);
        return MediaResult::failure(MediaStatus::NotMediaFile, QStringLiteral("Nothing to play in %1").arg(url));
    }
    for (unsigned i = 0; i < ic_->nb_streams; ++i)
        if (int(i) != videoIndex_ && int(i) != audioIndex_ && int(i) != subtitleIndex_)
            ic_->streams[i]->discard = AVDISCARD_ALL;

    startTime_ = ic_->start_time != AV_NOPTS_VALUE ? double(ic_->start_time) / AV_TIME_BASE : 0.0;
    duration_ = info_.duration;
    durationEstimated_ = ic_->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE;

    const int serial = serial_;
    videoQueue_.start(serial, 0);
    audioQueue_.start(serial, 0);
    subtitleQueue_.start(serial, 0);
    externalClock_.set(0, serial);
    externalClock_.setSpeed(videoFilter_.scale);

    if (audioIndex_ >= 0) {
        const AVCodecParameters *par = ic_->streams[audioIndex_]->codecpar;
        audio_.open(par->sample_rate, par->ch_layout.nb_channels == 1 ? 1 : 2, [this](uint8_t *d, int n) { fillAudio(d, n); });
        stats_.audioOutput = audio_.description();
    }

    threads_.emplace_back([this] { readLoop(); });
    if (videoIndex_ >= 0) {
        threads_.emplace_back([this] { videoLoop(); });
        threads_.emplace_back([this] { presentLoop(); });
    }
    if (audioIndex_ >= 0)
        threads_.emplace_back([this] { audioLoop(); });
    if (subtitleIndex_ >= 0)
        threads_.emplace_back([this] { subtitleLoop(); });
    if (audioIndex_ >= 0)
        audio_.start();
    return MediaResult::success();
}

// ---- control (caller's thread) ----

void PlaybackSession::play()
{
    if (ended_) {
        paused_ = false;
        audioClock_.setPaused(false);
        externalClock_.setPaused(false);
        seek(0);
        return;
    }
    paused_ = false;
    audioClock_.setPaused(false);
    externalClock_.setPaused(false);
    readWake_.notify();
    presentWake_.notify();
}

void PlaybackSession::pause()
{
    paused_ = true;
    audioClock_.setPaused(true);
    externalClock_.setPaused(true);
    readWake_.notify();
    presentWake_.notify();
}

void PlaybackSession::seek(double seconds)
{
    if (!std::isfinite(seconds))
        return;
    double target = std::max(0.0, seconds);
    if (duration_ > 0 && !durationEstimated_)
        target = std::min(target, duration_);
    {
        std::lock_guard lock(controlMutex_);
        seekPending_ = true;
        seekTarget_ = target;
        seekBackoff_ = 0;
    }
    readWake_.notify();
}

void PlaybackSession::seekEarlier(int serial)
{
    {
        std::lock_guard lock(controlMutex_);
        if (serial != serial_ || seekPending_ || lastTarget_ - lastBackoff_ <= 0)
            return;
        seekPending_ = true;
        seekTarget_ = lastTarget_;
        seekBackoff_ = std::max(1.0, 2 * lastBackoff_);
    }
    readWake_.notify();
}

bool PlaybackSession::audioIsMaster(int serial) const
{
    return audioIndex_ >= 0 && config_.settings.master == SyncMaster::Audio && audioClockFailedSerial_ != serial;
}

double PlaybackSession::masterClock(int serial) const
{
    return audioIsMaster(serial) ? audioClock_.get(serial) : externalClock_.get(serial);
}

double PlaybackSession::position() const
{
    double fallback;
    {
        std::lock_guard lock(controlMutex_);
        if (seekPending_)
            return seekTarget_;
        fallback = lastTarget_;
    }
    if (ended_ && duration() > 0)
        return duration();
    double v = masterClock(serial_);
    if (std::isnan(v))
        v = fallback;
    v = std::max(0.0, v);
    if (durationEstimated_) {
        // The length was guessed from the bit rate: what has played counts.
        if (v > furthest_)
            furthest_ = v;
        return v;
    }
    return duration_ > 0 ? std::min(v, duration_) : v;
}

double PlaybackSession::duration() const
{
    return durationEstimated_ ? std::max(duration_, furthest_.load()) : duration_;
}

double PlaybackSession::framePosition() const
{
    std::lock_guard lock(frameMutex_);
    return framePts_;
}

void PlaybackSession::setVideoFilter(const QString &text, double scale)
{
    {
        std::lock_guard lock(controlMutex_);
        videoFilter_ = {text, scale, videoFilter_.generation + 1};
    }
    if (audioIndex_ < 0 || config_.settings.master == SyncMaster::External)
        externalClock_.setSpeed(scale);
}

void PlaybackSession::setAudioFilter(const QString &text, double scale)
{
    std::lock_guard lock(controlMutex_);
    audioFilter_ = {text, scale, audioFilter_.generation + 1};
}

PlaybackSession::FilterSetting PlaybackSession::filterSetting(bool video) const
{
    std::lock_guard lock(controlMutex_);
    return video ? videoFilter_ : audioFilter_;
}

void PlaybackSession::step()
{
    if (!paused_)
        pause();
    if (videoIndex_ < 0 || attachedPicture_)
        return;
    ++stepRequests_;
    presentWake_.notify();
}

double PlaybackSession::stepSkip(int serial) const
{
    std::lock_guard lock(controlMutex_);
    return stepSerial_ == serial ? stepTime_ : 0.0;
}

QImage PlaybackSession::currentFrame() const
{
    std::lock_guard lock(frameMutex_);
    return frameImage_;
}

QString PlaybackSession::currentSubtitle() const
{
    std::lock_guard lock(frameMutex_);
    return frameSubtitle_;
}

void PlaybackSession::setDisplaySize(const QSize &size)
{
    std::lock_guard lock(controlMutex_);
    displaySize_ = size;
}

PlaybackStatistics PlaybackSession::statistics() const
{
    std::lock_guard lock(controlMutex_);
    PlaybackStatistics s = stats_;
    s.outputPeak = outputPeak_;
    return s;
}

void PlaybackSession::markEnded(bool video, int serial)
{
    (video ? videoEndedSerial_ : audioEndedSerial_) = serial;
    if (serial != serial_)
        return;
    const bool videoDone = videoIndex_ < 0 || videoEndedSerial_ == serial;
    const bool audioDone = audioIndex_ < 0 || audioEndedSerial_ == serial;
    if (!videoDone || !audioDone)
        return;
    if (durationEstimated_) {
        const double end = masterClock(serial);
        if (std::isfinite(end) && end > furthest_)
            furthest_ = end;
    }
    if (!ended_.exchange(true) && callbacks_.ended)
        callbacks_.ended();
}

// ---- demuxer ----

void PlaybackSession::queueAttachedPicture()
{
    if (!attachedPicture_)
        return;
    PacketPtr copy = makePacket();
    if (av_packet_ref(copy.get(), &ic_->streams[videoIndex_]->attached_pic) >= 0)
        videoQueue_.put(std::move(copy));
    videoQueue_.put(nullptr);
}

bool PlaybackSession::enoughQueued() const
{
    if (videoQueue_.bytes() + audioQueue_.bytes() + subtitleQueue_.bytes() > kMaxQueuedBytes)
        return true;
    const bool videoFull = videoIndex_ < 0 || attachedPicture_ || videoQueue_.hasEnough(ic_->streams[videoIndex_]->time_base);
    const bool audioFull = audioIndex_ < 0 || audioQueue_.hasEnough(ic_->streams[audioIndex_]->time_base);
    return videoFull && audioFull;
}

void PlaybackSession::readLoop()
{
    PacketPtr packet = makePacket();
    bool endOfInput = false;
    bool readPaused = false;
    queueAttachedPicture();
    while (!abort_) {
        const uint64_t seen = readWake_.generation();
        if (paused_ != readPaused) {
            readPaused = paused_;
            if (readPaused)
                av_read_pause(ic_.get());
            else
                av_read_play(ic_.get());
        }
        bool doSeek = false;
        double target = 0;
        double backoff = 0;
        {
            std::lock_guard lock(controlMutex_);
            if (seekPending_) {
                doSeek = true;
                target = seekTarget_;
                backoff = seekBackoff_;
            }
        }
        if (doSeek) {
            const int64_t ts = int64_t((std::max(0.0, target - backoff) + startTime_) * AV_TIME_BASE);
            if (avformat_seek_file(ic_.get(), -1, INT64_MIN, ts, ts, 0) < 0)
                av_seek_frame(ic_.get(), -1, ts, AVSEEK_FLAG_BACKWARD);
            // Consumers learn the new serial first, so they drop what is
            // still queued from before the seek and keep what follows it.
            const int serial = serial_ + 1;
            serial_ = serial;
            videoQueue_.flush(serial, target);
            audioQueue_.flush(serial, target);
            subtitleQueue_.flush(serial, target);
            externalClock_.set(target, serial);
            {
                std::lock_guard lock(controlMutex_);
                lastTarget_ = target;
                lastBackoff_ = backoff;
                // A newer request that came in meanwhile is served on the next round.
                if (seekTarget_ == target && seekBackoff_ == backoff)
                    seekPending_ = false;
            }
            ended_ = false;
            endOfInput = false;
            queueAttachedPicture();
            presentWake_.notify();
            continue;
        }
        if (endOfInput || enoughQueued() || (readPaused && isUrl(info_.url))) {
            readWake_.wait(seen);
            continue;
        }
        const int ret = av_read_frame(ic_.get(), packet.get());
        if (ret < 0) {
            if (abort_)
                break;
            if (ret == AVERROR(EAGAIN)) {
                readWake_.waitUntil(seen, SteadyClock::now() + std::chrono::milliseconds(10));
                continue;
            }
            // End of file, or damage that cannot be read past: end every stream.
            if (videoIndex_ >= 0 && !attachedPicture_)
                videoQueue_.put(nullptr);
            if (audioIndex_ >= 0)
                audioQueue_.put(nullptr);
            endOfInput = true;
            continue;
        }
        const int index = packet->stream_index;
        if (index == videoIndex_ && !attachedPicture_) {
            videoQueue_.put(std::move(packet));
            packet = makePacket();
        } else if (index == audioIndex_) {
            audioQueue_.put(std::move(packet));
            packet = makePacket();
        } else if (index == subtitleIndex_) {
            subtitleQueue_.put(std::move(packet));
            packet = makePacket();
        } else {
            av_packet_unref(packet.get());
        }
    }
}

// ---- decoders ----

void PlaybackSession::videoLoop()
{
    AVStream *st = ic_->streams[videoIndex_];
    const AVRational tb = st->time_base;
    const AVRational rate = av_guess_frame_rate(ic_.get(), st, nullptr);
    const double nominal = rate.num > 0 && rate.den > 0 ? 1.0 / av_q2d(rate) : 0.04;
    const double streamStart = st->start_time != AV_NOPTS_VALUE ? double(st->start_time) * av_q2d(tb) - startTime_ : 0.0;
    // Some demuxers (MPEG program streams) land past the target, mid-way
    // through a group of pictures: then seek again from further back.
    Decoder decoder(videoCtx_.get(), videoQueue_, startTime_, [this, nominal, streamStart](int serial, double target, double time) {
        if (!attachedPicture_ && target > streamStart + nominal && time > target + 1.5 * nominal)
            seekEarlier(serial);
    });
    FramePtr frame = makeFrame();
    FilterChain chain;
    int chainSerial = -1, chainGeneration = -1, chainW = 0, chainH = 0, chainFormat = -1;
    double origin = 0, scale = 1, nextPts = 0, frameDuration = nominal;
    int segmentSerial = -1;
    bool segmentStarted = false;

    auto drain = [&](int serial) {
        FramePtr out = makeFrame();
        while (chain.pull(out.get()) >= 0) {
            const double outSeconds = out->pts != AV_NOPTS_VALUE ? double(out->pts) * av_q2d(chain.outputTimeBase()) : 0.0;
            DecodedFrame item{std::move(out), serial, origin + outSeconds * scale, frameDuration, scale, 0};
            if (serial != videoQueue_.serial())
                item.frame.reset();
            else if (!pictures_.push(std::move(item)))
                return false;
            out = makeFrame();
        }
        return true;
    };

    while (!abort_) {
        const int got = decoder.receive(frame.get());
        if (got < 0)
            break;
        const int serial = decoder.serial();
        if (got == 0) {
            if (chain.configured() && chainSerial == serial) {
                chain.push(nullptr);
                if (!drain(serial))
                    break;
            }
            chain.reset();
            chainSerial = -1;
            if (serial == videoQueue_.serial())
                pictures_.push(DecodedFrame{nullptr, serial, 0, 0, 1, 0});
            continue;
        }
        if (serial != segmentSerial) {
            segmentSerial = serial;
            segmentStarted = false;
            nextPts = decoder.dropBefore();
        }
        const int64_t ts = frame->best_effort_timestamp;
        const double pts = ts != AV_NOPTS_VALUE ? double(ts) * av_q2d(tb) - startTime_ : nextPts;
        frameDuration = frame->pkt_duration > 0 ? double(frame->pkt_duration) * av_q2d(tb) : nominal;
        nextPts = pts + frameDuration;
        // Pictures that end before the seek target are skipped (a cover
        // picture is always shown).
        const double target = decoder.dropBefore();
        const bool beforeTarget = !attachedPicture_ && target > 0 && pts + frameDuration <= target + std::min(1e-4, 0.01 * frameDuration);
        if (beforeTarget || serial != videoQueue_.serial()) {
            av_frame_unref(frame.get());
            continue;
        }
        if (!segmentStarted && !attachedPicture_) {
            segmentStarted = true;
            // The first picture decoded can still lie past the target (or
            // come without a time) when the seek landed before the target but
            // mid-way through a group of pictures the decoder had to skip.
            if (target > streamStart + frameDuration && (ts == AV_NOPTS_VALUE || pts > target + 1.5 * frameDuration)) {
                seekEarlier(serial);
                av_frame_unref(frame.get());
                continue;
            }
        }
        const FilterSetting setting = filterSetting(true);
        if (!chain.configured() || serial != chainSerial || setting.generation != chainGeneration
            || frame->width != chainW || frame->height != chainH || frame->format != chainFormat) {
            QString error;
            scale = setting.scale;
            if (!chain.configureVideo(frame.get(), tb, rate, setting.text, &error)) {
                scale = 1;
                if (!chain.configureVideo(frame.get(), tb, rate, QString(), &error)) {
                    av_frame_unref(frame.get());
                    continue;
                }
            }
            chainSerial = serial;
            chainGeneration = setting.generation;
            chainW = frame->width;
            chainH = frame->height;
            chainFormat = frame->format;
            origin = pts;
        }
        frame->pts = std::llround((pts - origin) / av_q2d(tb));
        chain.push(frame.get());
        av_frame_unref(frame.get());
        if (!drain(serial))
            break;
    }
}

void PlaybackSession::audioLoop()
{
    AVStream *st = ic_->streams[audioIndex_];
    const AVRational tb = st->time_base;
    const AudioFormat outFormat = audio_.format();
    const double streamStart = st->start_time != AV_NOPTS_VALUE ? double(st->start_time) * av_q2d(tb) - startTime_ : 0.0;
    const bool soundOnly = videoIndex_ < 0 || attachedPicture_;
    Decoder decoder(audioCtx_.get(), audioQueue_, startTime_, [this, streamStart, soundOnly](int serial, double target, double time) {
        if (soundOnly && target > streamStart + 0.1 && time > target + 0.1)
            seekEarlier(serial);
    });
    FramePtr frame = makeFrame();
    FilterChain chain;
    int chainSerial = -1, chainGeneration = -1, chainRate = 0, chainChannels = 0, chainFormat = -1;
    double origin = 0, scale = 1, nextPts = 0;

    auto drain = [&](int serial, double dropBefore) {
        FramePtr out = makeFrame();
        while (chain.pull(out.get()) >= 0) {
            if (out->nb_samples <= 0) {
                av_frame_unref(out.get());
                continue;
            }
            const double outSeconds = out->pts != AV_NOPTS_VALUE ? double(out->pts) * av_q2d(chain.outputTimeBase()) : 0.0;
            const double duration = double(out->nb_samples) / outFormat.sampleRate * scale;
            DecodedFrame item{std::move(out), serial, origin + outSeconds * scale, duration, scale, dropBefore};
            if (serial == audioQueue_.serial() && !samples_.push(std::move(item)))
                return false;
            out = makeFrame();
        }
        return true;
    };

    while (!abort_) {
        const int got = decoder.receive(frame.get());
        if (got < 0)
            break;
        const int serial = decoder.serial();
        if (got == 0) {
            if (chain.configured() && chainSerial == serial) {
                chain.push(nullptr);
                if (!drain(serial, decoder.dropBefore()))
                    break;
            }
            chain.reset();
            chainSerial = -1;
            if (serial == audioQueue_.serial())
                samples_.push(DecodedFrame{nullptr, serial, 0, 0, 1, 0});
            continue;
        }
        if (frame->sample_rate <= 0 || frame->nb_samples <= 0) {
            av_frame_unref(frame.get());
            continue;
        }
        const int64_t ts = frame->best_effort_timestamp;
        const double pts = ts != AV_NOPTS_VALUE ? double(ts) * av_q2d(tb) - startTime_ : nextPts;
        const double length = double(frame->nb_samples) / frame->sample_rate;
        nextPts = pts + length;
        if (pts + length <= decoder.dropBefore() || serial != audioQueue_.serial()) {
            av_frame_unref(frame.get());
            continue;
        }
        const FilterSetting setting = filterSetting(false);
        if (!chain.configured() || serial != chainSerial || setting.generation != chainGeneration
            || frame->sample_rate != chainRate || frame->ch_layout.nb_channels != chainChannels || frame->format != chainFormat) {
            QString error;
            scale = setting.scale;
            const AVRational chainTb{1, frame->sample_rate};
            if (!chain.configureAudio(frame.get(), chainTb, setting.text, outFormat, &error)) {
                scale = 1;
                if (!chain.configureAudio(frame.get(), chainTb, QString(), outFormat, &error)) {
                    av_frame_unref(frame.get());
                    continue;
                }
            }
            chainSerial = serial;
            chainGeneration = setting.generation;
            chainRate = frame->sample_rate;
            chainChannels = frame->ch_layout.nb_channels;
            chainFormat = frame->format;
            origin = pts;
        }
        frame->pts = std::llround((pts - origin) * frame->sample_rate);
        chain.push(frame.get());
        av_frame_unref(frame.get());
        if (!drain(serial, decoder.dropBefore()))
            break;
    }
}

void PlaybackSession::subtitleLoop()
{
    const AVRational tb = ic_->streams[subtitleIndex_]->time_base;
    int serial = -1;
    while (!abort_) {
        QueuedPacket item;
        if (!subtitleQueue_.get(item))
            break;
        if (item.serial != serial) {
            avcodec_flush_buffers(subtitleCtx_.get());
            serial = item.serial;
        }
        if (!item.packet)
            continue;
        AVSubtitle sub{};
        int got = 0;
        if (avcodec_decode_subtitle2(subtitleCtx_.get(), &sub, &got, item.packet.get()) < 0 || !got)
            continue;
        Subtitle entry;
        entry.serial = serial;
        const double base = item.packet->pts != AV_NOPTS_VALUE ? double(item.packet->pts) * av_q2d(tb) - startTime_
                                                                : (sub.pts != AV_NOPTS_VALUE ? double(sub.pts) / AV_TIME_BASE - startTime_ : 0.0);
        entry.start = base + sub.start_display_time / 1000.0;
        entry.end = sub.end_display_time > sub.start_display_time ? base + sub.end_display_time / 1000.0
                    : (item.packet->duration > 0 ? base + double(item.packet->duration) * av_q2d(tb) : entry.start + 5.0);
        const int canvasW = subtitleCtx_->width > 0 ? subtitleCtx_->width : videoCtx_->width;
        const int canvasH = subtitleCtx_->height > 0 ? subtitleCtx_->height : videoCtx_->height;
        QStringList lines;
        for (unsigned r = 0; r < sub.num_rects; ++r) {
            const AVSubtitleRect *rect = sub.rects[r];
            if (rect->type == SUBTITLE_ASS && rect->ass) {
                lines << assText(rect->ass);
            } else if (rect->type == SUBTITLE_TEXT && rect->text) {
                lines << QString::fromUtf8(rect->text).trimmed();
            } else if (rect->type == SUBTITLE_BITMAP && rect->w > 0 && rect->h > 0 && rect->data[0] && rect->data[1]
                       && canvasW > 0 && canvasH > 0 && canvasW <= 8192 && canvasH <= 8192) {
                if (entry.bitmap.isNull()) {
                    entry.bitmap = QImage(canvasW, canvasH, QImage::Format_ARGB32_Premultiplied);
                    entry.bitmap.fill(Qt::transparent);
                }
                QImage indexed(rect->data[0], rect->w, rect->h, rect->linesize[0], QImage::Format_Indexed8);
                QList<QRgb> colours;
                const auto *palette = reinterpret_cast<const uint32_t *>(rect->data[1]);
                for (int c = 0; c < std::clamp(rect->nb_colors, 0, 256); ++c)
                    colours << palette[c];
                while (colours.size() < 256)
                    colours << 0u;
                indexed.setColorTable(colours);
                QPainter p(&entry.bitmap);
                p.drawImage(rect->x, rect->y, indexed.convertToFormat(QImage::Format_ARGB32));
            }
        }
        avsubtitle_free(&sub);
        entry.text = lines.join(u'\n');
        std::lock_guard lock(subtitleMutex_);
        std::erase_if(subtitles_, [&](const Subtitle &s) { return s.serial != serial || s.end < entry.start - 30; });
        if (subtitles_.size() >= 32)
            subtitles_.erase(subtitles_.begin());
        subtitles_.push_back(std::move(entry));
    }
}

// ---- audio output (its own thread) ----

void PlaybackSession::fillAudio(uint8_t *data, int bytes)
{
    const double now = Clock::now();
    const AudioFormat &format = audio_.format();
    const int channels = format.channels;
    const int rate = format.sampleRate;
    auto *out = reinterpret_cast<float *>(data);
    const int wanted = bytes / int(channels * sizeof(float));
    const float volume = volume_;
    const int serial = serial_;
    int written = 0;
    bool clockSet = false;
    float peak = 0;
    // Sound of a segment waits until its first picture is on screen (or a
    // second has passed), so that both start together after open and seeks.
    if (gateSerial_ != serial) {
        gateSerial_ = serial;
        gateSince_ = now;
    }
    const bool gated = videoIndex_ >= 0 && !attachedPicture_ && videoStartedSerial_ != serial && now - gateSince_ < 1.0;
    while (written < wanted) {
        DecodedFrame *f = samples_.front();
        if (!f)
            break;
        if (f->serial != serial) {
            samples_.pop();
            audioOffset_ = 0;
            continue;
        }
        if (paused_ || gated)
            break;
        if (f->endOfStream()) {
            samples_.pop();
            audioOffset_ = 0;
            markEnded(false, serial);
            continue;
        }
        const int n = f->frame->nb_samples;
        const double perSample = f->sourcePerOutput / rate;
        const double skipTo = std::max(f->dropBefore, stepSkip(serial));
        if (skipTo > f->pts + audioOffset_ * perSample) {
            const double need = std::ceil((skipTo - f->pts) / perSample - 1e-6);
            audioOffset_ = int(std::clamp(need, double(audioOffset_), double(n)));
        }
        if (audioOffset_ >= n) {
            samples_.pop();
            audioOffset_ = 0;
            continue;
        }
        const int take = std::min(n - audioOffset_, wanted - written);
        if (!clockSet) {
            const double ahead = audio_.latency() + double(written) / rate;
            audioClock_.setSpeed(f->sourcePerOutput);
            audioClock_.setIfRunning(f->pts + audioOffset_ * perSample - ahead * f->sourcePerOutput, serial, now);
            clockSet = true;
        }
        const float *in = reinterpret_cast<const float *>(f->frame->data[0]) + size_t(audioOffset_) * channels;
        float *dst = out + size_t(written) * channels;
        const int count = take * channels;
        if (volume >= 0.9999f)
            std::copy_n(in, count, dst);
        else
            for (int i = 0; i < count; ++i)
                dst[i] = in[i] * volume;
        for (int i = 0; i < count; ++i)
            peak = std::max(peak, std::abs(dst[i]));
        written += take;
        audioOffset_ += take;
        if (audioOffset_ >= n) {
            samples_.pop();
            audioOffset_ = 0;
        }
    }
    outputPeak_ = peak;
    std::fill(out + size_t(written) * channels, out + size_t(wanted) * channels, 0.0f);
    std::fill(data + size_t(wanted) * channels * sizeof(float), data + bytes, uint8_t(0));
}

// ---- presenter ----

QImage PlaybackSession::convert(const AVFrame *frame)
{
    QSize source(frame->width, frame->height);
    const AVRational sar = frame->sample_aspect_ratio;
    if (sar.num > 0 && sar.den > 0 && sar.num != sar.den)
        source.setWidth(std::max(1, int(std::lround(frame->width * av_q2d(sar)))));
    QSize target = source;
    QSize display;
    {
        std::lock_guard lock(controlMutex_);
        display = displaySize_;
    }
    if (display.isValid() && !display.isEmpty() && (display.width() < source.width() || display.height() < source.height()))
        target = source.scaled(display, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    // A picture claiming a huge size is shown at a size memory can hold.
    constexpr int kMaxSide = 8192;
    if (target.width() > kMaxSide || target.height() > kMaxSide)
        target = target.scaled(kMaxSide, kMaxSide, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));

    const bool scaling = target != QSize(frame->width, frame->height);
    sws_.reset(sws_getCachedContext(sws_.release(), frame->width, frame->height, AVPixelFormat(frame->format),
                                    target.width(), target.height(), AV_PIX_FMT_RGB32,
                                    scaling ? SWS_BILINEAR : SWS_POINT, nullptr, nullptr, nullptr));
    if (!sws_)
        return QImage();
    // Reuse a picture nobody else holds any more; the GUI may still hold the
    // previous ones.
    QImage *slot = nullptr;
    for (QImage &img : imagePool_)
        if (img.size() == target && img.isDetached()) {
            slot = &img;
            break;
        }
    if (!slot) {
        if (imagePool_.size() >= 4)
            imagePool_.erase(imagePool_.begin());
        imagePool_.emplace_back(target, QImage::Format_RGB32);
        slot = &imagePool_.back();
        if (slot->isNull()) {
            imagePool_.pop_back();
            return QImage();
        }
    }
    uint8_t *dst[4] = {slot->bits(), nullptr, nullptr, nullptr};
    int stride[4] = {int(slot->bytesPerLine()), 0, 0, 0};
    sws_scale(sws_.get(), frame->data, frame->linesize, 0, frame->height, dst, stride);
    return *slot;
}

void PlaybackSession::drawSubtitle(QImage &image, double pts)
{
    Subtitle current;
    bool found = false;
    {
        std::lock_guard lock(subtitleMutex_);
        for (auto it = subtitles_.rbegin(); it != subtitles_.rend(); ++it)
            if (it->serial == serial_ && it->start <= pts && pts < it->end) {
                current = *it;
                found = true;
                break;
            }
    }
    QString text = found ? current.text : QString();
    {
        std::lock_guard lock(frameMutex_);
        frameSubtitle_ = text;
    }
    if (!found)
        return;
    if (!current.bitmap.isNull()) {
        QPainter p(&image);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(QRect(QPoint(0, 0), image.size()), current.bitmap);
    }
    if (!text.isEmpty() && qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        QPainter p(&image);
        QFont font = p.font();
        font.setPixelSize(std::max(10, image.height() / 18));
        p.setFont(font);
        const QRect area = image.rect().adjusted(8, 8, -8, -image.height() / 20);
        const int flags = Qt::AlignHCenter | Qt::AlignBottom | Qt::TextWordWrap;
        p.setPen(Qt::black);
        p.drawText(area.translated(2, 2), flags, text);
        p.setPen(Qt::white);
        p.drawText(area, flags, text);
    }
}

void PlaybackSession::display(const DecodedFrame &frame, int serial, bool stepped)
{
    QImage image = convert(frame.frame.get());
    if (subtitleIndex_ >= 0 && !image.isNull())
        drawSubtitle(image, frame.pts);
    {
        std::lock_guard lock(frameMutex_);
        frameImage_ = image;
        framePts_ = frame.pts;
    }
    const bool first = lastShownSerial_ != serial;
    lastShownSerial_ = serial;
    videoStartedSerial_ = serial;
    if (stepped) {
        // The clocks follow the picture, and sound resumes from it.
        audioClock_.set(frame.pts, serial);
        externalClock_.set(frame.pts, serial);
        std::lock_guard lock(controlMutex_);
        stepSerial_ = serial;
        stepTime_ = frame.pts;
    } else if (first && !audioIsMaster(serial)) {
        externalClock_.set(frame.pts, serial);
    }
    {
        std::lock_guard lock(controlMutex_);
        ++stats_.framesShown;
        if (!first && !stepped && audioIsMaster(serial)) {
            const double master = audioClock_.get(serial);
            const double drift = std::isnan(master) ? 0.0 : std::abs(frame.pts - master) / std::max(1e-3, audioClock_.speed());
            if (drift > stats_.maxDrift) {
                stats_.maxDrift = drift;
                stats_.maxDriftAt = frame.pts;
            }
        }
    }
    if (!framePending_.exchange(true) && callbacks_.frameReady)
        callbacks_.frameReady();
}

void PlaybackSession::presentLoop()
{
    using namespace std::chrono;
    double waitingSince = 0;
    while (!abort_) {
        const uint64_t seen = presentWake_.generation();
        DecodedFrame *f = pictures_.front();
        const int serial = serial_;
        if (!f) {
            presentWake_.wait(seen);
            continue;
        }
        if (f->serial != serial) {
            pictures_.pop();
            continue;
        }
        if (f->endOfStream()) {
            pictures_.pop();
            markEnded(true, serial);
            continue;
        }
        const bool first = lastShownSerial_ != serial;
        if (stepRequests_ > 0 || first) {
            const bool stepped = !first && stepRequests_ > 0;
            display(*f, serial, stepped);
            pictures_.pop();
            if (stepped)
                --stepRequests_;
            waitingSince = Clock::now();
            continue;
        }
        if (paused_) {
            presentWake_.wait(seen);
            continue;
        }
        double master = masterClock(serial);
        if (std::isnan(master)) {
            // No sound has been heard for this segment yet. If none comes
            // (undecodable audio), time the pictures by the system clock.
            if (audioIsMaster(serial) && Clock::now() - waitingSince > 1.0) {
                externalClock_.set(f->pts, serial);
                audioClockFailedSerial_ = serial;
                continue;
            }
            presentWake_.waitUntil(seen, SteadyClock::now() + milliseconds(10));
            continue;
        }
        const double speed = std::max(1e-3, audioIsMaster(serial) ? audioClock_.speed() : externalClock_.speed());
        const double delay = (f->pts - master) / speed;
        if (delay > 0.002 && delay < kNoSyncThreshold) {
            presentWake_.waitUntil(seen, SteadyClock::now() + duration_cast<SteadyClock::duration>(std::chrono::duration<double>(std::min(delay, 0.1))));
            continue;
        }
        if (delay >= kNoSyncThreshold && !audioIsMaster(serial))
            externalClock_.set(f->pts, serial);
        const DecodedFrame *next = pictures_.second();
        if (next && next->serial == serial && !next->endOfStream() && next->pts <= master && delay > -kNoSyncThreshold) {
            pictures_.pop();
            std::lock_guard lock(controlMutex_);
            ++stats_.framesDropped;
            continue;
        }
        display(*f, serial, false);
        pictures_.pop();
    }
}

} // namespace orvane::media::detail
