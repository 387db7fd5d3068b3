#include "plugin/slice/library/pattern_name.h"

#include "plugin/framework/midi/tick_math.h"

#include <algorithm>

namespace Quorvane::LoopSlice {

namespace {

bool endsField(char c)
{
    return c == '_' || c == '#';
}

// A decimal number at the start of text (an optional '-', then digits);
// 0 when there is none. Saturates instead of overflowing.
int64_t leadingNumber(const std::string &text)
{
    size_t at = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative)
        ++at;
    int64_t value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
        value = std::min<int64_t>(value * 10 + (text[at] - '0'), INT32_MAX);
    return negative ? -value : value;
}

int32_t clampedNumber(const std::string &text)
{
    return static_cast<int32_t>(std::clamp<int64_t>(leadingNumber(text), 0, kMaxPatternNumber));
}

} // namespace

std::string nameField(const std::string &path, int n)
{
    const size_t slash = path.find_last_of('\\');
    size_t at = slash == std::string::npos ? 0 : slash + 1;
    for (int skipped = 0; skipped < n; ++skipped) {
        const size_t underscore = path.find('_', at);
        if (underscore == std::string::npos)
            return std::string();
        at = underscore + 1;
    }
    size_t end = at;
    while (end < path.size() && !endsField(path[end]))
        ++end;
    return path.substr(at, end - at);
}

PatternName parsePatternName(const std::string &path)
{
    PatternName name;
    const size_t slash = path.find_last_of('\\');
    if (path.find('#', slash == std::string::npos ? 0 : slash + 1) == std::string::npos)
        return name;
    name.first = static_cast<int32_t>(leadingNumber(nameField(path, 0)));
    name.second = clampedNumber(nameField(path, 1));
    const std::string signature = nameField(path, 2);
    for (int step = 0; step < kStepCount && step < static_cast<int>(signature.size()); ++step) {
        if (signature[step] == '1')
            name.firstMask |= stepBit(step);
        else if (signature[step] == '2') {
            name.secondMask |= stepBit(step);
            ++name.secondSteps;
        }
    }
    name.level = clampedNumber(nameField(path, 3));
    return name;
}

int32_t measureCount(const CMidiTrack &track)
{
    int64_t numerator = track.getTimeSigNumerator();
    int64_t denominator = track.getTimeSigDenominator();
    if (numerator <= 0 || denominator <= 0) {
        numerator = 4;
        denominator = 4;
    }
    const int64_t perMeasure =
        std::max<int64_t>(1, numerator * usableResolution(track.getResolution()) * 4 / denominator);
    const int64_t length = std::max<int64_t>(0, track.getLastEnd());
    return clampToInt32((length + perMeasure - 1) / perMeasure);
}

} // namespace Quorvane::LoopSlice
