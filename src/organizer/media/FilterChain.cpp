#include "FilterChain.h"

#include <cmath>

namespace orvane::media::detail {

namespace {

bool failed(int ret, const char *what, QString *error)
{
    if (ret >= 0)
        return false;
    if (error)
        *error = QString::fromLatin1(what) + ": " + errorText(ret);
    return true;
}

QString channelLayoutText(const AVChannelLayout &layout)
{
    char buf[128] = {};
    if (av_channel_layout_describe(&layout, buf, sizeof buf) < 0)
        return QString();
    return QString::fromLatin1(buf);
}

double plausibleScale(double v)
{
    if (!std::isfinite(v) || v <= 0)
        return 1.0;
    return std::clamp(v, 1.0 / 100, 100.0);
}

} // namespace

void FilterChain::reset()
{
    graph_.reset();
    source_ = nullptr;
    sink_ = nullptr;
}

bool FilterChain::link(const QString &text, AVFilterContext *last, QString *error)
{
    const QByteArray spec = text.trimmed().toUtf8();
    if (spec.isEmpty())
        return !failed(avfilter_link(source_, 0, last, 0), "link", error);

    FilterInOut outputs;
    FilterInOut inputs;
    outputs.list = avfilter_inout_alloc();
    inputs.list = avfilter_inout_alloc();
    if (!outputs.list || !inputs.list)
        throw std::bad_alloc();
    outputs.list->name = av_strdup("in");
    outputs.list->filter_ctx = source_;
    outputs.list->pad_idx = 0;
    inputs.list->name = av_strdup("out");
    inputs.list->filter_ctx = last;
    inputs.list->pad_idx = 0;
    const int ret = avfilter_graph_parse_ptr(graph_.get(), spec.constData(), &inputs.list, &outputs.list, nullptr);
    return !failed(ret, "filter", error);
}

bool FilterChain::configureVideo(const AVFrame *frame, AVRational timeBase, AVRational frameRate, const QString &text, QString *error)
{
    reset();
    graph_.reset(avfilter_graph_alloc());
    if (!graph_)
        throw std::bad_alloc();
    graph_->nb_threads = 1;
    AVRational sar = frame->sample_aspect_ratio;
    if (sar.num <= 0 || sar.den <= 0)
        sar = {1, 1};
    const QString args = QStringLiteral("video_size=%1x%2:pix_fmt=%3:time_base=%4/%5:pixel_aspect=%6/%7")
                             .arg(frame->width).arg(frame->height).arg(frame->format)
                             .arg(timeBase.num).arg(timeBase.den).arg(sar.num).arg(sar.den);
    QString fullArgs = args;
    if (frameRate.num > 0 && frameRate.den > 0)
        fullArgs += QStringLiteral(":frame_rate=%1/%2").arg(frameRate.num).arg(frameRate.den);
    if (failed(avfilter_graph_create_filter(&source_, avfilter_get_by_name("buffer"), "in", fullArgs.toLatin1().constData(), nullptr, graph_.get()), "buffer", error)
        || failed(avfilter_graph_create_filter(&sink_, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr, graph_.get()), "buffersink", error)
        || !link(text, sink_, error)
        || failed(avfilter_graph_config(graph_.get(), nullptr), "filter graph", error)) {
        reset();
        return false;
    }
    return true;
}

bool FilterChain::configureAudio(const AVFrame *frame, AVRational timeBase, const QString &text, const AudioFormat &out, QString *error)
{
    reset();
    graph_.reset(avfilter_graph_alloc());
    if (!graph_)
        throw std::bad_alloc();
    graph_->nb_threads = 1;
    QString layout = channelLayoutText(frame->ch_layout);
    if (layout.isEmpty() || frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
        AVChannelLayout def;
        av_channel_layout_default(&def, std::max(1, frame->ch_layout.nb_channels));
        layout = channelLayoutText(def);
        av_channel_layout_uninit(&def);
    }
    const QString args = QStringLiteral("sample_rate=%1:sample_fmt=%2:channel_layout=%3:time_base=%4/%5")
                             .arg(frame->sample_rate)
                             .arg(QString::fromLatin1(av_get_sample_fmt_name(AVSampleFormat(frame->format))))
                             .arg(layout).arg(timeBase.num).arg(timeBase.den);
    const QString format = QStringLiteral("sample_fmts=flt:sample_rates=%1:channel_layouts=%2")
                               .arg(out.sampleRate).arg(out.channels == 1 ? "mono" : "stereo");
    AVFilterContext *aformat = nullptr;
    if (failed(avfilter_graph_create_filter(&source_, avfilter_get_by_name("abuffer"), "in", args.toLatin1().constData(), nullptr, graph_.get()), "abuffer", error)
        || failed(avfilter_graph_create_filter(&sink_, avfilter_get_by_name("abuffersink"), "out", nullptr, nullptr, graph_.get()), "abuffersink", error)
        || failed(avfilter_graph_create_filter(&aformat, avfilter_get_by_name("aformat"), "format", format.toLatin1().constData(), nullptr, graph_.get()), "aformat", error)
        || failed(avfilter_link(aformat, 0, sink_, 0), "link", error)
        || !link(text, aformat, error)
        || failed(avfilter_graph_config(graph_.get(), nullptr), "filter graph", error)) {
        reset();
        return false;
    }
    return true;
}

int FilterChain::push(AVFrame *frame)
{
    if (!source_)
        return AVERROR(EINVAL);
    return av_buffersrc_add_frame_flags(source_, frame, AV_BUFFERSRC_FLAG_KEEP_REF);
}

int FilterChain::pull(AVFrame *out)
{
    if (!sink_)
        return AVERROR_EOF;
    return av_buffersink_get_frame(sink_, out);
}

AVRational FilterChain::outputTimeBase() const
{
    return sink_ ? av_buffersink_get_time_base(sink_) : AVRational{1, 1};
}

bool FilterChain::measureVideoScale(const QString &text, double *sourcePerOutput, QString *error)
{
    // Ten frames a tenth of a second apart, then look at the output's span.
    FramePtr frame = makeFrame();
    frame->width = 32;
    frame->height = 32;
    frame->format = AV_PIX_FMT_YUV420P;
    frame->sample_aspect_ratio = {1, 1};
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        throw std::bad_alloc();
    for (int p = 0; p < 3; ++p)
        for (int y = 0; y < (p ? 16 : 32); ++y)
            std::fill_n(frame->data[p] + y * frame->linesize[p], p ? 16 : 32, uint8_t(p ? 128 : 16));
    FilterChain chain;
    const AVRational tb{1, 1000};
    if (!chain.configureVideo(frame.get(), tb, {10, 1}, text, error))
        return false;
    int64_t first = AV_NOPTS_VALUE;
    int64_t last = AV_NOPTS_VALUE;
    FramePtr out = makeFrame();
    auto drain = [&] {
        while (chain.pull(out.get()) >= 0) {
            if (out->pts != AV_NOPTS_VALUE) {
                if (first == AV_NOPTS_VALUE)
                    first = out->pts;
                last = out->pts;
            }
            av_frame_unref(out.get());
        }
    };
    for (int i = 0; i <= 10; ++i) {
        frame->pts = i * 100;
        if (chain.push(frame.get()) < 0)
            break;
        drain();
    }
    chain.push(nullptr);
    drain();
    double scale = 1.0;
    if (first != AV_NOPTS_VALUE && last > first)
        scale = 1.0 / (double(last - first) * av_q2d(chain.outputTimeBase()));
    *sourcePerOutput = plausibleScale(scale);
    return true;
}

bool FilterChain::measureAudioScale(const QString &text, double *sourcePerOutput, QString *error)
{
    // Two seconds of silence in, count the seconds that come out.
    const int rate = 48000;
    const int chunk = 1024;
    FramePtr frame = makeFrame();
    frame->format = AV_SAMPLE_FMT_FLT;
    frame->sample_rate = rate;
    frame->nb_samples = chunk;
    av_channel_layout_default(&frame->ch_layout, 1);
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        throw std::bad_alloc();
    std::fill_n(reinterpret_cast<float *>(frame->data[0]), chunk, 0.0f);
    FilterChain chain;
    if (!chain.configureAudio(frame.get(), {1, rate}, text, AudioFormat{rate, 1}, error))
        return false;
    int64_t outSamples = 0;
    FramePtr out = makeFrame();
    auto drain = [&] {
        while (chain.pull(out.get()) >= 0) {
            outSamples += out->nb_samples;
            av_frame_unref(out.get());
        }
    };
    const int chunks = 2 * rate / chunk;
    for (int i = 0; i < chunks; ++i) {
        frame->pts = int64_t(i) * chunk;
        if (chain.push(frame.get()) < 0)
            break;
        drain();
    }
    chain.push(nullptr);
    drain();
    const double inSeconds = double(chunks) * chunk / rate;
    const double outSeconds = double(outSamples) / rate;
    *sourcePerOutput = plausibleScale(outSeconds > 0 ? inSeconds / outSeconds : 1.0);
    return true;
}

} // namespace orvane::media::detail
