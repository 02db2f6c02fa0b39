#include "ToolCommands.h"

#include <cstdio>

namespace orvane::tool {

static std::vector<Command> &registry()
{
    static std::vector<Command> all;
    return all;
}

bool registerCommand(Command command)
{
    registry().push_back(std::move(command));
    return true;
}

const std::vector<Command> &commands() { return registry(); }

void out(const QString &text)
{
    std::fputs(text.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
}

void err(const QString &text)
{
    std::fputs(text.toUtf8().constData(), stderr);
    std::fputc('\n', stderr);
}

} // namespace orvane::tool
