// Streaming over HTTP from a local server (python's http.server on loopback).
#include "MediaFixtures.h"
#include "organizer/media/MediaPlayer.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>

#include <memory>

using namespace orvane::media;
using namespace orvane::media::test;

namespace {

quint16 freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

class StreamTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        port = freePort();
        ASSERT_NE(port, 0);
        server = std::make_unique<QProcess>();
        server->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server->setStandardOutputFile(QProcess::nullDevice());
        server->start("/usr/bin/python3", {"-m", "http.server", "--bind", "127.0.0.1", QString::number(port), "--directory", mediaDir()});
        ASSERT_TRUE(server->waitForStarted(5000));
        ASSERT_TRUE(waitFor([] {
            QTcpSocket s;
            s.connectToHost(QHostAddress::LocalHost, port);
            return s.waitForConnected(100);
        }, 10000)) << "http.server did not come up";
    }
    static void TearDownTestSuite()
    {
        if (server) {
            server->terminate();
            if (!server->waitForFinished(3000))
                server->kill();
            server->waitForFinished(3000);
            server.reset();
        }
    }
    static QString url(const QString &name) { return QStringLiteral("http://127.0.0.1:%1/%2").arg(port).arg(name); }

    static inline quint16 port = 0;
    static inline std::unique_ptr<QProcess> server;
};

TEST_F(StreamTest, VideoStreamsToTheEnd)
{
    MediaPlayer player;
    QSignalSpy finished(&player, &MediaPlayer::finished);
    const MediaResult r = player.open(url("clip.mp4"));
    ASSERT_TRUE(r.ok()) << r.message.toStdString();
    EXPECT_NEAR(player.duration(), 1.0, 1.0 / 25);
    ASSERT_TRUE(waitFor([&] { return player.position() > 0.3; }, 3000));
    const QImage frame = player.currentFrame();
    ASSERT_FALSE(frame.isNull());
    EXPECT_GT(frame.pixelColor(80, 200).red(), 180);
    EXPECT_GT(frame.pixelColor(240, 200).blue(), 180);
    EXPECT_TRUE(waitFor([&] { return finished.count() == 1; }, 3000));
    EXPECT_GT(player.statistics().framesShown, 15);
}

TEST_F(StreamTest, MusicStreamsWithTheIcyOption)
{
    MediaPlayer player;
    player.setOptions({"icy=1"});
    const MediaResult r = player.open(url("tone.mp3"));
    ASSERT_TRUE(r.ok()) << r.message.toStdString();
    EXPECT_TRUE(waitFor([&] { return player.position() > 0.3; }, 3000));
}

TEST_F(StreamTest, MissingAddressAndClosedPortAreErrors)
{
    MediaPlayer player;
    MediaResult r = player.open(url("no-such-file.mp4"));
    EXPECT_EQ(r.status, MediaStatus::OpenFailed);
    EXPECT_TRUE(r.message.contains("no-such-file.mp4"));
    r = player.open(QStringLiteral("http://127.0.0.1:%1/clip.mp4").arg(freePort()));
    EXPECT_EQ(r.status, MediaStatus::OpenFailed);
    EXPECT_FALSE(player.isOpen());
}

} // namespace
