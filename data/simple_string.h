// An owned string with two numbers: the element of named lists in the sound
// engine and the equipment database.
#pragma once

#include "data/corvadel_api.h"
#include "data/struct_array.h"

namespace Quorvane {

struct CORVADEL_API SIMPLE_STRING : public STRUCTELEM {
    void Clear() override;
    void Spoil() override;

    // A copy (null for a null or empty text); 0 when memory runs out.
    int SetText(const char *text, long length = -1);
    const char *GetText() const { return text; }
    void SetParam1(long v) { param1 = v; }
    void SetParam2(long v) { param2 = v; }
    long GetParam1() const { return param1; }
    long GetParam2() const { return param2; }

    char *text = nullptr;
    long param1 = 0;
    long param2 = 0;
};

} // namespace Quorvane
