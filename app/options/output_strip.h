// The popups of the parts list's output strip: the MIDI channel, the bank
// select method, the bank and the program of the one output all twelve
// parts share, each checked at the present value; and the choice stored in
// every part track, the selected part sending it to the port at once.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace Quorvane {

class CSong;
class CTrack;
class IQuorvaneSongTract;

enum class OutputField { Channel, BankMethod, Bank, Program };

// The value of "---": no channel, bank or program.
constexpr long kNoOutputValue = -1;
// The bank method popup's last entry, "Refresh Port Info".
constexpr long kRefreshPortInfo = -2;

struct PopupEntry {
    std::string text; // empty for a separator
    long value = kNoOutputValue;
    bool checked = false;
};

// "1".."16" for channels 0..15, then "---".
std::vector<PopupEntry> ChannelEntries(long channel);
// "Normal", "Ctrl 0", "Ctrl 32", a separator and "Refresh Port Info".
std::vector<PopupEntry> BankMethodEntries(long method);
// The bank names the output lists, then "---".
std::vector<PopupEntry> BankEntries(IQuorvaneSongTract &tract, void *out, long bank);
// The program names of the bank, then "---".
std::vector<PopupEntry> ProgramEntries(IQuorvaneSongTract &tract, void *out, long bank, long program);

// What the output strip shows of a field of the track: "ch: 1".."ch: 16"
// or "ch: -", the bank method's name, and the bank and program names the
// output gives (else their numbers, "---" for none).
std::string OutputFieldText(CTrack &track, OutputField field);

// The output's name as the song tract lists its ports ("Default Preview",
// "MIDI: name", ...); "---" when the tract does not know the output.
std::string OutputPortText(IQuorvaneSongTract &tract, void *out);

// A popup menu of the entries: entry i has the command i + 1.
HMENU BuildPopup(const std::vector<PopupEntry> &entries);
// Runs a popup menu at the screen point and answers the command chosen (0
// for none). Tests install their own answer (an empty one restores the
// menu's); returns the old one.
using PopupRunner = std::function<UINT(HMENU menu, POINT at, HWND owner)>;
PopupRunner SetPopupRunner(PopupRunner runner);

// Shows the popup at the screen point; true with the value of the entry
// chosen.
bool ChoosePopupEntry(HWND owner, POINT at, const std::vector<PopupEntry> &entries, long &value);

// Stores the value in all twelve part tracks; the selected part's track
// sends its bank and program after a channel change, its bank after a bank
// or method change, its program after a program change.
void ApplyOutputChoice(CSong &song, OutputField field, long value, int selectedPart);

} // namespace Quorvane
