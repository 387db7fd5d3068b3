// The small adapters through which a looper's row in the fill editor edits
// its looper: the parameter field's handler, the instrument button with its
// drum icon, the mute button's four-state picture, and the note combo that
// names the part's output drum sounds.
#pragma once

#include "plugin/fill/looper/looper.h"
#include "plugin/framework/gui/buttons.h"
#include "plugin/framework/gui/flat_combo.h"
#include "plugin/framework/gui/number_fields.h"

#include <functional>
#include <string>

namespace Quorvane {

// What the parameter field of a row shows and sets: the looper's parameter
// chosen by the field's name ("Velo" 0, "Dyn" 1, "Time" 2; any other name
// shows nothing and sets nothing). Every set shows the new value in the
// panel's status line.
class ParamHandler : public ParamEdit::Handler {
public:
    using StatusSink = std::function<void(const std::string &)>;

    ParamHandler(Looper *looper, const std::string &name, StatusSink status);

    int getValue() override;
    void setValue(int value) override;
    int index() const { return index_; }

    // The parameter index of a field name; -1 for any other name.
    static int indexOfName(const std::string &name);
    // The status text of a parameter set to value.
    static std::string statusText(int index, int value);

private:
    Looper *looper_;
    int index_;
    StatusSink status_;
};

// The row's instrument button: the drum icon of its looper, the excluded
// look above and the included (selected) look below in one picture that all
// instrument buttons share while any lives.
class InstrumentButton : public SelSmartBmpButton {
public:
    static constexpr int kCellWidth = 15;
    static constexpr int kCellHeight = 13;

    explicit InstrumentButton(int looperIndex);
    ~InstrumentButton() override;

    void setCaption(const std::string &caption) { caption_ = caption; }
    const std::string &caption() const { return caption_; }
    // 16 x 14.
    Point getBitmapSize() override;
    Bitmap *getBitmap(Point &sourceOrigin) override;
    void paintContent(GraphicsContext &gc, const Rect &rect) override;

    // The picture the buttons share now; null when none lives.
    static Bitmap *sharedPicture();

private:
    int looperIndex_;
};

// The shared picture of a four-state button kind; null when it cannot be
// loaded.
Bitmap *fourStatePicture(WORD pictureId);

// A selectable button whose four faces (normal, hover, selected, disabled)
// are the cells of one bitmap resource, loaded once per module with the
// panel grey 0xC8D0D4 replaced by the system's button face.
template <WORD pictureId> class FourStateSelectableButton : public SelectableButton {
public:
    void initPicture(bool acquire) override
    {
        if (!acquire)
            return;
        Bitmap *strip = fourStatePicture(pictureId);
        setPicture(strip, strip ? strip->width() / 4 : 0, 0, 0);
    }
};

// The row's combo of output drum sounds: a menu of note names per
// instrument note.
using NoteCombo = FlatMLCombo;

} // namespace Quorvane
