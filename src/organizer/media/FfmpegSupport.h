#pragma once
// RAII owners for the FFmpeg objects the player uses, and error texts.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libavutil/time.h>
#include <libswscale/swscale.h>
}

#include <QString>
#include <memory>
#include <new>

namespace orvane::media::detail {

struct PacketDeleter {
    void operator()(AVPacket *p) const { av_packet_free(&p); }
};
struct FrameDeleter {
    void operator()(AVFrame *f) const { av_frame_free(&f); }
};
struct CodecContextDeleter {
    void operator()(AVCodecContext *c) const { avcodec_free_context(&c); }
};
struct FormatContextDeleter {
    void operator()(AVFormatContext *c) const { avformat_close_input(&c); }
};
struct FilterGraphDeleter {
    void operator()(AVFilterGraph *g) const { avfilter_graph_free(&g); }
};
struct SwsDeleter {
    void operator()(SwsContext *c) const { sws_freeContext(c); }
};

using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextDeleter>;
using FilterGraphPtr = std::unique_ptr<AVFilterGraph, FilterGraphDeleter>;
using SwsPtr = std::unique_ptr<SwsContext, SwsDeleter>;

inline PacketPtr makePacket()
{
    PacketPtr p(av_packet_alloc());
    if (!p)
        throw std::bad_alloc();
    return p;
}

inline FramePtr makeFrame()
{
    FramePtr f(av_frame_alloc());
    if (!f)
        throw std::bad_alloc();
    return f;
}

// An AVDictionary freed on scope exit.
struct Dictionary {
    AVDictionary *dict = nullptr;
    Dictionary() = default;
    Dictionary(const Dictionary &) = delete;
    Dictionary &operator=(const Dictionary &) = delete;
    ~Dictionary() { av_dict_free(&dict); }
};

// Filter in/out lists freed on scope exit.
struct FilterInOut {
    AVFilterInOut *list = nullptr;
    FilterInOut() = default;
    FilterInOut(const FilterInOut &) = delete;
    FilterInOut &operator=(const FilterInOut &) = delete;
    ~FilterInOut() { avfilter_inout_free(&list); }
};

inline QString errorText(int err)
{
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(err, buf, sizeof buf);
    return QString::fromUtf8(buf);
}

inline double toSeconds(int64_t ts, AVRational tb)
{
    return ts == AV_NOPTS_VALUE ? 0.0 : double(ts) * av_q2d(tb);
}

} // namespace orvane::media::detail
