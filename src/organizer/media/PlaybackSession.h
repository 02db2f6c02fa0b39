#pragma once
// One opened file or stream and the threads that play it. Created by
// MediaPlayer::open() and destroyed by close(); every thread is joined in the
// destructor, so callbacks never outlive the session.
//
//   demuxer  --packets-->  video decoder --frames--> presenter (times pictures
//            (PacketQueue)  audio decoder --frames--> audio output callback
//                           subtitle decoder --> subtitle list
//
// The audio callback sets the audio clock; the presenter shows each picture
// when that clock reaches it and drops pictures that are late.
#include "AudioOutput.h"
#include "FilterChain.h"
#include "MediaPlayer.h"
#include "Queues.h"

#include <QImage>
#include <QSize>
#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace orvane::media::detail {

struct SessionConfig {
    PlayerSettings settings;
    QStringList options;
    QString videoFilter, audioFilter;
    double videoScale = 1, audioScale = 1; // source seconds per output second
    QSize displaySize;
};

struct SessionCallbacks {
    std::function<void()> frameReady; // any thread
    std::function<void()> ended;      // any thread
};

// True for "scheme://..." addresses (streams), false for file paths.
bool isUrl(const QString &s);
// Opens the input (path or URL) and reads its stream information.
MediaResult openInput(const QString &url, const QStringList &options, AVIOInterruptCB interrupt, FormatContextPtr &out);
MediaInfo describeInput(const QString &url, AVFormatContext *ic);

class PlaybackSession {
public:
    PlaybackSession(SessionConfig config, SessionCallbacks callbacks);
    PlaybackSession(const PlaybackSession &) = delete;
    PlaybackSession &operator=(const PlaybackSession &) = delete;
    ~PlaybackSession();

    MediaResult open(const QString &url);

    void play();
    void pause();
    bool paused() const { return paused_; }
    bool ended() const { return ended_; }
    double position() const;
    void seek(double seconds);
    // Repeats the last seek from further back (the demuxer landed past it).
    void seekEarlier(int serial);
    double duration() const;
    double framePosition() const;
    void setVolume(double v) { volume_ = float(v); }
    void setVideoFilter(const QString &text, double scale);
    void setAudioFilter(const QString &text, double scale);
    void step();
    QImage currentFrame() const;
    QString currentSubtitle() const;
    void setDisplaySize(const QSize &size);
    void frameDelivered() { framePending_ = false; }
    MediaInfo info() const { return info_; }
    PlaybackStatistics statistics() const;

private:
    struct FilterSetting {
        QString text;
        double scale = 1;
        int generation = 0;
    };
    struct Subtitle {
        int serial = 0;
        double start = 0, end = 0;
        QString text;
        QImage bitmap; // whole canvas, transparent where nothing is drawn
    };

    static int interruptCallback(void *opaque);
    bool openDecoder(int index, CodecContextPtr &ctx, QString *error);
    void stop();

    void readLoop();
    void videoLoop();
    void audioLoop();
    void subtitleLoop();
    void presentLoop();
    void fillAudio(uint8_t *data, int bytes);

    void queueAttachedPicture();
    bool enoughQueued() const;
    double masterClock(int serial) const;
    bool audioIsMaster(int serial) const;
    void display(const DecodedFrame &frame, int serial, bool stepped);
    QImage convert(const AVFrame *frame);
    void drawSubtitle(QImage &image, double pts);
    void markEnded(bool video, int serial);
    FilterSetting filterSetting(bool video) const;
    double stepSkip(int serial) const;

    SessionConfig config_;
    SessionCallbacks callbacks_;
    MediaInfo info_;

    FormatContextPtr ic_;
    int videoIndex_ = -1, audioIndex_ = -1, subtitleIndex_ = -1;
    bool attachedPicture_ = false;
    CodecContextPtr videoCtx_, audioCtx_, subtitleCtx_;
    double startTime_ = 0;
    double duration_ = 0;
    bool durationEstimated_ = false;        // guessed from the bit rate (streams)
    mutable std::atomic<double> furthest_{0}; // furthest position reached
    std::atomic<double> openDeadline_{0};

    WakeSignal readWake_;
    WakeSignal presentWake_;
    PacketQueue videoQueue_;
    PacketQueue audioQueue_;
    PacketQueue subtitleQueue_;
    FrameQueue pictures_;
    FrameQueue samples_;
    Clock audioClock_;
    Clock externalClock_;

    std::atomic<bool> abort_{false};
    std::atomic<bool> paused_{false};
    std::atomic<bool> ended_{false};
    std::atomic<int> serial_{1};
    std::atomic<int> videoEndedSerial_{-1};
    std::atomic<int> audioEndedSerial_{-1};
    std::atomic<int> audioClockFailedSerial_{-1};
    std::atomic<int> stepRequests_{0};
    std::atomic<int> videoStartedSerial_{-1};
    std::atomic<float> volume_{1.0f};
    std::atomic<float> outputPeak_{0.0f};
    std::atomic<bool> framePending_{false};

    mutable std::mutex controlMutex_; // seek request, step skip, filters, display size, stats
    bool seekPending_ = false;
    double seekTarget_ = 0;
    double seekBackoff_ = 0;
    double lastTarget_ = 0;
    double lastBackoff_ = 0;
    int stepSerial_ = -1;
    double stepTime_ = 0;
    FilterSetting videoFilter_, audioFilter_;
    QSize displaySize_;
    PlaybackStatistics stats_;

    mutable std::mutex frameMutex_;
    QImage frameImage_;
    double framePts_ = std::numeric_limits<double>::quiet_NaN();
    QString frameSubtitle_;

    mutable std::mutex subtitleMutex_;
    std::vector<Subtitle> subtitles_;

    // Presenter-only state.
    SwsPtr sws_;
    std::vector<QImage> imagePool_;
    int lastShownSerial_ = -1;
    // Audio-callback-only state.
    AudioOutput audio_;
    int audioOffset_ = 0;
    int gateSerial_ = -1;
    double gateSince_ = 0;

    std::vector<std::thread> threads_;
};

} // namespace orvane::media::detail
