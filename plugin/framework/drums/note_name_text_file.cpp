// The reader of note-name text files, one name per line:
//   36 Bass Drum
//   38: Snare
// Lines that do not start with a number are skipped.
#include "plugin/framework/drums/note_names.h"

namespace Quorvane {

namespace {

enum class State { LineStart, Number, Gap, Name, SkipLine };

bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

constexpr size_t kMaxNameBytes = 255;
// Numbers only need to be told apart from notes; larger ones stop growing.
constexpr int kNumberCap = 100000;

} // namespace

bool NoteNames::parseTextFile(InputStream &in)
{
    State state = State::LineStart;
    int number = 0;
    std::string name;
    bool gotBytes = false;

    char chunk[4096];
    for (;;) {
        const uint32_t count = in.readBytes(chunk, sizeof(chunk));
        if (count == 0)
            break;
        gotBytes = true;
        for (uint32_t i = 0; i < count; ++i) {
            const char c = chunk[i];
            switch (state) {
            case State::LineStart:
                if (isDigit(c)) {
                    number = c - '0';
                    state = State::Number;
                } else if (c != ' ' && c != '\t' && !isLineEnd(c)) {
                    state = State::SkipLine;
                }
                break;
            case State::Number:
                if (isDigit(c)) {
                    if (number < kNumberCap)
                        number = number * 10 + (c - '0');
                } else if (isLineEnd(c)) {
                    // A number alone on its line names nothing; the next
                    // line is a line of its own.
                    state = State::LineStart;
                } else {
                    // The byte after the digits is taken as the separator.
                    state = State::Gap;
                }
                break;
            case State::Gap:
                if (isLineEnd(c)) {
                    state = State::LineStart;
                } else if (c != '\t' && c != ' ' && c != ':') {
                    name.assign(1, c);
                    state = State::Name;
                }
                break;
            case State::Name:
                if (isLineEnd(c)) {
                    if (isNote(number))
                        setNoteName(number, name);
                    state = State::LineStart;
                } else if (name.size() < kMaxNameBytes) {
                    name.push_back(c);
                }
                break;
            case State::SkipLine:
                if (isLineEnd(c))
                    state = State::LineStart;
                break;
            }
        }
    }
    // A name that the file does not end with a line break is dropped.
    return gotBytes;
}

} // namespace Quorvane
