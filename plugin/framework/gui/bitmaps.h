// Bitmaps of the panels: counted bitmaps that copy a part of themselves into
// a graphics context, the loading of bitmap resources (with colours
// replaced on the way), and a picture of an image strip with its mask.
#pragma once

#include "base/object.h"
#include "plugin/framework/gui/geometry.h"

#include <windows.h>

#include <cstdint>

namespace Quorvane {

class GraphicsContext;

// Raster operations of the draw modes: 0 copy, 1 paint (OR), 2 and,
// 3 invert (XOR); any other mode copies.
DWORD rasterOperationOfMode(int mode);

class Bitmap : public CountedObject {
public:
    int width() const { return width_; }
    int height() const { return height_; }

    // Copies the source part of the bitmap to at, with the mode's raster
    // operation.
    virtual void draw(GraphicsContext &gc, Point at, const Rect &source, int mode) = 0;

protected:
    int width_ = 0;
    int height_ = 0;
};

// One colour replacement of a mapped load: the colour looked for in the
// bitmap's colour table, then the red, green and blue put in its place.
struct ColourMapEntry {
    COLORREF colour;
    uint8_t red;
    uint8_t green;
    uint8_t blue;
    uint8_t pad;
};

class OpaqueBitmap : public Bitmap {
public:
    ~OpaqueBitmap() override;

    // A bitmap resource of this module; a missing resource gives a bitmap
    // with no handle and size 0 x 0. Null only when allocation fails.
    static OpaqueBitmap *load(LPCSTR resourceName);
    // The bitmap resource as a DIB section, with every colour-table entry
    // that matches an entry of map replaced (entries in order, so a later
    // one can change what an earlier one produced). Null when the resource
    // is missing or does not hold the bitmap its header describes.
    static OpaqueBitmap *loadMapped(LPCSTR resourceName, const ColourMapEntry *map, int count);

    HBITMAP handle() const { return handle_; }
    void draw(GraphicsContext &gc, Point at, const Rect &source, int mode) override;

private:
    explicit OpaqueBitmap(HBITMAP handle);
    HBITMAP handle_;
};

// A located, loaded and locked resource of this module; data() is null when
// any step failed.
class Resource {
public:
    Resource(HMODULE module, LPCSTR name, LPCSTR type);
    const void *data() const { return data_; }
    DWORD size() const { return size_; }

private:
    const void *data_ = nullptr;
    DWORD size_ = 0;
};

class BitmapResource : public Resource {
public:
    BitmapResource(HMODULE module, LPCSTR name) : Resource(module, name, RT_BITMAP) {}
};

// An image strip and its mask. The image is a grid of equal cells; the mask
// is one cell, black where the image shows.
class Picture {
public:
    virtual ~Picture() = default;
    // Called after the bitmaps changed.
    virtual void bitmapsChanged() {}

    // Keeps both; width and height follow the image when there is one.
    void setBitmaps(Bitmap *image, Bitmap *mask);

    Bitmap *image() const { return image_.get(); }
    Bitmap *mask() const { return mask_.get(); }
    int width() const { return width_; }
    int height() const { return height_; }

protected:
    RefPtr<Bitmap> image_;
    RefPtr<Bitmap> mask_;
    int width_ = 0;
    int height_ = 0;
};

// Draws cells of a picture into a context, holding the bitmaps meanwhile.
class PicturePainter {
public:
    PicturePainter(const Picture &picture, GraphicsContext &gc);

    // The mask (AND), then the image cell (column, row) (OR), centred on
    // (x, y).
    void drawCentered(int x, int y, int column, int row);

private:
    const Picture &picture_;
    GraphicsContext &gc_;
    RefPtr<Bitmap> image_;
    RefPtr<Bitmap> mask_;
};

} // namespace Quorvane
