#include "gui/draw/names.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace Quorvane;

namespace {

using Rename = void (*)(char *, long, long, long);

struct NameCase {
    Rename rename;
    const char *name;
    long kind;
    long number;
    const char *expected;
};

std::string renamed(Rename rename, const char *name, long kind, long number, long size = 128)
{
    char buffer[128] = {};
    std::strcpy(buffer, name);
    rename(buffer, kind, number, size);
    return buffer;
}

} // namespace

TEST(Names, PortAndEffectDisplayNames)
{
    const NameCase cases[] = {
        {CreateOutPortName, "Piano", 0, 5, "Default Preview"},
        {CreateOutPortName, "Piano", 1, 5, "Chords: Piano"},
        {CreateOutPortName, "Piano", 2, 1, "Piano 2"},
        {CreateOutPortName, "Piano", 3, 0, "ZQi 1: Piano"},
        {CreateOutPortName, "Piano", 4, 0, "VSTi 1: Piano"},
        {CreateOutPortName, "Piano", 4, -1, "VSTi: Piano"},
        {CreateOutPortName, "Piano", 5, 9, "DXi 10: Piano"},
        {CreateOutPortName, "Piano", 6, 2, "DLS 3: Piano"},
        {CreateOutPortName, "Piano", 7, 0, "MIDI: Piano"},
        {CreateOutPortName, "Piano", 12, 0, "Piano 1"},
        {CreateOutPortName, "Piano", -1, -1, "Piano 0"},
        {CreateOutPortName, "", 4, 0, "VSTi 1: "},
        {CreateAEffName, "Reverb", 0, 0, "ZQ: Reverb [Master Out]"},
        {CreateAEffName, "Reverb", 1, 2, "VST: Reverb [Audio Bus 2]"},
        {CreateAEffName, "Reverb", 2, -1, "DX: Reverb"},
        {CreateAEffName, "Reverb", 7, 0, "?: Reverb [Master Out]"},
        {CreateAEffName, "Reverb", -1, -3, "?: Reverb"},
        {CreateMEffName, "Arp", 0, 0, "ZQ: Arp [Track 0]"},
        {CreateMEffName, "Arp", 1, 12, "MFX: Arp [Track 12]"},
        {CreateMEffName, "Arp", 1, -1, "MFX: Arp"},
        {CreateMEffName, "Arp", 2, 3, "?: Arp [Track 3]"},
    };
    for (const NameCase &c : cases)
        EXPECT_EQ(renamed(c.rename, c.name, c.kind, c.number), c.expected)
            << c.name << " " << c.kind << " " << c.number;
}

TEST(Names, DisplayNamesStayWithinTheirBuffer)
{
    // Each result is longer than the name it rewrites; the buffer holds 12
    // bytes and guard bytes follow it.
    const NameCase cases[] = {
        {CreateOutPortName, "Piano", 4, 0, "VSTi 1: Pia"},
        {CreateOutPortName, "Grand Piano", 2, 99, "Grand Piano"},
        {CreateOutPortName, "x", 0, 0, "Default Pre"},
        {CreateAEffName, "Reverb", 0, 0, "ZQ: Reverb "},
        {CreateMEffName, "Arp", 1, 12, "MFX: Arp [T"},
    };
    for (const NameCase &c : cases) {
        std::vector<char> memory(12 + 16, '#');
        std::strcpy(memory.data(), c.name);
        c.rename(memory.data(), c.kind, c.number, 12);
        EXPECT_STREQ(memory.data(), c.expected);
        EXPECT_EQ(std::string(memory.begin() + 12, memory.end()), std::string(16, '#')) << "past the buffer";
    }
    char untouched[8] = "Name";
    CreateOutPortName(untouched, 4, 0, 0);
    EXPECT_STREQ(untouched, "Name") << "no room at all";
    CreateMEffName(nullptr, 0, 0, 10);
}

TEST(Names, StringHexWritesPairsTenToALine)
{
    struct Case {
        std::vector<unsigned char> bytes;
        const char *text;
    };
    const Case cases[] = {
        {{}, ""},
        {{0xF0}, "F0"},
        {{0x00, 0x7F, 0xAB}, "00 7F AB"},
        {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, "00 01 02 03 04 05 06 07 08 09\r\n0A 0B"},
        {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, "00 01 02 03 04 05 06 07 08 09"},
        {{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 3},
         "01 01 01 01 01 01 01 01 01 01\r\n02 02 02 02 02 02 02 02 02 02\r\n03"},
    };
    for (const Case &c : cases) {
        const long n = static_cast<long>(c.bytes.size());
        std::vector<char> text(GetStringHexLen(n) + 8, '#');
        StringHex(c.bytes.data(), n, text.data());
        EXPECT_STREQ(text.data(), c.text);
        EXPECT_LE(static_cast<long>(std::strlen(c.text)) + 1, GetStringHexLen(n)) << "room for " << n;
    }
}

TEST(Names, StringHexLengths)
{
    const struct {
        long n;
        long length;
    } cases[] = {{0, 1}, {1, 3}, {3, 9}, {10, 30}, {11, 34}, {12, 37}, {20, 63}, {21, 65}, {30, 94}, {-4, 1}};
    for (const auto &c : cases)
        EXPECT_EQ(GetStringHexLen(c.n), c.length) << c.n;
}

TEST(Names, HexStringReadsBytesBack)
{
    struct Case {
        const char *text;
        std::vector<unsigned char> bytes;
    };
    const Case cases[] = {
        {"0A 1 ff", {0x0A, 0x01, 0xFF}},
        {"F0 43\r\n10 4C\nF7", {0xF0, 0x43, 0x10, 0x4C, 0xF7}},
        {"  7   ", {0x07}},
        {"aB", {0xAB}},
        {"", {}},
        {"   \r\n", {}},
    };
    for (const Case &c : cases) {
        unsigned char *data = reinterpret_cast<unsigned char *>(1);
        long n = -5;
        ASSERT_EQ(HexString(&data, &n, c.text), 1) << c.text;
        ASSERT_EQ(n, static_cast<long>(c.bytes.size())) << c.text;
        EXPECT_EQ(std::vector<unsigned char>(data, data + n), c.bytes) << c.text;
        if (c.bytes.empty()) {
            EXPECT_EQ(data, nullptr);
        }
        std::free(data);
    }
    unsigned char *data = reinterpret_cast<unsigned char *>(1);
    long n = 9;
    EXPECT_EQ(HexString(&data, &n, nullptr), 1);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(n, 0);
}

TEST(Names, HexStringFailsAtTheOffendingCharacter)
{
    const struct {
        const char *text;
        long offset;
    } cases[] = {
        {"0A 123", 5},                  // a third digit in a row
        {"0AG", 2},                     // not a digit
        {"G", 0},         {"0A,0B", 2}, // a comma is no separator
        {"0A\t0B", 2},                  // nor a tab
        {"0A 0B 0x1", 7},
    };
    for (const auto &c : cases) {
        unsigned char *data = reinterpret_cast<unsigned char *>(1);
        long n = -5;
        EXPECT_EQ(HexString(&data, &n, c.text), 0) << c.text;
        EXPECT_EQ(n, c.offset) << c.text;
        EXPECT_EQ(data, nullptr) << c.text;
    }
}

TEST(Names, HexRoundTrips)
{
    std::vector<unsigned char> all(256);
    for (int i = 0; i < 256; ++i)
        all[i] = static_cast<unsigned char>(255 - i);
    for (long n : {0L, 1L, 9L, 10L, 11L, 20L, 256L}) {
        std::vector<char> text(GetStringHexLen(n));
        StringHex(all.data(), n, text.data());
        unsigned char *data = nullptr;
        long back = -1;
        ASSERT_EQ(HexString(&data, &back, text.data()), 1) << n;
        ASSERT_EQ(back, n);
        EXPECT_EQ(std::vector<unsigned char>(data, data + back),
                  std::vector<unsigned char>(all.begin(), all.begin() + n));
        std::free(data);
    }
}

TEST(Names, MouseCaptureSteps)
{
    const struct {
        long pos, edge, step, expected;
    } cases[] = {
        {105, 100, 4, 4}, {102, 100, 4, 1}, {100, 100, 4, 0}, {103, 100, 4, 1},  {104, 100, 4, 4},
        {97, 100, 4, -1}, {96, 100, 4, -4}, {99, 100, 4, -1}, {0, 100, 10, -10}, {900, 100, 10, 10},
    };
    for (const auto &c : cases)
        EXPECT_EQ(MouseCaptOffset(c.pos, c.edge, c.step), c.expected) << c.pos << " " << c.edge;
}
