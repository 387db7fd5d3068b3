// Patterns: event arrays a pattern event (special type 17) plays. The song
// owns a pool of them; nothing in the system creates them yet, the types
// are offered to the song editor windows.
#pragma once

#include "data/chain.h"
#include "data/corvadel_api.h"
#include "data/event_array.h"

namespace Quorvane {

class CORVADEL_API CPattern : public CChainElem, public CEventArray {
public:
    CPattern(unsigned long value, long second, long third);
    ~CPattern() override;
    // Patterns have no order among themselves.
    long Compare(CChainElem *) override { return 0; }
    // Frees the block; 1.
    virtual int SetDefault();

    unsigned long value;
    void *block = nullptr;
    long second;
    long third;
    long state = 1;
    long extra = 0;
};

class CORVADEL_API CMIDIPattern : public CPattern {
public:
    explicit CMIDIPattern(long second = 4, long third = 2) : CPattern(0, second, third) {}
};

class CORVADEL_API CPatternPool : public CChain {};

} // namespace Quorvane
