// The lyrics of a song: editable lines with node dividers, their nodes, and
// the text block they are stored as. Lines and positions given by reference
// are clamped into range and written back.
#pragma once

#include "data/corvadel_api.h"
#include "data/lyrics_string.h"
#include "data/struct_array.h"
#include "data/text_nodes.h"

namespace Quorvane {

class CStorage;

// Insert mode of the text editors (0: typing overwrites).
extern CORVADEL_API int bKeyInsert;

class CORVADEL_API CText : public CStructArray {
public:
    CText() : CStructArray(sizeof(STRING), 16) {}

    long GetNumLines() const { return count; }
    STRING *GetLine(long line) const
    {
        return (line >= 0 && line < count) ? static_cast<STRING *>(GetElementAt(line)) : nullptr;
    }

    // --- cursor and layout
    // The position nearest to pixel x in the line, measured with widths.
    long GetPosByX(long &line, long x, const long *widths);
    // The index of the position at pixel x (by ptabWidthT); -1 for a line
    // outside the text or an x at or beyond the line's width.
    long GetIndexByX(long line, long x);
    // x = width of the characters before the position, width = that of the
    // character at it (both by ptabWidthT).
    void MoveCursorT(long &line, long &position, long &x, long &width);
    // One word left or right, on to the previous or next line when the line
    // gives no move. 1 when the cursor moved.
    int WordLeft(long &line, long &position);
    int WordRight(long &line, long &position);
    long CheckMaxWidth();
    long GetMaxWidth() const { return maxWidth; }

    // --- editing (each makes sure the text has a line first)
    // Inserts (mode non-zero or at the line end) or overwrites; on return
    // mode is 1 when the widest line may have changed.
    int AddNewChar(long line, long position, char c, int &mode);
    int SetNewLine(long line, long position);
    // direction -1 backwards, 1 forwards; on return direction is 1 when two
    // lines were joined, widest 1 when the widest width was recomputed.
    int DeleteText(long &line, long &position, long &direction, int &widest);
    int DeleteTextRange(long &fromLine, long &fromPosition, long toLine, long toPosition);
    // index is a byte index. With the hyphen flag a hyphen goes with the
    // divider when it splits a word.
    int AddNodeDivider(long line, long index, int withHyphen);
    // Joins a node (after the first) to the one before it.
    int DelNodeDivider(long node);
    // Removes the dividers of every node from number count on.
    int CheckNumNodes(long count);

    // --- nodes
    int UpdateNodes();
    long GetNumNodes() const { return nodes.GetNumb(); }
    TEXTNODE *GetTextNode(long index) const { return nodes.GetNode(index); }
    long GetTextNodeByDivider(long line, long index) { return nodes.FindByDivider(line, index); }

    // --- storage
    // Text block, little-endian: line count; per line its length and bytes.
    int Save(CStorage *storage) const;
    // Appends the lines read; 1 only when every line was read.
    int Load(CStorage *storage);
    // Plain text: lines end at CR, LF, CR LF or LF CR; control bytes other
    // than the divider become blanks.
    int CreateFromText(CStorage *storage);

    long maxWidth = 0;
    CTextNodes nodes;
    // Where AddNodeDivider and DelNodeDivider leave the cursor.
    long cursorLine = 0;
    long cursorPos = 0;

protected:
    // Makes sure a line exists and clamps line into range; 0 when memory runs
    // out.
    int EnsureLine(long &line);
    void ClampLine(long &line) const;
    int InsertLine(long at, const char *bytes, long length);
    void DeleteLine(long line) { Delete(line, 1); }
    // Keep the nodes current around a byte edit at (line, index): after an
    // insertion (rebuilding them when a divider went in or no node holds
    // the place), and before a deletion (false: rebuild after it).
    int NodesInserted(long line, long index, const char *bytes, long n);
    bool NodesBeforeDelete(long line, long index, long n);
    void NodesReplaced(long line, long index, char before, char after);
};

} // namespace Quorvane
