#pragma once
// A decoder fed by one packet queue (see PlaybackSession).
#include "Queues.h"

#include <functional>
#include <optional>

namespace orvane::media::detail {

// Follows serials and flushes itself whenever a new segment starts.
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

} // namespace orvane::media::detail
