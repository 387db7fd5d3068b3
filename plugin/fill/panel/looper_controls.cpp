#include "plugin/fill/panel/looper_controls.h"

#include "plugin/fill/panel/panel_ids.h"
#include "plugin/framework/gui/graphics_context.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace Quorvane {

// ---- ParamHandler

ParamHandler::ParamHandler(Looper *looper, const std::string &name, StatusSink status)
    : index_(indexOfName(name)), status_(std::move(status))
{
    looper_ = index_ >= 0 ? looper : nullptr;
}

int ParamHandler::indexOfName(const std::string &name)
{
    if (name == "Velo")
        return Looper::VelocityOffset;
    if (name == "Dyn")
        return Looper::DynamicsPercent;
    if (name == "Time")
        return Looper::TimeOffset;
    return -1;
}

std::string ParamHandler::statusText(int index, int value)
{
    char text[64];
    switch (index) {
    case Looper::VelocityOffset:
        std::snprintf(text, sizeof text, "Velocity %+d", value);
        break;
    case Looper::DynamicsPercent:
        std::snprintf(text, sizeof text, "Velocity Dynamics %d%%", value);
        break;
    case Looper::TimeOffset:
        std::snprintf(text, sizeof text, "Time %+d", value);
        break;
    case Looper::KeyOffset:
        std::snprintf(text, sizeof text, "Key %+d", value);
        break;
    default:
        std::snprintf(text, sizeof text, "Parameter #%d = %d", index, value);
        break;
    }
    return text;
}

int ParamHandler::getValue()
{
    return looper_ ? looper_->getParam(index_) : 0;
}

void ParamHandler::setValue(int value)
{
    if (!looper_)
        return;
    looper_->setParam(index_, value);
    if (status_)
        status_(statusText(index_, looper_->getParam(index_)));
}

// ---- InstrumentButton

namespace {

RefPtr<Bitmap> &instrumentPicture()
{
    static RefPtr<Bitmap> picture;
    return picture;
}
int instrumentButtons = 0;

} // namespace

InstrumentButton::InstrumentButton(int looperIndex) : looperIndex_(looperIndex)
{
    if (instrumentButtons++ == 0)
        instrumentPicture() = RefPtr<Bitmap>::adopt(OpaqueBitmap::load(MAKEINTRESOURCEA(IDB_INSTRUMENTS)));
}

InstrumentButton::~InstrumentButton()
{
    if (--instrumentButtons == 0)
        instrumentPicture().reset();
}

Bitmap *InstrumentButton::sharedPicture()
{
    return instrumentPicture().get();
}

Point InstrumentButton::getBitmapSize()
{
    return {16, 14};
}

Bitmap *InstrumentButton::getBitmap(Point &sourceOrigin)
{
    sourceOrigin = {looperIndex_ * kCellWidth, isSelected() ? kCellHeight : 0};
    return instrumentPicture().get();
}

void InstrumentButton::paintContent(GraphicsContext &gc, const Rect &rect)
{
    // One cell, centred; never a neighbour's.
    Point origin;
    Bitmap *picture = getBitmap(origin);
    if (!picture)
        return;
    const int width = std::min(kCellWidth, rect.width);
    const int height = std::min(kCellHeight, rect.height);
    gc.drawBitmapPart({rect.x + (rect.width - width) / 2, rect.y + (rect.height - height) / 2},
                      {origin.x, origin.y, width, height}, picture);
}

// ---- Four-state pictures

Bitmap *fourStatePicture(WORD pictureId)
{
    // Loaded on first use, released when the module unloads.
    static std::map<WORD, RefPtr<Bitmap>> pictures;
    RefPtr<Bitmap> &picture = pictures[pictureId];
    if (!picture) {
        const COLORREF face = GetSysColor(COLOR_BTNFACE);
        const ColourMapEntry map[] = {{0xC8D0D4, GetRValue(face), GetGValue(face), GetBValue(face), 0}};
        picture = RefPtr<Bitmap>::adopt(OpaqueBitmap::loadMapped(MAKEINTRESOURCEA(pictureId), map, 1));
    }
    return picture.get();
}

} // namespace Quorvane
