#include "bridge/common/tests/halvorin_recorder.h"

#include <windows.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

using namespace Halvorin;
using halvorin_test::RecordedCall;

namespace {

std::mutex lock;
std::vector<RecordedCall> calls;
int claimAnswer = 0;
std::string programName;
bool programAttached = false;
int segments = 0;

void mark(BridgeRenderBlock &block)
{
    const float number = static_cast<float>(++segments);
    for (int i = 0; i < block.frames; ++i) {
        switch (block.mode) {
        case kModeAdd:
            block.bufferA[i] += number;
            block.bufferB[i] += number;
            break;
        case kModeReplace:
            block.bufferA[i] = number;
            block.bufferB[i] = -number;
            break;
        default:
            block.bufferA[2 * i] = block.bufferA[2 * i + 1] = number;
            break;
        }
    }
}

} // namespace

extern "C" __declspec(dllexport) int ASPHalvorinRequest(int channel, int op, void *data)
{
    std::lock_guard<std::mutex> guard(lock);
    RecordedCall call = {};
    call.channel = channel;
    call.op = op;
    switch (op) {
    case kOpRender: {
        auto &block = *static_cast<BridgeRenderBlock *>(data);
        call.block = block;
        calls.push_back(call);
        if (block.noteCode == kNoteTransportStopped)
            block.noteCode = kNoteNone;
        mark(block);
        return block.frames;
    }
    case kOpClaim:
        calls.push_back(call);
        return claimAnswer;
    case kOpProgramName:
        calls.push_back(call);
        if (!programAttached)
            return 0;
        std::strncpy(static_cast<char *>(data), programName.c_str(), kProgramNameSize - 1);
        static_cast<char *>(data)[kProgramNameSize - 1] = '\0';
        return 1;
    case kOpProgram:
        if (data)
            std::strncpy(call.text, static_cast<const char *>(data), sizeof call.text - 1);
        calls.push_back(call);
        return 1;
    default:
        calls.push_back(call);
        return op == kOpRelease ? 0 : 1;
    }
}

extern "C" __declspec(dllexport) int RecorderTake(RecordedCall *out, int most)
{
    std::lock_guard<std::mutex> guard(lock);
    const int count = static_cast<int>(calls.size()) < most ? static_cast<int>(calls.size()) : most;
    std::memcpy(out, calls.data(), sizeof(RecordedCall) * count);
    calls.clear();
    segments = 0;
    return count;
}

extern "C" __declspec(dllexport) void RecorderSetUp(int claim, const char *name)
{
    std::lock_guard<std::mutex> guard(lock);
    claimAnswer = claim;
    programAttached = name != nullptr;
    programName = name ? name : "";
}
