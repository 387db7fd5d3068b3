#include "outside/halvorinapp/bridge_switch.h"

#include <cctype>
#include <cstring>

namespace Quorvane {

long ParseBridgeChannel(const char *commandLine)
{
    if (!commandLine)
        return -1;
    const char *found = std::strstr(commandLine, kBridgeSwitch);
    if (!found)
        return -1;
    const char *digits = found + std::strlen(kBridgeSwitch);
    long number = 0;
    int count = 0;
    for (; std::isdigit(static_cast<unsigned char>(*digits)) && count < 4; ++digits, ++count)
        number = number * 10 + (*digits - '0');
    // The number ends the switch: "1x" or a fifth digit is not a channel.
    if (count == 0 || (*digits && !std::isspace(static_cast<unsigned char>(*digits)) && *digits != '"'))
        return -1;
    return number >= 1 && number <= kBridgeChannels ? number - 1 : -1;
}

} // namespace Quorvane
