#include "data/music_text.h"

#include <cstdio>
#include <cstring>

namespace Quorvane {

int bLatin = 0;

namespace {

struct KeyName {
    const char *english;
    const char *german;
    const char *accidentals;
};

const KeyName kKeys[30] = {
    {"Ab-Minor", "aes-moll", "7b"}, {"A#-Minor", "ais-moll", "7#"}, {"Eb-Minor", "es-moll", "6b"},
    {"D#-Minor", "dis-moll", "6#"}, {"Bb-Minor", "b-moll", "5b"},   {"G#-Minor", "gis-moll", "5#"},
    {"F-Minor", "f-moll", "4b"},    {"C#-Minor", "cis-moll", "4#"}, {"C-Minor", "c-moll", "3b"},
    {"F#-Minor", "fis-moll", "3#"}, {"G-Minor", "g-moll", "2b"},    {"B-Minor", "h-moll", "2#"},
    {"D-Minor", "d-moll", "1b"},    {"E-Minor", "e-moll", "1#"},    {"A-Minor", "a-moll", "0"},
    {"C-Major", "C-Dur", "0"},      {"F-Major", "F-Dur", "1b"},     {"G-Major", "G-Dur", "1#"},
    {"Bb-Major", "B-Dur", "2b"},    {"D-Major", "D-Dur", "2#"},     {"Eb-Major", "Es-Dur", "3b"},
    {"A-Major", "A-Dur", "3#"},     {"Ab-Major", "Aes-Dur", "4b"},  {"E-Major", "E-Dur", "4#"},
    {"Db-Major", "Des-Dur", "5b"},  {"B-Major", "H-Dur", "5#"},     {"Gb-Major", "Ges-Dur", "6b"},
    {"F#-Major", "Fis-Dur", "6#"},  {"Cb-Major", "Ces-Dur", "7b"},  {"C#-Major", "Cis-Dur", "7#"},
};

const int kTonic[30] = {8, 10, 3, 3,  10, 8, 5, 1, 0, 6, 7,  11, 2, 4,  9,
                        0, 5,  7, 10, 2,  3, 9, 8, 4, 1, 11, 6,  6, 11, 1};

const char *const kNotesEnglish[17] = {"C",  "C#", "Db", "D",  "D#", "Eb", "E",  "F", "F#",
                                       "Gb", "G",  "G#", "Ab", "A",  "A#", "Bb", "B"};
const char *const kNotesGerman[17] = {"C",  "C#", "Db", "D",  "D#", "Eb", "E", "F", "F#",
                                      "Gb", "G",  "G#", "Ab", "A",  "A#", "B", "H"};

// Name index of each semitone with flats and with sharps.
const int kFlatNames[12] = {0, 2, 3, 5, 6, 7, 9, 10, 12, 13, 15, 16};
const int kSharpNames[12] = {0, 1, 3, 4, 6, 7, 8, 10, 11, 13, 14, 16};

const int kMajorSteps[7] = {0, 2, 4, 5, 7, 9, 11};
const int kMinorSteps[7] = {0, 2, 3, 5, 7, 8, 10};
const int kMajorStages[12] = {0, -1, 1, -1, 2, 3, -1, 4, -1, 5, -1, 6};
const int kMinorStages[12] = {0, -1, 1, 2, -1, 3, -1, 4, 5, -1, 6, -1};
const int kBlack[12] = {0, 1, 0, 1, 0, 0, 1, 0, 1, 0, 1, 0};

long wrap12(long n)
{
    return ((n % 12) + 12) % 12;
}

// Flat keys (even index) spell black keys with flats, sharp keys (odd) with
// sharps; the one black key their scale cannot hold keeps the other
// spelling until the key has five accidentals: F# in flat keys up to four
// flats, Bb in sharp keys up to four sharps.
int spelling(long key, long semitone)
{
    long count = 0;
    int sharps = 0, major = 0;
    ParseKSign(key, major, count, sharps);
    if (sharps)
        return (semitone == 10 && count < 5) ? 15 : kSharpNames[semitone];
    return (semitone == 6 && count < 5) ? 8 : kFlatNames[semitone];
}

struct Chord {
    signed char steps[7];
    const char *name;
};

const Chord kChords[kChordTypes] = {
    {{4, 7}, ""},
    {{4, 7, 9}, "_6"},
    {{4, 7, 10}, "_7"},
    {{4, 6, 10}, "_7-b5"},
    {{4, 8, 10}, "_7-#5"},
    {{4, 6, 8, 10}, "_7+b5/b13"},
    {{4, 9, 10}, "_7-13"},
    {{4, 7, 11}, "-maj_7"},
    {{4, 6, 11}, "-maj_7-b5"},
    {{4, 8, 11}, "-maj_7-#5"},
    {{4, 7, 9, 11}, "-maj_7-13"},
    {{4, 7, 14}, "-(add9)"},
    {{4, 7, 9, 14}, "_6-9"},
    {{4, 7, 10, 14}, "_9"},
    {{4, 7, 10, 13}, "_7-b9"},
    {{4, 7, 10, 15}, "_7-#9"},
    {{4, 6, 10, 14}, "_9-b5"},
    {{4, 6, 10, 13}, "_7+b5/b9"},
    {{4, 6, 10, 15}, "_7+b5/#9"},
    {{4, 8, 10, 14}, "_9-#5"},
    {{4, 8, 10, 13}, "_7+#5/b9"},
    {{4, 8, 10, 15}, "_7+#5/#9"},
    {{4, 7, 11, 14}, "-maj_9"},
    {{4, 7, 11, 15}, "-maj_7-#9"},
    {{4, 7, 9, 11, 14}, "-maj_13"},
    {{4, 7, 10, 14, 17}, "_11"},
    {{4, 7, 10, 14, 18}, "_9-#11"},
    {{4, 7, 10, 13, 17}, "_11-b9"},
    {{4, 7, 10, 13, 18}, "_7+b9/#11"},
    {{4, 7, 10, 15, 18}, "_7+#9/#11"},
    {{4, 7, 10, 14, 21}, "_13"},
    {{4, 7, 10, 13, 21}, "_13-b9"},
    {{4, 7, 10, 14, 17, 21}, "_13-sus"},
    {{4, 7, 10, 14, 18, 21}, "_13-#11"},
    {{4, 7, 10, 13, 17, 21}, "_13-sus b9"},
    {{4, 7, 10, 13, 18, 21}, "_13+b9/#11"},
    {{3, 7}, "-m"},
    {{3, 7, 9}, "-m_6"},
    {{3, 7, 8}, "-m b6"},
    {{3, 7, 10}, "-m_7"},
    {{3, 7, 9, 10}, "-m_7-13"},
    {{3, 6, 10}, "-m_7-b5"},
    {{3, 7, 11}, "-m(maj7)"},
    {{3, 7, 9, 11}, "-m(maj7)13"},
    {{3, 7, 14}, "-m(add9)"},
    {{3, 7, 9, 14}, "-m_6-9"},
    {{3, 7, 10, 14}, "-m_9"},
    {{3, 7, 9, 10, 14}, "-m_13"},
    {{3, 7, 11, 14}, "-m_9-maj7"},
    {{3, 7, 9, 11, 14}, "-m_13-maj7"},
    {{3, 6, 10, 14}, "-m_9-b5"},
    {{3, 6, 10, 13}, "-m_7+b9/b5"},
    {{3, 7, 17}, "-m(add11)"},
    {{3, 7, 10, 17}, "-m_7-11"},
    {{3, 7, 10, 14, 17}, "-m_11"},
    {{3, 6, 10, 20}, "-m_7+b5/b13"},
    {{3, 6, 10, 17}, "-m_7+b5/11"},
    {{3, 6, 10, 14, 17}, "-m_11-b5"},
    {{5, 7}, "-sus"},
    {{5, 7, 10}, "_7-sus"},
    {{5, 7, 10, 14}, "_9-sus"},
    {{5, 7, 10, 13}, "_7-sus b9"},
    {{5, 7, 10, 14, 21}, "_13-sus"},
    {{5, 7, 10, 13, 21}, "_13-sus b9"},
    {{5, 7, 11}, "-maj_7-sus"},
    {{3, 6, 9}, "-dim_7"},
    {{4, 8}, "-aug"},
};

const signed char kNoSteps[1] = {0};

bool validKey(long key)
{
    return key >= 0 && key <= 29;
}

} // namespace

int ParseKSign(long index, int &major, long &count, int &sharps)
{
    if (!validKey(index))
        return 0;
    major = index > 14;
    const long half = index / 2;
    count = half < 7 ? 7 - half : half - 7;
    sharps = static_cast<int>(index & 1);
    return 1;
}

char *GetKSignText(long index, char *buffer, int withAccidentals)
{
    if (!buffer)
        return buffer;
    buffer[0] = '\0';
    if (!validKey(index))
        return buffer;
    const KeyName &key = kKeys[index];
    std::strcpy(buffer, bLatin ? key.german : key.english);
    if (withAccidentals)
        std::sprintf(buffer + std::strlen(buffer), " (%s)", key.accidentals);
    return buffer;
}

char *GetTSignText(long numerator, long power, char *buffer)
{
    if (buffer) {
        const long shift = power < 0 ? 0 : (power > 30 ? 30 : power);
        std::sprintf(buffer, "%i/%i", static_cast<int>(numerator), 1 << shift);
    }
    return buffer;
}

char *GetNoteText(long note, char *buffer, int withOctave, int withNumber, long key)
{
    if (!buffer)
        return buffer;
    if (!validKey(key))
        key = 15;
    const char *const *names = bLatin ? kNotesGerman : kNotesEnglish;
    std::strcpy(buffer, names[spelling(key, wrap12(note))]);
    if (withOctave)
        std::sprintf(buffer + std::strlen(buffer), "%i", static_cast<int>(note / 12));
    if (withNumber)
        std::sprintf(buffer + std::strlen(buffer), " (%i)", static_cast<int>(note));
    return buffer;
}

long GetNoteByStage(long stage, long key)
{
    if (stage < 0 || stage > 6)
        return -1;
    if (!validKey(key))
        key = 15;
    const int *steps = key > 14 ? kMajorSteps : kMinorSteps;
    return (kTonic[key] + steps[stage]) % 12;
}

long GetStageByNote(long note, long key)
{
    if (!validKey(key))
        key = 15;
    const int *stages = key > 14 ? kMajorStages : kMinorStages;
    return stages[wrap12(note - kTonic[key])];
}

int IsBlackNote(long note)
{
    return kBlack[wrap12(note)];
}

const signed char *GetChordSteps(long type)
{
    return (type >= 0 && type < kChordTypes) ? kChords[type].steps : kNoSteps;
}

const char *GetChordName(long type)
{
    return (type >= 0 && type < kChordTypes) ? kChords[type].name : "";
}

} // namespace Quorvane
