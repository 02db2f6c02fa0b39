#include "edit/undo/UndoHistory.h"

#include "edit/undo/SnapshotWriter.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace orvane::undo {

QString snapshotName(const QString &pictFileName, int step)
{
    const qsizetype dot = pictFileName.lastIndexOf(u'.');
    const qsizetype separator = std::max(pictFileName.lastIndexOf(u'/'), pictFileName.lastIndexOf(u'\\'));
    const QString number = u'@' + QString::number(step);
    if (dot < 0 || dot < separator)
        return pictFileName + number;
    return pictFileName.left(dot) + number + pictFileName.mid(dot);
}

void UndoHistory::clear()
{
    for (QString &row : DRWIMAGE_ARR)
        row.clear();
    IMAGE_ARRPOS = 0;
}

std::optional<UndoSlot> recordUndoStep(UndoHistory &history, const QString &pictFileName)
{
    if (history.IMAGE_ARRPOS >= kMaxUndoStep)
        return std::nullopt;
    history.IMAGE_ARRPOS = std::max(history.IMAGE_ARRPOS, 0) + 1;
    const int p = history.IMAGE_ARRPOS;
    UndoSlot slot{p, snapshotName(pictFileName, p)};
    history.DRWIMAGE_ARR[p] = slot.name;
    return slot;
}

UndoAction undoLastEdit(UndoHistory &history, const std::function<bool(const QString &name)> &stepFileExists)
{
    UndoAction action;
    // With no step recorded the position stays 0, so the next step is still
    // step 1 (moving it to 1 here would make the first recorded step 2, and
    // a later Undo would delete it and show a blank row).
    if (history.IMAGE_ARRPOS < 1 && history.DRWIMAGE_ARR[1].trimmed().isEmpty()) {
        action.nothingToUndo = true;
        return action;
    }
    history.IMAGE_ARRPOS = std::clamp(history.IMAGE_ARRPOS, 1, kMaxUndoStep);
    const QString name = history.DRWIMAGE_ARR[history.IMAGE_ARRPOS];
    if (name.trimmed().isEmpty()) {
        action.nothingToUndo = true;
        return action;
    }
    if (history.IMAGE_ARRPOS > 1 && stepFileExists && stepFileExists(name)) {
        action.deleteName = name;
        history.DRWIMAGE_ARR[history.IMAGE_ARRPOS].clear();
    }
    history.IMAGE_ARRPOS = std::max(history.IMAGE_ARRPOS - 1, 1);
    action.loadName = history.DRWIMAGE_ARR[history.IMAGE_ARRPOS];
    return action;
}

UndoStore::UndoStore(QString stepFolder, SnapshotWriter &writer)
    : m_folder(std::move(stepFolder))
    , m_writer(writer)
{
}

QString UndoStore::stepPath(const QString &name) const
{
    return QDir(m_folder).filePath(name);
}

QString UndoStore::saveSnapshot(const QImage &picture, const QString &pictFileName)
{
    const std::optional<UndoSlot> slot = recordUndoStep(m_history, pictFileName);
    if (!slot)
        return QString();
    const QString path = stepPath(slot->name);
    m_writer.enqueue(picture, path);
    return path;
}

QString UndoStore::undo(QString *error)
{
    const UndoAction action = undoLastEdit(m_history, [this](const QString &name) {
        // A step still being written exists as soon as its write is done.
        const QString path = stepPath(name);
        m_writer.waitFor(path);
        return QFile::exists(path);
    });
    if (action.nothingToUndo)
        return QString();
    if (!action.deleteName.isEmpty()) {
        QFile file(stepPath(action.deleteName));
        if (!file.remove() && error)
            *error = QStringLiteral("cannot delete ") + action.deleteName + QStringLiteral(": ") + file.errorString();
    }
    if (action.loadName.trimmed().isEmpty())
        return QString();
    const QString path = stepPath(action.loadName);
    QString writeError;
    if (!m_writer.waitFor(path, &writeError) && error)
        *error = writeError;
    return path;
}

void UndoStore::clear()
{
    m_writer.waitAll();
    for (int p = 1; p < kUndoRows; ++p) {
        const QString &name = m_history.DRWIMAGE_ARR[p];
        if (!name.trimmed().isEmpty())
            QFile::remove(stepPath(name));
    }
    m_history.clear();
}

} // namespace orvane::undo
