// The drop-down list of the panels: a flat control showing the selected
// entry's text with a corner triangle, whose list is a popup menu built
// afresh from the combo's Menu each time it opens. Entries can be strings,
// sub-menus or self-drawn items. FlatImageCombo shows cells of an image
// strip for its entries; FlatMLCombo steps through a sub-menu.
#pragma once

#include "plugin/framework/gui/bitmaps.h"
#include "plugin/framework/gui/control.h"
#include "plugin/framework/gui/self_drawn_item.h"

#include <memory>
#include <string>
#include <vector>

namespace Quorvane {

class FlatCombo : public FlatControl, public PopupMenuOwner {
public:
    // Entries added by addItem carry this id plus their position.
    static constexpr int kFirstItemId = 1000;
    // A press sooner than this after the list closed does not reopen it.
    static constexpr DWORD kReopenGuardMs = 50;

    class Item : public SelfDrawnItem {
    public:
        virtual bool wantsOwnerDraw() const { return false; }
        virtual void getText(std::string &out) const = 0;
    };

    class Menu {
    public:
        struct Entry {
            int id = 0;
            UINT flags = MF_STRING;
            std::string text;
            std::unique_ptr<Item> item;
            std::unique_ptr<Menu> subMenu;
        };

        Menu(FlatCombo &owner, uint8_t option) : owner_(owner), option_(option) {}

        void appendItem(UINT flags, int id, const std::string &text);
        void appendEntry(Entry entry) { entries_.push_back(std::move(entry)); }
        Menu *appendSubMenu(uint8_t option, const std::string &text);
        int getItemCount() const { return static_cast<int>(entries_.size()); }
        // The entry shown in bold; -1 none.
        void setSelectedId(int position) { defaultPosition_ = position; }
        std::vector<Entry> &entries() { return entries_; }
        const std::vector<Entry> &entries() const { return entries_; }
        uint8_t option() const { return option_; }
        // A new popup menu of the entries (and their sub-menus), with the
        // combo as menu data.
        HMENU build() const;

    private:
        FlatCombo &owner_;
        uint8_t option_;
        std::vector<Entry> entries_;
        int defaultPosition_ = -1;
    };

    FlatCombo();
    // Gone while its list is open (the panel closed under the list): the
    // list is ended and nothing of the combo is touched after it.
    ~FlatCombo() override;

    int create(int id, const Rect &rect, Pane *parent);
    // Both hear an entry's id less kFirstItemId.
    void setSelectionListener(Delegate1<int> *listener)
    {
        selectionListener_ = RefPtr<Delegate1<int>>(listener);
    }
    void setRightClickListener(Delegate1<int> *listener)
    {
        rightClickListener_ = RefPtr<Delegate1<int>>(listener);
    }

    Menu &menu() { return menu_; }
    int getItemCount() const { return menu_.getItemCount(); }
    int getSelectedIndex() const { return selected_; }
    // Marks entry i and shows its text; out of range clears the selection.
    int setSelectedIndex(int index);
    // Nothing when no entry is selected.
    void getSelectedText(std::string &out) const;
    void getText(std::string &out) const { out = shownText_; }
    void setText(const std::string &text);
    bool isOpen() const { return open_ != 0; }

    virtual void getItemText(std::string &out, int index) const;
    // The new entry's index, or -1.
    virtual int addItem(const std::string &text);
    // The new count, or -1 out of range. The entries after it move up and
    // take the ids of their new positions. While the list is open the
    // removed entries live on until it closes (the shown menu draws their
    // items), and a choice made in it is dropped.
    virtual int removeItem(int index);
    virtual void removeAll();
    // Makes the entries these texts (through addItem) unless they are so
    // already; an open list keeps its entries. False when the entries are
    // not the texts afterwards.
    bool setItems(const std::vector<std::string> &texts);
    // The first entry showing text; -1 none.
    int indexOfText(const std::string &text) const;
    bool rightClicked(int id) override;
    virtual void drawItemText(GraphicsContext &gc, const Rect &rect, const std::string &text);
    virtual void fireSelected(int id);

    void mousePressed(MouseEvent &e) override;
    void processFocusEvent(FocusEvent &e) override;
    void paintContent(GraphicsContext &gc, const Rect &rect) override;
    // Numeric-pad plus steps to the next entry.
    bool step(int delta) override;
    // The wheel away from the user goes to the previous entry.
    void mouseWheel(MouseEvent &e) override;

protected:
    RefPtr<Delegate1<int>> selectionListener_;
    RefPtr<Delegate1<int>> rightClickListener_;
    Menu menu_;
    int selected_ = -1;
    DWORD closeTime_ = 0;
    uint8_t open_ = 0;
    UINT format_ = DT_VCENTER | DT_SINGLELINE;
    std::string shownText_;

private:
    // Ends the menu shown on this thread, when the system has the call.
    static void endOpenMenu();

    // Set to true by the destructor: the flag of the list being shown.
    bool *destroyedWhileOpen_ = nullptr;
    // Entries taken out while the list was open.
    std::vector<Menu::Entry> retired_;
    // Counts removals, so that a choice from a list whose entries went is
    // not taken for another entry.
    uint32_t removals_ = 0;
};

class FlatImageCombo;

// An entry of a FlatImageCombo: its text, drawn by the combo.
class FlatImageComboItem : public FlatCombo::Item {
public:
    FlatImageComboItem(FlatImageCombo &combo, std::string text) : combo_(combo), text_(std::move(text)) {}
    bool wantsOwnerDraw() const override { return true; }
    void getText(std::string &out) const override { out = text_; }
    void draw(GraphicsContext &gc, const Rect &rect, UINT state) override;
    void measure(int &width, int &height) override;

private:
    FlatImageCombo &combo_;
    std::string text_;
};

class FlatImageCombo : public FlatCombo {
public:
    void setImageStrip(int count, std::vector<std::string> names, Bitmap *strip, int cellWidth,
                       int cellHeight, int defaultIndex, bool vertical);
    int addItem(const std::string &text) override;
    // The cell named text (the default cell when none is).
    void drawItemText(GraphicsContext &gc, const Rect &rect, const std::string &text) override;
    int cellIndexOf(const std::string &text) const;

    void drawEntry(GraphicsContext &gc, const Rect &rect, UINT state, const std::string &text);
    void measureEntry(const std::string &text, int &width, int &height);

private:
    int cellCount_ = 0;
    int defaultCell_ = 0;
    int cellWidth_ = 0;
    int cellHeight_ = 0;
    uint8_t vertical_ = 0;
    std::vector<std::string> names_;
    RefPtr<Bitmap> strip_;
};

// Steps through the marked entry of its first sub-menu.
class FlatMLCombo : public FlatCombo {
public:
    bool step(int delta) override;
};

} // namespace Quorvane
