// The editor's undo history: every recorded edit writes the working picture
// as a numbered step file into the Temp folder, and Undo steps back through
// them. Step files are written on the snapshot writer's worker thread, in
// order, so drawing never waits for an encoder; Undo and the window's close
// wait for the files they need, and a write that fails is reported.
#include "core/Errors.h"
#include "core/Services.h"
#include "core/TOrvane1.h"
#include "core/widgets/ImageControl.h"
#include "edit/EditPictureFiles.h"
#include "edit/undo/SnapshotWriter.h"
#include "edit/undo/UndoHistory.h"

#include <QFile>
#include <QFileInfo>

namespace undo = orvane::undo;

namespace {

undo::UndoHistory historyOf(const TOrvane1 &w)
{
    undo::UndoHistory h;
    for (int row = 0; row < undo::kUndoRows && row < int(w.DRWIMAGE_ARR.size()); ++row)
        h.DRWIMAGE_ARR[row] = w.DRWIMAGE_ARR[row][0];
    h.IMAGE_ARRPOS = w.IMAGE_ARRPOS;
    return h;
}

void storeHistory(TOrvane1 &w, const undo::UndoHistory &h)
{
    for (int row = 0; row < undo::kUndoRows && row < int(w.DRWIMAGE_ARR.size()); ++row)
        w.DRWIMAGE_ARR[row][0] = h.DRWIMAGE_ARR[row];
    w.IMAGE_ARRPOS = h.IMAGE_ARRPOS;
}

undo::SnapshotWriter &snapshotWriter(TOrvane1 &w)
{
    if (!w.UndoWriter) {
        // Owned by the window; its destructor finishes the queued writes.
        w.UndoWriter = new undo::SnapshotWriter(&w);
        QObject::connect(
            w.UndoWriter, &undo::SnapshotWriter::writeFailed, &w,
            [](const QString &path, const QString &error) {
                orvane::services().dialogs->warning(
                    QStringLiteral("Orvane"),
                    QStringLiteral("The undo step \"%1\" could not be saved: %2").arg(path, error));
            },
            Qt::QueuedConnection);
    }
    return *w.UndoWriter;
}

// Shows a step file as the working picture and the stroke snapshot, once its
// write is done.
void showStep(TOrvane1 &w, undo::SnapshotWriter &writer, const QString &path)
{
    QString error;
    if (!writer.waitFor(path, &error))
        throw orvane::Error(QStringLiteral("The undo step \"%1\" was not saved: %2").arg(path, error));
    const QImage step = orvane::ReadPictureFile(path);
    w.Image1->setBitmap(step);
    w.Image1->update();
    w.Image6->setBitmap(step);
}

} // namespace

void TOrvane1::SaveUndoSnapshot()
{
    // Without a picture there is nothing to record or to go back to.
    if (Image1->isEmpty())
        return;
    undo::UndoHistory history = historyOf(*this);
    const std::optional<undo::UndoSlot> slot = undo::recordUndoStep(history, PICTFILENAME);
    if (!slot) {
        // The history is full: the edit is not recorded, and the newest step
        // no longer shows the working picture.
        EditsPastFullHistory = true;
        return;
    }
    storeHistory(*this, history);
    snapshotWriter(*this).enqueue(Image1->Bitmap(), PICTFOLDER + slot->name);
}

void TOrvane1::UndoBtnClick() { UndoLastEdit(); }

void TOrvane1::UndoLastEdit()
{
    undo::SnapshotWriter &writer = snapshotWriter(*this);
    if (EditsPastFullHistory && IMAGE_ARRPOS >= undo::kMaxUndoStep) {
        // Edits made after the history filled up were never recorded: the
        // first Undo goes back to the newest step and keeps it.
        EditsPastFullHistory = false;
        showStep(*this, writer, PICTFOLDER + DRWIMAGE_ARR[IMAGE_ARRPOS][0]);
        return;
    }
    EditsPastFullHistory = false;
    undo::UndoHistory history = historyOf(*this);
    const undo::UndoAction action = undo::undoLastEdit(history, [&](const QString &name) {
        const QString path = PICTFOLDER + name;
        writer.waitFor(path); // a step still being written exists once its write is done
        return QFileInfo::exists(path);
    });
    storeHistory(*this, history);
    if (action.nothingToUndo)
        return;
    if (!action.deleteName.isEmpty()) {
        QFile step(PICTFOLDER + action.deleteName);
        if (!step.remove())
            orvane::services().dialogs->warning(
                QStringLiteral("Orvane"),
                QStringLiteral("The undo step \"%1\" could not be deleted: %2").arg(step.fileName(), step.errorString()));
    }
    if (action.loadName.trimmed().isEmpty())
        return;
    showStep(*this, writer, PICTFOLDER + action.loadName);
}

void TOrvane1::FinishUndoWrites()
{
    if (UndoWriter)
        UndoWriter->waitAll();
}
