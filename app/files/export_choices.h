// What the export commands propose and remember while the program runs:
// the running numbers of the default file names, the MIDI file format and
// the WAVE sample format last chosen, and the temporary files a drag
// leaves behind.
#pragma once

#include <windows.h>

#include <string>

namespace Quorvane {

enum class ResultKind { Midi, Wave };

// The sample formats of WAVE exports (PCM bits, or 32-bit float).
constexpr unsigned kWavePcm16 = 16;
constexpr unsigned kWavePcm24 = 24;
constexpr unsigned kWavePcm32 = 32;
constexpr unsigned kWaveFloat = 0x8020;

// "QN_%0.3i.mid" or "QN_%0.3i.wav".
std::string DefaultExportName(ResultKind kind, int counter);

// The export format that follows the engine's bits per sample; 16-bit PCM
// for anything the exports do not offer.
unsigned WaveFormatForBits(long bitsPerSample);

struct ExportChoices {
    int midiCounter = 1;
    int waveCounter = 1;
    // Format 1 is proposed until the user picks format 0.
    bool midiFormat0 = false;
    unsigned waveFormat = kWavePcm16;

    // The export file dialog with the default name and the formats, the
    // last choice proposed; on OK the kind's counter goes up and the format
    // chosen is kept. The path, empty when the user cancelled.
    std::string choose(HWND owner, ResultKind kind);
};

// "QN_Temporary.mid" or "QN_Temporary.wav" in the program's own folder.
std::string TemporaryResultPath(ResultKind kind);
// Deletes both temporary files (when they exist).
void DeleteTemporaryResults();

} // namespace Quorvane
