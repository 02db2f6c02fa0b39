#pragma once
// Scripted stand-ins for the program's services: dialogs that answer from
// queues and record what was asked, a fixed clock, a fixed random sequence
// and a shell that records instead of launching.
#include "core/Services.h"

#include <QDateTime>
#include <deque>
#include <functional>
#include <vector>

namespace orvane::testing {

struct Asked {
    QString kind;   // "warning", "yesNo", "error", "modal", "open", "save", "input", "print"
    QString title;  // box or window title
    QString text;   // message text (for a modal window: its Label1 text once shown)
    QString filter;
    int filterIndex = 0;
    QString fileName;

    Asked(QString k, QString t = {}, QString x = {}, QString f = {}, int i = 0, QString n = {})
        : kind(std::move(k)), title(std::move(t)), text(std::move(x)), filter(std::move(f)), filterIndex(i),
          fileName(std::move(n))
    {
    }
};

class ScriptedDialogs final : public Dialogs {
public:
    std::vector<Asked> asked;
    std::deque<bool> yesNoAnswers;                          // default when empty: No
    std::deque<FileDialogResult> openAnswers;               // default: cancelled
    std::deque<FileDialogResult> saveAnswers;               // default: cancelled
    std::deque<QString> inputAnswers;                       // a null QString or none: cancelled
    std::deque<std::function<void(QDialog &)>> modalActions; // default: closed by its close box

    // Answers the next modal window by clicking the push button of that object name.
    void clickInNextModal(const QString &buttonName);
    // Files the next open dialog returns.
    void openNext(const QStringList &files, int filterIndex = 1);

    void warning(const QString &title, const QString &text) override;
    bool yesNo(const QString &title, const QString &text) override;
    void error(const QString &text) override;
    void execModal(QDialog &window) override;
    FileDialogResult openFile(const FileDialogRequest &request) override;
    FileDialogResult saveFile(const FileDialogRequest &request) override;
    std::optional<QString> inputBox(const QString &title, const QString &prompt, const QString &value) override;
    bool printDialog(QPrinter &printer) override;

    int count(const QString &kind) const;
    const Asked *last(const QString &kind) const;
};

class FixedClock final : public Clock {
public:
    QDateTime when = QDateTime(QDate(2024, 3, 5), QTime(9, 7, 2));
    QDateTime now() const override { return when; }
};

class FixedRandom final : public RandomSource {
public:
    std::deque<int> values; // default when empty: 0
    int bounded(int bound) override;
};

class RecordingShell final : public Shell {
public:
    QStringList opened;
    void open(const QString &target) override { opened << target; }
};

} // namespace orvane::testing
