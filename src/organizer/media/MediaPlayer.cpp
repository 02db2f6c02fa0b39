#include "MediaPlayer.h"

#include "PlaybackSession.h"

#include <QMetaObject>

namespace orvane::media {

using detail::PlaybackSession;

namespace {

void initialiseFfmpeg()
{
    static const bool done = [] {
        av_log_set_level(AV_LOG_QUIET);
        avformat_network_init();
        return true;
    }();
    (void)done;
}

} // namespace

MediaResult probeMedia(const QString &pathOrUrl, MediaInfo *info, const QStringList &options)
{
    initialiseFfmpeg();
    // A stream that stops answering gives up after the same time as open().
    struct Deadline {
        double at;
        static int expired(void *self) { return detail::Clock::now() > static_cast<Deadline *>(self)->at ? 1 : 0; }
    } deadline{detail::Clock::now() + 20.0};
    detail::FormatContextPtr ic;
    const MediaResult result = detail::openInput(pathOrUrl, options, AVIOInterruptCB{&Deadline::expired, &deadline}, ic);
    if (result && info)
        *info = detail::describeInput(pathOrUrl, ic.get());
    return result;
}

MediaPlayer::MediaPlayer(QObject *parent) : MediaPlayer(PlayerSettings{}, parent) {}

MediaPlayer::MediaPlayer(const PlayerSettings &settings, QObject *parent) : QObject(parent), settings_(settings)
{
    initialiseFfmpeg();
    settings_.volume = std::clamp(settings_.volume, 0.0, 1.0);
}

MediaPlayer::~MediaPlayer()
{
    session_.reset();
}

MediaResult MediaPlayer::open(const QString &pathOrUrl)
{
    close();
    detail::SessionConfig config{settings_, options_, videoFilters_, audioFilters_, videoScale_, audioScale_, displaySize_};
    const quint64 id = ++sessionId_;
    detail::SessionCallbacks callbacks{
        [this, id] { QMetaObject::invokeMethod(this, [this, id] { deliverFrame(id); }, Qt::QueuedConnection); },
        [this, id] { QMetaObject::invokeMethod(this, [this, id] { deliverFinished(id); }, Qt::QueuedConnection); },
    };
    auto session = std::make_unique<PlaybackSession>(std::move(config), std::move(callbacks));
    MediaResult result = session->open(pathOrUrl);
    if (!result)
        return result;
    session_ = std::move(session);
    url_ = pathOrUrl;
    return result;
}

void MediaPlayer::close()
{
    if (!session_)
        return;
    session_.reset();
    url_.clear();
    emit frameChanged();
}

bool MediaPlayer::isOpen() const
{
    return session_ != nullptr;
}

QString MediaPlayer::url() const
{
    return url_;
}

void MediaPlayer::play()
{
    if (session_)
        session_->play();
}

void MediaPlayer::pause()
{
    if (session_)
        session_->pause();
}

bool MediaPlayer::playing() const
{
    return session_ && !session_->ended();
}

bool MediaPlayer::paused() const
{
    return session_ && session_->paused();
}

double MediaPlayer::position() const
{
    return session_ ? session_->position() : 0.0;
}

void MediaPlayer::setPosition(double seconds)
{
    if (session_)
        session_->seek(seconds);
}

double MediaPlayer::duration() const
{
    return session_ ? session_->duration() : 0.0;
}

double MediaPlayer::framePosition() const
{
    return session_ ? session_->framePosition() : std::numeric_limits<double>::quiet_NaN();
}

void MediaPlayer::setVolume(double volume)
{
    settings_.volume = std::isfinite(volume) ? std::clamp(volume, 0.0, 1.0) : 1.0;
    if (session_)
        session_->setVolume(settings_.volume);
}

MediaResult MediaPlayer::setVideoFilters(const QString &text)
{
    double scale = 1;
    QString error;
    if (!detail::FilterChain::measureVideoScale(text, &scale, &error))
        return MediaResult::failure(MediaStatus::BadFilter, QStringLiteral("Video filter \"%1\": %2").arg(text, error));
    videoFilters_ = text;
    videoScale_ = scale;
    if (session_)
        session_->setVideoFilter(text, scale);
    return MediaResult::success();
}

MediaResult MediaPlayer::setAudioFilters(const QString &text)
{
    double scale = 1;
    QString error;
    if (!detail::FilterChain::measureAudioScale(text, &scale, &error))
        return MediaResult::failure(MediaStatus::BadFilter, QStringLiteral("Audio filter \"%1\": %2").arg(text, error));
    audioFilters_ = text;
    audioScale_ = scale;
    if (session_)
        session_->setAudioFilter(text, scale);
    return MediaResult::success();
}

void MediaPlayer::stepForward()
{
    if (session_)
        session_->step();
}

QImage MediaPlayer::currentFrame() const
{
    return session_ ? session_->currentFrame() : QImage();
}

QString MediaPlayer::currentSubtitle() const
{
    return session_ ? session_->currentSubtitle() : QString();
}

void MediaPlayer::setDisplaySize(const QSize &size)
{
    displaySize_ = size;
    if (session_)
        session_->setDisplaySize(size);
}

MediaInfo MediaPlayer::info() const
{
    return session_ ? session_->info() : MediaInfo{};
}

PlaybackStatistics MediaPlayer::statistics() const
{
    return session_ ? session_->statistics() : PlaybackStatistics{};
}

void MediaPlayer::deliverFrame(quint64 session)
{
    if (session != sessionId_ || !session_)
        return;
    session_->frameDelivered();
    emit frameChanged();
}

void MediaPlayer::deliverFinished(quint64 session)
{
    if (session != sessionId_ || !session_)
        return;
    emit finished();
}

} // namespace orvane::media
