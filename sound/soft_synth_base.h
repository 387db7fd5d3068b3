// What every soft-synth module answers the same way: the slots a module
// does not need to override and the memory of the last output buffer.
#pragma once

#include "sound/soft_synth.h"

namespace Quorvane {

class SoftSynthBase : public IQuorvaneSoftSynth {
public:
    void Reset() override {}
    void Resume() override {}
    void SetSampleRate(float rate) override { sampleRate = rate; }
    void SetBlockSize(int frames) override { blockSize = frames; }
    // Zeroes the frames of the last render call.
    void ClearOutput() override;
    const char *GetVendor() override { return "Quorvane"; }
    int GetConstant1() override { return 1; }
    int GetConstant2() override { return -1; }
    const char *GetProductName() override { return GetName(); }
    int GetNumParams() override { return 0; }
    float GetParam(int) override { return 0.0f; }
    void SetParam(int, float) override {}
    void GetText1(char *out, int flag) override { emptyText(out, flag); }
    void GetText2(char *out, int flag) override { emptyText(out, flag); }
    void GetText3(char *out, int flag) override { emptyText(out, flag); }

protected:
    ~SoftSynthBase() = default;
    // Render calls note their buffer here first.
    void noteOutput(float **buffer, int frames);
    // Tells the engine, through the callback it wrote into the object.
    void callHost(unsigned long index, long code);

    float *lastBuffer = nullptr;
    int lastFrames = 0;

private:
    static void emptyText(char *out, int flag)
    {
        if (flag && out)
            *out = '\0';
    }
};

} // namespace Quorvane
