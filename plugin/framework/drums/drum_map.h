// A drum map translates the notes a drummer plays to the notes the user's
// sound module expects. Users keep named maps as ".vpm" files in a folder.
#pragma once

#include "base/stream.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Quorvane {
class NoteNames;
} // namespace Quorvane

// The folder of the ".vpm" files.
class DrumMapFolder {
public:
    DrumMapFolder() = default;
    explicit DrumMapFolder(const std::string &path) : path_(path) {}

    const std::string &path() const { return path_; }
    // The file of a map name.
    std::string fileOf(const std::string &name) const;

private:
    std::string path_;
};

class DrumMap {
public:
    static constexpr int kNoteCount = 128;
    static constexpr int32_t kFileVersion = 1;
    // The identity map; it has no file.
    static constexpr const char *kDefaultName = "<default>";
    static constexpr const char *kExtension = ".vpm";

    // Answers a yes/no question put to the user.
    using Confirm = std::function<bool(const std::string &question)>;

    DrumMap();
    DrumMap(const DrumMap &other);
    DrumMap &operator=(const DrumMap &other);
    // Moving takes the name over without allocating.
    DrumMap(DrumMap &&other) noexcept = default;
    DrumMap &operator=(DrumMap &&other) noexcept = default;
    virtual ~DrumMap();

    // Identity map and empty name.
    void reset();
    void assign(const DrumMap &other);
    bool equals(const DrumMap &other) const;

    // Maps note to value clamped to 0..127; notes outside 0..127 are ignored.
    void setNote(int note, int value);
    // The mapped note; notes outside 0..127 pass unchanged.
    int getNote(int note) const;
    const std::string &getName() const { return name_; }
    void setName(const std::string &name) { name_ = name; }

    // The drum-map record: version, name, 128 mapped notes.
    bool write(Quorvane::OutputStream &out) const;
    // All or nothing: a short or damaged record leaves the map unchanged.
    // Notes read are clamped to 0..127.
    bool read(Quorvane::InputStream &in);

    // ---- The folder of map files

    // Keeps the path and creates the folder (an existing one is fine).
    static DrumMapFolder createFolder(const std::string &path);
    // "<default>" resets the map. Else reads the map's file and names the
    // map after it; a missing, short or damaged file, or a name that cannot
    // be a file name, answers false and leaves the map unchanged.
    static bool load(const DrumMapFolder &folder, const std::string &name, DrumMap &map);
    // Writes the map's file under name (replacing an old one only when the
    // whole file was written) and then names the map so. "<default>" and
    // names that cannot be file names write nothing and answer false.
    static bool save(const DrumMapFolder &folder, const std::string &name, DrumMap &map);
    // Asks the user, then deletes the map's file; whether a file was
    // deleted. "<default>" answers false.
    static bool deleteFile(const DrumMapFolder &folder, const std::string &name,
                           const Confirm &confirm = askUser);
    // The question deleteFile puts.
    static std::string deleteQuestion(const std::string &name);
    // The yes/no message box the dialogs use.
    static bool askUser(const std::string &question);
    // Map names of the folder's files, then "<default>".
    static std::vector<std::string> listNames(const DrumMapFolder &folder);
    // Empties a combo box and fills it with listNames.
    static void fillFileCombo(const DrumMapFolder &folder, HWND combo);

    // ---- The options dialog's list view, one row per listed input note

    // The input notes listed, top row first.
    static const std::vector<int> &listedNotes();
    // Adds a row per listed note: its drum name, the name of its mapped
    // note in names, and the input note as item data.
    void fillNoteList(HWND list, const Quorvane::NoteNames &names) const;
    // Moves the mapped note of a row by delta (clamped to 0..127); false
    // for a row outside the list.
    bool shiftRowNote(HWND list, int row, int delta);
    // Mapped note of a row's input note; -1 for a row outside the list.
    int getRowNote(HWND list, int row) const;
    // Rewrites the mapped-note column of a row.
    void updateRowText(HWND list, int row, const Quorvane::NoteNames &names) const;

private:
    std::string name_;
    uint8_t map_[kNoteCount];
};
