#include "MediaPlayerView.h"

#include <QPainter>
#include <QResizeEvent>

namespace orvane::media {

MediaPlayerView::MediaPlayerView(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(32, 24);
    setObjectName(QStringLiteral("MediaPlayerControl2"));
    setAccessibleName(QStringLiteral("MediaPlayerControl2"));
}

void MediaPlayerView::setPlayer(MediaPlayer *player)
{
    if (connection_)
        disconnect(connection_);
    player_ = player;
    if (player_) {
        connection_ = connect(player_, &MediaPlayer::frameChanged, this, qOverload<>(&QWidget::update));
        updateDisplaySize();
    }
    update();
}

QImage MediaPlayerView::currentFrame() const
{
    return player_ ? player_->currentFrame() : QImage();
}

void MediaPlayerView::updateDisplaySize()
{
    if (player_)
        player_->setDisplaySize(size() * devicePixelRatioF());
}

void MediaPlayerView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    updateDisplaySize();
}

void MediaPlayerView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    const QImage frame = currentFrame();
    if (frame.isNull())
        return;
    const QSize fitted = frame.size().scaled(size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, frame);
}

} // namespace orvane::media
