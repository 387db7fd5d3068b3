// Objects that draw themselves on a window's owner-draw requests (menu
// items, dialog buttons), and the owner of a popup menu that hears right
// clicks on its items. The panel window finds them through item data, a
// control's user data or a menu's menu data.
#pragma once

#include "plugin/framework/gui/geometry.h"

#include <windows.h>

namespace Quorvane {

class GraphicsContext;

class SelfDrawnItem {
public:
    virtual ~SelfDrawnItem() = default;
    // state: the owner-draw item state (ODS_ bits).
    virtual void draw(GraphicsContext &gc, const Rect &rect, UINT state) = 0;
    virtual void measure(int &width, int &height) = 0;
};

// The object an owner-draw request is for: a button's or a static control's
// user data, any other item's item data; null when none is set.
SelfDrawnItem *selfDrawnItemOf(const DRAWITEMSTRUCT &item);
// Lets object draw the request's item, clipped to the item's area; the
// device context's state is put back afterwards.
void drawSelfDrawnItem(SelfDrawnItem &object, const DRAWITEMSTRUCT &item);

class PopupMenuOwner {
public:
    // A menu item was released with the right button.
    virtual bool rightClicked(int id) = 0;

protected:
    ~PopupMenuOwner() = default;
};

} // namespace Quorvane
