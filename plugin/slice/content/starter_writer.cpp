// Turns the starter patterns into Standard MIDI Files, finds each
// collection's default combination and lays the library out: folders of
// patterns, or one volume file, with a "Default.mid" loop record each.
#include "plugin/slice/content/starter_loops.h"

#include "base/safe_file.h"
#include "base/string_stream.h"
#include "plugin/framework/folders/volume_file.h"
#include "plugin/slice/engine/slice_content.h"
#include "plugin/slice/engine/vostrapellin.h"
#include "plugin/slice/library/pattern_name.h"

#include <windows.h>

#include <algorithm>
#include <memory>

namespace Quorvane::LoopSlice::StarterLoops {

namespace {

using DirectoryTrees::InFileTerminalNode;
using DirectoryTrees::Tree;

constexpr const char *kDefaultLoopName = "Default.mid";
// The fixed notes the percussion layers start with.
constexpr uint8_t kLayerNotes[3] = {67, 73, 61};

bool fail(std::string *error, const std::string &message)
{
    if (error)
        *error = message;
    return false;
}

bool isFolder(const std::string &path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Creates a folder and every missing parent.
bool createFolders(const std::string &path)
{
    for (size_t at = path.find('\\'); at != std::string::npos; at = path.find('\\', at + 1)) {
        if (at > 0 && path[at - 1] != ':')
            CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    }
    CreateDirectoryA(path.c_str(), nullptr);
    return isFolder(path);
}

uint8_t stepVelocity(int step)
{
    return step % 4 == 0 ? 112 : step % 2 == 0 ? 96 : 80;
}

bool patternBytes(const PatternDefinition &pattern, std::string &bytes, std::string *error)
{
    CMidiTrack track;
    if (!buildPattern(pattern, track, error))
        return false;
    stringStream out(bytes);
    if (track.saveSmf(out) != 0)
        return fail(error, pattern.folder() + pattern.fileName() + ": cannot be written as a MIDI file");
    return true;
}

bool loopBytes(const std::string &collection, std::string &bytes, std::string *error)
{
    LoopRecord record;
    if (!defaultLoop(collection, record, error))
        return false;
    stringStream out(bytes);
    if (!writeLoopRecord(out, record, false))
        return fail(error, collection + ": the default loop cannot be written");
    return true;
}

Tree *subTree(Tree &parent, const std::string &name)
{
    if (Tree *found = parent.findChildTree(name))
        return found;
    auto *tree = new Tree(name, &parent);
    parent.addSubTree(tree);
    return tree;
}

bool addFile(Tree &folder, const std::string &name, const std::string &bytes, std::string *error)
{
    auto leaf = std::make_unique<InFileTerminalNode>(name, &folder);
    leaf->setData(InFileTerminalNode::Bytes(bytes.begin(), bytes.end()));
    if (!folder.addLeaf(leaf.get()))
        return fail(error, name + ": named twice");
    leaf.release();
    return true;
}

bool writeFileBytes(const std::string &path, const std::string &bytes, std::string *error)
{
    SafeFileWriter file(path);
    if (file.writeBytes(bytes.data(), static_cast<uint32_t>(bytes.size())) != bytes.size() || !file.commit())
        return fail(error, path + ": cannot be written");
    return true;
}

bool writeVolume(const std::string &root, const Collection &collection, std::string *error)
{
    Tree volume("", nullptr);
    for (const PatternDefinition &pattern : starterPatterns()) {
        if (pattern.collection != collection.name)
            continue;
        std::string bytes;
        if (!patternBytes(pattern, bytes, error))
            return false;
        if (!addFile(*subTree(*subTree(volume, pattern.instrument), pattern.sub), pattern.fileName(), bytes,
                     error))
            return false;
    }
    std::string loop;
    if (!loopBytes(collection.name, loop, error) || !addFile(volume, kDefaultLoopName, loop, error))
        return false;
    const std::string path = root + "\\" + collection.name;
    if (!DirectoryTrees::writeVolumeFile(volume, path))
        return fail(error, path + ": the volume cannot be written");
    return true;
}

bool writeFolders(const std::string &root, const Collection &collection, std::string *error)
{
    for (const PatternDefinition &pattern : starterPatterns()) {
        if (pattern.collection != collection.name)
            continue;
        const std::string folder =
            root + "\\" + pattern.collection + "\\" + pattern.instrument + "\\" + pattern.sub;
        if (!createFolders(folder))
            return fail(error, folder + ": the folder cannot be created");
        std::string bytes;
        if (!patternBytes(pattern, bytes, error) ||
            !writeFileBytes(folder + "\\" + pattern.fileName(), bytes, error))
            return false;
    }
    std::string loop;
    return loopBytes(collection.name, loop, error) &&
           writeFileBytes(root + "\\" + collection.name + "\\" + kDefaultLoopName, loop, error);
}

// The level-0 patterns of a folder, in name order.
std::vector<const PatternDefinition *> levelZero(const std::string &folder)
{
    std::vector<const PatternDefinition *> found;
    for (const PatternDefinition &pattern : starterPatterns())
        if (pattern.level == 0 && pattern.folder() == folder)
            found.push_back(&pattern);
    std::sort(found.begin(), found.end(), [](const PatternDefinition *a, const PatternDefinition *b) {
        return a->fileName() < b->fileName();
    });
    return found;
}

} // namespace

bool buildPattern(const PatternDefinition &pattern, CMidiTrack &track, std::string *error)
{
    const std::string where = pattern.folder() + pattern.fileName() + ": ";
    uint8_t first = 0;
    uint8_t second = 0;
    if (!soundOf(pattern.sub, first, second))
        return fail(error, where + "no sound for the sub-collection");
    if (pattern.steps.size() != static_cast<size_t>(kStepCount))
        return fail(error, where + "a row of " + std::to_string(pattern.steps.size()) + " steps");
    CMidiTrack built;
    built.setResolution(kResolution);
    built.setTimeSignature(4, 4);
    for (int step = 0; step < kStepCount; ++step) {
        const char c = pattern.steps[static_cast<size_t>(step)];
        if (c == '0')
            continue;
        if (c != '1' && c != '2')
            return fail(error, where + "unknown step '" + std::string(1, c) + "'");
        CMidiTrack::Event event;
        event.kind = CMidiTrack::Event::Note;
        event.channel = kDrumChannel;
        event.time = step * kStepTicks;
        event.data1 = c == '1' ? first : second;
        event.data2 = stepVelocity(step);
        event.duration = kStepTicks / 2;
        built.insertEvent(event);
    }
    built.refreshStatistics();
    track = built;
    return true;
}

bool defaultLoop(const std::string &collection, LoopRecord &record, std::string *error)
{
    std::array<std::vector<const PatternDefinition *>, kSliceCount> choices;
    for (int i = 0; i < kSliceCount; ++i) {
        choices[static_cast<size_t>(i)] =
            levelZero(collection + "\\" + defaultSubFolders()[static_cast<size_t>(i)]);
        if (choices[static_cast<size_t>(i)].empty())
            return fail(error, collection + ": no level-0 pattern for slice " + std::to_string(i));
    }
    // Every combination in order, the kick's choice changing slowest.
    std::array<size_t, kSliceCount> at{};
    for (;;) {
        RuleMasks masks;
        masks.grid = Vostrapellin::gridOfCollection(collection);
        for (int i = 0; i < kSliceCount; ++i) {
            const PatternName name =
                parsePatternName(choices[static_cast<size_t>(i)][at[static_cast<size_t>(i)]]->fileName());
            masks.slices[static_cast<size_t>(i)] = name.firstMask;
            if (i == kCymbal)
                masks.openHat = name.secondMask;
        }
        if (checkRules(masks, kAllSlices).count == 0)
            break;
        int i = 0;
        while (i < kSliceCount && ++at[static_cast<size_t>(i)] == choices[static_cast<size_t>(i)].size())
            at[static_cast<size_t>(i++)] = 0;
        if (i == kSliceCount)
            return fail(error, collection + ": no level-0 combination keeps every rule");
    }
    record = LoopRecord();
    record.level = 0;
    for (int i = 0; i < kSliceCount; ++i) {
        const PatternDefinition &pattern = *choices[static_cast<size_t>(i)][at[static_cast<size_t>(i)]];
        SliceRecord slice;
        slice.folder = pattern.folder();
        slice.file = pattern.fileName();
        slice.mute = i <= 2 ? 1 : 0;
        slice.fixedNoteOn = playsFixedNote(slice.folder) ? 1 : 0;
        slice.fixedNote = i <= 2 ? kLayerNotes[i] : SliceContent::kDefaultFixedNote;
        record.slices.push_back(std::move(slice));
    }
    return true;
}

bool writeStarterLibrary(const std::string &patternsFolder, std::string *error)
{
    std::string root = patternsFolder;
    std::replace(root.begin(), root.end(), '/', '\\');
    while (root.size() > 1 && root.back() == '\\' && root[root.size() - 2] != ':')
        root.pop_back();
    if (root.empty())
        return fail(error, "no library folder given");
    if (!createFolders(root))
        return fail(error, root + ": the folder cannot be created");
    for (const Collection &collection : starterCollections()) {
        if (!(collection.volume ? writeVolume(root, collection, error)
                                : writeFolders(root, collection, error)))
            return false;
    }
    return true;
}

} // namespace Quorvane::LoopSlice::StarterLoops
