#include "plugin/slice/panel/number_chooser.h"

#include <cstdlib>
#include <string>

namespace Quorvane::LoopSlice {

void fillNumberChooser(FlatCombo &combo, uint32_t mask, int current)
{
    combo.removeAll();
    int selected = -1;
    for (int bit = 31; bit >= 0; --bit) {
        if (!(mask & (1u << bit)))
            continue;
        const int index = combo.addItem(std::to_string(bit));
        if (bit == current)
            selected = index;
    }
    combo.setSelectedIndex(selected);
}

int chooserNumber(const FlatCombo &combo)
{
    std::string text;
    combo.getSelectedText(text);
    return text.empty() ? -1 : std::atoi(text.c_str());
}

} // namespace Quorvane::LoopSlice
