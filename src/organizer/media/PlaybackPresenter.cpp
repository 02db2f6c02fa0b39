// The presenter thread of a PlaybackSession: times pictures to the master
// clock, converts them for display and publishes them.
#include "PlaybackSession.h"

#include <QGuiApplication>
#include <QPainter>

#include <cmath>

namespace orvane::media::detail {

namespace {

constexpr double kNoSyncThreshold = 10.0; // larger gaps are timestamp jumps, not lateness

} // namespace

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
