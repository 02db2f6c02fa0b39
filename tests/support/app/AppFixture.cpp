#include "app/AppFixture.h"

#include "core/TOrvane1.h"

#include <QApplication>
#include <QImage>

namespace orvane::testing {

void AppFixture::SetUp()
{
    m_previousDir = QDir::currentPath();
    m_root = std::make_unique<QTemporaryDir>();
    ASSERT_TRUE(m_root->isValid());
    ASSERT_TRUE(QDir::setCurrent(m_root->path()));
    dialogs = std::make_shared<ScriptedDialogs>();
    clock = std::make_shared<FixedClock>();
    random = std::make_shared<FixedRandom>();
    shell = std::make_shared<RecordingShell>();
    Services s;
    s.dialogs = dialogs;
    s.clock = clock;
    s.random = random;
    s.shell = shell;
    installServices(s);
    qApp->setStyleSheet(QString());
}

void AppFixture::TearDown()
{
    closeWindows();
    QDir::setCurrent(m_previousDir);
    m_root.reset();
}

void AppFixture::createWindows(const QStringList &arguments)
{
    m_windows = CreateWindows(arguments);
}

void AppFixture::showMain()
{
    Orvane1->resize(Orvane1->WINWIDTH, Orvane1->WINHEIGHT);
    Orvane1->show();
    QApplication::processEvents();
}

void AppFixture::closeWindows()
{
    if (Orvane1 && Orvane1->isVisible())
        Orvane1->close();
    m_windows = Windows();
}

QString writePicture(const QString &path, int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    image.save(path);
    return path;
}

} // namespace orvane::testing
