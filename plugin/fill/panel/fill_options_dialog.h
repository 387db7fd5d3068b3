// The fill drummer's options: output port and channel, how the host is
// driven ("Instant/Buffered mode:"), the drum map (which input drum plays
// which output note, with named maps kept as files), the note-name set and
// the output velocity limits. Drum-map and note-name changes act on the
// engine at once (heard through the preview); Cancel undoes them.
#pragma once

#include "plugin/framework/drums/drum_map.h"
#include "plugin/framework/gui/options_dialog.h"

#include <string>

namespace Quorvane {

class Grindelvosket;

class OptionsDlg : public OptionsDlgBase {
public:
    OptionsDlg(Grindelvosket &engine, HWND parent);

    // What the dialog holds: combo indices and the velocity limits.
    int portIndex() const { return portIndex_; }
    int channelIndex() const { return channelIndex_; }
    int modeIndex() const { return modeIndex_; }

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
    // A limit field's value; false (with the range message) outside 1..127.
    bool readLimit(int id, int &value);

    Grindelvosket &engine_;
    DrumMap savedMap_;
    DrumMapFolder folder_;
    std::string savedNoteNames_;
    int portIndex_;
    int channelIndex_;
    int modeIndex_;
    int from_;
    int to_;
};

} // namespace Quorvane
