#include "plugin/slice/engine/rhythm_rules.h"

namespace Quorvane::LoopSlice {

namespace {

class Checker {
public:
    explicit Checker(uint32_t tested) : tested_(tested) {}

    // A rule concerns the blamed slices; it counts when one of them is
    // tested and the combination breaks it.
    void rule(const char *text, uint32_t blamed, bool violated)
    {
        if (!(blamed & tested_) || !violated)
            return;
        ++verdict_.count;
        if (!verdict_.text.empty())
            verdict_.text += '|';
        verdict_.text += text;
        verdict_.offending |= blamed & tested_;
    }

    RuleVerdict verdict() const { return verdict_; }

private:
    uint32_t tested_;
    RuleVerdict verdict_;
};

bool covers(unsigned mask, unsigned steps)
{
    return (mask & steps) == steps;
}

// Bar half h (0 steps 0..7, 1 steps 8..15) as a byte, its first step in bit 7.
unsigned half(uint16_t mask, int h)
{
    return (mask >> (8 - 8 * h)) & 0xFF;
}

// Beat b (0..3) as a nibble, its first step in bit 3.
unsigned beat(uint16_t mask, int b)
{
    return (mask >> (12 - 4 * b)) & 0xF;
}

struct Masks {
    uint16_t k, s, h, o, p[3], c;
    bool hasClap;
};

void rotateAll(Masks &m, int n)
{
    m.k = rotateStepMask(m.k, n);
    m.s = rotateStepMask(m.s, n);
    m.h = rotateStepMask(m.h, n);
    m.o = rotateStepMask(m.o, n);
    for (uint16_t &layer : m.p)
        layer = rotateStepMask(layer, n);
    m.c = rotateStepMask(m.c, n);
}

} // namespace

RuleVerdict checkRules(const RuleMasks &masks, uint32_t tested)
{
    Checker check(tested);
    const int g = masks.grid;
    const bool straight = g == 0;
    const bool grid8 = g == 0 || g == 1;
    const bool grid16 = g == 2;
    const bool swung8 = g == 1;
    constexpr uint32_t KS = kKickBit | kSnareBit;
    constexpr uint32_t KSC = kKickBit | kSnareBit | kCymbalBit;
    constexpr uint32_t layerBits[3] = {kPercussion1Bit, kPercussion2Bit, kPercussion3Bit};

    Masks m{};
    m.k = masks.slices[kKick];
    m.s = masks.slices[kSnare];
    m.h = masks.slices[kCymbal];
    m.o = masks.openHat;
    for (int i = 0; i < 3; ++i)
        m.p[i] = masks.slices[static_cast<size_t>(i)];
    m.hasClap = masks.clapLayer >= 0 && masks.clapLayer <= 2;
    m.c = m.hasClap ? masks.slices[static_cast<size_t>(masks.clapLayer)] : 0;
    const uint32_t clapBit = m.hasClap ? 1u << masks.clapLayer : 0;

    // ---- The whole measure
    const unsigned all = m.h | m.s | m.k | m.o;
    const unsigned kickOrSnare = m.s | m.k;
    if (grid16)
        check.rule("snare and bass must not intersect", KS, (m.k & m.s) != 0);
    if (grid8)
        check.rule("snare and bass must not intersect except for 2th and 4th beat", KS,
                   (m.k & m.s & ~0x0808u) != 0);
    if (straight)
        check.rule("must be strokes on every beat except for 3rd", KSC, !covers(all, 0x8808));
    if (!straight)
        check.rule("must be strokes on every beat", KSC, !covers(all, 0x8888));
    if (swung8)
        check.rule("must be strokes on every weak 8th", KSC, !covers(all, 0x2222));
    if (straight)
        check.rule("must be bass or snare on every beat", KS, !covers(kickOrSnare, 0x8888));
    if (straight)
        check.rule("must be at least one weak 16th", KSC, (all & 0x5555) == 0);

    // ---- Each half of the bar
    for (int h = 0; h < 2; ++h) {
        const unsigned k = half(m.k, h), s = half(m.s, h), o = half(m.o, h);
        const unsigned any = half(static_cast<uint16_t>(all), h);
        if (grid16) {
            check.rule("must be at least one weak 16th in all bar halfs", KSC, (any & 0x55) == 0);
            check.rule("must be at least one bass in every bar half", kKickBit, k == 0);
            check.rule("must be at least one snare in every bar half", kSnareBit, s == 0);
        }
        if (grid8) {
            check.rule("must be at least one weak 8th or 16th in all bar halfs", KSC, (any & 0x77) == 0);
            check.rule("must be at least one bass in all bar halfs", kKickBit, k == 0);
            check.rule("must be at least and one snare or open hh in all bar halfs", kSnareBit | kCymbalBit,
                       s == 0 && o == 0);
            check.rule("it is too bad to have only bass and snare notes on weak beat", KS,
                       s == 0x08 && k == 0x08);
        }
        if (!straight)
            check.rule("snare and bass must be alone when intersects on weak beat", KS,
                       (s & 0x08) && (k & 0x08) && ((s | k) & 0x36));
        check.rule("must be at least one of bass on strong beat or snare on any beat in all bar halfs", KS,
                   !(k & 0x80) && !(s & 0x88));
    }

    // ---- Each beat
    for (int b = 0; b < 4; ++b) {
        const unsigned any = beat(static_cast<uint16_t>(all), b);
        const unsigned p1 = beat(m.p[0], b), p2 = beat(m.p[1], b), p3 = beat(m.p[2], b);
        const unsigned p[3] = {p1, p2, p3};
        if (grid16 || straight)
            check.rule("must be at least one weak 16th or weak 8th in all beats", KSC, (any & 0x7) == 0);
        check.rule("must not be more that 2 percussion layer filled in every beat",
                   kPercussion1Bit | kPercussion2Bit | kPercussion3Bit, p1 && p2 && p3);
        check.rule("must not be 2 exact not empty percussion 1,2 in any beat",
                   kPercussion1Bit | kPercussion2Bit, p1 && p1 == p2);
        check.rule("must not be 2 exact not empty percussion 1,3 in any beat",
                   kPercussion1Bit | kPercussion3Bit, p1 && p1 == p3);
        check.rule("must not be 2 exact not empty percussion 2,3 in any beat",
                   kPercussion2Bit | kPercussion3Bit, p2 && p2 == p3);
        if (grid16 || straight) {
            for (int i = 0; i < 3; ++i) {
                for (int j = 0; j < 3; ++j) {
                    if (i == j)
                        continue;
                    const bool first = (p[i] & 0xC) && (p[i] & 0xC) == (p[j] & 0xC);
                    const bool second = (p[i] & 0x3) && (p[i] & 0x3) == (p[j] & 0x3);
                    check.rule("must not be 2 exact half beats in perc layers", layerBits[i] | layerBits[j],
                               first || second);
                }
            }
        }
    }

    // ---- A window of three eighths sliding over the bar
    if (swung8) {
        Masks r = m;
        for (int pass = 0; pass < 8; ++pass) {
            check.rule("must not be 3 consecutive bass and hat 8th", kKickBit | kCymbalBit,
                       covers(r.k, 0x2A) && covers(r.h, 0x2A));
            check.rule("must not be 3 consecutive bass and open hat 8th", kKickBit | kCymbalBit,
                       covers(r.k, 0x2A) && covers(r.o, 0x2A));
            check.rule("must not be 3 consecutive snare and hat 8th", kSnareBit | kCymbalBit,
                       covers(r.s, 0x2A) && covers(r.h, 0x2A));
            check.rule("must not be 3 consecutive snare and open hat 8th", kSnareBit | kCymbalBit,
                       covers(r.s, 0x2A) && covers(r.o, 0x2A));
            check.rule("must not be sbsb in 8th", KS, (r.k & 0xFF) == 0x22 && (r.s & 0xFF) == 0x88);
            check.rule("must not be bsbs in 8th", KS, (r.k & 0xFF) == 0x88 && (r.s & 0xFF) == 0x22);
            rotateAll(r, 2);
        }
    }

    // ---- A window of sixteenths sliding over the bar
    Masks r = m;
    for (int pass = 0; pass < 16; ++pass) {
        const unsigned hats = r.h | r.o;
        const unsigned ks = r.s | r.k;
        if (grid16) {
            check.rule("must not be 2 consecutive bass and hat 16th", kKickBit | kCymbalBit,
                       covers(r.k, 0x3) && covers(hats, 0x3));
            check.rule("must not be 2 consecutive snare and hat 16th", kSnareBit | kCymbalBit,
                       covers(r.s, 0x3) && covers(hats, 0x3));
            check.rule("must not be 3 consecutive (bass or snare) and hat 16th", KSC,
                       covers(ks, 0x7) && covers(hats, 0x7));
            check.rule("must not be sbsb in 16th", KS, (r.k & 0xF) == 0x5 && (r.s & 0xF) == 0xA);
            check.rule("must not be bsbs in 16th", KS, (r.k & 0xF) == 0xA && (r.s & 0xF) == 0x5);
        }
        if (m.hasClap && (grid16 || straight)) {
            const unsigned c = r.c & 0x6, s = r.s & 0x6;
            const bool neighbours = (c == 0x4 && s == 0x2) || (c == 0x2 && s == 0x4);
            const bool together = (r.c & r.s & 0x9) != 0;
            check.rule("must not be consecutive claps and snare 16th w/o simultaneous ones before or after",
                       clapBit | kSnareBit, neighbours && !together);
        }
        if (straight)
            check.rule("must not be 3 consecutive bass or snare 16th", KS, covers(ks, 0x7));
        rotateAll(r, 1);
    }
    return check.verdict();
}

} // namespace Quorvane::LoopSlice
