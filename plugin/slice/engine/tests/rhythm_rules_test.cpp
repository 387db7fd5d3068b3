// The composer's rules, one row per rule: a combination that breaks it,
// what the checker answers, and the grid's clean combination it was made
// from, which keeps every rule.
#include "plugin/slice/engine/rhythm_rules.h"

#include <gtest/gtest.h>

namespace {

using namespace Quorvane::LoopSlice;

struct Masks {
    uint16_t kick;
    uint16_t snare;
    uint16_t hat;
    uint16_t open = 0;
    uint16_t p1 = 0;
    uint16_t p2 = 0;
    uint16_t p3 = 0;
    int clap = -1;
};

RuleMasks ruleMasks(const Masks &m, int grid)
{
    RuleMasks r;
    r.slices = {m.p1, m.p2, m.p3, m.hat, m.snare, m.kick};
    r.openHat = m.open;
    r.clapLayer = m.clap;
    r.grid = grid;
    return r;
}

// Clean combinations, one per grid: kick, snare, hats.
const Masks kSixteenthBase{0x8220, 0x0808, 0xFFFF}; // kick 0, 6, 10; hats on every sixteenth
const Masks kSwungBase{0x8020, 0x0808, 0xAAAA};     // kick 0, 10; hats on eighths
const Masks kStraightBase{0x8180, 0x0808, 0xAAAA};  // kick 0, 7, 8

const Masks &baseOf(int grid)
{
    return grid == 2 ? kSixteenthBase : grid == 1 ? kSwungBase : kStraightBase;
}

constexpr uint32_t KS = kKickBit | kSnareBit;
constexpr uint32_t KSC = KS | kCymbalBit;

struct Row {
    const char *rule;
    int grid;
    Masks masks;
    uint32_t tested;
    int count;
    const char *text;
    uint32_t offending;
};

const char *const kIntersect16 = "snare and bass must not intersect";
const char *const kWeakEighths = "must be strokes on every weak 8th";
const char *const kHalfPair = "must not be 2 exact half beats in perc layers";

const Row kRows[] = {
    // The whole measure.
    {kIntersect16, 2, {0x8220, 0x0A08, 0xFFFF}, kAllSlices, 1, kIntersect16, KS},
    {"snare and bass must not intersect except for 2th and 4th beat",
     1,
     {0x8020, 0x0828, 0xAAAA},
     kAllSlices,
     1,
     "snare and bass must not intersect except for 2th and 4th beat",
     KS},
    // Only the cymbal is tested: "bass or snare on every beat" would come
    // with it otherwise.
    {"must be strokes on every beat except for 3rd",
     0,
     {0x8180, 0x0008, 0xA2AA, 0x2000},
     kCymbalBit,
     1,
     "must be strokes on every beat except for 3rd",
     kCymbalBit},
    {"must be strokes on every beat",
     2,
     {0x8220, 0x0808, 0xFF7F},
     kAllSlices,
     1,
     "must be strokes on every beat",
     KSC},
    {kWeakEighths, 1, {0x8020, 0x0808, 0xA8AA}, kAllSlices, 1, kWeakEighths, KSC},
    {"must be bass or snare on every beat",
     0,
     {0x8120, 0x0808, 0xAAAA},
     kAllSlices,
     1,
     "must be bass or snare on every beat",
     KS},
    {"must be at least one weak 16th",
     0,
     {0x8080, 0x0808, 0xAAAA},
     kAllSlices,
     1,
     "must be at least one weak 16th",
     KSC},
    // Each half of the bar.
    {"must be at least one weak 16th in all bar halfs",
     2,
     {0x8220, 0x0808, 0xAAFF},
     kAllSlices,
     1,
     "must be at least one weak 16th in all bar halfs",
     KSC},
    {"must be at least one bass in every bar half",
     2,
     {0x8200, 0x0808, 0xFFFF},
     kAllSlices,
     1,
     "must be at least one bass in every bar half",
     kKickBit},
    {"must be at least one snare in every bar half",
     2,
     {0x82A0, 0x0800, 0xFFFF},
     kAllSlices,
     1,
     "must be at least one snare in every bar half",
     kSnareBit},
    // A half with nothing but its beats never has its weak eighths either.
    {"must be at least one weak 8th or 16th in all bar halfs",
     1,
     {0x8080, 0x0808, 0xAA88},
     kAllSlices,
     2,
     "must be strokes on every weak 8th|must be at least one weak 8th or 16th in all bar halfs",
     KSC},
    {"must be at least one bass in all bar halfs",
     1,
     {0x8000, 0x0808, 0xAAAA},
     kAllSlices,
     1,
     "must be at least one bass in all bar halfs",
     kKickBit},
    {"must be at least and one snare or open hh in all bar halfs",
     1,
     {0x80A0, 0x0800, 0xAAAA},
     kAllSlices,
     1,
     "must be at least and one snare or open hh in all bar halfs",
     kSnareBit | kCymbalBit},
    {"it is too bad to have only bass and snare notes on weak beat",
     1,
     {0x8008, 0x0808, 0xAAAA},
     kAllSlices,
     1,
     "it is too bad to have only bass and snare notes on weak beat",
     KS},
    {"snare and bass must be alone when intersects on weak beat",
     1,
     {0x800C, 0x0808, 0xAAAA},
     kAllSlices,
     1,
     "snare and bass must be alone when intersects on weak beat",
     KS},
    {"must be at least one of bass on strong beat or snare on any beat in all bar halfs",
     1,
     {0x8020, 0x0800, 0xAAAA, 0x0002},
     kAllSlices,
     1,
     "must be at least one of bass on strong beat or snare on any beat in all bar halfs",
     KS},
    // Each beat.
    {"must be at least one weak 16th or weak 8th in all beats",
     2,
     {0x8220, 0x0808, 0xFFF8},
     kAllSlices,
     1,
     "must be at least one weak 16th or weak 8th in all beats",
     KSC},
    {"must not be more that 2 percussion layer filled in every beat",
     1,
     {0x8020, 0x0808, 0xAAAA, 0, 0x8000, 0x4000, 0x2000},
     kAllSlices,
     1,
     "must not be more that 2 percussion layer filled in every beat",
     kPercussion1Bit | kPercussion2Bit | kPercussion3Bit},
    {"must not be 2 exact not empty percussion 1,2 in any beat",
     1,
     {0x8020, 0x0808, 0xAAAA, 0, 0x8000, 0x8000},
     kAllSlices,
     1,
     "must not be 2 exact not empty percussion 1,2 in any beat",
     kPercussion1Bit | kPercussion2Bit},
    {"must not be 2 exact not empty percussion 1,3 in any beat",
     1,
     {0x8020, 0x0808, 0xAAAA, 0, 0x0800, 0, 0x0800},
     kAllSlices,
     1,
     "must not be 2 exact not empty percussion 1,3 in any beat",
     kPercussion1Bit | kPercussion3Bit},
    {"must not be 2 exact not empty percussion 2,3 in any beat",
     1,
     {0x8020, 0x0808, 0xAAAA, 0, 0, 0x0010, 0x0010},
     kAllSlices,
     1,
     "must not be 2 exact not empty percussion 2,3 in any beat",
     kPercussion2Bit | kPercussion3Bit},
    // An offending pair counts once each way.
    {kHalfPair,
     2,
     {0x8220, 0x0808, 0xFFFF, 0, 0x8000, 0xA000},
     kAllSlices,
     2,
     "must not be 2 exact half beats in perc layers|must not be 2 exact half beats in perc layers",
     kPercussion1Bit | kPercussion2Bit},
    // Three eighths sliding over the bar.
    {"must not be 3 consecutive bass and hat 8th",
     1,
     {0xA002, 0x0808, 0xAAAA},
     kAllSlices,
     1,
     "must not be 3 consecutive bass and hat 8th",
     kKickBit | kCymbalBit},
    {"must not be 3 consecutive bass and open hat 8th",
     1,
     {0xA002, 0x0808, 0x0AA8, 0xA002},
     kAllSlices,
     1,
     "must not be 3 consecutive bass and open hat 8th",
     kKickBit | kCymbalBit},
    {"must not be 3 consecutive snare and hat 8th",
     1,
     {0x8020, 0x2A08, 0xAAAA},
     kAllSlices,
     1,
     "must not be 3 consecutive snare and hat 8th",
     kSnareBit | kCymbalBit},
    {"must not be 3 consecutive snare and open hat 8th",
     1,
     {0x8020, 0x2A08, 0x80AA, 0x2A00},
     kAllSlices,
     1,
     "must not be 3 consecutive snare and open hat 8th",
     kSnareBit | kCymbalBit},
    {"must not be sbsb in 8th", 1, {0x8022, 0x0888, 0xAAAA}, kAllSlices, 1, "must not be sbsb in 8th", KS},
    {"must not be bsbs in 8th", 1, {0x2088, 0x0822, 0xAAAA}, kAllSlices, 1, "must not be bsbs in 8th", KS},
    // Sixteenths sliding over the bar.
    {"must not be 2 consecutive bass and hat 16th",
     2,
     {0x8320, 0x0808, 0xFFFF},
     kAllSlices,
     1,
     "must not be 2 consecutive bass and hat 16th",
     kKickBit | kCymbalBit},
    {"must not be 2 consecutive snare and hat 16th",
     2,
     {0x8220, 0x080C, 0xFFFF},
     kAllSlices,
     1,
     "must not be 2 consecutive snare and hat 16th",
     kSnareBit | kCymbalBit},
    {"must not be 3 consecutive (bass or snare) and hat 16th",
     2,
     {0x9420, 0x0808, 0xFFFF},
     kAllSlices,
     1,
     "must not be 3 consecutive (bass or snare) and hat 16th",
     KSC},
    {"must not be sbsb in 16th", 2, {0x8225, 0x080A, 0xFFAA}, kAllSlices, 1, "must not be sbsb in 16th", KS},
    {"must not be bsbs in 16th", 2, {0x82A0, 0x0858, 0xFFAA}, kAllSlices, 1, "must not be bsbs in 16th", KS},
    {"must not be consecutive claps and snare 16th w/o simultaneous ones before or after",
     2,
     {0x8220, 0x0808, 0xFFFF, 0, 0x0400, 0, 0, 0},
     kAllSlices,
     1,
     "must not be consecutive claps and snare 16th w/o simultaneous ones before or after",
     kPercussion1Bit | kSnareBit},
    {"must not be 3 consecutive bass or snare 16th",
     0,
     {0x8180, 0x0A08, 0xAAAA},
     kAllSlices,
     1,
     "must not be 3 consecutive bass or snare 16th",
     KS},
};

TEST(RhythmRules, TheCleanCombinationsKeepEveryRule)
{
    for (int grid = 0; grid <= 2; ++grid) {
        const RuleVerdict verdict = checkRules(ruleMasks(baseOf(grid), grid), kAllSlices);
        EXPECT_EQ(verdict.count, 0) << "grid " << grid << ": " << verdict.text;
        EXPECT_EQ(verdict.text, "");
        EXPECT_EQ(verdict.offending, 0u);
    }
}

TEST(RhythmRules, EachRuleBrokenAndKept)
{
    for (const Row &row : kRows) {
        SCOPED_TRACE(row.rule);
        const RuleVerdict broken = checkRules(ruleMasks(row.masks, row.grid), row.tested);
        EXPECT_EQ(broken.count, row.count);
        EXPECT_EQ(broken.text, row.text);
        EXPECT_EQ(broken.offending, row.offending);
        // Its grid's clean combination, a few strokes away, keeps it.
        const RuleVerdict kept = checkRules(ruleMasks(baseOf(row.grid), row.grid), row.tested);
        EXPECT_EQ(kept.text.find(row.rule), std::string::npos) << kept.text;
    }
}

TEST(RhythmRules, RulesOnlyCountForTheTestedSlices)
{
    // Kick and snare meet on step 6 in the sixteenth grid.
    const RuleMasks masks = ruleMasks({0x8220, 0x0A08, 0xFFFF}, 2);
    const RuleVerdict kick = checkRules(masks, kKickBit);
    EXPECT_EQ(kick.count, 1);
    EXPECT_EQ(kick.offending, kKickBit) << "blame is kept to the tested slices";
    const RuleVerdict hats = checkRules(masks, kCymbalBit);
    EXPECT_EQ(hats.count, 0) << "no rule concerning the cymbal is broken";
    // Nothing tested: every rule is skipped, whatever the masks.
    EXPECT_EQ(checkRules(ruleMasks({0xFFFF, 0xFFFF, 0}, 2), 0).count, 0);
}

TEST(RhythmRules, GridsThreeAndFourKeepOnlyTheRulesForEveryGrid)
{
    // Kick and snare together on every sixteenth: only the rules without a
    // grid, and those of any grid but the straight one, apply.
    const RuleVerdict verdict = checkRules(ruleMasks({0xFFFF, 0xFFFF, 0}, 3), kAllSlices);
    EXPECT_EQ(verdict.count, 2);
    EXPECT_EQ(verdict.text, "snare and bass must be alone when intersects on weak beat|"
                            "snare and bass must be alone when intersects on weak beat");
    EXPECT_EQ(checkRules(ruleMasks({0xFFFF, 0xFFFF, 0}, 4), kAllSlices).text, verdict.text);
}

TEST(RhythmRules, RotationsWrapAcrossTheBarLine)
{
    EXPECT_EQ(rotateStepMask(0x0001, 1), 0x8000);
    EXPECT_EQ(rotateStepMask(0x8001, 2), 0x6000);
    EXPECT_EQ(rotateStepMask(0x1234, 16), 0x1234);
    EXPECT_EQ(rotateStepMask(0xF000, 4), 0x0F00);
    // A kick on steps 14, 15 and 0 is three sixteenths in a row.
    const RuleVerdict verdict = checkRules(ruleMasks({0x8083, 0x0808, 0xAAAA}, 0), kAllSlices);
    EXPECT_NE(verdict.text.find("must not be 3 consecutive bass or snare 16th"), std::string::npos)
        << verdict.text;
}

} // namespace
