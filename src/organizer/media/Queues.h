#pragma once
// The hand-over points between the player's threads: a wake-up signal, the
// packet queue between the demuxer and a decoder, and the bounded frame queue
// between a decoder and its consumer (audio output or video presenter).
//
// Every queued item carries the serial of the playback segment it belongs to.
// A seek starts a new serial; consumers drop what carries an older one.
#include "FfmpegSupport.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <mutex>

namespace orvane::media::detail {

using SteadyClock = std::chrono::steady_clock;

// A generation counter with a condition variable: a waiter reads the
// generation, checks its state, and sleeps until someone notifies or a
// deadline passes. No wake-up is lost between the check and the sleep.
class WakeSignal {
public:
    uint64_t generation() const
    {
        std::lock_guard lock(mutex_);
        return generation_;
    }
    void notify()
    {
        {
            std::lock_guard lock(mutex_);
            ++generation_;
        }
        cv_.notify_all();
    }
    void wait(uint64_t seen)
    {
        std::unique_lock lock(mutex_);
        cv_.wait(lock, [&] { return generation_ != seen; });
    }
    void waitUntil(uint64_t seen, SteadyClock::time_point deadline)
    {
        std::unique_lock lock(mutex_);
        cv_.wait_until(lock, deadline, [&] { return generation_ != seen; });
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    uint64_t generation_ = 0;
};

struct QueuedPacket {
    PacketPtr packet;      // null: end of stream for this serial
    int serial = 0;
    double dropBefore = 0; // frames of this segment ending before this time are skipped
};

// Unbounded by itself; the demuxer stops reading when queues hold enough.
class PacketQueue {
public:
    explicit PacketQueue(std::function<void()> onTaken = {}) : onTaken_(std::move(onTaken)) {}

    void start(int serial, double dropBefore)
    {
        std::lock_guard lock(mutex_);
        aborted_ = false;
        serial_ = serial;
        dropBefore_ = dropBefore;
    }
    void abort()
    {
        {
            std::lock_guard lock(mutex_);
            aborted_ = true;
        }
        cv_.notify_all();
    }
    // Drops everything queued and begins segment `serial`.
    void flush(int serial, double dropBefore)
    {
        std::lock_guard lock(mutex_);
        items_.clear();
        bytes_ = 0;
        duration_ = 0;
        serial_ = serial;
        dropBefore_ = dropBefore;
    }
    // Takes ownership; a null packet marks the end of the stream.
    bool put(PacketPtr packet)
    {
        {
            std::lock_guard lock(mutex_);
            if (aborted_)
                return false;
            if (packet) {
                bytes_ += size_t(packet->size) + sizeof(QueuedPacket);
                duration_ += packet->duration;
            }
            items_.push_back({std::move(packet), serial_, dropBefore_});
        }
        cv_.notify_one();
        return true;
    }
    // Blocks until a packet is there; false once aborted.
    bool get(QueuedPacket &out)
    {
        {
            std::unique_lock lock(mutex_);
            cv_.wait(lock, [&] { return aborted_ || !items_.empty(); });
            if (aborted_)
                return false;
            out = std::move(items_.front());
            items_.pop_front();
            if (out.packet) {
                bytes_ -= size_t(out.packet->size) + sizeof(QueuedPacket);
                duration_ -= out.packet->duration;
            }
        }
        if (onTaken_)
            onTaken_();
        return true;
    }
    int serial() const
    {
        std::lock_guard lock(mutex_);
        return serial_;
    }
    size_t bytes() const
    {
        std::lock_guard lock(mutex_);
        return bytes_;
    }
    // True when the queue holds enough to ride out a slow read.
    bool hasEnough(AVRational timeBase) const
    {
        std::lock_guard lock(mutex_);
        return aborted_ || (items_.size() > 25 && (duration_ <= 0 || double(duration_) * av_q2d(timeBase) > 1.0));
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<QueuedPacket> items_;
    std::function<void()> onTaken_;
    size_t bytes_ = 0;
    int64_t duration_ = 0;
    int serial_ = 0;
    double dropBefore_ = 0;
    bool aborted_ = true;
};

// Decoded (and filtered) output of one stream, in source seconds.
struct DecodedFrame {
    FramePtr frame;            // null for the end-of-stream marker
    int serial = 0;
    double pts = 0;            // source time of the first sample / the picture
    double duration = 0;       // source seconds the frame covers
    double sourcePerOutput = 1; // source seconds per second of output (1 / speed factor)
    double dropBefore = 0;     // source time before which samples are skipped
    bool endOfStream() const { return !frame; }
};

// Bounded queue with one producer and one consumer. The consumer may keep a
// pointer from front()/second() until it pops: elements are only appended
// at the back, which leaves references to the others valid.
class FrameQueue {
public:
    FrameQueue(size_t capacity, std::function<void()> onPushed = {})
        : capacity_(capacity), onPushed_(std::move(onPushed)) {}

    // Blocks while full; false once aborted (the frame is dropped).
    bool push(DecodedFrame frame)
    {
        {
            std::unique_lock lock(mutex_);
            notFull_.wait(lock, [&] { return aborted_ || items_.size() < capacity_; });
            if (aborted_)
                return false;
            items_.push_back(std::move(frame));
        }
        if (onPushed_)
            onPushed_();
        return true;
    }
    DecodedFrame *front()
    {
        std::lock_guard lock(mutex_);
        return items_.empty() ? nullptr : &items_.front();
    }
    DecodedFrame *second()
    {
        std::lock_guard lock(mutex_);
        return items_.size() < 2 ? nullptr : &items_[1];
    }
    void pop()
    {
        {
            std::lock_guard lock(mutex_);
            if (!items_.empty())
                items_.pop_front();
        }
        notFull_.notify_one();
    }
    void abort()
    {
        {
            std::lock_guard lock(mutex_);
            aborted_ = true;
        }
        notFull_.notify_all();
    }
    size_t size() const
    {
        std::lock_guard lock(mutex_);
        return items_.size();
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable notFull_;
    std::deque<DecodedFrame> items_;
    size_t capacity_;
    std::function<void()> onPushed_;
    bool aborted_ = false;
};

// A playback clock in source seconds that runs at `speed` source seconds per
// real second. Reading it for another serial than the one it was set for
// gives NaN (the clock is stale after a seek).
class Clock {
public:
    static double now() { return double(av_gettime_relative()) / 1e6; }

    double get(int serial) const
    {
        std::lock_guard lock(mutex_);
        if (serial_ != serial)
            return std::numeric_limits<double>::quiet_NaN();
        if (paused_)
            return pts_;
        return pts_ + (now() - updated_) * speed_;
    }
    void set(double pts, int serial, double at = now())
    {
        std::lock_guard lock(mutex_);
        pts_ = pts;
        updated_ = at;
        serial_ = serial;
    }
    // As set(), but ignored while paused: an output callback that was already
    // running when the player paused must not move the held position.
    void setIfRunning(double pts, int serial, double at)
    {
        std::lock_guard lock(mutex_);
        if (paused_)
            return;
        pts_ = pts;
        updated_ = at;
        serial_ = serial;
    }
    void setPaused(bool paused)
    {
        std::lock_guard lock(mutex_);
        if (paused == paused_)
            return;
        const double t = now();
        if (paused)
            pts_ += (t - updated_) * speed_;
        updated_ = t;
        paused_ = paused;
    }
    void setSpeed(double speed)
    {
        std::lock_guard lock(mutex_);
        const double t = now();
        if (!paused_)
            pts_ += (t - updated_) * speed_;
        updated_ = t;
        speed_ = speed;
    }
    double speed() const
    {
        std::lock_guard lock(mutex_);
        return speed_;
    }

private:
    mutable std::mutex mutex_;
    double pts_ = 0;
    double updated_ = 0;
    double speed_ = 1;
    int serial_ = -1;
    bool paused_ = false;
};

} // namespace orvane::media::detail
