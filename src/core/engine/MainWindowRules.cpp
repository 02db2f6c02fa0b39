#include "core/engine/MainWindowRules.h"

namespace orvane {

const QStringList &StyleNames()
{
    static const QStringList names = {
        "Air", "Amakrits", "AquaGraphite", "Blend", "Dark", "BlackLarge", "BlueLarge", "GreenLarge",
        "GoldenGraphite", "Copper", "MaterialOxfordBlue", "Light", "BeigeGreen", "MaterialOxfordBlueSE",
        "Win10ModernGreen", "RubyGraphite", "GrayGraphite", "CoralCrystal", "CoralDark", "EmeraldCrystal",
        "EmeraldDark", "Diamond", "Jet", "Radiant", "Sterling", "Vapor", "Transparent", "Blue", "Gray",
        "Green", "Purple", "Modern", "Calypso", "PuertoRico", "Stellar", "WedgewoodLight"};
    return names;
}

AlphaColor StyleTextColor(int p)
{
    if (p < 5)
        return 0xFFFFFFFF;
    if (p <= 7)
        return 0xFF0000FF;
    switch (p) {
    case 8: return 0xFFFFA500;
    case 9: case 10: case 11: case 12: return 0xFF000000;
    case 13: case 14: return 0xFF8A2BE2;
    case 15: return 0xFFFF6347;
    case 16: return 0xFF8A2BE2;
    case 17: return 0xFFF0FBFF;
    case 18: return 0xFF000000;
    case 19: return 0xFFF0FBFF;
    case 20: return 0xFF000000;
    case 21: return 0xFFF0FBFF;
    case 22: return 0xFF0000FF;
    case 23: return 0xFF008000;
    case 24: return 0xFF808080;
    case 25: return 0xFFF0FBFF;
    default: return 0xFF7FFFD4;
    }
}

int StylePosition(const QString &styleFileName)
{
    const QString base = styleFileName.left(qMax(0, styleFileName.size() - 6));
    return static_cast<int>(StyleNames().indexOf(base));
}

int ThumbnailColumns(int w)
{
    if (w < 300)
        return 2;
    if (w < 450)
        return 3;
    if (w < 600)
        return 4;
    if (w < 750)
        return 5;
    return 6;
}

namespace DialogFilters {
QString Pictures()
{
    return QStringLiteral("Bitmap | *.bmp;|Icon | *.ico;|Jpg | *.jpg;|Jpeg | *.jpeg;|Png | *.png;|Gif | *.gif;|"
                          "Tif | *.tif;|Wmf | *.wmf;|All Files | *.bmp;*.ico;*.jpg;*.jpeg;*.png;*.gif;*.tif;*.wmf");
}
QString Audio()
{
    return QStringLiteral("MP3 | *.mp3;|WMA | *.wma;|WMV | *.wmv;|MPG | *.mpg;|WAV | *.wav;|"
                          "All Audio Files | *.wma;*.mid;*.rmi;*.wav;*.mp3");
}
QString Video()
{
    return QStringLiteral("MP4 | *.mp4;|WMV | *.wmv;|MPG | *.mpg;|AVI | *.avi;|FLV | *.flv;|"
                          "All Video Files | *.avi;*.wmv;*.mpg;*.mp4;*.flv");
}
} // namespace DialogFilters

DialogFilterChoice DialogFilterFor(MainTab tab, const QString &currType, const DialogFilterIndexes &ix)
{
    using namespace DialogFilters;
    DialogFilterChoice c;
    auto set = [&c](const QString &filter, bool withIndex, int index) {
        c.changeFilter = true;
        c.filter = filter;
        c.changeIndex = withIndex;
        c.index = index;
    };
    const QString type = currType.trimmed();
    switch (tab) {
    case MainTab::Edit:
    case MainTab::ThumbNails:
    case MainTab::Batch:
        set(Pictures(), true, ix.HLDFILTER_INDEX);
        break;
    case MainTab::SlideShow:
        set(Pictures() + Joiner() + Audio(), false, 0);
        break;
    case MainTab::Organize:
        if (type == "A" || type == "DA")
            set(Pictures(), true, ix.HLDFILTER_INDEX3);
        else if (type == "V" || type == "DV")
            set(Video(), true, ix.HLDFILTER_INDEX4);
        else if (type == "M" || type == "DM")
            set(Audio(), true, ix.HLDFILTER_INDEX4);
        break;
    case MainTab::MultiMedia:
        set(Audio() + Joiner() + Video(), true, ix.HLDFILTER_INDEX4);
        break;
    case MainTab::CloudEMail:
        break;
    }
    return c;
}

} // namespace orvane
