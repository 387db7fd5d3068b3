// A row (or grid) of numbered pads, one marked as current. A click on a pad
// tells the owner the pad's index; the owner decides what a pad means.
#pragma once

#include "plugin/framework/gui/buttons.h"

#include <memory>
#include <vector>

namespace Quorvane {

class PadPanel : public Pane {
public:
    // A text button captioned with (index + 1) modulo 10.
    class Pad : public SelSmartTextButton {
    public:
        Pad(PadPanel &panel, int index);
        int index() const { return index_; }

    private:
        int index_;
    };

    // Fewer than one line counts as one.
    PadPanel(int padCount, int lineCount);
    ~PadPanel() override;

    // Places the panel and lays its pads out line by line.
    void setBounds(Pane *parent, const Rect &rect) override;
    // Marks pad i (none when i is outside the pads).
    void setCurrentPad(int index);
    // Hears the index of a clicked pad.
    void setPadListener(Delegate1<int> *listener) { padListener_ = RefPtr<Delegate1<int>>(listener); }
    int padCount() const { return padCount_; }
    Pad &pad(int index) { return *pads_[index]; }

private:
    void padClicked(int index);

    RefPtr<Delegate1<int>> padListener_;
    std::vector<std::unique_ptr<Pad>> pads_;
    int padCount_;
    int lineCount_;
};

} // namespace Quorvane
