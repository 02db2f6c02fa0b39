// Step file names and the walk of the undo history, first as bookkeeping
// over the table, then with real step files in a folder.
#include "edit/undo/SnapshotWriter.h"
#include "edit/undo/UndoHistory.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <set>

using namespace orvane::undo;

namespace {

struct NameCase {
    const char *file;
    int step;
    const char *expected;
};

class StepName : public ::testing::TestWithParam<NameCase> {};

TEST_P(StepName, StemAtStepThenExtensionFromTheLastDot)
{
    EXPECT_EQ(snapshotName(QString::fromUtf8(GetParam().file), GetParam().step).toStdString(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Names, StepName,
                         ::testing::Values(NameCase{"photo.jpg", 3, "photo@3.jpg"}, NameCase{"b.png", 4, "b@4.png"},
                                           NameCase{"archive.tar.gz", 5, "archive.tar@5.gz"},
                                           NameCase{"photo.JPG", 301, "photo@301.JPG"},
                                           NameCase{"scan", 2, "scan@2"}, NameCase{"name.", 1, "name@1."},
                                           NameCase{".hidden", 1, "@1.hidden"},
                                           NameCase{"my.dir/pic", 7, "my.dir/pic@7"},
                                           NameCase{"Ünïcode bild.tif", 12, "Ünïcode bild@12.tif"}));

// The table alone, with the set of step files that exist on disk.
struct Walk {
    UndoHistory history;
    std::set<QString> files;

    QString record(const QString &picture)
    {
        const auto slot = recordUndoStep(history, picture);
        if (!slot)
            return QString();
        files.insert(slot->name);
        return slot->name;
    }
    UndoAction undo()
    {
        UndoAction a = undoLastEdit(history, [this](const QString &n) { return files.count(n) > 0; });
        if (!a.deleteName.isEmpty())
            files.erase(a.deleteName);
        return a;
    }
};

TEST(UndoWalk, StepsBackToStepOneAndStaysThere)
{
    Walk w;
    EXPECT_EQ(w.record(QStringLiteral("photo.jpg")), QStringLiteral("photo@1.jpg"));
    EXPECT_EQ(w.record(QStringLiteral("photo.jpg")), QStringLiteral("photo@2.jpg"));
    EXPECT_EQ(w.record(QStringLiteral("photo.jpg")), QStringLiteral("photo@3.jpg"));

    struct {
        const char *deleted;
        const char *shown;
        int position;
    } steps[] = {{"photo@3.jpg", "photo@2.jpg", 2},
                 {"photo@2.jpg", "photo@1.jpg", 1},
                 {"", "photo@1.jpg", 1},
                 {"", "photo@1.jpg", 1}};
    for (const auto &s : steps) {
        const UndoAction a = w.undo();
        EXPECT_FALSE(a.nothingToUndo);
        EXPECT_EQ(a.deleteName.toStdString(), s.deleted);
        EXPECT_EQ(a.loadName.toStdString(), s.shown);
        EXPECT_EQ(w.history.IMAGE_ARRPOS, s.position);
    }
    EXPECT_EQ(w.files, std::set<QString>{QStringLiteral("photo@1.jpg")});
}

TEST(UndoWalk, HistorySpansPicturesAndANewStepReusesTheNumber)
{
    Walk w;
    for (int i = 0; i < 3; ++i)
        w.record(QStringLiteral("photo.jpg"));
    EXPECT_EQ(w.record(QStringLiteral("b.png")), QStringLiteral("b@4.png"));
    const UndoAction a = w.undo();
    EXPECT_EQ(a.deleteName, QStringLiteral("b@4.png"));
    EXPECT_EQ(a.loadName, QStringLiteral("photo@3.jpg")); // the previous picture's last step
    EXPECT_EQ(w.history.DRWIMAGE_ARR[4], QString());
    EXPECT_EQ(w.record(QStringLiteral("b.png")), QStringLiteral("b@4.png"));
}

TEST(UndoWalk, EmptyHistoryDoesNothingAndTheFirstStepIsStillOne)
{
    Walk w;
    EXPECT_TRUE(w.undo().nothingToUndo);
    EXPECT_TRUE(w.undo().nothingToUndo);
    EXPECT_EQ(w.record(QStringLiteral("photo.jpg")), QStringLiteral("photo@1.jpg"));
    const UndoAction a = w.undo();
    EXPECT_TRUE(a.deleteName.isEmpty()); // step 1 is never deleted
    EXPECT_EQ(a.loadName, QStringLiteral("photo@1.jpg"));
}

TEST(UndoWalk, FullHistoryStopsRecordingAndUndoStartsFromStep301)
{
    Walk w;
    for (int i = 1; i <= kMaxUndoStep; ++i)
        ASSERT_EQ(w.record(QStringLiteral("p.png")), QStringLiteral("p@%1.png").arg(i));
    EXPECT_TRUE(w.record(QStringLiteral("p.png")).isEmpty());
    EXPECT_EQ(w.history.IMAGE_ARRPOS, kMaxUndoStep);
    const UndoAction a = w.undo();
    EXPECT_EQ(a.deleteName, QStringLiteral("p@301.png"));
    EXPECT_EQ(a.loadName, QStringLiteral("p@300.png"));
}

TEST(UndoWalk, MissingStepFileKeepsItsRowButMovesBack)
{
    Walk w;
    w.record(QStringLiteral("a.png"));
    w.record(QStringLiteral("a.png"));
    w.files.erase(QStringLiteral("a@2.png")); // its write failed
    const UndoAction a = w.undo();
    EXPECT_TRUE(a.deleteName.isEmpty());
    EXPECT_EQ(a.loadName, QStringLiteral("a@1.png"));
    EXPECT_EQ(w.history.DRWIMAGE_ARR[2], QStringLiteral("a@2.png"));
    EXPECT_EQ(w.history.IMAGE_ARRPOS, 1);
}

TEST(UndoWalk, PositionOutsideTheTableIsBroughtBackInside)
{
    Walk w;
    w.history.IMAGE_ARRPOS = 5000;
    w.history.DRWIMAGE_ARR[kMaxUndoStep] = QStringLiteral("x@301.png");
    w.history.DRWIMAGE_ARR[300] = QStringLiteral("x@300.png");
    w.files.insert(QStringLiteral("x@301.png"));
    const UndoAction a = w.undo();
    EXPECT_EQ(a.deleteName, QStringLiteral("x@301.png"));
    EXPECT_EQ(w.history.IMAGE_ARRPOS, 300);
}

QImage solid(QColor c)
{
    QImage img(16, 8, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

TEST(UndoStoreTest, WritesStepFilesAndUndoDeletesTheNewest)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SnapshotWriter writer;
    UndoStore store(dir.path(), writer);

    // Open photo.png, draw twice; then open b.png.
    const QColor colours[] = {Qt::red, Qt::green, Qt::blue};
    for (const QColor &c : colours)
        store.saveSnapshot(solid(c), QStringLiteral("photo.png"));
    const QString b = store.saveSnapshot(solid(Qt::yellow), QStringLiteral("b.png"));
    EXPECT_EQ(b, QDir(dir.path()).filePath(QStringLiteral("b@4.png")));

    QString error;
    const QString shown = store.undo(&error); // waits for b@4.png, then deletes it
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_FALSE(QFile::exists(b));
    EXPECT_EQ(shown, store.stepPath(QStringLiteral("photo@3.png")));
    EXPECT_EQ(QImage(shown).pixelColor(0, 0), QColor(Qt::blue));

    EXPECT_EQ(QImage(store.undo()).pixelColor(0, 0), QColor(Qt::green));
    EXPECT_EQ(QImage(store.undo()).pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(store.undo(), store.stepPath(QStringLiteral("photo@1.png")));
    EXPECT_TRUE(QFile::exists(store.stepPath(QStringLiteral("photo@1.png"))));

    store.clear();
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(store.history().IMAGE_ARRPOS, 0);
    EXPECT_TRUE(store.undo().isEmpty());
}

TEST(UndoStoreTest, UndoReportsTheFailedWriteOfTheStepToShow)
{
    QTemporaryDir dir;
    SnapshotWriter writer;
    UndoStore store(dir.filePath(QStringLiteral("missing-folder")), writer);
    store.saveSnapshot(solid(Qt::red), QStringLiteral("a.png"));
    store.saveSnapshot(solid(Qt::red), QStringLiteral("a.png"));
    QString error;
    EXPECT_EQ(store.undo(&error), store.stepPath(QStringLiteral("a@1.png")));
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
