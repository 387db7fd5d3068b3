#include "plugin/framework/drums/velo_transformer.h"

#include "base/arith.h"

#include <algorithm>

namespace {

const VeloTransformer::Limits kLimits[VeloTransformer::ParamCount] = {
    {1, 127, 1},    // low point
    {1, 127, 64},   // middle point
    {1, 127, 127},  // high point
    {-100, 150, 0}, // curve
    {1, 127, 1},    // lower limit
    {1, 127, 127},  // upper limit
};

// Deep enough for every legitimate chain of neighbour moves.
constexpr int kMaxMoveDepth = 8;
// Bisection steps per curve half; far more than 127 inputs need.
constexpr int kMaxBisectDepth = 40;

struct Point {
    double x;
    double y;
};

int round(double value)
{
    return static_cast<int>(Quorvane::roundToNearest(value));
}

uint8_t velocity(int value)
{
    return static_cast<uint8_t>(std::clamp(value, 1, 127));
}

// A cubic Bezier curve whose two inner control points are the same point.
struct Bezier {
    Point start;
    Point control;
    Point end;

    Point at(double t) const
    {
        const double u = 1.0 - t;
        const double a = u * u * u;
        const double b = 3.0 * u * u * t + 3.0 * u * t * t;
        const double c = t * t * t;
        return {a * start.x + b * control.x + c * end.x, a * start.y + b * control.y + c * end.y};
    }
};

class CurveWriter {
public:
    CurveWriter(uint8_t *map, const Bezier &curve) : map_(map), curve_(curve) {}

    void write()
    {
        const int x0 = round(curve_.start.x);
        const int x1 = round(curve_.end.x);
        put(x0, curve_.start.y);
        put(x1, curve_.end.y);
        bisect(0.0, 1.0, x0, x1, 0);
    }

private:
    void put(int x, double y)
    {
        if (x >= 1 && x <= 127)
            map_[x - 1] = velocity(round(y));
    }

    // Fills the inputs strictly between x0 (at t0) and x1 (at t1).
    void bisect(double t0, double t1, int x0, int x1, int depth)
    {
        if (x1 - x0 < 2 || depth >= kMaxBisectDepth)
            return;
        const double t = (t0 + t1) / 2.0;
        const Point p = curve_.at(t);
        const int x = round(p.x);
        if (x <= x0) {
            bisect(t, t1, x0, x1, depth + 1);
        } else if (x >= x1) {
            bisect(t0, t, x0, x1, depth + 1);
        } else {
            put(x, p.y);
            bisect(t0, t, x0, x, depth + 1);
            bisect(t, t1, x, x1, depth + 1);
        }
    }

    uint8_t *map_;
    const Bezier &curve_;
};

} // namespace

const VeloTransformer::Limits &VeloTransformer::limits(int index)
{
    return kLimits[std::clamp(index, 0, ParamCount - 1)];
}

VeloTransformer::VeloTransformer()
{
    for (int v = 1; v <= 127; ++v)
        map_[v - 1] = static_cast<uint8_t>(v);
    for (int i = 0; i < ParamCount; ++i)
        params_[i] = kLimits[i].def;
    reapplyParams();
}

VeloTransformer::~VeloTransformer() = default;

int32_t VeloTransformer::param(int index) const
{
    return index >= 0 && index < ParamCount ? params_[index] : 0;
}

bool VeloTransformer::setParamRaw(int index, int32_t value, bool rebuildMap)
{
    if (index < 0 || index >= ParamCount)
        return false;
    const int32_t clamped = std::clamp(value, kLimits[index].min, kLimits[index].max);
    if (clamped == params_[index])
        return false;
    params_[index] = clamped;
    if (rebuildMap)
        rebuild();
    return true;
}

bool VeloTransformer::setParam(int index, int32_t value, bool constrain)
{
    if (!constrain || index < 0 || index >= ParamCount)
        return setParamRaw(index, value, true);
    if (depth_ >= kMaxMoveDepth)
        return false;
    ++depth_;
    const bool changed = setConstrained(index, value);
    --depth_;
    return changed;
}

bool VeloTransformer::setConstrained(int index, int32_t value)
{
    int32_t &low = params_[Low];
    int32_t &middle = params_[Middle];
    int32_t &high = params_[High];
    const int32_t &lower = params_[LowerLimit];
    const int32_t &upper = params_[UpperLimit];
    bool changed = false;
    switch (index) {
    case Low:
        changed = setParamRaw(Low, std::max(std::min(value, 125), lower), true);
        if (middle < low + 1)
            changed |= setParam(Middle, low + 1, true);
        break;
    case Middle:
        changed = setParamRaw(Middle, std::clamp(value, 2, 126), true);
        if (low > middle - 1)
            changed |= setParam(Low, middle - 1, true);
        if (high < middle + 1)
            changed |= setParam(High, middle + 1, true);
        break;
    case High:
        changed = setParamRaw(High, std::min(std::max(value, 3), upper), true);
        if (middle > high - 1)
            changed |= setParam(Middle, high - 1, true);
        break;
    case Curve:
        changed = setParamRaw(Curve, value, true);
        break;
    case LowerLimit:
        changed = setParamRaw(LowerLimit, std::min(value, 125), true);
        if (low < lower)
            changed |= setParam(Low, lower, true);
        if (middle < lower + 1)
            changed |= setParam(Middle, lower + 1, true);
        if (high < lower + 2)
            changed |= setParam(High, lower + 2, true);
        break;
    case UpperLimit:
        changed = setParamRaw(UpperLimit, std::max(value, 3), true);
        if (low > upper - 2)
            changed |= setParam(Low, upper - 2, true);
        if (middle > upper - 1)
            changed |= setParam(Middle, upper - 1, true);
        if (high > upper)
            changed |= setParam(High, upper, true);
        break;
    default:
        break;
    }
    return changed;
}

void VeloTransformer::reapplyParams()
{
    for (const int index : {UpperLimit, LowerLimit, High, Low, Middle})
        setParam(index, params_[index], true);
}

void VeloTransformer::rebuild()
{
    const double lo = params_[Low];
    const double mid = params_[Middle];
    const double hi = params_[High];
    const int32_t c = params_[Curve];
    const double lower = params_[LowerLimit];
    const double upper = params_[UpperLimit];
    const double cc = std::min(c, 100);
    const double beyond = c > 100 ? (c - 100) * 0.02 : 0.0;

    Point start{lo, lo};
    Point end{hi, hi};
    if (c < 0) {
        start.y = lo + round((mid - lo) * -c * 0.01);
        end.y = hi - round((hi - mid) * -c * 0.01);
    } else if (c > 100) {
        start.y = lo - round((lo - lower) * beyond);
        end.y = hi + round((upper - hi) * beyond);
    }
    const Point middle{mid, mid};

    Point lowerControl;
    Point upperControl;
    if (c == 0) {
        const double a = round((lo + mid) * 0.5);
        const double b = round((mid + hi) * 0.5);
        lowerControl = {a, a};
        upperControl = {b, b};
    } else {
        const double t = (mid - lo) * (cc + 100) * 0.005;
        const double t2 = (hi - mid) * (cc + 100) * 0.005;
        lowerControl.y = mid - round(t);
        upperControl.y = mid + round(t2);
        if (c > 100) {
            lowerControl.y -= round((lo - lower) * beyond);
            upperControl.y += round((upper - hi) * beyond);
        }
        lowerControl.x = c > 0 ? lo + round(t) : round((lo + mid) * 0.5);
        upperControl.x = c > 0 ? hi - round(t2) : round((mid + hi) * 0.5);
    }

    // Outside the curve: the start value below it, the end value above.
    const int startX = round(start.x);
    const int endX = round(end.x);
    for (int v = 1; v < startX && v <= 127; ++v)
        map_[v - 1] = velocity(round(start.y));
    for (int v = std::max(endX, 1); v <= 127; ++v)
        map_[v - 1] = velocity(round(end.y));

    CurveWriter(map_, Bezier{start, lowerControl, middle}).write();
    CurveWriter(map_, Bezier{middle, upperControl, end}).write();
}

int32_t VeloTransformer::apply(int32_t v) const
{
    return map_[std::clamp(v, 1, 127) - 1];
}

void shapeVelocityMap(VeloTransformer &map, const VelocityStatistics &statistics, int32_t velocityOffset,
                      int32_t dynamicsPercent, const VelocityMapInputs &inputs)
{
    const int32_t p0 = statistics.lowest + velocityOffset;
    const int32_t p2 = statistics.highest + velocityOffset;
    const int32_t average = statistics.average;
    const int32_t c = inputs.centrePercent;
    const int32_t centre =
        c < 1 ? average - (p0 - average + 1) * c / 100 : average + (p2 - average - 1) * c / 100;
    map.setParamRaw(VeloTransformer::LowerLimit, inputs.minVelocity, false);
    map.setParamRaw(VeloTransformer::UpperLimit, inputs.maxVelocity, false);
    map.setParamRaw(VeloTransformer::Low, p0, false);
    map.setParamRaw(VeloTransformer::High, p2, false);
    map.setParamRaw(VeloTransformer::Curve, dynamicsPercent * inputs.dynamics / 100, false);
    map.setParamRaw(VeloTransformer::Middle, centre, false);
    map.reapplyParams();
    map.rebuild();
}
