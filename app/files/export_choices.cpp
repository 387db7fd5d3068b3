#include "app/files/export_choices.h"

#include "app/files/file_choice.h"

#include <cstdio>
#include <iterator>

namespace Quorvane {

namespace {

constexpr char kMidiFilters[] = "Standard MIDI Files format 0 (*.mid)\0*.mid\0"
                                "Standard MIDI Files format 1 (*.mid)\0*.mid\0";
constexpr char kWaveFilters[] = "Wave Files PCM-16 (*.wav)\0*.wav\0"
                                "Wave Files PCM-24 (*.wav)\0*.wav\0"
                                "Wave Files PCM-32 (*.wav)\0*.wav\0"
                                "Wave Files IEEE Float-32 (*.wav)\0*.wav\0";
// The sample format of each WAVE filter, in the filters' order.
constexpr unsigned kWaveFormats[] = {kWavePcm16, kWavePcm24, kWavePcm32, kWaveFloat};

int waveFilterIndex(unsigned format)
{
    for (size_t i = 0; i < std::size(kWaveFormats); ++i)
        if (kWaveFormats[i] == format)
            return static_cast<int>(i) + 1;
    return 1;
}

std::string programFolder()
{
    char path[MAX_PATH * 2] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
    if (length == 0 || length >= sizeof(path))
        return {};
    return FolderOf(path);
}

} // namespace

std::string DefaultExportName(ResultKind kind, int counter)
{
    char name[32];
    std::snprintf(name, sizeof(name), kind == ResultKind::Midi ? "QN_%.3i.mid" : "QN_%.3i.wav", counter);
    return name;
}

unsigned WaveFormatForBits(long bitsPerSample)
{
    for (unsigned format : kWaveFormats)
        if (static_cast<long>(format) == bitsPerSample)
            return format;
    return kWavePcm16;
}

std::string ExportChoices::choose(HWND owner, ResultKind kind)
{
    const bool midi = kind == ResultKind::Midi;
    int &counter = midi ? midiCounter : waveCounter;
    FileDialogRequest request;
    request.filters = midi ? kMidiFilters : kWaveFilters;
    request.defaultExtension = midi ? "mid" : "wav";
    request.fileName = DefaultExportName(kind, counter);
    request.filterIndex = midi ? (midiFormat0 ? 1 : 2) : waveFilterIndex(waveFormat);
    std::string path = ChooseFile(owner, request, true);
    if (path.empty())
        return path;
    ++counter;
    if (midi)
        midiFormat0 = request.filterIndex == 1;
    else if (request.filterIndex >= 1 && request.filterIndex <= static_cast<int>(std::size(kWaveFormats)))
        waveFormat = kWaveFormats[request.filterIndex - 1];
    return path;
}

std::string TemporaryResultPath(ResultKind kind)
{
    char name[32];
    std::snprintf(name, sizeof(name), "QN_Temporary.%s", kind == ResultKind::Midi ? "mid" : "wav");
    const std::string folder = programFolder();
    return folder.empty() ? std::string(name) : folder + "\\" + name;
}

void DeleteTemporaryResults()
{
    DeleteFileA(TemporaryResultPath(ResultKind::Midi).c_str());
    DeleteFileA(TemporaryResultPath(ResultKind::Wave).c_str());
}

} // namespace Quorvane
