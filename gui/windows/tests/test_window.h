// A window of the tests' own on the frame: white data area with bands
// around it, content of a given size, and a log of the calls it gets.
#pragma once

#include "gui/windows/abst_window.h"

#include <string>
#include <vector>

namespace windows_test {

class TestWindow : public Quorvane::CAbstWindow {
public:
    explicit TestWindow(std::vector<std::string> *log = nullptr, const char *name = "window");

    int InitLocal() override;
    void DestroyLocal() override;
    void Resize() override;
    void Render(Quorvane::CGUIContext *ctx) override;
    void OnTimer() override;
    void UpdateSongPtr(int ensureVisible) override;
    void UpdateChords(long time) override;
    void ShowCursor(int on, Quorvane::CGUIContext *ctx) override;

    using CAbstWindow::BoundMouseInQuad;
    using CAbstWindow::BoundMouseInQuadAbs;
    using CAbstWindow::DrawFrame;
    using CAbstWindow::FrameRange;
    using CAbstWindow::MoveFrame;
    using CAbstWindow::ScrollFrame;
    using CAbstWindow::SetCursorType;
    using CAbstWindow::StartFrame;
    using CAbstWindow::StartSpan;

    std::vector<std::string> *log;
    std::string name;
    long contentWidth = 4000;
    long contentHeight = 1000;
    int initResult = 1;
    int destroyLocalCalls = 0;
    int renders = 0;
    int cursorCalls = 0;
    // A rubber band the window draws with the frame while set; else the
    // frame's own band while a gesture is under way.
    bool bandOn = false;
    Quorvane::QUAD band{0, 0, 0, 0};
};

} // namespace windows_test
