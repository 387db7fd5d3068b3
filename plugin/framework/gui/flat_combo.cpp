#include "plugin/framework/gui/flat_combo.h"

#include "plugin/framework/gui/graphics_context.h"
#include "plugin/framework/gui/user_answers.h"

#include <mmsystem.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace Quorvane {

// ---- Menu

void FlatCombo::Menu::appendItem(UINT flags, int id, const std::string &text)
{
    Entry entry;
    entry.id = id;
    entry.flags = flags;
    entry.text = text;
    entries_.push_back(std::move(entry));
}

FlatCombo::Menu *FlatCombo::Menu::appendSubMenu(uint8_t option, const std::string &text)
{
    Entry entry;
    entry.flags = MF_POPUP;
    entry.text = text;
    entry.subMenu = std::make_unique<Menu>(owner_, option);
    Menu *subMenu = entry.subMenu.get();
    entries_.push_back(std::move(entry));
    return subMenu;
}

HMENU FlatCombo::Menu::build() const
{
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return nullptr;
    UINT position = 0;
    for (const Entry &entry : entries_) {
        HMENU subMenu = entry.subMenu ? entry.subMenu->build() : nullptr;
        if (!entry.item) {
            if (subMenu)
                AppendMenuA(menu, (entry.flags & ~MF_OWNERDRAW) | MF_POPUP,
                            reinterpret_cast<UINT_PTR>(subMenu), entry.text.c_str());
            else
                AppendMenuA(menu, entry.flags, static_cast<UINT_PTR>(entry.id), entry.text.c_str());
        } else {
            std::string text;
            entry.item->getText(text);
            MENUITEMINFOA info{};
            info.cbSize = sizeof(info);
            info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_DATA | MIIM_SUBMENU;
            if (entry.item->wantsOwnerDraw()) {
                info.fType = MFT_OWNERDRAW;
            } else {
                info.fType = MFT_STRING;
                info.fMask |= MIIM_STRING;
                info.dwTypeData = text.data();
            }
            info.fState = (entry.flags & MF_CHECKED) ? MFS_CHECKED : 0;
            info.wID = static_cast<UINT>(entry.id);
            info.hSubMenu = subMenu;
            info.dwItemData = reinterpret_cast<ULONG_PTR>(static_cast<SelfDrawnItem *>(entry.item.get()));
            InsertMenuItemA(menu, position, TRUE, &info);
        }
        ++position;
    }
    MENUINFO data{};
    data.cbSize = sizeof(data);
    data.fMask = MIM_MENUDATA;
    data.dwMenuData = reinterpret_cast<ULONG_PTR>(static_cast<PopupMenuOwner *>(&owner_));
    SetMenuInfo(menu, &data);
    SetMenuDefaultItem(menu, static_cast<UINT>(defaultPosition_), TRUE);
    return menu;
}

// ---- FlatCombo

FlatCombo::FlatCombo() : menu_(*this, 0) {}

FlatCombo::~FlatCombo()
{
    if (destroyedWhileOpen_) {
        *destroyedWhileOpen_ = true;
        endOpenMenu();
    }
}

void FlatCombo::endOpenMenu()
{
    using EndMenuFunction = BOOL(WINAPI *)();
    if (HMODULE user = GetModuleHandleA("user32.dll"))
        if (auto endMenu =
                reinterpret_cast<EndMenuFunction>(reinterpret_cast<void *>(GetProcAddress(user, "EndMenu"))))
            endMenu();
}

int FlatCombo::create(int, const Rect &rect, Pane *parent)
{
    setBounds(parent, rect);
    return 1;
}

int FlatCombo::setSelectedIndex(int index)
{
    auto &entries = menu_.entries();
    if (selected_ >= 0 && selected_ < static_cast<int>(entries.size()))
        entries[selected_].flags &= ~MF_CHECKED;
    if (index >= 0 && index < static_cast<int>(entries.size())) {
        entries[index].flags |= MF_CHECKED;
        getItemText(shownText_, index);
        selected_ = index;
    } else {
        selected_ = -1;
        shownText_.clear();
    }
    repaint();
    return selected_;
}

void FlatCombo::getSelectedText(std::string &out) const
{
    if (selected_ >= 0)
        getItemText(out, selected_);
}

void FlatCombo::setText(const std::string &text)
{
    shownText_ = text;
    repaint();
}

void FlatCombo::getItemText(std::string &out, int index) const
{
    const auto &entries = menu_.entries();
    if (index < 0 || index >= static_cast<int>(entries.size()))
        return;
    if (entries[index].item)
        entries[index].item->getText(out);
    else
        out = entries[index].text;
}

int FlatCombo::addItem(const std::string &text)
{
    const int index = menu_.getItemCount();
    menu_.appendItem(MF_STRING, kFirstItemId + index, text);
    return index;
}

int FlatCombo::removeItem(int index)
{
    auto &entries = menu_.entries();
    if (index < 0 || index >= static_cast<int>(entries.size()))
        return -1;
    ++removals_;
    if (open_)
        retired_.push_back(std::move(entries[index]));
    entries.erase(entries.begin() + index);
    // Ids follow positions, so a chosen id names the entry shown there.
    for (size_t position = index; position < entries.size(); ++position)
        entries[position].id = kFirstItemId + static_cast<int>(position);
    if (selected_ == index) {
        selected_ = -1;
        shownText_.clear();
        repaint();
    } else if (selected_ > index) {
        --selected_;
    }
    return static_cast<int>(entries.size());
}

void FlatCombo::removeAll()
{
    auto &entries = menu_.entries();
    ++removals_;
    while (!entries.empty()) {
        if (open_)
            retired_.push_back(std::move(entries.back()));
        entries.pop_back();
    }
    selected_ = -1;
}

bool FlatCombo::setItems(const std::vector<std::string> &texts)
{
    const auto &entries = menu_.entries();
    bool same = entries.size() == texts.size();
    for (size_t i = 0; same && i < texts.size(); ++i) {
        std::string text;
        getItemText(text, static_cast<int>(i));
        same = !entries[i].subMenu && text == texts[i];
    }
    if (same)
        return true;
    if (open_)
        return false;
    removeAll();
    for (const std::string &text : texts)
        addItem(text);
    return true;
}

int FlatCombo::indexOfText(const std::string &text) const
{
    for (int i = 0; i < getItemCount(); ++i) {
        std::string shown;
        getItemText(shown, i);
        if (shown == text)
            return i;
    }
    return -1;
}

bool FlatCombo::rightClicked(int id)
{
    invokeDelegate(rightClickListener_, id - kFirstItemId);
    return false;
}

void FlatCombo::drawItemText(GraphicsContext &gc, const Rect &rect, const std::string &text)
{
    gc.drawText(text.c_str(), rect, format_);
}

void FlatCombo::fireSelected(int id)
{
    invokeDelegate(selectionListener_, id);
}

void FlatCombo::mousePressed(MouseEvent &e)
{
    FlatControl::mousePressed(e);
    if (e.button != 1)
        return;
    // The press that closed the list must not open it again.
    const auto sinceClose = static_cast<int32_t>(timeGetTime() - closeTime_);
    if (std::abs(sinceClose) < static_cast<int32_t>(kReopenGuardMs))
        return;
    HWND panel = getWindowHandle();
    if (!panel)
        return;
    const Rect area = getRootBounds();
    POINT corners[2] = {{area.x, area.y}, {area.right(), area.bottom()}};
    ClientToScreen(panel, &corners[0]);
    ClientToScreen(panel, &corners[1]);
    HMENU popup = menu_.build();
    if (!popup)
        return;
    open_ = 1;
    const uint32_t removalsBefore = removals_;
    // The panel, and this combo with it, may go while the list is shown.
    bool destroyed = false;
    bool *const outer = std::exchange(destroyedWhileOpen_, &destroyed);
    const int command =
        Quorvane::trackPopupMenu(popup, TPM_RETURNCMD | TPM_RECURSE, corners[0].x, corners[1].y, panel);
    DestroyMenu(popup);
    if (destroyed) {
        if (outer)
            *outer = true;
        return;
    }
    destroyedWhileOpen_ = outer;
    open_ = 0;
    retired_.clear();
    closeTime_ = timeGetTime();
    // A choice from entries that have gone names nothing shown now.
    if (command != 0 && removals_ == removalsBefore) {
        setSelectedIndex(command - kFirstItemId);
        invokeDelegate(selectionListener_, command - kFirstItemId);
    }
}

void FlatCombo::processFocusEvent(FocusEvent &e)
{
    if (e.id == EventId::FocusLost && open_)
        endOpenMenu();
    FlatControl::processFocusEvent(e);
}

void FlatCombo::paintContent(GraphicsContext &gc, const Rect &rect)
{
    SetBkColor(gc.dc(), faceColour_);
    gc.setTextColor(textColour_);
    drawItemText(gc, rect, shownText_);
    const Rect local = getLocalBounds();
    const POINT corner[3] = {{local.width - 2, local.height - 2},
                             {local.width - 2, local.height - 9},
                             {local.width - 9, local.height - 2}};
    RefPtr<Brush> fill = RefPtr<Brush>::adopt(Brush::create(textColour_));
    RefPtr<Pen> outline = RefPtr<Pen>::adopt(Pen::create(faceColour_));
    gc.fillPolygonWithBrush(corner, 3, fill.get());
    gc.drawPolygonOutlineWithPen(corner, 3, outline.get());
}

bool FlatCombo::step(int delta)
{
    const int count = getItemCount();
    if (count == 0)
        return true;
    const int next = std::clamp(selected_ + delta, 0, count - 1);
    if (next == selected_)
        return true;
    setSelectedIndex(next);
    invokeDelegate(selectionListener_, menu_.entries()[next].id - kFirstItemId);
    return true;
}

void FlatCombo::mouseWheel(MouseEvent &e)
{
    step(-wheelNotches(e.wheelDelta));
}

// ---- FlatImageCombo

void FlatImageComboItem::draw(GraphicsContext &gc, const Rect &rect, UINT state)
{
    combo_.drawEntry(gc, rect, state, text_);
}

void FlatImageComboItem::measure(int &width, int &height)
{
    combo_.measureEntry(text_, width, height);
}

void FlatImageCombo::setImageStrip(int count, std::vector<std::string> names, Bitmap *strip, int cellWidth,
                                   int cellHeight, int defaultIndex, bool vertical)
{
    cellCount_ = count;
    names_ = std::move(names);
    strip_ = RefPtr<Bitmap>(strip);
    cellWidth_ = cellWidth;
    cellHeight_ = cellHeight;
    defaultCell_ = defaultIndex;
    vertical_ = vertical ? 1 : 0;
}

int FlatImageCombo::addItem(const std::string &text)
{
    const int index = menu_.getItemCount();
    Menu::Entry entry;
    entry.id = kFirstItemId + index;
    entry.flags = MF_OWNERDRAW;
    entry.item = std::make_unique<FlatImageComboItem>(*this, text);
    menu_.appendEntry(std::move(entry));
    return index;
}

int FlatImageCombo::cellIndexOf(const std::string &text) const
{
    const auto found = std::find(names_.begin(), names_.end(), text);
    return found == names_.end() ? defaultCell_ : static_cast<int>(found - names_.begin());
}

void FlatImageCombo::drawItemText(GraphicsContext &gc, const Rect &rect, const std::string &text)
{
    if (!strip_)
        return;
    const int index = cellIndexOf(text);
    const Point origin = vertical_ ? Point{0, cellHeight_ * index} : Point{cellWidth_ * index, 0};
    gc.drawBitmapPart(
        rect.topLeft(),
        {origin.x, origin.y, std::min(cellWidth_, rect.width), std::min(cellHeight_, rect.height)},
        strip_.get());
}

void FlatImageCombo::measureEntry(const std::string &text, int &width, int &height)
{
    HWND panel = getWindowHandle();
    HDC dc = GetDC(panel);
    {
        GraphicsContext gc(dc);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(panel, WM_GETFONT, 0, 0)));
        const Rect size = gc.measureText(text.c_str(), 0);
        SelectObject(dc, old);
        width = size.width;
        height = size.height;
    }
    ReleaseDC(panel, dc);
    if (strip_) {
        width += cellWidth_ + 6;
        height = std::max(height, cellHeight_ + 6);
    }
}

void FlatImageCombo::drawEntry(GraphicsContext &gc, const Rect &rect, UINT state, const std::string &text)
{
    gc.fillRectInColor({rect.x, rect.y, cellWidth_ + 6, rect.height}, GetSysColor(COLOR_MENU));
    gc.frameRectInColor({rect.x + 1, rect.y + 1, cellWidth_ + 4, cellHeight_ + 4},
                        (state & ODS_CHECKED) ? 0x000000 : 0xFFFFFF);
    drawItemText(gc, {rect.x + 3, rect.y + 3, cellWidth_, cellHeight_}, text);
    const bool selected = (state & ODS_SELECTED) != 0;
    const Rect textArea{rect.x + cellWidth_ + 6, rect.y, rect.width - cellWidth_ - 6, rect.height};
    gc.fillRectInColor(textArea, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_MENU));
    const COLORREF old = gc.setTextColor(GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
    HWND panel = getWindowHandle();
    HFONT font = panel ? reinterpret_cast<HFONT>(SendMessageA(panel, WM_GETFONT, 0, 0)) : nullptr;
    HGDIOBJ oldFont = font ? SelectObject(gc.dc(), font) : nullptr;
    gc.drawText(text.c_str(), {textArea.x + 2, textArea.y, textArea.width - 2, textArea.height},
                DT_VCENTER | DT_SINGLELINE);
    if (oldFont)
        SelectObject(gc.dc(), oldFont);
    gc.setTextColor(old);
}

// ---- FlatMLCombo

bool FlatMLCombo::step(int delta)
{
    Menu *list = &menu_;
    for (auto &entry : menu_.entries()) {
        if (entry.subMenu) {
            list = entry.subMenu.get();
            break;
        }
    }
    auto &entries = list->entries();
    if (entries.empty())
        return true;
    int marked = -1;
    for (int i = static_cast<int>(entries.size()) - 1; i >= 0; --i) {
        if (entries[i].flags & MF_CHECKED) {
            entries[i].flags &= ~MF_CHECKED;
            marked = i;
            break;
        }
    }
    const int next = std::clamp(marked + delta, 0, static_cast<int>(entries.size()) - 1);
    entries[next].flags |= MF_CHECKED;
    // The listener hears the entry's id less kFirstItemId, as a choice from
    // the menu tells it.
    if (next != marked)
        fireSelected(entries[next].id - kFirstItemId);
    return true;
}

} // namespace Quorvane
