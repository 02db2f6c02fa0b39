#pragma once
// The media player engine: plays music and video files and http streams
// through FFmpeg, with sound through SDL2.
//
// Call it from one thread (the GUI thread). Decoding runs on its own
// threads: a demuxer, one decoder per stream, a video presenter that times
// pictures to the audio clock, and the audio output's callback.
// Nothing in a damaged or foreign file may crash it: such files give an
// error from open(), or play as far as they can be decoded.
#include <QImage>
#include <QList>
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>
#include <memory>

namespace orvane::media {

enum class MediaStatus {
    Ok,
    NotOpen,          // an operation that needs an open file
    FileNotFound,     // the path does not exist or cannot be read
    NotMediaFile,     // the data is no container/codec the player knows
    UnsupportedCodec, // streams exist but none can be decoded
    OpenFailed,       // input/output or network failure while opening
    BadOption,        // an option line is not "key=value"
    BadFilter,        // a filter text does not parse
};

// Outcome of an operation: a status and a message for the user.
struct MediaResult {
    MediaStatus status = MediaStatus::Ok;
    QString message;

    bool ok() const { return status == MediaStatus::Ok; }
    explicit operator bool() const { return ok(); }
    static MediaResult success() { return {}; }
    static MediaResult failure(MediaStatus s, QString text) { return {s, std::move(text)}; }
};

struct StreamInfo {
    int index = -1;
    QString kind;  // "video", "audio", "subtitle", "data", "attachment"
    QString codec; // decoder name, empty when none is available
    int width = 0, height = 0;
    double frameRate = 0;
    int sampleRate = 0, channels = 0;
    QString language;
};

struct MediaInfo {
    QString url;
    QString format;   // container description
    double duration = 0;
    qint64 bitRate = 0;
    QList<StreamInfo> streams;
};

// Reads a file's or stream's description without playing it.
MediaResult probeMedia(const QString &pathOrUrl, MediaInfo *info, const QStringList &options = {});

enum class SyncMaster {
    Audio,    // pictures follow the sound (the system clock when there is no sound)
    External, // pictures and sound follow the system clock
};

struct PlayerSettings {
    double volume = 1.0;
    SyncMaster master = SyncMaster::Audio;
    bool videoEnabled = true;
    bool audioEnabled = true;
    bool subtitlesEnabled = true;
};

// Measured while playing, for diagnostics and benchmarks.
struct PlaybackStatistics {
    qint64 framesShown = 0;
    qint64 framesDropped = 0;
    double maxDrift = 0;  // largest |picture time - audio clock| at display, seconds
    double maxDriftAt = 0; // picture time where it was seen
    QString audioOutput;  // which output consumes the sound
    double outputPeak = 0; // largest sample (0..1) in the last block handed to the output
};

namespace detail {
class PlaybackSession;
}

class MediaPlayer : public QObject {
    Q_OBJECT
public:
    explicit MediaPlayer(QObject *parent = nullptr);
    explicit MediaPlayer(const PlayerSettings &settings, QObject *parent = nullptr);
    ~MediaPlayer() override;

    const PlayerSettings &settings() const { return settings_; }

    // Opens and starts playing (not paused). Blocks until the file is open and
    // its duration known. Closes what was open before. On failure nothing is open.
    MediaResult open(const QString &pathOrUrl);
    // Stops the threads and releases the file; duration() becomes 0.
    void close();
    bool isOpen() const;
    QString url() const;

    // Starts or resumes; after the end, starts again from the beginning.
    void play();
    // Halts and keeps the position.
    void pause();
    // A file is open and has not played to its end.
    bool playing() const;
    bool paused() const;

    // Seconds from the start; the duration once the end has been reached.
    double position() const;
    // Seeks; the first picture/sample shown is the one at `seconds`.
    void setPosition(double seconds);
    // Seconds; 0 when nothing is open (or the stream has no known length).
    double duration() const;
    // Time of the picture on screen (NaN when none).
    double framePosition() const;

    double volume() const { return settings_.volume; }
    void setVolume(double volume); // clamped to 0.0-1.0

    // "key=value" lines passed to the demuxer at the next open ("icy=1").
    QStringList options() const { return options_; }
    void setOptions(const QStringList &options) { options_ = options; }
    void clearOptions() { options_.clear(); }

    // Filter-graph texts for the playing file and the files opened later.
    // "setpts=2.0*PTS" with "atempo=0.5" plays at half speed: position()
    // then advances at half the rate. An empty text means no filter.
    MediaResult setVideoFilters(const QString &text);
    MediaResult setAudioFilters(const QString &text);
    QString videoFilters() const { return videoFilters_; }
    QString audioFilters() const { return audioFilters_; }

    // Pauses and shows exactly the next picture.
    void stepForward();
    // The picture on screen (null when none).
    QImage currentFrame() const;
    // Subtitle text for the picture on screen (empty when none).
    QString currentSubtitle() const;
    // Pictures are converted at most at this size (keeping their aspect);
    // an empty size means the source size.
    void setDisplaySize(const QSize &size);

    MediaInfo info() const;
    PlaybackStatistics statistics() const;

signals:
    // A new picture is on screen (emitted on the player's thread, at most
    // one pending at a time).
    void frameChanged();
    // Playback reached the end of the file.
    void finished();

private:
    void deliverFrame(quint64 session);
    void deliverFinished(quint64 session);

    PlayerSettings settings_;
    QStringList options_;
    QString videoFilters_;
    QString audioFilters_;
    double videoScale_ = 1.0;
    double audioScale_ = 1.0;
    QSize displaySize_;
    QString url_;
    std::unique_ptr<detail::PlaybackSession> session_;
    quint64 sessionId_ = 0;
};

} // namespace orvane::media
