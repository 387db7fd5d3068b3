// The drummers of a part as its track's chain of MIDI effects holds them:
// element 0 the loop-slice drummer, elements 1 and 2 the fill drummers. The
// states are what the effects write into and read from a memory stream.
#pragma once

#include "app/files/part_files.h"

namespace Quorvane {

class CMEffChain;
class CMEffElem;

class ChainDrummers final : public PartStates {
public:
    explicit ChainDrummers(CMEffChain &chain) : chain_(chain) {}

    bool isActive(int element) override;
    void setActive(int element, bool active) override;
    bool saveState(int element, std::string &state) override;
    bool loadState(int element, const std::string &state) override;

    // The element at that place of the chain, or null.
    CMEffElem *element(int index) const;

private:
    CMEffChain &chain_;
};

} // namespace Quorvane
