#include "PlaybackSession.h"

#include <cmath>

namespace orvane::media::detail {

namespace {

constexpr size_t kMaxQueuedBytes = 15 * 1024 * 1024;
constexpr double kOpenTimeout = 20.0;

} // namespace

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

} // namespace orvane::media::detail
