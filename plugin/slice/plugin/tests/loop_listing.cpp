// Writes rendered loops for the mido cross-check, with a listing of what
// each file must hold: the notes the slices play in real time over one
// cycle, slice by slice, and the tempo record.
// usage: loop_listing.exe <folder>
#include "base/registry.h"
#include "base/safe_file.h"
#include "plugin/slice/content/starter_loops.h"
#include "plugin/slice/engine/slice_module.h"
#include "plugin/slice/engine/vostrapellin.h"
#include "plugin/framework/plugin/tests/listing_setup.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace Quorvane;
using namespace Quorvane::LoopSlice;

namespace {

// An engine that keeps what its slices play, with the slice that played it.
class ListingEngine : public Vostrapellin {
public:
    void emitEvent(const CMidiTrack::Event &event) override { played.push_back(event); }
    std::vector<CMidiTrack::Event> played;
};

bool writeRender(Vostrapellin &engine, const std::string &path)
{
    SafeFileWriter file(path);
    return engine.renderLoop(file) && file.commit();
}

} // namespace

int main(int argc, char **argv)
{
    drummer_testing::ListingSetup setup;
    if (const int failed = setup.prepare(argc, argv, "loop_listing", "Patterns",
                                         StarterLoops::writeStarterLibrary, SliceModule::setDataFolder))
        return failed;
    const std::string &folder = setup.folder();
    FILE *listing = setup.listing();
    ListingEngine engine;
    engine.attach();
    engine.setResolution(Vostrapellin::kEngineTicksPerQuarter);
    engine.setSwingPc(35, false);
    for (int layer = 0; layer < 3; ++layer)
        engine.slice(layer).setMute(false, false);
    int written = 0;
    for (const char *collection : {"16 Funk", "8 Shuffle", "Straight Rock"}) {
        engine.setVolume(collection);
        engine.setCycleMeasures(2);
        const std::string base = folder + "\\" + std::to_string(written);
        engine.setMultiTrack(false);
        if (!writeRender(engine, base + "_one.mid"))
            return 1;
        engine.setMultiTrack(true);
        if (!writeRender(engine, base + "_six.mid"))
            return 1;
        fprintf(listing, "loop %d %s\n", written, collection);
        // One cycle live, each slice on its own.
        for (int i = 0; i < kSliceCount; ++i) {
            engine.played.clear();
            engine.slice(i).resetPosition();
            engine.slice(i).play(0, engine.cycleLength() - 1, engine);
            for (const CMidiTrack::Event &e : engine.played)
                fprintf(listing, "note %d %d %d %d %d\n", i, e.time, e.data1, e.data2, e.duration);
        }
        ++written;
    }
    printf("%d loops written\n", written);
    return 0;
}
