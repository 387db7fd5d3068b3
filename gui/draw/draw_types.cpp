#include "gui/draw/draw_types.h"

#include <algorithm>
#include <cstring>

namespace Quorvane {

void QUAD::Normalize()
{
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
}

int QUAD::IsIntersect(const QUAD *other) const
{
    return !(left > other->right || right < other->left || top > other->bottom || bottom < other->top);
}

int QUAD::ClipHorz(const QUAD *other)
{
    left = std::max(left, other->left);
    right = std::min(right, other->right);
    return right > left;
}

int QUAD::ClipVert(const QUAD *other)
{
    top = std::max(top, other->top);
    bottom = std::min(bottom, other->bottom);
    return bottom > top;
}

FONTPARAMS::FONTPARAMS(long height, long weight, const char *face) : height(height), weight(weight), face{}
{
    if (face) {
        std::strncpy(this->face, face, sizeof this->face - 1);
        this->face[sizeof this->face - 1] = 0;
    }
}

} // namespace Quorvane
