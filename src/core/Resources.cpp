#include "core/Resources.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace orvane {

static void copyMissing(const QString &resourceFolder, const QString &target)
{
    if (target.isEmpty() || !QFileInfo(target).isDir())
        return;
    const QDir source(resourceFolder);
    for (const QString &name : source.entryList(QDir::Files)) {
        const QString destination = QDir(target).filePath(name);
        if (QFileInfo::exists(destination))
            continue;
        QFile in(source.filePath(name));
        if (!in.open(QIODevice::ReadOnly))
            continue;
        QSaveFile out(destination);
        if (!out.open(QIODevice::WriteOnly))
            continue;
        out.write(in.readAll());
        out.commit();
    }
}

void WriteMissingResources(const QString &stylePath, const QString &bmpPath)
{
    copyMissing(":/styles", stylePath);
    copyMissing(":/bmps", bmpPath);
}

bool ApplyStyleFile(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    const QString sheet = QString::fromUtf8(file.readAll());
    if (auto *app = qobject_cast<QApplication *>(QCoreApplication::instance()))
        app->setStyleSheet(sheet);
    return true;
}

} // namespace orvane
