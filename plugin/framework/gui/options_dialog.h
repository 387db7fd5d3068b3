// The base of the drummers' options dialogs: a modal dialog over a
// template the derived dialog chooses, owning two self-drawn buttons (Save
// and Delete, the dialog items 5007 and 5008) and routing the owner-draw
// requests of its controls to toolkit objects, so toolkit-drawn buttons and
// combo items can live inside a Windows dialog.
#pragma once

#include "plugin/framework/drums/drum_map.h"
#include "plugin/framework/drums/note_names.h"
#include "plugin/framework/midi/midi_track.h"
#include "plugin/framework/gui/buttons.h"
#include "plugin/framework/gui/modal_dialog.h"
#include "plugin/framework/gui/self_drawn_item.h"

namespace Quorvane {

// A flat button drawn on the dialog's owner-draw requests. Buttons of one
// kind share one picture strip of four cells, loaded (with the system's
// button colours) while any of them lives.
class OptionsDlgButton : public FlatButton, public SelfDrawnItem {
public:
    explicit OptionsDlgButton(WORD pictureId) : pictureId_(pictureId) {}
    ~OptionsDlgButton() override;

    // Attaches to a dialog item and becomes the object of its user data
    // (unless that is set already); 0 without the item.
    int attachToDialog(int id, HWND window) override;
    // Cell 2 while the item is pressed (selected), else cell 0.
    int getVisualState() const override;
    void initPicture(bool acquire) override;

    void draw(GraphicsContext &gc, const Rect &rect, UINT state) override;
    void measure(int &width, int &height) override;

    // The picture the buttons of a kind share now; null when none lives.
    static Bitmap *sharedPicture(WORD pictureId);

private:
    WORD pictureId_;
    bool acquired_ = false;
    UINT itemState_ = 0;
};

class OptionsDlgBase : public ModalDialog {
public:
    class SaveButton : public OptionsDlgButton {
    public:
        SaveButton();
    };
    class DeleteButton : public OptionsDlgButton {
    public:
        DeleteButton();
    };

    OptionsDlgBase(UINT templateId, HWND parent) : ModalDialog(templateId, parent) {}

    SaveButton &saveButton() { return saveButton_; }
    DeleteButton &deleteButton() { return deleteButton_; }

protected:
    INT_PTR dialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    HWND item(int id) const { return GetDlgItem(handle(), id); }

    // The drum-map name typed or chosen in the name combo (item 5006).
    std::string typedMapName() const;
    // Saves map under the typed name (the first save makes the folder) and
    // lists the name in the combo.
    void saveTypedMap(const DrumMapFolder &folder, DrumMap &map);
    // Deletes the typed map's file after the user's yes and unlists it.
    void deleteTypedMap(const DrumMapFolder &folder);
    // Save (saveTypedMap) and Delete (deleteTypedMap) of the typed map;
    // false for any other command.
    bool handleMapFileCommand(int id, int code, const DrumMapFolder &folder, DrumMap &map);

    // The drum-map list: the "Instrument" and "MIDI Note" columns, the
    // map's rows, the second column taking the rest of the width.
    static void fillDrumMapList(HWND list, const DrumMap &map, const NoteNames &names);
    // Every row's text anew (after a change of the note-name set or map).
    static void rewriteDrumMapRows(HWND list, const DrumMap &map, const NoteNames &names);
    // Moves the selected row's note by delta and shows it; the note the row
    // plays now, or -1 when none moved.
    static int shiftSelectedDrumMapRow(HWND list, DrumMap &map, const NoteNames &names, int delta);
    // The note a drum-map change is heard through.
    static CMidiTrack::Event drumMapPreview(int note);
    // The drum-map list's key-downs (the plus and minus keys move the
    // selected row's note through shiftSelectedRow) and a map chosen in the
    // name combo (mapChosen); true when message was one of them.
    bool handleDrumMapMessage(UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR listId);
    virtual void shiftSelectedRow(int /*delta*/) {}
    virtual void mapChosen() {}

private:
    void drawItem(const DRAWITEMSTRUCT &item);

    SaveButton saveButton_;
    DeleteButton deleteButton_;
};

} // namespace Quorvane
