#include "app/starter/starter_style.h"

#include "app/files/part_files.h"
#include "app/files/safe_file_storage.h"
#include "base/string_stream.h"
#include "data/storage.h"
#include "plugin/fill/content/fill_content.h"
#include "plugin/fill/engine/grindelvosket.h"
#include "plugin/framework/midi/offline_tracks.h"
#include "plugin/slice/engine/vostrapellin.h"

#include <array>
#include <memory>
#include <vector>

namespace Quorvane::StarterStyle {

namespace {

// Straight, shuffled and sixteenth grooves in turn, each part with a length
// and fills of its own.
constexpr PartRecipe kRecipes[kPartCount] = {
    {2, "Straight Rock", 11, 0, {0, 1}, {1, 1}},    {4, "16 Funk", 12, 10, {2, 3}, {1, 3}},
    {4, "8 Shuffle", 13, 30, {4, 5}, {3, 3}},       {1, "Straight Rock", 14, 0, {6, 7}, {0, 0}},
    {4, "16 Funk", 15, 20, {8, 9}, {0, 3}},         {8, "8 Shuffle", 16, 40, {10, 11}, {3, 7}},
    {2, "Straight Rock", 17, 10, {12, 13}, {0, 1}}, {4, "16 Funk", 18, 0, {14, 15}, {2, 3}},
    {4, "8 Shuffle", 19, 25, {16, 17}, {1, 3}},     {8, "Straight Rock", 20, 0, {18, 19}, {3, 7}},
    {2, "16 Funk", 21, 15, {20, 21}, {1, 1}},       {4, "8 Shuffle", 22, 35, {22, 23}, {3, 3}},
};

// The first of the part's measures in which the loop-slice drummer starts
// no note, rendered off line as an export renders it; -1 when every one has
// notes.
int silentMeasure(LoopSlice::Vostrapellin &loops, uint32_t seed, int measures)
{
    LoopSlice::SliceExportParts parts(loops, seed);
    SingleTrackProcess process(parts, {12000, LoopSlice::Vostrapellin::kEngineTicksPerQuarter, 4, 2});
    const int32_t measureTicks = 4 * process.getResolution();
    process.render(0, 0, measures * measureTicks - 1);
    std::vector<int> notes(static_cast<size_t>(measures));
    for (const OfflineEntry &e : process.events().entries())
        if ((e.status & 0xF0) == 0x90 && e.data2 > 0 && e.time >= 0 && e.time < measures * measureTicks)
            ++notes[static_cast<size_t>(e.time / measureTicks)];
    for (int m = 0; m < measures; ++m)
        if (notes[static_cast<size_t>(m)] == 0)
            return m;
    return -1;
}

std::vector<FillContent::FillDefinition> plainFills()
{
    std::vector<FillContent::FillDefinition> fills;
    for (const FillContent::FillDefinition &fill : FillContent::starterFills())
        if (fill.volume.empty())
            fills.push_back(fill);
    return fills;
}

// The twelve parts' drummer states, made by the drummers themselves.
class StarterParts final : public PartStore {
public:
    bool make(std::string *error)
    {
        const std::vector<FillContent::FillDefinition> fills = plainFills();
        if (fills.empty())
            return fail(error, "no starter fills");
        for (int part = 0; part < kPartCount; ++part) {
            const PartRecipe &r = kRecipes[part];
            std::array<std::string, 3> &states = parts_[part].states;
            {
                const std::string name = "the loop-slice drummer of part " + std::to_string(part + 1);
                LoopSlice::Vostrapellin loops;
                // As a host connects it: the pattern library, each slice's
                // default folder and the level its patterns are chosen at.
                loops.attach();
                if (!loops.patternTree())
                    return fail(error, name + " finds no pattern library");
                loops.setVolume(r.loops);
                for (int layer = 0; layer < 3; ++layer)
                    loops.slice(layer).setMute(false, false);
                loops.seedRandom(r.seed);
                loops.Random(nullptr);
                loops.setSwingPc(r.swing, false);
                const int silent = silentMeasure(loops, r.seed, r.length);
                if (silent >= 0)
                    return fail(error, name + " plays nothing in measure " + std::to_string(silent + 1));
                stringStream out(states[0]);
                if (!loops.saveState(out) || states[0].empty())
                    return fail(error, name + " gave no state");
            }
            for (int f = 0; f < 2; ++f) {
                const FillContent::FillDefinition &fill =
                    fills[static_cast<size_t>(r.fills[f]) % fills.size()];
                Grindelvosket drummer;
                if (!drummer.selectPattern(fill.folder, fill.fileName()))
                    return fail(error, "the fill " + fill.relativePath() + " does not load");
                drummer.setFillMeasure(r.fillMeasures[f] + 1); // the drummer counts from 1
                drummer.setSwingPc(r.swing, false);
                stringStream out(states[1 + f]);
                if (!drummer.saveState(out) || states[1 + f].empty())
                    return fail(error,
                                "a fill drummer of part " + std::to_string(part + 1) + " gave no state");
            }
        }
        return true;
    }

    int32_t partLength(int part) override { return kRecipes[part].length; }
    void setPartLength(int, int32_t) override {}
    float tempo() override { return kTempo; }
    void setTempo(float) override {}
    PartStates *states(int part) override { return &parts_[part]; }

private:
    static bool fail(std::string *error, const std::string &what)
    {
        if (error)
            *error = what;
        return false;
    }

    struct Part final : PartStates {
        bool isActive(int) override { return true; }
        void setActive(int, bool) override {}
        bool saveState(int element, std::string &state) override
        {
            state = states[static_cast<size_t>(element)];
            return !state.empty();
        }
        bool loadState(int, const std::string &) override { return false; }
        std::array<std::string, 3> states;
    };
    std::array<Part, kPartCount> parts_;
};

} // namespace

const PartRecipe &Recipe(int part)
{
    return kRecipes[part];
}

bool Write(const std::string &path, std::string *error)
{
    auto parts = std::make_unique<StarterParts>();
    if (!parts->make(error))
        return false;
    SafeFileStorage file(path);
    if (!file.IsOpen() || !SaveStyleFile(file, *parts) || !file.Commit()) {
        if (error)
            *error = "cannot write " + path;
        return false;
    }
    return true;
}

} // namespace Quorvane::StarterStyle
