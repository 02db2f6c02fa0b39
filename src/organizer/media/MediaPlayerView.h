#pragma once
// The video view: shows the player's current picture scaled into the
// widget's area with its aspect kept, on black. Painting happens on the GUI
// thread; the player only signals that a new picture is there.
#include "organizer/media/MediaPlayer.h"

#include <QPointer>
#include <QWidget>

namespace orvane::media {

class MediaPlayerView : public QWidget {
    Q_OBJECT
public:
    explicit MediaPlayerView(QWidget *parent = nullptr);

    void setPlayer(MediaPlayer *player);
    MediaPlayer *player() const { return player_; }
    // The picture on screen (what Capture saves); null when none.
    QImage currentFrame() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void updateDisplaySize();

    QPointer<MediaPlayer> player_;
    QMetaObject::Connection connection_;
};

} // namespace orvane::media
