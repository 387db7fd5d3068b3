// The ".vpm" files of the drum-map folder.
#include "plugin/framework/drums/drum_map.h"

#include "base/message_box.h"
#include "base/safe_file.h"
#include "base/simple_stream.h"
#include "plugin/framework/drums/file_names.h"

namespace {

using Quorvane::isSafeFileName;

bool isDefault(const std::string &name)
{
    return name == DrumMap::kDefaultName;
}

// The caption of our message boxes: this module's name, as the dialogs of
// the plug-in show it.
std::string moduleCaption()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&moduleCaption), &module);
    char path[MAX_PATH] = {};
    GetModuleFileNameA(module, path, MAX_PATH);
    std::string name = path;
    const size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

} // namespace

std::string DrumMapFolder::fileOf(const std::string &name) const
{
    return Quorvane::folderPrefix(path_) + name + DrumMap::kExtension;
}

DrumMapFolder DrumMap::createFolder(const std::string &path)
{
    CreateDirectoryA(path.c_str(), nullptr);
    return DrumMapFolder(path);
}

bool DrumMap::load(const DrumMapFolder &folder, const std::string &name, DrumMap &map)
{
    if (isDefault(name)) {
        map.reset();
        return true;
    }
    if (!isSafeFileName(name))
        return false;
    Quorvane::File file(folder.fileOf(name).c_str(), GENERIC_READ, OPEN_EXISTING);
    if (!file.isOpen())
        return false;
    Quorvane::FileStream stream(&file);
    DrumMap loaded;
    if (!loaded.read(stream))
        return false;
    loaded.name_ = name;
    map.assign(loaded);
    return true;
}

bool DrumMap::save(const DrumMapFolder &folder, const std::string &name, DrumMap &map)
{
    if (isDefault(name) || !isSafeFileName(name))
        return false;
    DrumMap named(map);
    named.name_ = name;
    Quorvane::SafeFileWriter writer(folder.fileOf(name));
    if (!named.write(writer) || !writer.commit())
        return false;
    map.name_ = name;
    return true;
}

std::string DrumMap::deleteQuestion(const std::string &name)
{
    return "Are you sure you want to delete drum map \"" + name + "\"?";
}

bool DrumMap::askUser(const std::string &question)
{
    return Quorvane::showMessageBox(GetActiveWindow(), question.c_str(), moduleCaption().c_str(),
                                    MB_YESNO | MB_ICONQUESTION) == IDYES;
}

bool DrumMap::deleteFile(const DrumMapFolder &folder, const std::string &name, const Confirm &confirm)
{
    if (isDefault(name) || !isSafeFileName(name))
        return false;
    if (!confirm || !confirm(deleteQuestion(name)))
        return false;
    return DeleteFileA(folder.fileOf(name).c_str()) != 0;
}

std::vector<std::string> DrumMap::listNames(const DrumMapFolder &folder)
{
    std::vector<std::string> names;
    for (const std::string &file : Quorvane::filesWithExtension(folder.path(), kExtension))
        names.push_back(Quorvane::stripExtension(file, kExtension));
    names.push_back(kDefaultName);
    return names;
}

void DrumMap::fillFileCombo(const DrumMapFolder &folder, HWND combo)
{
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (const std::string &name : listNames(folder))
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
}
