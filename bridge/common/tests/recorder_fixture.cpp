#include "bridge/common/tests/recorder_fixture.h"

namespace halvorin_test {

std::string programFolder()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    const std::string file(path, length);
    return file.substr(0, file.find_last_of('\\') + 1);
}

Recorder::Recorder()
{
    const std::string path = programFolder() + "halvorin_recorder.dll";
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Quorvane\\AudioStreamProviders", "Halvorin", REG_SZ,
                    path.c_str(), static_cast<DWORD>(path.size() + 1));
    module_ = LoadLibraryA(path.c_str());
    if (!module_)
        return;
    take_ = reinterpret_cast<RecorderTakeProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(module_, "RecorderTake")));
    setUp_ = reinterpret_cast<RecorderSetUpProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(module_, "RecorderSetUp")));
    if (Ready()) {
        SetUp(0, nullptr);
        Take();
    }
}

Recorder::~Recorder()
{
    if (module_)
        FreeLibrary(module_);
}

std::vector<RecordedCall> Recorder::Take()
{
    std::vector<RecordedCall> calls(4096);
    calls.resize(take_(calls.data(), static_cast<int>(calls.size())));
    return calls;
}

std::vector<Halvorin::BridgeRenderBlock> Recorder::TakeSegments()
{
    std::vector<Halvorin::BridgeRenderBlock> segments;
    for (const RecordedCall &call : Take())
        if (call.op == Halvorin::kOpRender)
            segments.push_back(call.block);
    return segments;
}

} // namespace halvorin_test
