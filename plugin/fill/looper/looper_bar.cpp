// What the event bar of the looper's view shows and edits: the loop's timing,
// the pattern's notes as cells of the bar's picture, and the edit tool.
#include "plugin/fill/looper/looper.h"

#include "plugin/fill/looper/loop_edit_tool.h"
#include "plugin/fill/looper/looper_internal.h"
#include "plugin/framework/drums/velocity_envelope.h"
#include "plugin/framework/gui/graphics_context.h"

#include <algorithm>
#include <vector>

namespace Quorvane {

using namespace looper_detail;

EventBarLooper::Timing Looper::barTiming() const
{
    const LoopTiming timing = loopTiming();
    return {timing.length, timing.punchIn, timing.punchOut, patternResolution()};
}

std::unique_ptr<LooperEditor> Looper::createEditTool(int width, int height, int gridDivisions)
{
    return std::make_unique<LoopEditTool>(*this, width, height, gridDivisions);
}

namespace {

// One note as the picture shows it.
struct Mark {
    int lane;
    int32_t time; // loop time, pattern ticks
    int velocity;
};

} // namespace

void Looper::paintEvents(GraphicsContext &gc, const LaneLayout &layout, const EventPicture &picture)
{
    const LoopTiming timing = loopTiming();
    if (layout.lanes < 1 || timing.length <= 0)
        return;
    const int32_t engine = engineResolution();
    const int32_t fillStart = host_.fillStart();
    // Gathered under the lock, drawn without it: play never waits for GDI.
    std::vector<Mark> marks;
    {
        ScopedLock lock(*this);
        const int32_t resolution = part_.resolution();
        for (int lane = 0; lane < layout.lanes; ++lane) {
            const int note = laneNote(lane);
            for (const CMidiTrack::Event &e : part_.pattern->events()) {
                if (!e.isNote() || e.data1 != note)
                    continue;
                const int32_t t = displayTime(e.time);
                if (t < 0 || t >= timing.length)
                    continue;
                int32_t v = displayVelocity(e.data2);
                if (envelope_ != nullptr)
                    v = envelope_->apply(v, clampTo32(fillStart + int64_t(t) * engine / resolution), engine);
                marks.push_back({lane, t, v});
            }
        }
    }
    std::stable_sort(marks.begin(), marks.end(), [&layout](const Mark &a, const Mark &b) {
        return a.lane != b.lane ? a.lane < b.lane : layout.x(a.time) < layout.x(b.time);
    });

    const bool muted = isMuted();
    const int minimum = host_.displayMinVelocity();
    RefPtr<Pen> outline = RefPtr<Pen>::adopt(Pen::create(0x000000));
    PicturePainter painter(picture, gc);
    for (size_t first = 0; first < marks.size();) {
        const Mark &mark = marks[first];
        const int x = layout.x(mark.time);
        // Every note at this place; the loudest shows.
        size_t end = first;
        int velocity = 0;
        while (end < marks.size() && marks[end].lane == mark.lane && layout.x(marks[end].time) == x)
            velocity = std::max(velocity, marks[end++].velocity);
        const int y = layout.y(layout.lanes - 1 - mark.lane);
        const bool outside =
            (timing.punchIn >= 0 && mark.time < timing.punchIn) || mark.time >= timing.punchOut;
        const int row = outside ? 2 : muted ? 1 : 0;
        painter.drawCentered(x, y, picture.frameForValue(velocity, minimum, 127), row);
        if (end - first >= 2) {
            const POINT octagon[] = {{x - 1, y - 6}, {x - 6, y - 1}, {x - 6, y + 1}, {x - 1, y + 6},
                                     {x + 1, y + 6}, {x + 6, y + 1}, {x + 6, y - 1}, {x + 1, y - 6}};
            const POINT diamond[] = {{x, y - 6}, {x - 6, y}, {x, y + 6}, {x + 6, y}};
            gc.drawPolygonOutlineWithPen(octagon, 8, outline.get());
            gc.drawPolygonOutlineWithPen(diamond, 4, outline.get());
        }
        first = end;
    }
}

} // namespace Quorvane
