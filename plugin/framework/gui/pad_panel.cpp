#include "plugin/framework/gui/pad_panel.h"

#include <algorithm>
#include <string>

namespace Quorvane {

PadPanel::Pad::Pad(PadPanel &panel, int index) : index_(index)
{
    setText(std::to_string((index + 1) % 10));
    auto clicked = IndexedDelegateT<PadPanel>::create(&panel, &PadPanel::padClicked, index);
    addCommandListener(clicked.get());
}

PadPanel::PadPanel(int padCount, int lineCount) : padCount_(std::max(0, padCount)), lineCount_(lineCount)
{
    for (int i = 0; i < padCount_; ++i)
        pads_.push_back(std::make_unique<Pad>(*this, i));
}

PadPanel::~PadPanel()
{
    pads_.clear();
    padListener_.reset();
}

void PadPanel::setBounds(Pane *parent, const Rect &rect)
{
    Pane::setBounds(parent, rect);
    if (padCount_ == 0)
        return;
    RefPtr<Font> font = RefPtr<Font>::adopt(Font::create("Tahoma", 7.0f, 0, Font::kPoints));
    const int lines = std::max(1, lineCount_);
    const int perLine = (padCount_ + lines - 1) / lines;
    const int width = rect.width / perLine;
    const int height = rect.height / lines;
    for (int k = 0; k < padCount_; ++k) {
        Pad &pad = *pads_[k];
        const Rect place{(k % perLine) * width, (k / perLine) * height, width, height};
        if (pad.parent() == this)
            pad.setRect(place); // laid out again: already a child
        else
            pad.create(k, place, this);
        pad.setAlwaysFramed(true);
        pad.setFont(font.get());
    }
}

void PadPanel::setCurrentPad(int index)
{
    for (auto &pad : pads_)
        pad->setSelected(pad->index() == index);
}

void PadPanel::padClicked(int index)
{
    invokeDelegate(padListener_, index);
}

} // namespace Quorvane
