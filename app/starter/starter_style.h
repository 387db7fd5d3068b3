// The starter style: twelve parts made from the starter loop and fill
// libraries, each with its own length, loop collection and composition,
// fills and fill measures, so that every part sounds different. The build
// writes it as "Styles\Starter.qns" beside the program, which opens it at
// its first start.
#pragma once

#include <string>

namespace Quorvane::StarterStyle {

// The style's folder and file name below the program's folder.
constexpr const char *kFolder = "Styles";
constexpr const char *kFileName = "Starter.qns";

// What the parts are made of, part by part.
struct PartRecipe {
    int length;          // measures
    const char *loops;   // the loop-slice drummer's collection
    unsigned seed;       // its composer's seed
    int swing;           // percent, both kinds of drummer
    int fills[2];        // starter fills (index into the plain fills)
    int fillMeasures[2]; // 0-based, within the length
};
const PartRecipe &Recipe(int part);
// The style's tempo (one for all parts: the file keeps one).
constexpr float kTempo = 104.0f;

// Writes the style to path. The loop-slice and fill modules must already
// look for their content in the folder that holds "Patterns" and "Fills".
bool Write(const std::string &path, std::string *error);

} // namespace Quorvane::StarterStyle
