#include "plugin/slice/panel/number_chooser.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace Quorvane::LoopSlice {

void fillNumberChooser(FlatCombo &combo, uint32_t mask, int current)
{
    std::vector<std::string> numbers;
    for (int bit = 31; bit >= 0; --bit)
        if (mask & (1u << bit))
            numbers.push_back(std::to_string(bit));
    // Refilled only when the numbers changed: an open list draws its
    // entries.
    combo.setItems(numbers);
    combo.setSelectedIndex(combo.indexOfText(std::to_string(current)));
}

int chooserNumber(const FlatCombo &combo)
{
    std::string text;
    combo.getSelectedText(text);
    return text.empty() ? -1 : std::atoi(text.c_str());
}

} // namespace Quorvane::LoopSlice
