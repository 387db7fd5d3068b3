// The attached panel and views, told on the window thread.
#include "plugin/fill/engine/grindelvosket.h"

namespace Quorvane {

bool Grindelvosket::onWindowThread() const
{
    return GetCurrentThreadId() == windowThread_;
}

void Grindelvosket::attachPanel(EnginePanel *panel)
{
    if (panel_ && panel_ != panel)
        panel_->detachFromEngine();
    panel_ = panel;
}

void Grindelvosket::addView(EngineView *view)
{
    EngineLockGuard guard(lock_);
    if (view && std::find(views_.begin(), views_.end(), view) == views_.end())
        views_.push_back(view);
}

void Grindelvosket::removeView(EngineView *view)
{
    EngineLockGuard guard(lock_);
    views_.erase(std::remove(views_.begin(), views_.end(), view), views_.end());
}

void Grindelvosket::closeViews()
{
    std::vector<EngineView *> views;
    {
        EngineLockGuard guard(lock_);
        views = views_;
    }
    for (EngineView *view : views)
        view->closeView();
    EngineLockGuard guard(lock_);
    views_.clear();
}

void Grindelvosket::tellViews()
{
    if (!onWindowThread()) {
        postViewNews();
        return;
    }
    // A view may leave the list while it is told.
    const std::vector<EngineView *> views = views_;
    for (EngineView *view : views)
        view->engineChanged();
}

void Grindelvosket::tellViewsPad()
{
    if (!onWindowThread()) {
        postViewNews();
        return;
    }
    const std::vector<EngineView *> views = views_;
    for (EngineView *view : views)
        view->padSelected(currentPad_);
}

void Grindelvosket::postViewNews()
{
    // Nothing is allocated here: this runs on the host's thread after a
    // trigger note.
    EngineLockGuard guard(lock_);
    for (EngineView *view : views_)
        if (HWND window = view->viewWindow())
            PostMessageA(window, viewsSetLoopIdxMessage(), static_cast<WPARAM>(currentPad_), 0);
}

void Grindelvosket::refreshViews()
{
    tellViews();
}

void Grindelvosket::showStatus(const std::string &text)
{
    if (!onWindowThread())
        return;
    const std::vector<EngineView *> views = views_;
    for (EngineView *view : views)
        view->showStatus(text);
}

} // namespace Quorvane
