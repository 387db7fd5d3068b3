// The VST bridge's editor: a "Connect" button that starts the program for
// the plug-in's channel, or asks it to let go, and that stays checked
// while the program is attached to the channel.
#pragma once

#include "platform/vst2/vst2.h"

#include <windows.h>

namespace Halvorin {

class CBridgeVstEffect;

// Resource and control ids of the editor.
constexpr int kVstEditorDialog = 101;
constexpr int kVstChannelText = 1000;
constexpr int kVstConnectButton = 1001;
// Asks the editor to show again what its bits name (wParam).
constexpr UINT kVstUpdateMessage = 1246;
constexpr WPARAM kVstUpdateChannel = 1;
constexpr WPARAM kVstUpdateProgram = 8;

class CBridgeVstEditor {
public:
    explicit CBridgeVstEditor(CBridgeVstEffect &plugin) : plugin_(plugin) {}
    ~CBridgeVstEditor();
    CBridgeVstEditor(const CBridgeVstEditor &) = delete;
    CBridgeVstEditor &operator=(const CBridgeVstEditor &) = delete;

    // The editor's rectangle for the host; 0 when the editor cannot be made.
    intptr_t GetRect(vst2::EditorRect **rect);
    // Shows the editor in the host's window; 1, or 0.
    intptr_t Open(HWND parent);
    void Close();
    // The host's idle call: a pending update is carried out.
    void Idle();

    HWND Window() const { return window_; }

private:
    static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void update(WPARAM what);
    void connectClicked();

    CBridgeVstEffect &plugin_;
    bool updatePending_ = false;
    HWND window_ = nullptr;
    vst2::EditorRect rect_ = {};
};

} // namespace Halvorin
