#pragma once
// One configured filter graph (buffer source -> the caller's filter text ->
// sink) for the video or the audio of the playing file, and the measurement
// of how a filter text scales time ("setpts=2.0*PTS" doubles it,
// "atempo=2.0" halves it).
#include "FfmpegSupport.h"

#include <QString>

namespace orvane::media::detail {

struct AudioFormat {
    int sampleRate = 48000;
    int channels = 2; // output is interleaved 32-bit float
};

class FilterChain {
public:
    // Builds buffer -> text -> buffersink for frames like `frame` in `timeBase`.
    bool configureVideo(const AVFrame *frame, AVRational timeBase, AVRational frameRate, const QString &text, QString *error);
    // Builds abuffer -> text -> aformat(out) -> abuffersink.
    bool configureAudio(const AVFrame *frame, AVRational timeBase, const QString &text, const AudioFormat &out, QString *error);
    bool configured() const { return graph_ != nullptr; }
    void reset();

    // nullptr signals the end of the input.
    int push(AVFrame *frame);
    // 0: a frame; AVERROR(EAGAIN): needs input; AVERROR_EOF: drained.
    int pull(AVFrame *out);
    AVRational outputTimeBase() const;

    // Source seconds per output second for a filter text (2.0 for "atempo=2.0",
    // 0.5 for "setpts=2.0*PTS"); false with a message when the text does not parse.
    static bool measureVideoScale(const QString &text, double *sourcePerOutput, QString *error);
    static bool measureAudioScale(const QString &text, double *sourcePerOutput, QString *error);

private:
    bool link(const QString &text, AVFilterContext *last, QString *error);

    FilterGraphPtr graph_;
    AVFilterContext *source_ = nullptr;
    AVFilterContext *sink_ = nullptr;
};

} // namespace orvane::media::detail
