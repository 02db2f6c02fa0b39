#pragma once
// Computations of the main window that are pure data: style names and their
// text colours, thumbnail columns by width, open-dialog filters by tab.
#include <QString>
#include <QStringList>

namespace orvane {

using AlphaColor = quint32; // alpha in the top byte, then red, green, blue

// The 36 style names in the order of the options window's style list.
const QStringList &StyleNames();
// Text colour for the style list position (-1 when nothing is selected).
AlphaColor StyleTextColor(int position);
// Position of a style file name such as "Air.Style" in StyleNames(): the name
// without its last 6 characters is compared; -1 when none is equal.
int StylePosition(const QString &styleFileName);

// Thumbnail list columns for a main window of the given width.
int ThumbnailColumns(int windowWidth);

// The main tabs, in their order in the tab control.
enum class MainTab { ThumbNails = 0, Edit, Organize, SlideShow, Batch, MultiMedia, CloudEMail };

namespace DialogFilters {
QString Pictures();
QString Audio();
QString Video();
inline QString Joiner() { return QStringLiteral(";|"); }
} // namespace DialogFilters

struct DialogFilterIndexes {
    int HLDFILTER_INDEX = 3;
    int HLDFILTER_INDEX3 = 3;
    int HLDFILTER_INDEX4 = 12;
};

struct DialogFilterChoice {
    bool changeFilter = false; // false: the dialog keeps its filter
    QString filter;
    bool changeIndex = false;  // false: the dialog keeps its filter index
    int index = 0;
};

// Filter and index the open dialog gets on a tab. currType is the current
// album's record type code (" A", "DA", " V", "DV", " M", "DM").
DialogFilterChoice DialogFilterFor(MainTab tab, const QString &currType, const DialogFilterIndexes &indexes);

} // namespace orvane
