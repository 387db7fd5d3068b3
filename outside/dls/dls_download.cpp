#include "outside/dls/dls_download.h"

#include <cmath>
#include <cstring>

namespace {

// Time in absolute time cents (65536 a cent), 0 seconds being the least.
constexpr TCENT kNoTime = TCENT(0x80000000);

TCENT timeCents(double seconds)
{
    return seconds > 0 ? TCENT(std::lround(1200.0 * std::log2(seconds) * 65536.0)) : kNoTime;
}

// A frequency in absolute pitch cents (8.176 Hz, the MIDI note 0, being 0).
PCENT pitchCents(double hertz)
{
    return PCENT(std::lround((1200.0 * std::log2(hertz / 440.0) + 6900.0) * 65536.0));
}

constexpr PERCENT kFull = PERCENT(1000 * 65536); // 100 %, in tenths of a percent

// Lays out one download block: structures appended at 8-byte steps, each
// named in the offset table.
class Block {
public:
    Block(DWORD type, DWORD id, size_t entries) : entries_(entries)
    {
        head_ = sizeof(DMUS_DOWNLOADINFO) + entries * sizeof(ULONG);
        head_ = (head_ + 7) & ~size_t(7);
        bytes_.assign(head_, 0);
        DMUS_DOWNLOADINFO info = {type, id, DWORD(entries), 0};
        std::memcpy(bytes_.data(), &info, sizeof info);
    }
    // The structure's place in the offset table.
    template <typename T> ULONG add(const T &value, size_t extra = 0, const void *more = nullptr)
    {
        const ULONG index = next_++;
        const ULONG offset = ULONG(bytes_.size());
        std::memcpy(bytes_.data() + sizeof(DMUS_DOWNLOADINFO) + index * sizeof(ULONG), &offset,
                    sizeof offset);
        bytes_.resize(bytes_.size() + ((sizeof value + extra + 7) & ~size_t(7)), 0);
        std::memcpy(bytes_.data() + offset, &value, sizeof value);
        if (extra)
            std::memcpy(bytes_.data() + offset + sizeof value, more, extra);
        return index;
    }
    template <typename T> T *at(ULONG index)
    {
        ULONG offset;
        std::memcpy(&offset, bytes_.data() + sizeof(DMUS_DOWNLOADINFO) + index * sizeof(ULONG),
                    sizeof offset);
        return reinterpret_cast<T *>(bytes_.data() + offset);
    }
    DlsDownload finish()
    {
        const DWORD size = DWORD(bytes_.size());
        std::memcpy(bytes_.data() + offsetof(DMUS_DOWNLOADINFO, cbSize), &size, sizeof size);
        DlsDownload download;
        download.words.resize((bytes_.size() + 7) / 8);
        std::memcpy(download.words.data(), bytes_.data(), bytes_.size());
        return download;
    }

private:
    size_t entries_;
    size_t head_;
    ULONG next_ = 0;
    std::vector<uint8_t> bytes_;
};

// An articulation and its parameters: two entries.
ULONG addArticulation(Block &block, const std::vector<CONNECTION> &connections)
{
    DMUS_ARTICULATION articulation = {};
    const ULONG index = block.add(articulation);
    const ULONG parameters = block.add(ArticulationOf(connections));
    block.at<DMUS_ARTICULATION>(index)->ulArt1Idx = parameters;
    return index;
}

DlsDownload waveDownload(const DlsWave &wave, DWORD id)
{
    Block block(DMUS_DOWNLOADINFO_WAVE, id, 2);
    DMUS_WAVE head = {};
    head.WaveformatEx = wave.format;
    const ULONG index = block.add(head);
    const ULONG size = ULONG(wave.data.size());
    const ULONG data = block.add(size, wave.data.size(), wave.data.data());
    block.at<DMUS_WAVE>(index)->ulWaveDataIdx = data;
    return block.finish();
}

DlsDownload instrumentDownload(const DlsInstrument &instrument, const DlsCollection &collection,
                               DWORD firstWaveId, DWORD id)
{
    size_t entries = 1 + (instrument.hasArticulation ? 2 : 0);
    for (const DlsRegion &region : instrument.regions)
        entries += 1 + (region.hasArticulation ? 2 : 0);
    Block block(DMUS_DOWNLOADINFO_INSTRUMENT, id, entries);
    DMUS_INSTRUMENT head = {};
    head.ulPatch = PatchOf(instrument.locale);
    head.ulFlags = DMUS_INSTRUMENT_GM_INSTRUMENT;
    const ULONG index = block.add(head);
    if (instrument.hasArticulation) {
        const ULONG articulation = addArticulation(block, instrument.connections);
        block.at<DMUS_INSTRUMENT>(index)->ulGlobalArtIdx = articulation;
    }
    ULONG previous = 0;
    for (const DlsRegion &region : instrument.regions) {
        const DlsWave &wave = collection.waves[region.link.ulTableIndex];
        DMUS_REGION out = {};
        out.RangeKey = region.header.RangeKey;
        out.RangeVelocity = region.header.RangeVelocity;
        out.fusOptions = region.header.fusOptions;
        out.usKeyGroup = region.header.usKeyGroup;
        out.WaveLink = region.link;
        out.WaveLink.ulTableIndex = firstWaveId + region.link.ulTableIndex;
        // The region's own sample set-up, else its wave's, else middle C
        // without a loop.
        const bool own = region.hasSample;
        out.WSMP = own ? region.sample : wave.hasSample ? wave.sample : WSMPL{sizeof(WSMPL), 60, 0, 0, 0, 0};
        const bool looped = own ? region.hasLoop : wave.hasSample && wave.hasLoop;
        out.WSMP.cbSize = sizeof(WSMPL);
        out.WSMP.cSampleLoops = looped ? 1 : 0;
        if (looped)
            out.WLOOP[0] = own ? region.loop : wave.loop;
        const ULONG at = block.add(out);
        if (region.hasArticulation) {
            const ULONG articulation = addArticulation(block, region.connections);
            block.at<DMUS_REGION>(at)->ulRegionArtIdx = articulation;
        }
        if (previous)
            block.at<DMUS_REGION>(previous)->ulNextRegionIdx = at;
        else
            block.at<DMUS_INSTRUMENT>(index)->ulFirstRegionIdx = at;
        previous = at;
    }
    return block.finish();
}

} // namespace

ULONG PatchOf(const MIDILOCALE &locale)
{
    const ULONG msb = (locale.ulBank >> 8) & 0x7F;
    const ULONG lsb = locale.ulBank & 0x7F;
    return (locale.ulBank & F_INSTRUMENT_DRUMS) | msb << 16 | lsb << 8 | (locale.ulInstrument & 0x7F);
}

DMUS_ARTICPARAMS ArticulationOf(const std::vector<CONNECTION> &connections)
{
    DMUS_ARTICPARAMS a = {};
    a.LFO.pcFrequency = pitchCents(5.0);
    a.LFO.tcDelay = timeCents(0.01);
    a.VolEG.tcAttack = a.VolEG.tcDecay = a.VolEG.tcRelease = kNoTime;
    a.VolEG.ptSustain = kFull;
    a.PitchEG.tcAttack = a.PitchEG.tcDecay = a.PitchEG.tcRelease = kNoTime;
    a.PitchEG.ptSustain = kFull;
    for (const CONNECTION &c : connections) {
        const LONG value = c.lScale;
        const auto is = [&c](USHORT source, USHORT control, USHORT destination) {
            return c.usSource == source && c.usControl == control && c.usDestination == destination;
        };
        if (is(CONN_SRC_NONE, CONN_SRC_NONE, CONN_DST_LFO_FREQUENCY))
            a.LFO.pcFrequency = value;
        else if (is(CONN_SRC_NONE, CONN_SRC_NONE, CONN_DST_LFO_STARTDELAY))
            a.LFO.tcDelay = value;
        else if (is(CONN_SRC_LFO, CONN_SRC_NONE, CONN_DST_ATTENUATION))
            a.LFO.gcVolumeScale = value;
        else if (is(CONN_SRC_LFO, CONN_SRC_NONE, CONN_DST_PITCH))
            a.LFO.pcPitchScale = value;
        else if (is(CONN_SRC_LFO, CONN_SRC_CC1, CONN_DST_ATTENUATION))
            a.LFO.gcMWToVolume = value;
        else if (is(CONN_SRC_LFO, CONN_SRC_CC1, CONN_DST_PITCH))
            a.LFO.pcMWToPitch = value;
        else if (is(CONN_SRC_NONE, CONN_SRC_NONE, CONN_DST_EG1_ATTACKTIME))
            a.VolEG.tcAttack = value;
        else if (is(CONN_SRC_NONE, CONN_SRC_NONE, CONN_DST_EG1_DECAYTIME))
            a.VolEG.tcDecay = value;
        else if (is(CONN_SRC_NONE, CONN_SRC_NONE, CONN_DST_EG1_SUSTAINLEVEL))
            a.VolEG.ptSustain = value;
        else if (is(CONN_SRC_NONE, CONN_SRC_NONE, CONN_DST_EG1_RELEASETIME))
            a.VolEG.tcRelease = value;
        else if (is(CONN_SRC_KEYONVELOCITY, CONN_SRC_NONE, CONN_DST_EG1_ATTACKTIME))
            a.VolEG.tcVel2Attack = value;
        else if (is(CONN_SRC_KEYNUMBER, CONN_SRC_NONE, CONN_DST_EG1_DECAYTIME))
            a.VolEG.tcKey2Decay = value;
        else if (is(CONN_SRC_NONE, CONN_SRC_NONE, CONN_DST_EG2_ATTACKTIME))
            a.PitchEG.tcAttack = value;
        else if (is(CONN_SRC_NONE, CONN_SRC_NONE, CONN_DST_EG2_DECAYTIME))
            a.PitchEG.tcDecay = value;
        else if (is(CONN_SRC_NONE, CONN_SRC_NONE, CONN_DST_EG2_SUSTAINLEVEL))
            a.PitchEG.ptSustain = value;
        else if (is(CONN_SRC_NONE, CONN_SRC_NONE, CONN_DST_EG2_RELEASETIME))
            a.PitchEG.tcRelease = value;
        else if (is(CONN_SRC_KEYONVELOCITY, CONN_SRC_NONE, CONN_DST_EG2_ATTACKTIME))
            a.PitchEG.tcVel2Attack = value;
        else if (is(CONN_SRC_KEYNUMBER, CONN_SRC_NONE, CONN_DST_EG2_DECAYTIME))
            a.PitchEG.tcKey2Decay = value;
        else if (is(CONN_SRC_EG2, CONN_SRC_NONE, CONN_DST_PITCH))
            a.PitchEG.pcRange = value;
        else if (is(CONN_SRC_NONE, CONN_SRC_NONE, CONN_DST_PAN))
            a.Misc.ptDefaultPan = value;
    }
    return a;
}

std::vector<DlsDownload> BuildDownloads(const DlsCollection &collection, DWORD firstId)
{
    std::vector<DlsDownload> downloads;
    DWORD id = firstId;
    for (const DlsWave &wave : collection.waves)
        downloads.push_back(waveDownload(wave, id++));
    for (const DlsInstrument &instrument : collection.instruments)
        downloads.push_back(instrumentDownload(instrument, collection, firstId, id++));
    return downloads;
}
