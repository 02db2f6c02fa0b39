#include "app/ScriptedServices.h"

#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>

namespace orvane::testing {

void ScriptedDialogs::clickInNextModal(const QString &buttonName)
{
    modalActions.push_back([buttonName](QDialog &window) {
        if (auto *button = window.findChild<QPushButton *>(buttonName))
            button->click();
    });
}

void ScriptedDialogs::openNext(const QStringList &files, int filterIndex)
{
    FileDialogResult r;
    r.accepted = true;
    r.files = files;
    r.filterIndex = filterIndex;
    openAnswers.push_back(r);
}

void ScriptedDialogs::warning(const QString &title, const QString &text)
{
    asked.emplace_back("warning", title, text);
}

bool ScriptedDialogs::yesNo(const QString &title, const QString &text)
{
    asked.emplace_back("yesNo", title, text);
    if (yesNoAnswers.empty())
        return false;
    const bool answer = yesNoAnswers.front();
    yesNoAnswers.pop_front();
    return answer;
}

void ScriptedDialogs::error(const QString &text) { asked.emplace_back("error", QString(), text); }

void ScriptedDialogs::execModal(QDialog &window)
{
    // Showing the window runs its show handler, as a modal run would.
    window.show();
    QCoreApplication::processEvents();
    Asked a("modal", window.windowTitle());
    if (auto *label = window.findChild<QLabel *>("Label1"))
        a.text = label->text();
    asked.push_back(a);
    if (!modalActions.empty()) {
        auto action = std::move(modalActions.front());
        modalActions.pop_front();
        action(window);
    }
    if (window.isVisible())
        window.close(); // the frame's close box
    QCoreApplication::processEvents();
}

FileDialogResult ScriptedDialogs::openFile(const FileDialogRequest &r)
{
    asked.emplace_back("open", r.title, QString(), r.filter, r.filterIndex, r.fileName);
    if (openAnswers.empty())
        return {};
    FileDialogResult answer = openAnswers.front();
    openAnswers.pop_front();
    return answer;
}

FileDialogResult ScriptedDialogs::saveFile(const FileDialogRequest &r)
{
    asked.emplace_back("save", r.title, QString(), r.filter, r.filterIndex, r.fileName);
    if (saveAnswers.empty())
        return {};
    FileDialogResult answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
}

std::optional<QString> ScriptedDialogs::inputBox(const QString &title, const QString &prompt, const QString &value)
{
    asked.emplace_back("input", title, prompt, QString(), 0, value);
    if (inputAnswers.empty())
        return std::nullopt;
    const QString answer = inputAnswers.front();
    inputAnswers.pop_front();
    if (answer.isNull())
        return std::nullopt;
    return answer;
}

bool ScriptedDialogs::printDialog(QPrinter &)
{
    asked.emplace_back("print");
    if (yesNoAnswers.empty())
        return false;
    const bool answer = yesNoAnswers.front();
    yesNoAnswers.pop_front();
    return answer;
}

int ScriptedDialogs::count(const QString &kind) const
{
    int n = 0;
    for (const Asked &a : asked)
        n += a.kind == kind;
    return n;
}

const Asked *ScriptedDialogs::last(const QString &kind) const
{
    for (auto it = asked.rbegin(); it != asked.rend(); ++it)
        if (it->kind == kind)
            return &*it;
    return nullptr;
}

int FixedRandom::bounded(int bound)
{
    if (values.empty())
        return 0;
    const int v = values.front();
    values.pop_front();
    return bound > 0 ? v % bound : 0;
}

} // namespace orvane::testing
