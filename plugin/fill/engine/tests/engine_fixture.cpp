#include "plugin/fill/engine/tests/engine_fixture.h"

#include "base/registry.h"
#include "plugin/fill/engine/fill_module.h"

#include <windows.h>

namespace engine_test {

using namespace Quorvane;

EngineSandbox::EngineSandbox()
{
    initAppRegistry(registry_.product().c_str(), nullptr, DLL_PROCESS_ATTACH, "3");
    CreateDirectoryA(fillsFolder().c_str(), nullptr);
    FillModule::setDataFolder(folder_.path());
}

EngineSandbox::~EngineSandbox() = default;

void writePattern(const EngineSandbox &sandbox, const std::string &folder, const std::string &file,
                  const std::vector<Hit> &hits, int32_t resolution)
{
    std::string path = sandbox.fillsFolder();
    if (!folder.empty()) {
        path += "\\" + folder;
        CreateDirectoryA(path.c_str(), nullptr);
    }
    CMidiTrack track;
    track.setResolution(resolution);
    for (const Hit &hit : hits) {
        CMidiTrack::Event event;
        event.time = hit.time;
        event.channel = 9;
        event.kind = CMidiTrack::Event::Note;
        event.data1 = hit.note;
        event.data2 = hit.velocity;
        event.flags2 = 64;
        event.duration = resolution / 8;
        track.insertEvent(event);
    }
    track.refreshStatistics();
    ASSERT_EQ(track.saveSmfFile(path + "\\" + file), 0) << path;
}

std::vector<MfxEvent> processOnce(Grindelvosket &engine, int32_t from, int32_t thru,
                                  const std::vector<MfxEvent> &input)
{
    FakeQueue in;
    in.events = input;
    FakeQueue out;
    engine.processRange(from, thru, &in, &out);
    return out.events;
}

} // namespace engine_test
