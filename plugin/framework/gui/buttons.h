// Buttons are panes, not window controls. Button tracks hover and the mouse
// buttons pressed on it and fires its delegates on a click (a release over
// it); FlatButton draws one cell of a picture strip per visual state;
// SelectableButton toggles a selected state; the SmartButton family draws
// its own raised or sunken frame around a caption or a bitmap.
#pragma once

#include "plugin/framework/gui/bitmaps.h"
#include "plugin/framework/gui/gdi_objects.h"
#include "plugin/framework/gui/graphics_context.h"
#include "plugin/framework/gui/pane.h"

#include <string>

namespace Quorvane {

class Button : public Pane {
public:
    // State bits: the numbers of the mouse buttons pressed on it, and hover.
    static constexpr uint32_t kPressedBits = 0x1F;
    static constexpr uint32_t kHover = 0x20;

    Button();

    int create(int id, const Rect &rect, Pane *parent);
    // Click listeners hear every click with its mouse button number.
    void addClickListener(Delegate1<unsigned> *listener);
    // Command listeners hear clicks of the left button only.
    void addCommandListener(Delegate *listener);

    void processMouseEvent(MouseEvent &e) override;
    virtual void stateChanged();

    bool isHovered() const { return state_ & kHover; }
    uint32_t pressedButtons() const { return state_ & kPressedBits; }

protected:
    uint32_t state_ = 0;

private:
    // Turns a left click into the command listeners' call. Lives in the
    // button, so the count it keeps never deletes it.
    class ClickToCommand final : public DelegateOf<unsigned> {
    public:
        explicit ClickToCommand(Button &button) : button_(button) {}
        int32_t addRef() override { return ++count_; }
        int32_t release() override { return --count_; }
        void invoke(unsigned mouseButton) override;

    private:
        Button &button_;
        int32_t count_ = 1;
    };

    ClickToCommand clickToCommand_;
    RefPtr<Delegate1<unsigned>> clickListeners_;
    RefPtr<Delegate> commandListeners_;
};

// Draws the cell of its visual state from a picture strip: normal, hover,
// pressed, disabled.
class FlatButton : public Button {
public:
    int create(const RECT &rect, Pane *parent, int id);
    virtual int attachToDialog(int id, HWND window);
    // A cell height of 0 takes the bitmap's height.
    virtual void setPicture(Bitmap *bitmap, int cellWidth, int cellY, int cellHeight);
    virtual int getVisualState() const;
    // Acquires (true) or releases (false) a shared picture; nothing here.
    virtual void initPicture(bool acquire);

    void sizeToPicture();
    void paintSelf(GraphicsContext &gc) override;

    Bitmap *picture() const { return picture_.get(); }

protected:
    RefPtr<Bitmap> picture_;
    int cellWidth_ = 0;
    int cellHeight_ = 0;
    int cellY_ = 0;
};

// Toggles its selected state on each left click.
class SelectableButton : public FlatButton {
public:
    SelectableButton();

    void setSelected(bool selected);
    bool isSelected() const { return selected_; }
    void setStateListener(Delegate1<bool> *listener) { stateListener_ = RefPtr<Delegate1<bool>>(listener); }
    int getVisualState() const override;

private:
    void toggle() { setSelected(!selected_); }

    RefPtr<Delegate1<bool>> stateListener_;
    bool selected_ = false;
};

class SmartButton : public Button {
public:
    // The system's button face, read once.
    static COLORREF faceColour();
    static constexpr COLORREF kSelectedFace = 0xE6EEF2;

    void paintSelf(GraphicsContext &gc) override;
    virtual void paintContent(GraphicsContext &gc, const Rect &rect);
    virtual void paintBackground(GraphicsContext &gc, const Rect &rect);
    virtual bool isDown() const;

    // Shows the frame also without hover.
    void setAlwaysFramed(bool framed) { alwaysFramed_ = framed; }

protected:
    std::string caption_;
    bool alwaysFramed_ = false;
};

class SmartTextButton : public SmartButton {
public:
    void setText(const std::string &text);
    const std::string &getText() const { return caption_; }
    void setFont(Font *font);
    void paintContent(GraphicsContext &gc, const Rect &rect) override;

private:
    RefPtr<Font> font_;
};

// Shows a part of a bitmap that a derived button supplies.
class SmartBmpButton : public SmartButton {
public:
    virtual void sizeToBitmap();
    virtual Point getBitmapSize();
    // The bitmap and the origin of the part shown; null for none.
    virtual Bitmap *getBitmap(Point &sourceOrigin);
    void paintContent(GraphicsContext &gc, const Rect &rect) override;
};

// A smart button with a selected state: while selected it looks pressed,
// on a lighter face.
template <typename SmartBase> class SelectedLook : public SmartBase {
public:
    // Repaints when it changed; tells nobody.
    void setSelected(bool selected)
    {
        if (selected == selected_)
            return;
        selected_ = selected;
        this->repaint();
    }
    bool isSelected() const { return selected_; }

    void paintBackground(GraphicsContext &gc, const Rect &rect) override
    {
        gc.fillRectInColor(rect, selected_ ? SmartButton::kSelectedFace : SmartButton::faceColour());
    }
    bool isDown() const override { return selected_ || SmartBase::isDown(); }

private:
    bool selected_ = false;
};

class SelSmartTextButton : public SelectedLook<SmartTextButton> {};
class SelSmartBmpButton : public SelectedLook<SmartBmpButton> {};

} // namespace Quorvane
