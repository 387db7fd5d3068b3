// Writes rendered and exported fills for the mido cross-check, with a listing
// of what each file must hold: the notes the loopers play in real time in
// the fill zone (times from the fill start), and the tempo records.
// usage: export_listing.exe <folder>
#include "base/registry.h"
#include "plugin/fill/content/fill_content.h"
#include "plugin/fill/engine/fill_module.h"
#include "plugin/fill/engine/grindelvosket.h"
#include "plugin/fill/plugin/fill_export.h"
#include "plugin/framework/plugin/tests/listing_setup.h"

#include "base/safe_file.h"
#include "base/string_stream.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace Quorvane;

namespace {

class CollectingQueue : public IMfxEventQueue {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Add(const MfxEvent *event) override
    {
        events.push_back(*event);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCount(LONG *count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetAt(LONG, MfxEvent *) override { return E_INVALIDARG; }

    std::vector<MfxEvent> events;
};

bool writeRender(Grindelvosket &engine, const std::string &path)
{
    SafeFileWriter file(path);
    return FillExport::renderFill(engine, file) && file.commit();
}

} // namespace

int main(int argc, char **argv)
{
    drummer_testing::ListingSetup setup;
    if (const int failed = setup.prepare(argc, argv, "export_listing", "Fills",
                                         FillContent::writeStarterLibrary, FillModule::setDataFolder))
        return failed;
    const std::string &folder = setup.folder();
    FILE *listing = setup.listing();
    int written = 0;
    for (const char *name : {"Rock 01", "Rock 05", "Shuffle 02", "Funk 02"}) {
        const FillContent::FillDefinition *fill = nullptr;
        for (const FillContent::FillDefinition &f : FillContent::starterFills())
            if (f.name == name && f.volume.empty())
                fill = &f;
        if (!fill)
            continue;
        Grindelvosket engine;
        engine.setResolution(480);
        engine.setFillMeasure(1);
        engine.setVelocityMin(1);
        engine.setPattern(fill->folder, fill->fileName(), false);
        engine.setSwingPc(30, false);

        std::string stem = name;
        for (char &c : stem)
            if (c == ' ')
                c = '_';
        const std::string single = folder + "\\" + stem + "_single.mid";
        const std::string multi = folder + "\\" + stem + "_multi.mid";
        const std::string exported = folder + "\\" + stem + "_export.mid";
        engine.setMultiTrackExport(false);
        if (!writeRender(engine, single))
            return 1;
        engine.setMultiTrackExport(true);
        if (!writeRender(engine, multi))
            return 1;
        engine.setMultiTrackExport(false);
        if (!FillExport::exportFill(engine, exported))
            return 1;

        // What plays in real time over the fill bar, without the output
        // stage (its limits are wide open, no level, no gain).
        CollectingQueue out;
        engine.processRange(0, engine.fillLength() * 2 - 1, nullptr, &out);
        const CMidiTrack &source = engine.sourceTrack();
        fprintf(listing, "file %s single tracks 2 tpq 480 tempo 500000 num 4 den 4\n",
                (stem + "_single.mid").c_str());
        fprintf(listing, "file %s multi tracks 11 tpq 480 tempo 500000 num 4 den 4\n",
                (stem + "_multi.mid").c_str());
        const int64_t bpm = (60000000 + source.getTempo() / 2) / source.getTempo();
        fprintf(listing, "file %s export tracks 2 tpq %d tempo %lld num %d den %d\n",
                (stem + "_export.mid").c_str(), static_cast<int>(source.getResolution()),
                static_cast<long long>(60000000 / bpm), source.getTimeSigNumerator(),
                source.getTimeSigDenominator());
        for (const MfxEvent &e : out.events) {
            if (e.kind != MfxNote)
                continue;
            fprintf(listing, "note %s %d %d %d %d %d\n", stem.c_str(), static_cast<int>(e.time), e.channel,
                    e.note, e.velocity, static_cast<int>(e.duration));
            ++written;
        }
    }
    printf("%d notes listed\n", written);
    return written > 0 ? 0 : 1;
}
