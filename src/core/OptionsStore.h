#pragma once
// "Options.cds": the one-record table of the user's options and the main
// window's remembered state. The field order is binding: code addresses the
// fields by these positions, and files written by earlier runs keep it.
#include "core/table/ClientDataSet.h"

#include <QList>
#include <QString>

namespace orvane {

namespace OptionsField {
enum : int {
    ID,            // auto-increment record key
    Style,         // string 25: style file name, such as "Air.Style"
    SlideShow,     // string 150: slide show to start with
    PhotoAlbum,    // string 150: photo album to start with
    UseHGrid,      // Boolean
    UseVGrid,      // Boolean
    FromEMail,     // string 50
    ToEMail1,      // string 50 each: ToEMail1 to ToEMail10 at 7 to 16
    ToEMail10 = ToEMail1 + 9,
    LastUpdated,   // string 22: when the record was written
    UseToEMail,    // Boolean
    Left,          // integer: main window bounds
    Top,
    Height,
    Width,
    ThumbPath,     // string 150: folder shown as thumbnails at start
    ImageHeight,   // integer: height of the editor picture
    LastPicture,   // string 150: picture reopened at start
    SaveToFolder,  // string 150: folder for received files
    AutoSaveTrans, // Boolean
    AlbCounter,    // integer: next number for a new photo album, video list, music list
    VidCounter,
    MusCounter,
    LocalUser,     // string 25: user name shown to other computers
    QuikStrtOff,   // Boolean: do not show the getting-started window
    Count          // 33
};
} // namespace OptionsField

// The table's file name in the root folder.
inline constexpr const char *kOptionsFileName = "Options.cds";

// The 33 field definitions in their binding order.
QList<table::FieldDef> OptionsFieldDefs();

// True when a table's first 33 fields carry the options' names and types in
// their order (a table with further fields after them still qualifies).
bool HasOptionsLayout(const QList<table::FieldDef> &defs);

// The text of "LastUpdated" for a moment: "yyyy-MM-dd hh:mm:ss".
QString OptionsTimeStamp(const QDateTime &when);

} // namespace orvane
