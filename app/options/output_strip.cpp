#include "app/options/output_strip.h"

#include "app/parts_song.h"
#include "data/song.h"
#include "data/sound_interfaces.h"
#include "data/track_midi.h"
#include "gui/draw/names.h"

#include <utility>

namespace Quorvane {

namespace {

constexpr long kPrograms = 128;
// Room for a bank or program name, as the tract writes it.
constexpr size_t kNameSize = 256;

void addNone(std::vector<PopupEntry> &entries, long present)
{
    entries.push_back({"---", kNoOutputValue, present < 0});
}

PopupRunner &popupRunner()
{
    static PopupRunner runner;
    return runner;
}

long &fieldOf(CTrack &track, OutputField field)
{
    switch (field) {
    case OutputField::Channel:
        return track.channel;
    case OutputField::BankMethod:
        return track.bankMode;
    case OutputField::Bank:
        return track.bank;
    case OutputField::Program:
        break;
    }
    return track.program;
}

unsigned long whatToSend(OutputField field)
{
    switch (field) {
    case OutputField::Channel:
        return SEND_BANK | SEND_PROGRAM;
    case OutputField::BankMethod:
    case OutputField::Bank:
        return SEND_BANK;
    case OutputField::Program:
        break;
    }
    return SEND_PROGRAM;
}

} // namespace

std::vector<PopupEntry> ChannelEntries(long channel)
{
    std::vector<PopupEntry> entries;
    for (long c = 0; c < 16; ++c)
        entries.push_back({std::to_string(c + 1), c, c == channel});
    addNone(entries, channel >= 0 && channel < 16 ? channel : kNoOutputValue);
    return entries;
}

std::vector<PopupEntry> BankMethodEntries(long method)
{
    return {{"Normal", 0, method == 0},
            {"Ctrl 0", 1, method == 1},
            {"Ctrl 32", 2, method == 2},
            {"", kNoOutputValue, false},
            {"Refresh Port Info", kRefreshPortInfo, false}};
}

std::vector<PopupEntry> BankEntries(IQuorvaneSongTract &tract, void *out, long bank)
{
    std::vector<PopupEntry> entries;
    for (long index = 0;; ++index) {
        char name[kNameSize] = {};
        long number = 0;
        if (!out || !tract.EnumBanks(out, index, name, number))
            break;
        entries.push_back({name, number, number == bank});
    }
    addNone(entries, bank);
    return entries;
}

std::vector<PopupEntry> ProgramEntries(IQuorvaneSongTract &tract, void *out, long bank, long program)
{
    std::vector<PopupEntry> entries;
    for (long p = 0; out && p < kPrograms; ++p) {
        char name[kNameSize] = {};
        if (tract.StringProg(out, name, bank, p) && name[0])
            entries.push_back({name, p, p == program});
    }
    addNone(entries, program);
    return entries;
}

std::string OutputPortText(IQuorvaneSongTract &tract, void *out)
{
    char name[256] = {};
    long instance = -1;
    const long kind = out ? tract.GetOutInfo(out, name, instance) : -1;
    if (kind < 0)
        return "---";
    name[sizeof name - 1] = 0;
    CreateOutPortName(name, kind, instance, sizeof name);
    return name;
}

std::string OutputFieldText(CTrack &track, OutputField field)
{
    const long value = fieldOf(track, field);
    char text[kNameSize] = {};
    switch (field) {
    case OutputField::Channel:
        if (value < 0 || value >= 16)
            return "ch: -";
        return "ch: " + std::to_string(value + 1);
    case OutputField::BankMethod:
        for (const PopupEntry &e : BankMethodEntries(value))
            if (e.checked)
                return e.text;
        return "---";
    case OutputField::Bank:
        if (value < 0)
            return "---";
        track.StringBank(text, value);
        return text;
    case OutputField::Program:
        break;
    }
    if (value < 0)
        return "---";
    track.StringProg(text, track.bank, value);
    return text;
}

HMENU BuildPopup(const std::vector<PopupEntry> &entries)
{
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return nullptr;
    for (size_t i = 0; i < entries.size(); ++i) {
        const PopupEntry &e = entries[i];
        if (e.text.empty())
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuA(menu, MF_STRING | (e.checked ? MF_CHECKED : MF_UNCHECKED), i + 1, e.text.c_str());
    }
    return menu;
}

PopupRunner SetPopupRunner(PopupRunner runner)
{
    return std::exchange(popupRunner(), std::move(runner));
}

bool ChoosePopupEntry(HWND owner, POINT at, const std::vector<PopupEntry> &entries, long &value)
{
    HMENU menu = BuildPopup(entries);
    if (!menu)
        return false;
    const PopupRunner &runner = popupRunner();
    const auto command =
        static_cast<size_t>(runner ? runner(menu, at, owner)
                                   : TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, at.x,
                                                    at.y, 0, owner, nullptr));
    DestroyMenu(menu);
    if (command == 0 || command > entries.size())
        return false;
    value = entries[command - 1].value;
    return true;
}

void ApplyOutputChoice(CSong &song, OutputField field, long value, int selectedPart)
{
    for (int part = 0; part < kPartCount; ++part) {
        CTrackMIDI *track = PartTrack(song, part);
        if (!track)
            continue;
        fieldOf(*track, field) = value;
        track->UpdateEdition();
    }
    if (CTrackMIDI *selected = PartTrack(song, selectedPart))
        selected->SendInitialToPort(whatToSend(field));
}

} // namespace Quorvane
