#include "core/engine/FileTypes.h"

#include <algorithm>

namespace orvane {

namespace {

const char *const kPictureExts[] = {"JPG", "JPE", "JPEG", "JP2", "J2K", "TIFF", "TIF", "BMP", "ICO",
                                    "TGA", "PSD", "PNG", "GIF", "WMF", "HDP", "JXR", "WDP", "ICNS"};
const char *const kMediaExts[] = {"WAV", "WMA", "MP3", "AVI", "WMV", "MP4", "MOV", "M4V", "MPG", "FLV"};

struct Group {
    const char *label;
    const char *pattern;
    std::initializer_list<const char *> exts;
};

const Group kGroupTable[] = {
    {"JPEG and JPEG2000 (JPG, JP2 and J2K)", "*.JPG;*.JPE;*.JPEG;*.J2K;*.JP2", {"JPG", "JPE", "JPEG", "JP2", "J2K"}},
    {"TIFF Formats", "*.TIFF;*.TIF", {"TIFF", "TIF"}},
    {"BMP Formats", "*.BMP", {"BMP"}},
    {"Icons and Cursors", "*.ICO;*.ICNS", {"ICO", "ICNS"}},
    {"Portable Network Graphics Format", "*.PNG", {"PNG"}},
    {"PhotoShop Format (PSD) and TGA", "*.PSD;*.TGA", {"TGA", "PSD"}},
    {"Microsoft Media Format (WMF)", "*.WMF", {"WMF"}},
    {"Graphic Interchange Format (GIF)", "*.GIF", {"GIF"}},
    {"All Picture Files",
     "*.JPG;*.JPE;*.JPEG;*.J2K;*.JP2;*.TIFF;*.TIF;*.BMP;*.ICO;*.ICNS;*.PNG;*.PSD;*.WMF;*.GIF;*.TGA",
     {}},
};

} // namespace

void FileTypes::InitFileTypes()
{
    EXT_PICT_ARR.fill(QString());
    EXT_MULT_ARR.fill(QString());
    FILELABEL_ARR.fill(QString());
    FILEFILTR_ARR.fill(QString());
    int i = 0;
    for (const char *e : kPictureExts)
        EXT_PICT_ARR[i++] = QString::fromLatin1(e);
    i = 0;
    for (const char *e : kMediaExts)
        EXT_MULT_ARR[i++] = QString::fromLatin1(e);
    i = 0;
    for (const Group &g : kGroupTable) {
        FILELABEL_ARR[i] = QString::fromLatin1(g.label);
        FILEFILTR_ARR[i] = QString::fromLatin1(g.pattern);
        ++i;
    }
    LASTPICTRE = 17;
    LASTMEDIA = 9;
    TOTAL_FILTERS = 8;
    IMAGEFILE_FLG = MEDIAFILE_FLG = TEXTFILE_FLG = ARCHIVE_FLG = false;
}

void FileTypes::SelectAllPictureTypes()
{
    for (int i = 0; i <= LASTPICTRE && i < kFilterSlots; ++i)
        FILETYPE_ARR[i] = EXT_PICT_ARR[i];
}

void FileTypes::SelectFileTypeGroup(int group)
{
    FILETYPE_ARR.fill(QString());
    if (group < 0 || group >= kGroups)
        return;
    if (group == 8) {
        SelectAllPictureTypes();
        return;
    }
    int slot = 0;
    for (const char *e : kGroupTable[group].exts)
        FILETYPE_ARR[slot++] = QString::fromLatin1(e);
}

bool FileTypes::ExtInFilter(const QString &ext) const
{
    if (ext.isEmpty())
        return false;
    return std::any_of(FILETYPE_ARR.begin(), FILETYPE_ARR.end(),
                       [&](const QString &s) { return !s.isEmpty() && s == ext; });
}

bool FileTypes::IsPictureExt(const QString &ext) const
{
    for (int i = 0; i <= LASTPICTRE; ++i)
        if (!ext.isEmpty() && EXT_PICT_ARR[i] == ext)
            return true;
    return false;
}

bool FileTypes::IsMediaExt(const QString &ext) const
{
    for (int i = 0; i <= LASTMEDIA; ++i)
        if (!ext.isEmpty() && EXT_MULT_ARR[i] == ext)
            return true;
    return false;
}

QString UpperFileExt(const QString &fileName)
{
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return QString();
    return fileName.mid(dot + 1).toUpper();
}

} // namespace orvane
