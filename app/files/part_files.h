// Part files (".qnp"), style files of twelve parts (".qns") and one part on
// the clipboard ("QNOV Style"). Every value is a little-endian 4-byte word:
//
//   part file   "QN31", part length, tempo (float), the part's drummers
//   style file  "QN32", tempo (float), 12 x (part length, the part's drummers)
//   clipboard   part length, the part's drummers
//
// and the drummers of a part are, for its elements 0, 1 and 2 in turn, the
// element's active flag, the size n > 0 of its state and the n bytes of the
// state as the drummer writes it.
#pragma once

#include "app/parts_song.h"

#include <cstdint>
#include <string>

namespace Quorvane {

class CStorage;

// The four bytes "QN31" and "QN32" read as one little-endian word.
constexpr uint32_t kPartFileMagic = 0x3133'4E51;
constexpr uint32_t kStyleFileMagic = 0x3233'4E51;

// The states of one part's three drummer elements.
class PartStates {
public:
    virtual bool isActive(int element) = 0;
    // Switches the element on or off.
    virtual void setActive(int element, bool active) = 0;
    // The drummer's state; false when it has none to give.
    virtual bool saveState(int element, std::string &state) = 0;
    // False when the drummer refuses the state.
    virtual bool loadState(int element, const std::string &state) = 0;

protected:
    ~PartStates() = default;
};

// What the files read from and write into: the parts of the program.
class PartStore {
public:
    virtual int32_t partLength(int part) = 0;
    virtual void setPartLength(int part, int32_t measures) = 0;
    virtual float tempo() = 0;
    // Tempos outside what the program plays are ignored.
    virtual void setTempo(float beatsPerMinute) = 0;
    // Null when the part has no drummers.
    virtual PartStates *states(int part) = 0;

protected:
    ~PartStore() = default;
};

// Writers: false as soon as a value cannot be had or written; what was
// written stays.
bool SavePartFile(CStorage &storage, PartStore &store, int part);
bool SaveStyleFile(CStorage &storage, PartStore &store);
bool SaveClipboardPart(CStorage &storage, PartStore &store, int part);

// Readers: false on a short file, a wrong magic, a part length outside
// 1..8, a state size of 0 or less or beyond the end of the data, or a
// drummer that refuses its state. The whole data is read before any of it
// is applied, and a drummer that refuses its state has every part put back
// as it was: a refused load changes nothing.
bool LoadPartFile(CStorage &storage, PartStore &store, int part);
bool LoadStyleFile(CStorage &storage, PartStore &store);
bool LoadClipboardPart(CStorage &storage, PartStore &store, int part);

} // namespace Quorvane
