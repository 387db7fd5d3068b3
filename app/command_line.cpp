#include "app/command_line.h"

namespace Quorvane {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

std::string CommandTail(const char *fullCommandLine)
{
    if (!fullCommandLine)
        return {};
    const char *p = fullCommandLine;
    if (*p == '"') {
        ++p;
        while (*p && *p != '"')
            ++p;
        if (*p)
            ++p;
    } else {
        while (*p && !isBlank(*p))
            ++p;
    }
    while (isBlank(*p))
        ++p;
    return p;
}

bool IsNoReloadSwitch(const std::string &tail)
{
    return tail == "-n" || tail == "/n" || tail == "-N" || tail == "/N";
}

std::string StyleFileArgument(const std::string &tail)
{
    size_t at = 0;
    while (at < tail.size()) {
        while (at < tail.size() && isBlank(tail[at]))
            ++at;
        if (at >= tail.size())
            break;
        std::string argument;
        bool quoted = false;
        for (; at < tail.size() && (quoted || !isBlank(tail[at])); ++at) {
            if (tail[at] == '"')
                quoted = !quoted;
            else
                argument += tail[at];
        }
        if (!argument.empty() && argument[0] != '-' && argument[0] != '/')
            return argument;
    }
    return {};
}

} // namespace Quorvane
