#pragma once
// The seams between the program and the outside world: modal dialogs, the
// clock, the random source and the shell's "open" action. The application
// owns one set of real services; tests install scripted ones.
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QDialog;
class QPrinter;
class QWidget;

namespace orvane {

struct FileDialogRequest {
    QString title;
    QString filter;       // "Label | *.a;|Label | *.b" form, see QtFilterList
    int filterIndex = 1;  // 1-based
    QString fileName;
    QString defaultExt;
    bool multiple = false;
};

struct FileDialogResult {
    bool accepted = false;
    QStringList files;
    int filterIndex = 1;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A warning box with OK.
    virtual void warning(const QString &title, const QString &text) = 0;
    // A Yes/No question; true means Yes (every answer but No counts as Yes).
    virtual bool yesNo(const QString &title, const QString &text) = 0;
    // The standard error display for an exception that reached the event loop.
    virtual void error(const QString &text) = 0;
    // Runs one of the program's own windows modally (message window, options
    // window, select window...). The window's own handlers set the answer.
    virtual void execModal(QDialog &window) = 0;
    virtual FileDialogResult openFile(const FileDialogRequest &request) = 0;
    virtual FileDialogResult saveFile(const FileDialogRequest &request) = 0;
    // An input box; nullopt when cancelled.
    virtual std::optional<QString> inputBox(const QString &title, const QString &prompt, const QString &value) = 0;
    // The print dialog; true when the user chose to print.
    virtual bool printDialog(QPrinter &printer) = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class RandomSource {
public:
    virtual ~RandomSource() = default;
    // A number from 0 to bound - 1.
    virtual int bounded(int bound) = 0;
};

class Shell {
public:
    virtual ~Shell() = default;
    // The operating system's "open" action on a document path or web address.
    virtual void open(const QString &target) = 0;
};

struct Services {
    std::shared_ptr<Dialogs> dialogs;
    std::shared_ptr<Clock> clock;
    std::shared_ptr<RandomSource> random;
    std::shared_ptr<Shell> shell;

    // The services of a real run: Qt dialogs, the system clock, a seeded
    // random generator and QDesktopServices.
    static Services real(QWidget *dialogParent = nullptr);
};

// The process-wide services in use (the application's, or the ones a test installed).
Services &services();
void installServices(Services s);

// Converts a "Label | *.a;*.b;|Label2 | *.c" filter text into Qt's filter list
// ("Label (*.a *.b)", "Label2 (*.c)").
QStringList QtFilterList(const QString &filterText);

} // namespace orvane
