#pragma once
// Sub-commands of orvane-tool. A command file registers itself with a static
//   static const bool registered = orvane::tool::registerCommand({"table", "...", &run});
// run() receives the arguments after the command name and returns the exit status.
#include <QStringList>
#include <functional>
#include <vector>

namespace orvane::tool {

struct Command {
    QString name;     // first argument, e.g. "table"
    QString usage;    // one or more lines shown by --help
    std::function<int(const QStringList &args)> run;
};

bool registerCommand(Command command);
const std::vector<Command> &commands();

// Writes to standard output / standard error (UTF-8, with a trailing newline).
void out(const QString &text);
void err(const QString &text);

} // namespace orvane::tool
