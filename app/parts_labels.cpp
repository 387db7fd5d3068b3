#include "app/parts_labels.h"

namespace Quorvane {

long TextWidth(const std::string &text, const long *widths)
{
    long width = 0;
    for (unsigned char c : text)
        width += widths[c];
    return width;
}

std::string FitText(const std::string &text, const long *widths, long room)
{
    if (TextWidth(text, widths) <= room)
        return text;
    std::string dots = "...";
    while (!dots.empty() && TextWidth(dots, widths) > room)
        dots.pop_back();
    const long left = room - TextWidth(dots, widths);
    std::string cut;
    long width = 0;
    for (unsigned char c : text) {
        if (width + widths[c] > left)
            break;
        width += widths[c];
        cut += static_cast<char>(c);
    }
    // The marks follow the last character kept, not a blank.
    while (!cut.empty() && cut.back() == ' ')
        cut.pop_back();
    return cut + dots;
}

std::string DrummerLabel(const char *name, int element, const long *widths, long room)
{
    const std::string drummer = name && *name ? name : "-";
    if (element == 0)
        return FitText(drummer, widths, room);
    std::string number(1, ' ');
    number += std::to_string(element);
    return FitText(drummer, widths, room - TextWidth(number, widths)) + number;
}

std::vector<std::string> FieldLines(const std::string &text, const long *widths, long room)
{
    if (TextWidth(text, widths) <= room)
        return {text};
    const size_t blank = text.find_last_of(' ');
    if (blank != std::string::npos)
        return {FitText(text.substr(0, blank), widths, room), FitText(text.substr(blank + 1), widths, room)};
    // One word too long: broken where the first line is full.
    size_t cut = 0;
    for (long width = 0; cut < text.size() && width + widths[static_cast<unsigned char>(text[cut])] <= room;
         ++cut)
        width += widths[static_cast<unsigned char>(text[cut])];
    if (cut == 0)
        return {FitText(text, widths, room)};
    return {text.substr(0, cut), FitText(text.substr(cut), widths, room)};
}

} // namespace Quorvane
