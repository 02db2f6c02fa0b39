// Streaming over HTTP from a local server (python's http.server on loopback,
// which answers without range support, so the streams cannot seek).
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

class HttpServer {
public:
    HttpServer()
    {
        port_ = freePort();
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.setStandardOutputFile(QProcess::nullDevice());
        process_.setStandardErrorFile(QProcess::nullDevice());
        process_.start("/usr/bin/python3", {"-m", "http.server", "--bind", "127.0.0.1", QString::number(port_), "--directory", mediaDir()});
        process_.waitForStarted(5000);
        running_ = waitFor([this] {
            QTcpSocket s;
            s.connectToHost(QHostAddress::LocalHost, port_);
            return s.waitForConnected(100);
        }, 10000);
    }
    ~HttpServer()
    {
        process_.terminate();
        if (!process_.waitForFinished(3000)) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }
    bool running() const { return running_; }
    QString url(const QString &name) const { return QStringLiteral("http://127.0.0.1:%1/%2").arg(port_).arg(name); }

private:
    QProcess process_;
    quint16 port_ = 0;
    bool running_ = false;
};

HttpServer &server()
{
    static HttpServer s;
    return s;
}

struct StreamCase {
    const char *file;
    const char *option; // as the Internet download window sets it, or ""
    bool video;
};

void PrintTo(const StreamCase &c, std::ostream *os) { *os << c.file << " " << c.option; }

class StreamTest : public ::testing::TestWithParam<StreamCase> {
protected:
    void SetUp() override { ASSERT_TRUE(server().running()) << "http.server did not come up"; }
};

TEST_P(StreamTest, StreamsToTheEnd)
{
    const StreamCase &c = GetParam();
    MediaPlayer player;
    if (*c.option)
        player.setOptions({c.option});
    QSignalSpy finished(&player, &MediaPlayer::finished);
    const MediaResult r = player.open(server().url(c.file));
    ASSERT_TRUE(r.ok()) << r.message.toStdString();
    ASSERT_TRUE(waitFor([&] { return player.position() > 0.4; }, 3000));
    EXPECT_LT(player.position(), 0.8);
    if (c.video) {
        EXPECT_NEAR(player.framePosition(), player.position(), 2.0 / 25);
        const QImage frame = player.currentFrame();
        ASSERT_FALSE(frame.isNull());
        EXPECT_GT(frame.pixelColor(80, 200).red(), 180);
        EXPECT_GT(frame.pixelColor(240, 200).blue(), 180);
    }
    ASSERT_TRUE(waitFor([&] { return finished.count() == 1; }, 3000));
    // Whatever the stream declared, the end is where playing stopped.
    EXPECT_NEAR(player.position(), 1.0, 0.1);
    EXPECT_DOUBLE_EQ(player.duration(), player.position());
}

INSTANTIATE_TEST_SUITE_P(Http, StreamTest,
                         ::testing::Values(StreamCase{"clip.mp4", "", true}, StreamCase{"clip.mpg", "", true},
                                           StreamCase{"clip.flv", "", true}, StreamCase{"tone.mp3", "icy=1", false},
                                           StreamCase{"tone.wma", "icy=1", false}));

TEST(StreamErrors, MissingAddressAndClosedPortAreErrors)
{
    ASSERT_TRUE(server().running());
    MediaPlayer player;
    MediaResult r = player.open(server().url("no-such-file.mp4"));
    EXPECT_EQ(r.status, MediaStatus::OpenFailed);
    EXPECT_TRUE(r.message.contains("no-such-file.mp4"));
    r = player.open(QStringLiteral("http://127.0.0.1:%1/clip.mp4").arg(freePort()));
    EXPECT_EQ(r.status, MediaStatus::OpenFailed);
    EXPECT_FALSE(player.isOpen());
}

} // namespace
