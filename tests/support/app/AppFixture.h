#pragma once
// A fixture for window tests: a fresh temporary root folder as the current
// directory, scripted services installed, and the program's real windows
// created offscreen (CreateWindows) on demand.
#include "QtPrinters.h"
#include "app/ScriptedServices.h"
#include "core/Startup.h"

#include <QColor>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace orvane::testing {

class AppFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the start-up windows with the given command line (the program
    // name first), as the program's main block does. showMain() then shows
    // the main window, which runs its show handler.
    void createWindows(const QStringList &arguments = {"orvane"});
    void showMain();
    // Closes and destroys the windows (the main window's close handler runs).
    void closeWindows();

    QString root() const { return m_root->path(); }
    QString rootFile(const QString &relative) const { return QDir(root()).filePath(relative); }

    std::shared_ptr<ScriptedDialogs> dialogs;
    std::shared_ptr<FixedClock> clock;
    std::shared_ptr<FixedRandom> random;
    std::shared_ptr<RecordingShell> shell;

private:
    std::unique_ptr<QTemporaryDir> m_root;
    QString m_previousDir;
    Windows m_windows;
};

// Writes a small picture file (format by extension) and returns its path.
QString writePicture(const QString &path, int width = 40, int height = 30, QRgb colour = 0xFF3366CC);

} // namespace orvane::testing
