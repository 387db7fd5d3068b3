// Builds lyrics texts from plain lines and describes them for comparison.
#pragma once

#include "data/lyrics_text.h"
#include "data/storage.h"

#include <string>
#include <vector>

inline void fromText(Quorvane::CText &text, const std::string &plain)
{
    Quorvane::CMemStorage in;
    in.PutBuffer(plain.data(), static_cast<long>(plain.size()));
    text.CreateFromText(&in);
}

// The lines joined by '|', dividers shown as '^'.
inline std::string linesOf(const Quorvane::CText &text)
{
    std::string out;
    for (long l = 0; l < text.GetNumLines(); ++l) {
        const Quorvane::STRING *s = text.GetLine(l);
        if (l)
            out += '|';
        for (long i = 0; i < s->length; ++i)
            out += s->text[i] == Quorvane::kNodeDivider ? '^' : s->text[i];
    }
    return out;
}

// "line:start:widthD:widthL" per node.
inline std::string nodesOf(const Quorvane::CText &text)
{
    std::string out;
    for (long n = 0; n < text.GetNumNodes(); ++n) {
        const Quorvane::TEXTNODE *node = text.GetTextNode(n);
        if (n)
            out += ' ';
        out += std::to_string(node->line) + ":" + std::to_string(node->start) + ":" +
               std::to_string(node->widthD) + ":" + std::to_string(node->widthL);
    }
    return out;
}

// The nodes a full rebuild gives for the same lines.
inline std::string rebuiltNodesOf(const Quorvane::CText &text)
{
    Quorvane::CMemStorage block;
    text.Save(&block);
    block.SetPos(0);
    Quorvane::CText copy;
    copy.Load(&block);
    return nodesOf(copy);
}
