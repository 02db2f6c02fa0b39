// The video view paints the player's picture, scaled with its aspect kept.
#include "MediaFixtures.h"
#include "organizer/media/MediaPlayerView.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace orvane::media;
using namespace orvane::media::test;

TEST(MediaPlayerView, PaintsTheFrameLetterboxedAtDisplaySize)
{
    MediaPlayer player;
    MediaPlayerView view;
    view.resize(200, 100); // wider than the 4:3 picture: bars left and right
    view.setPlayer(&player);
    QSignalSpy frames(&player, &MediaPlayer::frameChanged);
    ASSERT_TRUE(player.open(mediaFile("clip.mp4")).ok());
    player.pause();
    player.setPosition(0.5);
    ASSERT_TRUE(waitFor([&] { return std::abs(player.framePosition() - 0.5) < 0.041 && frames.count() > 0; }, 3000));

    // Pictures are converted at the view's size, not the source's.
    EXPECT_EQ(view.currentFrame().size(), QSize(133, 100));
    const QImage shot = view.grab().toImage();
    ASSERT_EQ(shot.size(), QSize(200, 100));
    EXPECT_EQ(shot.pixelColor(10, 50), QColor(Qt::black));
    EXPECT_EQ(shot.pixelColor(190, 50), QColor(Qt::black));
    const QColor red = shot.pixelColor(100 - 33, 85);
    const QColor blue = shot.pixelColor(100 + 33, 85);
    EXPECT_GT(red.red(), 170);
    EXPECT_LT(red.blue(), 80);
    EXPECT_GT(blue.blue(), 170);
    EXPECT_LT(blue.red(), 80);

    player.close();
    EXPECT_TRUE(view.grab().toImage().pixelColor(100, 50) == QColor(Qt::black));
}
