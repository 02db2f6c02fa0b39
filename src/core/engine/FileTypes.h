#pragma once
// File-type tables: which files are pictures or multimedia, decided by
// extension alone (upper case, without the dot), and the picture groups of
// the thumbnail filter.
#include <QString>
#include <array>

namespace orvane {

struct FileTypes {
    static constexpr int kSlots = 71;
    static constexpr int kGroups = 9;
    static constexpr int kFilterSlots = 18;

    std::array<QString, kSlots> EXT_PICT_ARR;
    std::array<QString, kSlots> EXT_MULT_ARR;
    std::array<QString, kSlots> FILELABEL_ARR;
    std::array<QString, kSlots> FILEFILTR_ARR;
    std::array<QString, kFilterSlots> FILETYPE_ARR;
    int LASTPICTRE = 0;
    int LASTMEDIA = 0;
    int TOTAL_FILTERS = 0;
    bool IMAGEFILE_FLG = false;
    bool MEDIAFILE_FLG = false;
    bool TEXTFILE_FLG = false;
    bool ARCHIVE_FLG = false;

    // Fills the extension and group tables and clears the kind flags.
    void InitFileTypes();
    // The filter in force becomes every picture extension.
    void SelectAllPictureTypes();
    // The filter in force becomes the extensions of group 0..8; other
    // indexes leave the filter empty.
    void SelectFileTypeGroup(int group);
    // True when ext is not empty and equals a non-empty slot of the filter
    // (exact comparison: callers pass it trimmed and in upper case).
    bool ExtInFilter(const QString &ext) const;
    bool IsPictureExt(const QString &ext) const;
    bool IsMediaExt(const QString &ext) const;
};

// The text after the last "." of a file name, in upper case; empty when the
// name has no ".".
QString UpperFileExt(const QString &fileName);

} // namespace orvane
