#include "core/Services.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QRandomGenerator>
#include <QUrl>
#include <QFileInfo>

namespace orvane {

namespace {

class QtDialogs final : public Dialogs {
public:
    explicit QtDialogs(QWidget *parent) : m_parent(parent) {}

    void warning(const QString &title, const QString &text) override
    {
        QMessageBox::warning(parentWidget(), title, text, QMessageBox::Ok);
    }
    bool yesNo(const QString &title, const QString &text) override
    {
        return QMessageBox::question(parentWidget(), title, text, QMessageBox::Yes | QMessageBox::No) !=
               QMessageBox::No;
    }
    void error(const QString &text) override
    {
        QMessageBox::critical(parentWidget(), QApplication::applicationName(), text, QMessageBox::Ok);
    }
    void execModal(QDialog &window) override { window.exec(); }

    FileDialogResult openFile(const FileDialogRequest &r) override { return run(r, QFileDialog::AcceptOpen); }
    FileDialogResult saveFile(const FileDialogRequest &r) override { return run(r, QFileDialog::AcceptSave); }

    std::optional<QString> inputBox(const QString &title, const QString &prompt, const QString &value) override
    {
        bool ok = false;
        const QString text = QInputDialog::getText(parentWidget(), title, prompt, QLineEdit::Normal, value, &ok);
        if (!ok)
            return std::nullopt;
        return text;
    }
    bool printDialog(QPrinter &printer) override
    {
        QPrintDialog dialog(&printer, parentWidget());
        return dialog.exec() == QDialog::Accepted;
    }

private:
    QWidget *parentWidget() const { return m_parent ? m_parent : QApplication::activeWindow(); }

    FileDialogResult run(const FileDialogRequest &r, QFileDialog::AcceptMode mode)
    {
        QFileDialog dialog(parentWidget(), r.title);
        dialog.setAcceptMode(mode);
        const QStringList filters = QtFilterList(r.filter);
        dialog.setNameFilters(filters);
        if (r.filterIndex >= 1 && r.filterIndex <= filters.size())
            dialog.selectNameFilter(filters.at(r.filterIndex - 1));
        if (!r.defaultExt.isEmpty())
            dialog.setDefaultSuffix(r.defaultExt);
        if (mode == QFileDialog::AcceptOpen)
            dialog.setFileMode(r.multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
        if (!r.fileName.isEmpty()) {
            const QFileInfo info(r.fileName);
            if (info.isDir())
                dialog.setDirectory(info.absoluteFilePath());
            else {
                dialog.setDirectory(info.absolutePath());
                dialog.selectFile(info.fileName());
            }
        }
        FileDialogResult result;
        if (dialog.exec() != QDialog::Accepted)
            return result;
        result.accepted = true;
        result.files = dialog.selectedFiles();
        result.filterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
        return result;
    }

    QWidget *m_parent;
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

class SystemRandom final : public RandomSource {
public:
    int bounded(int bound) override { return bound <= 0 ? 0 : QRandomGenerator::global()->bounded(bound); }
};

class DesktopShell final : public Shell {
public:
    void open(const QString &target) override
    {
        const QUrl url = QUrl::fromUserInput(target, QString(), QUrl::AssumeLocalFile);
        QDesktopServices::openUrl(url);
    }
};

Services &current()
{
    static Services s;
    return s;
}

} // namespace

Services Services::real(QWidget *dialogParent)
{
    Services s;
    s.dialogs = std::make_shared<QtDialogs>(dialogParent);
    s.clock = std::make_shared<SystemClock>();
    s.random = std::make_shared<SystemRandom>();
    s.shell = std::make_shared<DesktopShell>();
    return s;
}

Services &services()
{
    Services &s = current();
    if (!s.dialogs)
        s = Services::real();
    return s;
}

void installServices(Services s) { current() = std::move(s); }

QStringList QtFilterList(const QString &filterText)
{
    QStringList result;
    const QStringList parts = filterText.split(QLatin1Char('|'));
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString label = parts.at(i).trimmed();
        QStringList patterns;
        for (const QString &p : parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString t = p.trimmed();
            if (!t.isEmpty())
                patterns << t;
        }
        result << label + " (" + patterns.join(QLatin1Char(' ')) + ")";
    }
    return result;
}

} // namespace orvane
