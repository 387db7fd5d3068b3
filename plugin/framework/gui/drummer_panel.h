// The editor window of a drummer plug-in: one child window that hosts a
// tree of panes and turns the window's messages into pane events. It is the
// view the plug-in's property page embeds (create, destroy, show, hide,
// move), supplies the window services of its root pane, paints double
// buffered, shows tooltips for panes, keeps an accelerator table and a
// status line, and runs a 10 ms timer that derived panels use to follow
// their engine. Other threads reach it only by posting
// "Quorvane_ViewsSetLoopIdx".
#pragma once

#include "plugin/framework/gui/control.h"
#include "plugin/framework/gui/graphics_context.h"
#include "plugin/framework/gui/root_pane.h"
#include "plugin/framework/gui/window.h"
#include "plugin/framework/plugin/plugin_view.h"

#include <commctrl.h>

#include <memory>

namespace Quorvane {

// A graphics context on a window's own device context.
class ClientGraphicsContext : public GraphicsContext {
public:
    explicit ClientGraphicsContext(HWND window);
    ~ClientGraphicsContext() override;

private:
    HWND window_;
};

class DrummerPanel : public Window, public RootPane, public PluginView {
public:
    static constexpr UINT_PTR kTimerId = 1;
    static constexpr UINT kTimerPeriodMs = 10;

    DrummerPanel();
    ~DrummerPanel() override;

    // The two messages registered once per process ("Quorvane_TranslateAccelerator"
    // carries a key or a command, translate_accelerator.h).
    static UINT translateAcceleratorMessage();
    static UINT viewsSetLoopIdxMessage();

    // PluginView: false when no window was made. A panel that keeps its
    // preferred size takes that size at the place it is given.
    bool createView(HWND parent, const RECT &rect) override;
    void destroyView() override;
    void showView() override;
    void hideView() override;
    void moveView(const RECT &rect) override;

    void setStatusText(const char *text);
    bool loadAccelerators(WORD resourceId);
    // Posts "Quorvane_ViewsSetLoopIdx" with the index; any thread may call it.
    void postPanelMessage(int index);
    Font *panelFont() const { return font_.get(); }
    TextControl &statusControl() { return status_; }
    const AcceleratorTable &accelerators() const { return accelerators_; }
    HWND toolTipWindow() const { return toolTip_; }
    int toolTipId() const { return toolTipId_; }

    // The root's window services.
    HWND getWindowHandle() const override;
    std::unique_ptr<GraphicsContext> getGraphics() override;
    void passKeyEvent(KeyEvent &e) override;
    int trackPopupMenu(const PopupMenuItems &menu, const Rect &rect) override;
    bool hasMouseCapture() const override;
    void invalidateWindowRect(const Rect &rect) override;
    void captureMouse() override;
    void releaseMouse() override;
    void takeWindowFocus() override;
    void dropWindowFocus() override;

    void filterToolTipMessage(const MSG &message) override;

protected:
    // A fixed layout: the window keeps the preferred size (getViewSize)
    // wherever the host places it, though a host's frame may offer more room.
    void keepPreferredSize() { keepsPreferredSize_ = true; }
    // Called once the window exists; derived panels call it first, then
    // build their panes.
    virtual void initPanel();
    // Tooltip id of the pane at a client point; 0 for none.
    virtual int toolHitTest(int x, int y);
    // Fills the text of the tooltip the last hit test found.
    virtual LRESULT toolText(NMTTDISPINFOA *info);
    // The view was destroyed.
    virtual void stopTimer();
    // A posted "Quorvane_ViewsSetLoopIdx".
    virtual void setLoopIndex(int index) = 0;
    virtual void onTimer() = 0;

    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    RECT placement(const RECT &rect);
    void onCreate();
    void paintBuffered(HDC target, const RECT &area);
    void onPaint();
    void onMouse(UINT message, WPARAM wParam, LPARAM lParam);
    void onWheel(WPARAM wParam, LPARAM lParam);
    void onKey(UINT message, WPARAM wParam, LPARAM lParam);
    void onCaptureLost();
    // "Quorvane_TranslateAccelerator": a key for the accelerators, or a
    // command to carry out.
    bool onTranslateAccelerator(UINT message, WORD wParam, LPARAM lParam);
    void onMenuRightButtonUp(WPARAM wParam, LPARAM lParam);
    LRESULT onDrawItem(const DRAWITEMSTRUCT &item);
    LRESULT onMeasureItem(MEASUREITEMSTRUCT &item);
    LRESULT onNotify(NMHDR &header);
    void enableToolTips();
    int hitTestTool(POINT client, TOOLINFOA &tool);

    int32_t pressTimes_[5] = {};
    int32_t clickCounts_[5] = {};
    AcceleratorTable accelerators_;
    RefPtr<Font> font_;
    bool captured_ = false;
    bool keepsPreferredSize_ = false;
    TextControl status_;
    int32_t toolTipId_ = 0;

    HWND toolTip_ = nullptr;
    int lastToolHit_ = -1;
    TOOLINFOA lastTool_{};
    // Where the mouse was last and which buttons were down, for a capture
    // that goes away during a drag.
    MouseEvent lastMouse_{EventId::MouseMoved};
};

} // namespace Quorvane
