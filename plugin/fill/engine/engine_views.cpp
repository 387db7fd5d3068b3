// The attached panel and views, told on the window thread.
#include "plugin/fill/engine/grindelvosket.h"

namespace Quorvane {

void Grindelvosket::attachPanel(EnginePanel *panel)
{
    if (panel_ && panel_ != panel)
        panel_->detachFromEngine();
    panel_ = panel;
}

void Grindelvosket::closeViews()
{
    views_.closeAll();
}

void Grindelvosket::refreshViews()
{
    tellViews();
}

void Grindelvosket::showStatus(const std::string &text)
{
    views_.tellStatus(text);
}

} // namespace Quorvane
