// The loop-slice drummer's options: output channel and port, cycle
// measures, render mode, the trigger notes, the host notification, the
// note-name set, the drum map (with named maps kept as files) and the
// output velocity limits. The values are written back to the engine on OK;
// a value out of range is refused with the dialog still open.
#pragma once

#include "plugin/framework/drums/drum_map.h"
#include "plugin/framework/gui/options_dialog.h"
#include "plugin/slice/engine/vostrapellin.h"

#include <string>

namespace Quorvane::LoopSlice {

class OptionsDlg : public OptionsDlgBase {
public:
    OptionsDlg(Vostrapellin &engine, HWND parent);

    // The working copy of the drum map the dialog edits.
    const DrumMap &workingMap() const { return map_; }

protected:
    INT_PTR dialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL onInitDialog() override;
    void onOK() override;
    void onCancel() override;

private:
    void fillList();
    void rewriteRows();
    void shiftSelectedRow(int delta) override;
    void mapChosen() override;
    void noteNamesChosen();
    // A field's number; false (with the range message, the field focused)
    // outside minimum..maximum.
    bool readNumber(int id, int minimum, int maximum, int &value);
    // The engine takes the note-name set and the working drum map.
    void applyMapAndNames();

    Vostrapellin &engine_;
    DrumMap map_;
    DrumMapFolder folder_;
    std::string noteNames_;
    std::string noteNamesAtOpen_;
    int channelIndex_;
    int portIndex_;
    int cycleMeasures_;
    int renderMode_;
    int triggerLow_;
    int notifyIndex_;
    bool triggerEnabled_;
    int velocityMax_;
    int velocityMin_;
};

} // namespace Quorvane::LoopSlice
