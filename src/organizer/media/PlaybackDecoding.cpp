// The decoder threads and the audio output callback of a PlaybackSession.
#include "Decoder.h"
#include "PlaybackSession.h"

#include <QImage>
#include <QPainter>
#include <QRegularExpression>

#include <cmath>

namespace orvane::media::detail {

namespace {

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

} // namespace orvane::media::detail
