// The player against real files of every container it is used with.
#include "MediaFixtures.h"
#include "organizer/media/MediaPlayer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

using namespace orvane::media;
using namespace orvane::media::test;

namespace {

constexpr double kFrame = 1.0 / 25; // the test pictures run at 25 frames a second

struct FormatCase {
    const char *file;
    bool video;
    double duration; // as the container declares it: one second of content plus
                     // the audio encoder's padding to whole frames or the muxer's preroll
};

void PrintTo(const FormatCase &c, std::ostream *os) { *os << c.file; }

class FormatTest : public ::testing::TestWithParam<FormatCase> {
protected:
    void SetUp() override
    {
        const MediaResult r = player.open(mediaFile(GetParam().file));
        ASSERT_TRUE(r.ok()) << r.message.toStdString();
    }
    // Pauses at `seconds` and waits until the picture for it is on screen.
    void pauseAt(double seconds)
    {
        player.pause();
        player.setPosition(seconds);
        if (GetParam().video) {
            ASSERT_TRUE(waitFor([&] { return std::abs(player.framePosition() - seconds) < kFrame + 1e-3; }, 3000))
                << "picture at " << player.framePosition();
        }
    }

    MediaPlayer player;
};

TEST_P(FormatTest, OpensPlaysPausesAndEnds)
{
    EXPECT_NEAR(player.duration(), GetParam().duration, kFrame);
    EXPECT_TRUE(player.playing());
    EXPECT_FALSE(player.paused());

    // Position follows real time while playing...
    ASSERT_TRUE(waitFor([&] { return player.position() > 0.05; }, 2000));
    QElapsedTimer clock;
    clock.start();
    const double p0 = player.position();
    pump(300);
    const double advanced = player.position() - p0;
    EXPECT_NEAR(advanced, clock.elapsed() / 1000.0, 0.06);

    // ...and stands still while paused.
    player.pause();
    EXPECT_TRUE(player.paused());
    const double held = player.position();
    pump(150);
    EXPECT_DOUBLE_EQ(player.position(), held);

    // Playing on reaches the end: position is the duration, playing() false.
    QSignalSpy finished(&player, &MediaPlayer::finished);
    player.play();
    EXPECT_FALSE(player.paused());
    ASSERT_TRUE(waitFor([&] { return finished.count() == 1; }, 3000));
    EXPECT_FALSE(player.playing());
    EXPECT_DOUBLE_EQ(player.position(), player.duration());

    // Play after the end starts again from the beginning.
    player.play();
    EXPECT_TRUE(waitFor([&] { return player.playing() && player.position() < 0.5; }, 2000));
}

TEST_P(FormatTest, SeekLandsWithinOneFrame)
{
    pauseAt(0.5);
    EXPECT_NEAR(player.position(), 0.5, kFrame);
    pump(100);
    EXPECT_NEAR(player.position(), 0.5, kFrame) << "a paused seek holds its position";

    // While playing, forwards and backwards: pictures go on from the target
    // and keep up with the sound.
    player.play();
    for (const double target : {0.6, 0.2}) {
        player.setPosition(target);
        EXPECT_NEAR(player.position(), target, kFrame);
        ASSERT_TRUE(waitFor([&] { return player.position() > target + 0.2; }, 2000)) << "from " << target;
        EXPECT_LT(player.position(), target + 0.4);
        if (GetParam().video) {
            EXPECT_NEAR(player.framePosition(), player.position(), 2 * kFrame) << "from " << target;
        }
    }
}

TEST_P(FormatTest, StepForwardShowsExactlyTheNextFrame)
{
    if (!GetParam().video) {
        // Without pictures a step only pauses.
        player.stepForward();
        EXPECT_TRUE(player.paused());
        const double held = player.position();
        pump(100);
        EXPECT_DOUBLE_EQ(player.position(), held);
        return;
    }
    pauseAt(0.4);
    double shown = player.framePosition();
    for (int i = 0; i < 3; ++i) {
        player.stepForward();
        ASSERT_TRUE(waitFor([&] { return player.framePosition() > shown + 1e-6; }, 2000));
        EXPECT_NEAR(player.framePosition() - shown, kFrame, 2e-3);
        shown = player.framePosition();
        EXPECT_TRUE(player.paused());
        EXPECT_NEAR(player.position(), shown, 1e-3);
    }
    // Playing on continues from the stepped picture, sound included.
    player.play();
    ASSERT_TRUE(waitFor([&] { return player.position() > shown + 0.2; }, 2000));
    EXPECT_LT(player.position(), shown + 0.45);
    EXPECT_NEAR(player.framePosition(), player.position(), 2 * kFrame);
}

TEST_P(FormatTest, GrabbedFrameShowsThePattern)
{
    if (!GetParam().video) {
        EXPECT_TRUE(player.currentFrame().isNull());
        return;
    }
    pauseAt(0.5);
    const QImage frame = player.currentFrame();
    ASSERT_FALSE(frame.isNull());
    EXPECT_EQ(frame.size(), QSize(320, 240));
    // Lower left red, lower right blue (lossy codecs blur the edges only).
    const QColor left = frame.pixelColor(80, 200);
    const QColor right = frame.pixelColor(240, 200);
    EXPECT_GT(left.red(), 180);
    EXPECT_LT(left.green(), 70);
    EXPECT_LT(left.blue(), 70);
    EXPECT_LT(right.red(), 70);
    EXPECT_LT(right.green(), 70);
    EXPECT_GT(right.blue(), 180);
}

INSTANTIATE_TEST_SUITE_P(Containers, FormatTest,
                         ::testing::Values(FormatCase{"tone.wav", false, 1.0}, FormatCase{"tone.mp3", false, 1.045},
                                           FormatCase{"tone.wma", false, 1.021}, FormatCase{"clip.mp4", true, 1.0},
                                           FormatCase{"clip.mov", true, 1.0}, FormatCase{"clip.m4v", true, 1.0},
                                           FormatCase{"clip.mpg", true, 1.019}, FormatCase{"clip.avi", true, 1.045},
                                           FormatCase{"clip.wmv", true, 1.092}, FormatCase{"clip.flv", true, 1.025}),
                         [](const auto &info) {
                             QString n = QString::fromLatin1(info.param.file);
                             return n.replace('.', '_').toStdString();
                         });

// ---- speed through the filter texts ----

struct SpeedCase {
    const char *file;
    const char *videoFilter;
    const char *audioFilter;
    double rate; // position seconds per real second
};

void PrintTo(const SpeedCase &c, std::ostream *os) { *os << c.file << " " << c.videoFilter << " " << c.audioFilter; }

class SpeedTest : public ::testing::TestWithParam<SpeedCase> {};

TEST_P(SpeedTest, PositionAdvancesAtTheFilteredRate)
{
    const SpeedCase &c = GetParam();
    MediaPlayer player;
    ASSERT_TRUE(player.open(mediaFile(c.file)).ok());
    // As the MultiMedia tab does it: filters on the playing file, then seek.
    ASSERT_TRUE(player.setVideoFilters(c.videoFilter).ok());
    ASSERT_TRUE(player.setAudioFilters(c.audioFilter).ok());
    player.setPosition(0.5);
    ASSERT_TRUE(waitFor([&] { return player.position() > 0.55; }, 2000));
    QElapsedTimer clock;
    clock.start();
    const double p0 = player.position();
    pump(800);
    const double rate = (player.position() - p0) / (clock.elapsed() / 1000.0);
    EXPECT_NEAR(rate, c.rate, 0.1 * c.rate);
}

INSTANTIATE_TEST_SUITE_P(
    Speeds, SpeedTest,
    ::testing::Values(SpeedCase{"long.mp4", "setpts=2.0*PTS", "atempo=0.5", 0.5},
                      SpeedCase{"long.mp4", "setpts=1.0*PTS", "atempo=1.0", 1.0},
                      SpeedCase{"long.mp4", "setpts=0.5*PTS", "atempo=2.0", 2.0},
                      SpeedCase{"silent.mp4", "setpts=2.0*PTS", "atempo=0.5", 0.5},
                      SpeedCase{"silent.mp4", "setpts=0.5*PTS", "atempo=2.0", 2.0},
                      SpeedCase{"long.wav", "setpts=2.0*PTS", "atempo=0.5", 0.5},
                      SpeedCase{"long.wav", "setpts=0.5*PTS", "atempo=2.0", 2.0}));

TEST(MediaPlayerFilters, HalfSpeedKeepsPicturesWithTheSound)
{
    MediaPlayer player;
    ASSERT_TRUE(player.open(mediaFile("long.mp4")).ok());
    ASSERT_TRUE(player.setVideoFilters("setpts=2.0*PTS").ok());
    ASSERT_TRUE(player.setAudioFilters("atempo=0.5").ok());
    player.setPosition(1.0);
    ASSERT_TRUE(waitFor([&] { return player.position() > 1.3; }, 3000));
    EXPECT_NEAR(player.framePosition(), player.position(), 2 * kFrame);
    EXPECT_LT(player.statistics().maxDrift, 0.04);
}

TEST(MediaPlayerFilters, BadFilterTextIsRefusedAndTheOldOneKept)
{
    MediaPlayer player;
    ASSERT_TRUE(player.setVideoFilters("setpts=2.0*PTS").ok());
    const MediaResult v = player.setVideoFilters("nosuchfilter=3");
    EXPECT_EQ(v.status, MediaStatus::BadFilter);
    EXPECT_FALSE(v.message.isEmpty());
    EXPECT_EQ(player.videoFilters(), "setpts=2.0*PTS");
    EXPECT_EQ(player.setAudioFilters("atempo=banana").status, MediaStatus::BadFilter);
}

// ---- settings at creation ----

struct SettingsCase {
    const char *name;
    PlayerSettings settings;
    bool pictures;
};

void PrintTo(const SettingsCase &c, std::ostream *os) { *os << c.name; }

class SettingsTest : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(SettingsTest, StreamsFollowTheSettings)
{
    const SettingsCase &c = GetParam();
    MediaPlayer player(c.settings);
    ASSERT_TRUE(player.open(mediaFile("long.mp4")).ok());
    player.setPosition(1.0);
    ASSERT_TRUE(waitFor([&] { return player.position() > 1.05; }, 2000));
    QElapsedTimer clock;
    clock.start();
    const double p0 = player.position();
    pump(500);
    EXPECT_NEAR((player.position() - p0) / (clock.elapsed() / 1000.0), 1.0, 0.1);
    EXPECT_EQ(!player.currentFrame().isNull(), c.pictures);
    if (c.pictures) {
        EXPECT_NEAR(player.framePosition(), player.position(), 2 * kFrame);
    }
}

PlayerSettings settingsWith(const std::function<void(PlayerSettings &)> &change)
{
    PlayerSettings s;
    change(s);
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Creation, SettingsTest,
    ::testing::Values(SettingsCase{"defaults", PlayerSettings{}, true},
                      SettingsCase{"system_clock", settingsWith([](PlayerSettings &s) { s.master = SyncMaster::External; }), true},
                      SettingsCase{"no_video", settingsWith([](PlayerSettings &s) { s.videoEnabled = false; }), false},
                      SettingsCase{"no_audio", settingsWith([](PlayerSettings &s) { s.audioEnabled = false; }), true}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(MediaPlayerSettings, NothingEnabledIsAnError)
{
    PlayerSettings s;
    s.audioEnabled = false;
    s.videoEnabled = false;
    MediaPlayer player(s);
    EXPECT_EQ(player.open(mediaFile("clip.mp4")).status, MediaStatus::NotMediaFile);
}

// ---- opening, closing, errors ----

TEST(MediaPlayerLifecycle, NothingOpenGivesZeros)
{
    MediaPlayer player;
    EXPECT_EQ(player.duration(), 0.0);
    EXPECT_EQ(player.position(), 0.0);
    EXPECT_FALSE(player.playing());
    EXPECT_FALSE(player.paused());
    EXPECT_DOUBLE_EQ(player.volume(), 1.0);
    EXPECT_EQ(player.settings().master, SyncMaster::Audio);
    EXPECT_TRUE(player.settings().videoEnabled && player.settings().audioEnabled && player.settings().subtitlesEnabled);
    player.play();
    player.setPosition(3);
    player.stepForward();
    EXPECT_TRUE(player.currentFrame().isNull());
}

TEST(MediaPlayerLifecycle, CloseReleasesThenAnotherFileOpens)
{
    MediaPlayer player;
    ASSERT_TRUE(player.open(mediaFile("clip.mp4")).ok());
    ASSERT_TRUE(waitFor([&] { return !player.currentFrame().isNull(); }, 2000));
    player.close();
    EXPECT_FALSE(player.isOpen());
    EXPECT_EQ(player.duration(), 0.0);
    EXPECT_TRUE(player.currentFrame().isNull());
    // The file is released: it can be replaced right away.
    const QString copy = mediaFile("replaced.mp4");
    QFile::remove(copy);
    ASSERT_TRUE(QFile::copy(mediaFile("clip.mp4"), copy));
    ASSERT_TRUE(player.open(copy).ok());
    player.close();
    EXPECT_TRUE(QFile::remove(copy));

    ASSERT_TRUE(player.open(mediaFile("tone.wav")).ok());
    EXPECT_NEAR(player.duration(), 1.0, 1e-3);
    // Opening over an open file closes it first.
    ASSERT_TRUE(player.open(mediaFile("clip.flv")).ok());
    EXPECT_TRUE(waitFor([&] { return player.position() > 0.1; }, 2000));
}

TEST(MediaPlayerLifecycle, OptionsArePassedAndCheckedAtOpen)
{
    MediaPlayer player;
    player.setOptions({"icy=1"});
    EXPECT_TRUE(player.open(mediaFile("tone.mp3")).ok()) << "an option the demuxer does not use is harmless";
    player.setOptions({"icy"});
    const MediaResult r = player.open(mediaFile("tone.mp3"));
    EXPECT_EQ(r.status, MediaStatus::BadOption);
    EXPECT_FALSE(player.isOpen());
    player.clearOptions();
    EXPECT_TRUE(player.options().isEmpty());
}

TEST(MediaPlayerLifecycle, VolumeScalesTheSoundAndIsClamped)
{
    MediaPlayer player;
    ASSERT_TRUE(player.open(mediaFile("long.wav")).ok());
    // The test tone's amplitude is 1/8 of full scale.
    ASSERT_TRUE(waitFor([&] { return player.statistics().outputPeak > 0.1; }, 2000));
    EXPECT_NEAR(player.statistics().outputPeak, 0.125, 0.005);
    player.setVolume(0.25);
    EXPECT_DOUBLE_EQ(player.volume(), 0.25);
    pump(120);
    EXPECT_NEAR(player.statistics().outputPeak, 0.125 * 0.25, 0.002);
    player.setVolume(0);
    pump(120);
    EXPECT_EQ(player.statistics().outputPeak, 0.0);
    player.setVolume(7);
    EXPECT_DOUBLE_EQ(player.volume(), 1.0);
    player.setVolume(-1);
    EXPECT_DOUBLE_EQ(player.volume(), 0.0);
    player.setVolume(std::nan(""));
    EXPECT_DOUBLE_EQ(player.volume(), 1.0);

    // A volume chosen at creation applies from the first sample.
    PlayerSettings half;
    half.volume = 0.5;
    MediaPlayer quieter(half);
    ASSERT_TRUE(quieter.open(mediaFile("long.wav")).ok());
    ASSERT_TRUE(waitFor([&] { return quieter.statistics().outputPeak > 0.01; }, 2000));
    EXPECT_NEAR(quieter.statistics().outputPeak, 0.0625, 0.003);
}

// A WAV header naming a codec nobody implements (format tag 0x7777).
QByteArray unknownCodecWav()
{
    QByteArray fmt;
    auto le16 = [](QByteArray &b, int v) { b.append(char(v & 0xff)).append(char((v >> 8) & 0xff)); };
    auto le32 = [&](QByteArray &b, int v) { le16(b, v & 0xffff); le16(b, (v >> 16) & 0xffff); };
    le16(fmt, 0x7777);
    le16(fmt, 1);
    le32(fmt, 8000);
    le32(fmt, 16000);
    le16(fmt, 2);
    le16(fmt, 16);
    const QByteArray data(16000, '\x11');
    QByteArray wav = "RIFF";
    le32(wav, 4 + 8 + fmt.size() + 8 + data.size());
    wav += "WAVEfmt ";
    le32(wav, fmt.size());
    wav += fmt;
    wav += "data";
    le32(wav, data.size());
    return wav + data;
}

struct BadFileCase {
    const char *name;
    std::function<QByteArray()> content; // null: the file does not exist
    MediaStatus status;
};

void PrintTo(const BadFileCase &c, std::ostream *os) { *os << c.name; }

QByteArray headOf(const char *file, double fraction)
{
    QFile f(mediaFile(file));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.read(qint64(f.size() * fraction));
}

QByteArray noise(int bytes)
{
    QByteArray b(bytes, 0);
    QRandomGenerator rng(1234);
    for (char &c : b)
        c = char(rng.bounded(256));
    return b;
}

class BadFileTest : public ::testing::TestWithParam<BadFileCase> {};

TEST_P(BadFileTest, GivesAnErrorAndLeavesNothingOpen)
{
    const BadFileCase &c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(c.name);
    if (c.content) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.content());
    }
    MediaPlayer player;
    const MediaResult r = player.open(path);
    EXPECT_EQ(r.status, c.status) << r.message.toStdString();
    EXPECT_TRUE(r.message.contains(c.name)) << r.message.toStdString();
    EXPECT_FALSE(player.isOpen());
    EXPECT_EQ(player.duration(), 0.0);
    EXPECT_FALSE(player.playing());
    // Describing the file needs no decoder: it lists the stream without one.
    MediaInfo info;
    const MediaResult probed = probeMedia(path, &info);
    if (c.status == MediaStatus::UnsupportedCodec) {
        ASSERT_TRUE(probed.ok());
        ASSERT_EQ(info.streams.size(), 1);
        EXPECT_EQ(info.streams[0].kind, "audio");
        EXPECT_TRUE(info.streams[0].codec.isEmpty());
    } else {
        EXPECT_EQ(probed.status, c.status);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadFileTest,
    ::testing::Values(BadFileCase{"missing.mp3", {}, MediaStatus::FileNotFound},
                      BadFileCase{"text.mp3", [] { return QByteArray("This is a shopping list, not music.\nMilk\nBread\n").repeated(20); }, MediaStatus::NotMediaFile},
                      BadFileCase{"empty.avi", [] { return QByteArray(); }, MediaStatus::NotMediaFile},
                      BadFileCase{"truncated.mp4", [] { return headOf("clip.mp4", 0.5); }, MediaStatus::NotMediaFile},
                      BadFileCase{"noise.avi", [] { return noise(65536); }, MediaStatus::NotMediaFile},
                      BadFileCase{"wav-named.wmv", [] { return unknownCodecWav(); }, MediaStatus::UnsupportedCodec}),
    [](const auto &info) {
        QString n = QString::fromLatin1(info.param.name);
        return n.replace('.', '_').replace('-', '_').toStdString();
    });

TEST(MediaPlayerLifecycle, FolderIsNoFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("movie.mp4"));
    MediaPlayer player;
    EXPECT_EQ(player.open(dir.filePath("movie.mp4")).status, MediaStatus::FileNotFound);
}

// Damaged files that still open play as far as they can and end normally.
struct DamageCase {
    const char *file;
    bool truncate; // else: 4 KB of noise over the middle
};

void PrintTo(const DamageCase &c, std::ostream *os) { *os << c.file << (c.truncate ? " truncated" : " overwritten"); }

class DamagedFileTest : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DamagedFileTest, PlaysToTheEndOrRefusesButNeverHangs)
{
    const DamageCase &c = GetParam();
    QByteArray data = headOf(c.file, 1.0);
    ASSERT_FALSE(data.isEmpty());
    if (c.truncate)
        data.truncate(data.size() * 6 / 10);
    else
        data.replace(data.size() / 2, 4096, noise(4096));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("damaged-") + c.file);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
    f.close();

    MediaPlayer player;
    ASSERT_TRUE(player.setVideoFilters("setpts=0.5*PTS").ok());
    ASSERT_TRUE(player.setAudioFilters("atempo=2.0").ok());
    QSignalSpy finished(&player, &MediaPlayer::finished);
    const MediaResult r = player.open(path);
    if (!r) {
        EXPECT_NE(r.status, MediaStatus::Ok);
        EXPECT_FALSE(r.message.isEmpty());
        return;
    }
    EXPECT_TRUE(waitFor([&] { return finished.count() == 1; }, 4000));
    player.setPosition(0.3);
    player.stepForward();
    pump(50);
    player.close();
}

INSTANTIATE_TEST_SUITE_P(
    Damage, DamagedFileTest,
    ::testing::Values(DamageCase{"tone.wav", true}, DamageCase{"tone.mp3", true}, DamageCase{"tone.wma", true},
                      DamageCase{"clip.mpg", true}, DamageCase{"clip.avi", true}, DamageCase{"clip.flv", true},
                      DamageCase{"clip.wmv", true}, DamageCase{"tone.mp3", false}, DamageCase{"tone.wma", false},
                      DamageCase{"clip.mp4", false}, DamageCase{"clip.mov", false}, DamageCase{"clip.m4v", false},
                      DamageCase{"clip.mpg", false}, DamageCase{"clip.avi", false}, DamageCase{"clip.wmv", false},
                      DamageCase{"clip.flv", false}));

// ---- pictures that come with music ----

TEST(MediaPlayerCover, CoverPictureShowsWhileMusicPlays)
{
    MediaPlayer player;
    QSignalSpy finished(&player, &MediaPlayer::finished);
    ASSERT_TRUE(player.open(mediaFile("covered.mp3")).ok());
    ASSERT_TRUE(waitFor([&] { return !player.currentFrame().isNull(); }, 2000));
    EXPECT_EQ(player.currentFrame().size(), QSize(64, 64));
    const QColor c = player.currentFrame().pixelColor(32, 32);
    EXPECT_GT(c.green(), 100);
    EXPECT_LT(c.red(), 60);
    // The sound sets the pace; a seek keeps the cover on screen.
    player.setPosition(0.5);
    ASSERT_TRUE(waitFor([&] { return player.position() > 0.6; }, 2000));
    EXPECT_FALSE(player.currentFrame().isNull());
    EXPECT_TRUE(waitFor([&] { return finished.count() == 1; }, 2000));
}

// ---- subtitles ----

TEST(MediaPlayerSubtitles, TextSubtitleOfThePictureOnScreen)
{
    MediaPlayer player;
    ASSERT_TRUE(player.open(mediaFile("subtitled.mkv")).ok());
    player.pause();
    player.setPosition(0.3);
    ASSERT_TRUE(waitFor([&] { return std::abs(player.framePosition() - 0.3) < kFrame; }, 3000));
    EXPECT_TRUE(waitFor([&] { player.stepForward(); pump(20); return player.currentSubtitle() == "Hello subtitles"; }, 2000))
        << player.currentSubtitle().toStdString();
}

} // namespace
