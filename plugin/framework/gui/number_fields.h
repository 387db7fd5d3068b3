// Two number fields: ParamEdit shows an integer through a value handler,
// BarEdit a bar number. A double click opens an inline Win32 edit window
// over the field for typing; numbers typed there saturate at the limits of
// an int instead of overflowing.
#pragma once

#include "plugin/framework/gui/control.h"
#include "plugin/framework/gui/window.h"

#include <memory>
#include <string>

namespace Quorvane {

// The decimal number at the start of text (leading blanks and one sign
// allowed, as atoi reads it), clamped to the range of an int.
int parseSaturated(const char *text);
// a + b clamped to the range of an int.
int addSaturated(int a, int b);

// The inline editor of a number field: a child edit control of the panel
// window over the field. Up, Down, numeric-pad plus and minus and the wheel
// step the typed number; Enter closes, Escape cancels and closes; losing
// the focus closes too.
class InlineNumberEditor : public Window {
public:
    class Owner {
    public:
        virtual bool acceptsCharacter(char c) const = 0;
        // The typed number, once, when the editor closes without Escape.
        virtual void editorCommitted(int value) = 0;
        // The editor window is gone; the owner may delete the editor now.
        virtual void editorClosed() = 0;

    protected:
        ~Owner() = default;
    };

    explicit InlineNumberEditor(Owner &owner) : owner_(&owner) {}
    // Creates the edit window at the client rectangle, with the font and
    // the value, and gives it the focus with all its text selected.
    bool open(HWND panel, const Rect &rect, HFONT font, int value);
    // Stops telling the owner (it is going away).
    void disown() { owner_ = nullptr; }

protected:
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void windowDestroyed() override;

private:
    void stepText(int delta);
    void commitOnce();
    void close();

    Owner *owner_;
    bool escaped_ = false;
    bool committed_ = false;
    bool closing_ = false;
    // Characters still to come of numeric-pad keys that stepped.
    int pendingPlus_ = 0;
    int pendingMinus_ = 0;
};

// What both number fields share: a font, and the inline editor a double
// click of the left button opens over the field.
class NumberField : public FlatControl, protected InlineNumberEditor::Owner {
public:
    ~NumberField() override;

    void setFont(Font *font);
    InlineNumberEditor *editor() const { return editor_.get(); }

    void mousePressed(MouseEvent &e) override;

protected:
    // The number the editor starts with.
    virtual int editedValue() const = 0;
    void editorClosed() override;
    void drawNumber(GraphicsContext &gc, const Rect &rect, const std::string &text);

private:
    RefPtr<Font> font_;
    std::unique_ptr<InlineNumberEditor> editor_;
};

// An integer shown through a handler that reads and may clamp it.
class ParamEdit : public NumberField {
public:
    class Handler {
    public:
        virtual ~Handler() = default;
        virtual int getValue() = 0;
        virtual void setValue(int value) = 0;
    };

    int create(Pane *parent, const RECT &rect);
    // Takes ownership; the old handler is deleted.
    void setHandler(Handler *handler);
    void refreshValue();
    // Through the handler, which decides what is shown.
    void setValue(int value);
    int shownValue() const { return shownValue_; }

    void paintContent(GraphicsContext &gc, const Rect &rect) override;
    bool step(int delta) override;

private:
    int editedValue() const override { return shownValue_; }
    bool acceptsCharacter(char c) const override;
    void editorCommitted(int value) override;

    std::unique_ptr<Handler> handler_;
    int shownValue_ = 0;
};

// A bar number; its listener hears every step and the end of every edit.
class BarEdit : public NumberField {
public:
    int create(Pane *parent, const Rect &rect);
    void setListener(Delegate *listener) { listener_ = RefPtr<Delegate>(listener); }
    // The text read as a number; 0 when empty.
    int getValue() const;
    void setValue(int value);
    const std::string &text() const { return text_; }

    void paintContent(GraphicsContext &gc, const Rect &rect) override;
    bool step(int delta) override;

private:
    int editedValue() const override { return getValue(); }
    bool acceptsCharacter(char c) const override;
    void editorCommitted(int value) override;
    void editorClosed() override;

    RefPtr<Delegate> listener_;
    int value_ = 0;
    std::string text_;
};

} // namespace Quorvane
