// Turns the step patterns of the starter fills into Standard MIDI Files and
// lays them out as a pattern library.
#include "plugin/fill/content/fill_content.h"

#include "plugin/framework/drums/general_midi_drums.h"
#include "plugin/framework/folders/volume_file.h"

#include "base/string_stream.h"

#include <windows.h>

#include <map>
#include <memory>

namespace Quorvane::FillContent {

namespace {

using DirectoryTrees::InFileTerminalNode;
using DirectoryTrees::Tree;

bool fail(std::string *error, const std::string &message)
{
    if (error)
        *error = message;
    return false;
}

bool isSeparator(char c)
{
    return c == '|' || c == ' ';
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

std::string joinPath(const std::string &folder, const std::string &name)
{
    return name.empty() ? folder : folder + "\\" + name;
}

bool addRow(const FillDefinition &fill, const Voice &voice, CMidiTrack &track, std::string *error)
{
    const std::string where = fill.relativePath() + ", note " + std::to_string(voice.note) + ": ";
    if (!generalMidiDrumName(voice.note))
        return fail(error, where + "not a General MIDI drum");
    int32_t steps = 0;
    for (char c : voice.steps) {
        if (isSeparator(c))
            continue;
        if (stepVelocity(c) < 0)
            return fail(error, where + "unknown step '" + std::string(1, c) + "'");
        ++steps;
    }
    if (fill.bars <= 0 || steps == 0 || steps % fill.bars != 0 || kTicksPerBar % (steps / fill.bars) != 0)
        return fail(error, where + std::to_string(steps) + " steps do not make a grid of " +
                               std::to_string(fill.bars) + " bars");
    const int32_t stepTicks = kTicksPerBar / (steps / fill.bars);

    int32_t step = 0;
    for (char c : voice.steps) {
        if (isSeparator(c))
            continue;
        if (const int velocity = stepVelocity(c); velocity > 0) {
            CMidiTrack::Event event;
            event.kind = CMidiTrack::Event::Note;
            event.channel = kDrumChannel;
            event.time = step * stepTicks;
            event.data1 = voice.note;
            event.data2 = static_cast<uint8_t>(velocity);
            event.duration = stepTicks / 2;
            track.insertEvent(event);
        }
        ++step;
    }
    return true;
}

bool patternBytes(const FillDefinition &fill, std::string &bytes, std::string *error)
{
    CMidiTrack track;
    if (!buildFill(fill, track, error))
        return false;
    stringStream out(bytes);
    if (track.saveSmf(out) != 0)
        return fail(error, fill.relativePath() + ": cannot be written as a MIDI file");
    return true;
}

// Packs the fills of one volume into a folder tree of in-memory files.
bool writeVolume(const std::string &path, const std::vector<const FillDefinition *> &fills,
                 std::string *error)
{
    Tree root("", nullptr);
    for (const FillDefinition *fill : fills) {
        Tree *folder = &root;
        if (!fill->folder.empty()) {
            folder = root.findChildTree(fill->folder);
            if (!folder) {
                folder = new Tree(fill->folder, &root);
                root.addSubTree(folder);
            }
        }
        std::string bytes;
        if (!patternBytes(*fill, bytes, error))
            return false;
        auto leaf = std::make_unique<InFileTerminalNode>(fill->fileName(), folder);
        leaf->setData(InFileTerminalNode::Bytes(bytes.begin(), bytes.end()));
        if (!folder->addLeaf(leaf.get()))
            return fail(error, fill->relativePath() + ": named twice");
        leaf.release();
    }
    if (!DirectoryTrees::writeVolumeFile(root, path))
        return fail(error, path + ": the volume cannot be written");
    return true;
}

} // namespace

int stepVelocity(char step)
{
    switch (step) {
    case '.':
        return 0;
    case 'g':
        return 42;
    case 'o':
        return 76;
    case 'x':
        return 100;
    case 'X':
        return 122;
    default:
        // Rolls: 1 is barely there, 9 nearly an accent.
        return step >= '1' && step <= '9' ? 25 + (step - '0') * 10 : -1;
    }
}

bool buildFill(const FillDefinition &fill, CMidiTrack &track, std::string *error)
{
    CMidiTrack built;
    built.setResolution(kResolution);
    built.setTempo(60000000 / (fill.tempo > 0 ? fill.tempo : 120));
    built.setTimeSignature(4, 4);
    for (const Voice &voice : fill.voices) {
        if (!addRow(fill, voice, built, error))
            return false;
    }
    built.refreshStatistics();
    track = built;
    return true;
}

bool writeStarterLibrary(const std::string &fillsFolder, std::string *error)
{
    std::string root = fillsFolder;
    for (char &c : root)
        if (c == '/')
            c = '\\';
    while (root.size() > 1 && root.back() == '\\' && root[root.size() - 2] != ':')
        root.pop_back();
    if (root.empty())
        return fail(error, "no library folder given");
    if (!createFolders(root))
        return fail(error, root + ": the folder cannot be created");

    std::map<std::string, std::vector<const FillDefinition *>> volumes;
    for (const FillDefinition &fill : starterFills()) {
        if (!fill.volume.empty()) {
            volumes[fill.volume].push_back(&fill);
            continue;
        }
        const std::string folder = joinPath(root, fill.folder);
        if (!createFolders(folder))
            return fail(error, folder + ": the folder cannot be created");
        CMidiTrack track;
        if (!buildFill(fill, track, error))
            return false;
        const std::string path = joinPath(folder, fill.fileName());
        if (track.saveSmfFile(path) != 0)
            return fail(error, path + ": the pattern cannot be written");
    }
    for (const auto &[volume, fills] : volumes) {
        if (!writeVolume(joinPath(root, volume), fills, error))
            return false;
    }
    return true;
}

} // namespace Quorvane::FillContent
