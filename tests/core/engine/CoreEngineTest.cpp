// The main window's pure rules: small routines, file-type tables, style
// colours, thumbnail columns and the open dialog's filters.
#include "core/engine/FileTypes.h"
#include "core/engine/MainWindowRules.h"
#include "core/engine/Routines.h"

#include <gtest/gtest.h>

using namespace orvane;

struct InStrRevCase {
    const char *text;
    char ch;
    int expected;
};

class InStrRevTest : public ::testing::TestWithParam<InStrRevCase> {};

TEST_P(InStrRevTest, FindsLastOccurrenceOneBased)
{
    const auto &c = GetParam();
    EXPECT_EQ(InStrRev(QString::fromUtf8(c.text), QLatin1Char(c.ch)), c.expected) << c.text;
}

INSTANTIATE_TEST_SUITE_P(Cases, InStrRevTest,
                         ::testing::Values(InStrRevCase{"", '.', -1}, InStrRevCase{"a.b.jpg", '.', 4},
                                           InStrRevCase{"photo", '.', -1}, InStrRevCase{"/a/b/c.png", '/', 5},
                                           InStrRevCase{".", '.', 1}));

TEST(FlopDateTest, WritesSortableTimeStamps)
{
    const struct {
        QDateTime when;
        const char *expected;
    } cases[] = {
        {QDateTime(QDate(2024, 3, 5), QTime(9, 7, 2)), "20240305090702"},
        {QDateTime(QDate(2023, 12, 31), QTime(23, 59, 59)), "20231231235959"},
        {QDateTime(QDate(2024, 1, 1), QTime(0, 0, 0)), "20240101000000"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FlopDate(c.when), QString::fromLatin1(c.expected));
    // Text order is time order.
    EXPECT_LT(FlopDate(cases[1].when), FlopDate(cases[2].when));
}

TEST(RoundingTest, HalfGoesToEven)
{
    const std::pair<double, long long> cases[] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2},
                                                  {2.4999, 2}, {2.5001, 3}, {-2.6, -3}, {7.0, 7}};
    for (auto [value, expected] : cases)
        EXPECT_EQ(RoundHalfEven(value), expected) << value;
}

TEST(LeadingIntegerTest, ReadsTheNumberAtTheStart)
{
    const std::pair<const char *, long long> cases[] = {{"120", 120}, {"120px", 120}, {" 42 ", 42}, {"-5", -5},
                                                        {"abc", 0},   {"", 0},        {"1e3", 1}, {"+7x", 7}};
    for (auto [text, expected] : cases)
        EXPECT_EQ(LeadingInteger(QString::fromLatin1(text)), expected) << text;
}

TEST(FileTypesTest, ExtensionsAreTakenAfterTheLastDotInUpperCase)
{
    EXPECT_EQ(UpperFileExt("photo.Jpg"), "JPG");
    EXPECT_EQ(UpperFileExt("photo"), "");
    EXPECT_EQ(UpperFileExt("archive.tar.gz"), "GZ");
    EXPECT_EQ(UpperFileExt("/x.y/readme"), "Y/README"); // a folder's dot: callers split the name first
}

TEST(FileTypesTest, AllPicturesGroupPassesEveryPictureExtension)
{
    FileTypes t;
    t.InitFileTypes();
    t.SelectAllPictureTypes();
    EXPECT_EQ(t.LASTPICTRE, 17);
    EXPECT_EQ(t.LASTMEDIA, 9);
    EXPECT_EQ(t.TOTAL_FILTERS, 8);
    for (const char *ext : {"JPG", "JPE", "JPEG", "JP2", "J2K", "TIFF", "TIF", "BMP", "ICO", "TGA", "PSD", "PNG",
                            "GIF", "WMF", "HDP", "JXR", "WDP", "ICNS"})
        EXPECT_TRUE(t.ExtInFilter(ext)) << ext;
    EXPECT_FALSE(t.ExtInFilter(""));
    EXPECT_FALSE(t.ExtInFilter("jpg")); // callers pass upper case
    EXPECT_FALSE(t.ExtInFilter("MP3"));
    EXPECT_EQ(t.FILELABEL_ARR[8], "All Picture Files");
    EXPECT_TRUE(t.FILELABEL_ARR[9].isEmpty());
}

TEST(FileTypesTest, GroupsReplaceTheFilter)
{
    const struct {
        int group;
        QStringList passes;
        QStringList fails;
    } cases[] = {
        {1, {"TIFF", "TIF"}, {"JPG", "PNG"}},
        {0, {"JPG", "JPE", "JPEG", "JP2", "J2K"}, {"TIFF", "BMP"}},
        {2, {"BMP"}, {"JPG"}},
        {3, {"ICO", "ICNS"}, {"PNG"}},
        {5, {"TGA", "PSD"}, {"GIF"}},
        {8, {"JPG", "HDP", "WDP"}, {"WAV"}},
    };
    for (const auto &c : cases) {
        FileTypes t;
        t.InitFileTypes();
        t.SelectAllPictureTypes();
        t.SelectFileTypeGroup(c.group);
        for (const QString &e : c.passes)
            EXPECT_TRUE(t.ExtInFilter(e)) << c.group << " " << e.toStdString();
        for (const QString &e : c.fails)
            EXPECT_FALSE(t.ExtInFilter(e)) << c.group << " " << e.toStdString();
    }
}

TEST(FileTypesTest, PictureAndMediaKinds)
{
    FileTypes t;
    t.InitFileTypes();
    EXPECT_TRUE(t.IsPictureExt("ICNS"));
    EXPECT_FALSE(t.IsPictureExt("MP4"));
    EXPECT_TRUE(t.IsMediaExt("FLV"));
    EXPECT_FALSE(t.IsMediaExt("JPG"));
    EXPECT_FALSE(t.IsMediaExt(""));
}

TEST(StyleRulesTest, ColoursByListPosition)
{
    EXPECT_EQ(StyleNames().size(), 36);
    const std::pair<const char *, AlphaColor> cases[] = {
        {"Air.Style", 0xFFFFFFFF},          {"Dark.Style", 0xFFFFFFFF},       {"GreenLarge.Style", 0xFF0000FF},
        {"GoldenGraphite.Style", 0xFFFFA500}, {"BeigeGreen.Style", 0xFF000000}, {"Win10ModernGreen.Style", 0xFF8A2BE2},
        {"RubyGraphite.Style", 0xFFFF6347}, {"CoralDark.Style", 0xFF000000},  {"Radiant.Style", 0xFF008000},
        {"Sterling.Style", 0xFF808080},     {"Vapor.Style", 0xFFF0FBFF},      {"Blue.Style", 0xFF7FFFD4},
        {"WedgewoodLight.Style", 0xFF7FFFD4},
    };
    for (auto [name, colour] : cases) {
        const int position = StylePosition(name);
        ASSERT_GE(position, 0) << name;
        EXPECT_EQ(StyleTextColor(position), colour) << name;
    }
    EXPECT_EQ(StylePosition("Nothing.Style"), -1);
    EXPECT_EQ(StyleTextColor(-1), 0xFFFFFFFFu);
}

TEST(LayoutRulesTest, ThumbnailColumnsFollowTheWidth)
{
    const std::pair<int, int> cases[] = {{100, 2}, {299, 2}, {300, 3}, {449, 3}, {450, 4},
                                         {600, 5}, {749, 5}, {750, 6}, {2000, 6}};
    for (auto [width, columns] : cases)
        EXPECT_EQ(ThumbnailColumns(width), columns) << width;
}

TEST(DialogFilterTest, EachTabGetsItsFilterAndIndex)
{
    using namespace DialogFilters;
    DialogFilterIndexes ix;
    ix.HLDFILTER_INDEX = 9;
    ix.HLDFILTER_INDEX3 = 3;
    ix.HLDFILTER_INDEX4 = 12;
    const QString picturesAudio = Pictures() + ";|" + Audio();
    const QString audioVideo = Audio() + ";|" + Video();
    const struct {
        MainTab tab;
        const char *type;
        bool changes;
        QString filter;
        bool changesIndex;
        int index;
    } cases[] = {
        {MainTab::Edit, "DA", true, Pictures(), true, 9},
        {MainTab::ThumbNails, "DA", true, Pictures(), true, 9},
        {MainTab::Batch, "DA", true, Pictures(), true, 9},
        {MainTab::SlideShow, "DA", true, picturesAudio, false, 0},
        {MainTab::Organize, " A", true, Pictures(), true, 3},
        {MainTab::Organize, "DA", true, Pictures(), true, 3},
        {MainTab::Organize, " V", true, Video(), true, 12},
        {MainTab::Organize, "DV", true, Video(), true, 12},
        {MainTab::Organize, " M", true, Audio(), true, 12},
        {MainTab::Organize, "DM", true, Audio(), true, 12},
        {MainTab::Organize, "XX", false, QString(), false, 0},
        {MainTab::MultiMedia, "DA", true, audioVideo, true, 12},
        {MainTab::CloudEMail, "DA", false, QString(), false, 0},
    };
    for (const auto &c : cases) {
        const DialogFilterChoice got = DialogFilterFor(c.tab, c.type, ix);
        SCOPED_TRACE(std::to_string(static_cast<int>(c.tab)) + " " + c.type);
        EXPECT_EQ(got.changeFilter, c.changes);
        EXPECT_EQ(got.filter, c.filter);
        EXPECT_EQ(got.changeIndex, c.changesIndex);
        if (c.changesIndex) {
            EXPECT_EQ(got.index, c.index);
        }
    }
    EXPECT_TRUE(Pictures().startsWith("Bitmap | *.bmp;|Icon | *.ico;|"));
    EXPECT_TRUE(Audio().endsWith("All Audio Files | *.wma;*.mid;*.rmi;*.wav;*.mp3"));
}
