#include "data/song_info.h"

#include "data/strings.h"

#include <cstdlib>

namespace Quorvane {

namespace {

const char *const kNames[SONGINFO_ITEMS] = {"Title", "Subtitle", "Author", "Copyright", "Comments"};

bool valid(long index)
{
    return index >= 0 && index < SONGINFO_ITEMS;
}

} // namespace

const char *SONGINFO::GetItemName(long index)
{
    return valid(index) ? kNames[index] : nullptr;
}

const char *SONGINFO::GetItemText(long index) const
{
    return valid(index) ? texts[index] : nullptr;
}

int SONGINFO::SetItemText(long index, const char *text)
{
    if (!valid(index))
        return 0;
    char *copy = CreateString(text);
    if (!copy && LengthString(text) > 0)
        return 0;
    SingleLineString(copy);
    if (CompareStringA(copy, texts[index]) == 0) {
        std::free(copy);
        return 1;
    }
    std::free(texts[index]);
    texts[index] = copy;
    return 1;
}

void SONGINFO::Clear(int keep)
{
    for (char *&text : texts) {
        if (!keep)
            std::free(text);
        text = nullptr;
    }
}

} // namespace Quorvane
