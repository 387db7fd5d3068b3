// What the fill engine tells the panels that show it: the drummers' view
// interface. News that arise on another thread (a pad switched by a trigger
// note, a state loaded or a parameter set there) are posted to the view's
// window once for each change; the panel then calls padSelected and
// refreshes itself.
#pragma once

#include "plugin/framework/plugin/drummer_engine_view.h"

#include <string>

namespace Quorvane {

using EngineView = DrummerEngineView;

// The editor panel attached to an engine.
class EnginePanel {
public:
    // Another panel took over the engine.
    virtual void detachFromEngine() = 0;
    // Select the engine's pattern in the panel's pattern tree.
    virtual void showPatternSelection(const std::string &folder, const std::string &file) = 0;

protected:
    ~EnginePanel() = default;
};

} // namespace Quorvane
