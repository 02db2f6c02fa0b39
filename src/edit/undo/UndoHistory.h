// The editor's undo history: numbered step files in the Temp folder, the
// table of their names, and the bookkeeping of recording a step and undoing
// the newest one. The history counts steps across every picture opened since
// start-up, up to 301 steps; step 1 is never removed.
#pragma once

#include <QImage>
#include <QString>

#include <array>
#include <functional>
#include <optional>

namespace orvane::undo {

class SnapshotWriter;

constexpr int kUndoRows = 302;    // rows 1..301 are used
constexpr int kMaxUndoStep = 301;

// Name of step `step` of a picture: the part before the last "." + "@" +
// step + the extension from the last "." on ("photo.jpg", 3 -> "photo@3.jpg";
// "archive.tar.gz", 5 -> "archive.tar@5.gz"). A name without "." (or whose
// last "." lies in a folder part) gets no extension ("scan", 2 -> "scan@2").
QString snapshotName(const QString &pictFileName, int step);

// The table of step names and the newest step's position.
struct UndoHistory {
    std::array<QString, kUndoRows> DRWIMAGE_ARR; // column 0 of each row: the step's file name
    int IMAGE_ARRPOS = 0;                        // newest step, 0 when there is none

    void clear();
};

struct UndoSlot {
    int step = 0;
    QString name;
};

// Records a new step for the picture named pictFileName: the position moves
// on by one and the row gets the step's name. Returns nothing when the
// history is full (301 steps), which leaves the history unchanged.
std::optional<UndoSlot> recordUndoStep(UndoHistory &history, const QString &pictFileName);

struct UndoAction {
    bool nothingToUndo = false; // the newest row is blank: nothing changed
    QString deleteName;         // step file to delete (empty when none)
    QString loadName;           // step file to show now
};

// Undoing the newest step: an empty history (position 0) is left as it is;
// a position below 1 otherwise becomes 1 (above 301, 301); a blank row means
// there is nothing to undo. Otherwise, when the step's file
// exists and the position is above 1, that step is to be deleted and its row
// emptied; the position moves back by one, but not below 1, and the step
// now at the position is the one to show. stepFileExists answers for a step
// name whether its file is on disk.
UndoAction undoLastEdit(UndoHistory &history, const std::function<bool(const QString &name)> &stepFileExists);

// The history with its files: names in the table, pictures written through
// a SnapshotWriter into the step folder.
class UndoStore {
public:
    // stepFolder: the folder of the step files (the Temp folder).
    UndoStore(QString stepFolder, SnapshotWriter &writer);

    UndoHistory &history() { return m_history; }
    const UndoHistory &history() const { return m_history; }
    QString stepFolder() const { return m_folder; }
    QString stepPath(const QString &name) const;

    // Records the picture as the newest step and queues its write. Returns
    // the step's full path, or an empty text when the history is full.
    QString saveSnapshot(const QImage &picture, const QString &pictFileName);

    // Undoes the newest step: waits for pending writes of the files involved,
    // deletes the newest step's file (never step 1) and returns the full path
    // of the step to show, or an empty text when there is nothing to undo.
    // *error receives a failed deletion or the failed write of the step to show.
    QString undo(QString *error = nullptr);

    // Waits for every write, deletes the step files of the history and
    // empties it (the window closing).
    void clear();

private:
    QString m_folder;
    SnapshotWriter &m_writer;
    UndoHistory m_history;
};

} // namespace orvane::undo
