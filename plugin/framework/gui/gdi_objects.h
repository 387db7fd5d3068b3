// Pens, brushes, fonts and regions as small counted objects, so controls
// can share them and keep them across paints. Each owns its GDI handle and
// deletes it with the last reference.
#pragma once

#include "base/object.h"
#include "plugin/framework/gui/geometry.h"

#include <windows.h>

namespace Quorvane {

// A solid pen, one pixel wide, of one colour.
class Pen : public CountedObject {
public:
    // Null when the object cannot be allocated.
    static Pen *create(COLORREF colour);
    ~Pen() override;

    HPEN handle() const { return handle_; }

private:
    explicit Pen(COLORREF colour);
    HPEN handle_;
};

// A solid brush of one colour.
class Brush : public CountedObject {
public:
    static Brush *create(COLORREF colour);
    ~Brush() override;

    HBRUSH handle() const { return handle_; }

private:
    explicit Brush(COLORREF colour);
    HBRUSH handle_;
};

class Font : public CountedObject {
public:
    enum Style { Bold = 1, Italic = 2, Underline = 4 };
    // Unit of the size given to create.
    static constexpr int kPoints = 1;
    static constexpr int kPixels = 0;

    // Face (at most 31 characters kept), size truncated to whole units; in
    // points the height follows the screen's pixels per inch. Style -1
    // leaves weight, italic and underline at their defaults, otherwise the
    // Style bits. Always antialiased.
    static Font *create(const char *face, float size, int style, int unit);
    ~Font() override;

    HFONT handle() const { return handle_; }

private:
    explicit Font(const LOGFONTA &description);
    HFONT handle_;
};

// A region handle; made from a rectangle, deleted with the object. A
// failed combination is remembered in the error flag.
class Region {
public:
    explicit Region(const Rect &rect = {});
    ~Region();
    Region(const Region &) = delete;
    Region &operator=(const Region &) = delete;

    // This region less other.
    void subtract(const Region &other);

    HRGN handle() const { return handle_; }
    bool failed() const { return error_; }

private:
    HRGN handle_;
    bool error_ = false;
};

} // namespace Quorvane
