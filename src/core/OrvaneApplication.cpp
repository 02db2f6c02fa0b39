#include "core/OrvaneApplication.h"

#include "core/Errors.h"
#include "core/Services.h"

OrvaneApplication::OrvaneApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName("Orvane");
    setApplicationVersion("8.0");
    setOrganizationName("Orvane");
}

bool OrvaneApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const orvane::Error &e) {
        orvane::services().dialogs->error(e.message());
    } catch (const std::exception &e) {
        orvane::services().dialogs->error(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        orvane::services().dialogs->error(QStringLiteral("An unexpected error occurred."));
    }
    return false;
}
