// The collection file read from its bytes, and the blocks a synthesizer is
// handed for it, against the test collection written field by field.
#include "outside/dls/dls_collection.h"
#include "outside/dls/dls_download.h"
#include "outside/dls/tests/test_collection.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace dls_test;

namespace {

TEST(DlsCollection, ReadsTheInstrumentsAndTheirWaves)
{
    for (const CueBase base : {CueBase::Contents, CueBase::ListHeader}) {
        SCOPED_TRACE(base == CueBase::Contents ? "cues from the pool's contents"
                                               : "cues from its list header");
        const std::vector<uint8_t> bytes = TestCollection(base);
        DlsCollection collection;
        ASSERT_TRUE(ReadDlsCollection(bytes.data(), bytes.size(), collection));
        ASSERT_EQ(collection.instruments.size(), 2u);
        const DlsInstrument &ramp = collection.instruments[0];
        EXPECT_EQ(ramp.name, "Test Ramp");
        EXPECT_EQ(ramp.locale.ulInstrument, 0u);
        ASSERT_EQ(ramp.regions.size(), 1u);
        EXPECT_EQ(ramp.regions[0].link.ulTableIndex, 0u);
        EXPECT_FALSE(ramp.regions[0].hasSample);
        ASSERT_TRUE(ramp.hasArticulation);
        ASSERT_EQ(ramp.connections.size(), 1u);
        EXPECT_EQ(ramp.connections[0].usDestination, 0x206);
        EXPECT_EQ(ramp.connections[0].lScale, kRampAttack);
        const DlsInstrument &square = collection.instruments[1];
        EXPECT_EQ(square.name, "Test Square");
        EXPECT_EQ(square.locale.ulInstrument, 1u);
        ASSERT_EQ(square.regions.size(), 1u);
        EXPECT_TRUE(square.regions[0].hasSample);
        EXPECT_EQ(square.regions[0].sample.usUnityNote, 72);
        EXPECT_EQ(square.regions[0].link.ulTableIndex, 1u);

        ASSERT_EQ(collection.waves.size(), 2u);
        const DlsWave &first = collection.waves[0];
        EXPECT_EQ(first.format.nSamplesPerSec, 22050u);
        EXPECT_EQ(first.format.wBitsPerSample, 16);
        ASSERT_EQ(first.data.size(), size_t(2 * kRampLength));
        int16_t sample;
        std::memcpy(&sample, first.data.data() + 2, 2);
        EXPECT_EQ(sample, 2 * kRampStep);
        ASSERT_TRUE(first.hasSample);
        EXPECT_EQ(first.sample.usUnityNote, 64);
        ASSERT_TRUE(first.hasLoop);
        EXPECT_EQ(first.loop.ulStart, 8u);
        EXPECT_EQ(collection.waves[1].data.size(), 8u);
    }
}

// Whatever is cut off a collection, or a file of another kind, reads as
// nothing and never reads past the bytes.
TEST(DlsCollection, DamagedBytesReadAsNothing)
{
    const std::vector<uint8_t> whole = TestCollection();
    for (size_t size = 0; size < whole.size(); ++size) {
        std::vector<uint8_t> cut(whole.begin(), whole.begin() + long(size));
        DlsCollection collection;
        EXPECT_FALSE(ReadDlsCollection(cut.data(), cut.size(), collection)) << size << " bytes";
    }
    std::vector<uint8_t> wave = whole;
    std::memcpy(wave.data() + 8, "WAVE", 4);
    DlsCollection collection;
    EXPECT_FALSE(ReadDlsCollection(wave.data(), wave.size(), collection));
    EXPECT_FALSE(ReadDlsCollection(nullptr, 0, collection));
}

// Waves first (ids 1 and 2), then the instruments (3 and 4); a region's
// wave link names its wave's download id.
TEST(DlsDownloads, BlocksNameTheirWavesByDownloadId)
{
    const std::vector<uint8_t> bytes = TestCollection();
    DlsCollection collection;
    ASSERT_TRUE(ReadDlsCollection(bytes.data(), bytes.size(), collection));
    std::vector<DlsDownload> downloads = BuildDownloads(collection, 1);
    ASSERT_EQ(downloads.size(), 4u);
    const auto at = [](DlsDownload &download, ULONG index) {
        const auto *base = static_cast<const uint8_t *>(download.data());
        ULONG offset;
        std::memcpy(&offset, base + sizeof(DMUS_DOWNLOADINFO) + index * sizeof(ULONG), sizeof offset);
        EXPECT_EQ(offset % 8, 0u) << "structures stand 8-byte aligned";
        return base + offset;
    };

    const DMUS_DOWNLOADINFO &wave = downloads[0].info();
    EXPECT_EQ(wave.dwDLType, DWORD(DMUS_DOWNLOADINFO_WAVE));
    EXPECT_EQ(wave.dwDLId, 1u);
    ASSERT_EQ(wave.dwNumOffsetTableEntries, 2u);
    const auto *head = reinterpret_cast<const DMUS_WAVE *>(at(downloads[0], 0));
    EXPECT_EQ(head->WaveformatEx.nSamplesPerSec, 22050u);
    ASSERT_EQ(head->ulWaveDataIdx, 1u);
    const auto *data = reinterpret_cast<const DMUS_WAVEDATA *>(at(downloads[0], 1));
    ASSERT_EQ(data->cbSize, ULONG(2 * kRampLength));
    int16_t last;
    std::memcpy(&last, data->byData + 2 * (kRampLength - 1), 2);
    EXPECT_EQ(last, kRampLength * kRampStep);
    EXPECT_EQ(downloads[1].info().dwDLId, 2u);

    const DMUS_DOWNLOADINFO &ramp = downloads[2].info();
    EXPECT_EQ(ramp.dwDLType, DWORD(DMUS_DOWNLOADINFO_INSTRUMENT));
    EXPECT_EQ(ramp.dwDLId, 3u);
    ASSERT_EQ(ramp.dwNumOffsetTableEntries, 4u) << "instrument, articulation, its parameters, region";
    EXPECT_EQ(ramp.cbSize, downloads[2].words.size() * 8);
    const auto *instrument = reinterpret_cast<const DMUS_INSTRUMENT *>(at(downloads[2], 0));
    EXPECT_EQ(instrument->ulPatch, 0u);
    EXPECT_EQ(instrument->ulFlags, ULONG(DMUS_INSTRUMENT_GM_INSTRUMENT));
    ASSERT_EQ(instrument->ulGlobalArtIdx, 1u);
    const auto *articulation = reinterpret_cast<const DMUS_ARTICULATION *>(at(downloads[2], 1));
    ASSERT_EQ(articulation->ulArt1Idx, 2u);
    const auto *parameters = reinterpret_cast<const DMUS_ARTICPARAMS *>(at(downloads[2], 2));
    EXPECT_EQ(parameters->VolEG.tcAttack, kRampAttack);
    EXPECT_EQ(parameters->VolEG.ptSustain, 1000 * 65536) << "what the file leaves out: full sustain";
    ASSERT_EQ(instrument->ulFirstRegionIdx, 3u);
    const auto *region = reinterpret_cast<const DMUS_REGION *>(at(downloads[2], 3));
    EXPECT_EQ(region->WaveLink.ulTableIndex, 1u);
    EXPECT_EQ(region->RangeKey.usHigh, 127);
    EXPECT_EQ(region->ulNextRegionIdx, 0u);
    EXPECT_EQ(region->WSMP.usUnityNote, 64) << "the wave's own set-up";
    ASSERT_EQ(region->WSMP.cSampleLoops, 1u);
    EXPECT_EQ(region->WLOOP[0].ulStart, 8u);
    EXPECT_EQ(region->WLOOP[0].ulLength, 8u);

    const auto *square = reinterpret_cast<const DMUS_INSTRUMENT *>(at(downloads[3], 0));
    EXPECT_EQ(square->ulPatch, 1u);
    EXPECT_EQ(square->ulGlobalArtIdx, 0u);
    const auto *own = reinterpret_cast<const DMUS_REGION *>(at(downloads[3], square->ulFirstRegionIdx));
    EXPECT_EQ(own->WaveLink.ulTableIndex, 2u);
    EXPECT_EQ(own->WSMP.usUnityNote, 72);
    EXPECT_EQ(own->WSMP.cSampleLoops, 0u);
}

TEST(DlsDownloads, APatchCarriesBankAndDrumFlag)
{
    EXPECT_EQ(PatchOf({0x80000000u | (3u << 8) | 5u, 42}), 0x8003052Au);
    EXPECT_EQ(PatchOf({0, 127}), 127u);
}

} // namespace
