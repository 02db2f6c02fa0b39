// orvane-tool: small command-line programs over Orvane's engines.
#include "ToolCommands.h"

#include <QGuiApplication>
#include <algorithm>

using namespace orvane::tool;

static void printHelp()
{
    out("Usage: orvane-tool COMMAND [ARGUMENTS...]\n");
    out("Commands:");
    std::vector<Command> sorted = commands();
    std::sort(sorted.begin(), sorted.end(), [](const Command &a, const Command &b) { return a.name < b.name; });
    for (const Command &c : sorted)
        out("  " + c.usage);
    out("\n  --help    this text");
}

int main(int argc, char **argv)
{
    // Pictures and fonts need a Gui application; no window is ever shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args.first() == "--help" || args.first() == "-h") {
        printHelp();
        return args.isEmpty() ? 2 : 0;
    }
    const QString name = args.takeFirst();
    for (const Command &c : commands()) {
        if (c.name == name)
            return c.run(args);
    }
    err("orvane-tool: unknown command '" + name + "' (see --help)");
    return 2;
}
