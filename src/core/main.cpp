// Orvane: start-up. The root folder is the current directory; the last
// command-line argument names a picture to open.
#include "core/OrvaneApplication.h"
#include "core/Services.h"
#include "core/Startup.h"
#include "core/TOrvane1.h"

int main(int argc, char **argv)
{
    OrvaneApplication app(argc, argv);
    orvane::installServices(orvane::Services::real());
    orvane::Windows windows = orvane::CreateWindows(app.arguments());
    Orvane1->show();
    return app.exec();
}
