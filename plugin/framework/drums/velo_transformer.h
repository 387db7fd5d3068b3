// A looper's velocity map: one output velocity per input velocity 1..127,
// shaped by a low, middle and high point, a curve and two limits.
#pragma once

#include <cstdint>

class VeloTransformer {
public:
    enum Param { Low = 0, Middle = 1, High = 2, Curve = 3, LowerLimit = 4, UpperLimit = 5, ParamCount = 6 };

    struct Limits {
        int32_t min;
        int32_t max;
        int32_t def;
    };
    static const Limits &limits(int index);

    VeloTransformer();
    virtual ~VeloTransformer();

    // Stores a parameter clamped to its limits and rebuilds the map when
    // asked; false when the parameter did not change.
    bool setParamRaw(int index, int32_t value, bool rebuild);
    // With constrain, keeps lower limit <= low < middle < high <= upper
    // limit by moving the neighbours; whether any parameter changed.
    bool setParam(int index, int32_t value, bool constrain);
    int32_t param(int index) const;
    // Constrained sets of every point and limit with their stored values.
    void reapplyParams();
    void rebuild();

    // The map's velocity for v (clamped to 1..127).
    int32_t apply(int32_t v) const;

private:
    bool setConstrained(int index, int32_t value);

    uint8_t map_[127];
    int32_t params_[ParamCount];
    // Depth of nested constrained moves; ends a chase between limits that
    // lie closer than the points need.
    int depth_ = 0;
};

// The engine's settings a drummer part's velocity map is built from.
struct VelocityMapInputs {
    int32_t dynamics;      // the engine's velocity dynamics
    int32_t centrePercent; // the engine's centre shift, -100..100
    int32_t minVelocity;   // the output velocity limits
    int32_t maxVelocity;
};

// The velocities of a part's pattern: lowest, average and highest.
struct VelocityStatistics {
    int lowest = 1;
    int average = 64;
    int highest = 127;
};

// Shapes and rebuilds a part's map: its low and high points are the
// pattern's lowest and highest velocity moved by the part's offset, its
// middle the average shifted toward them by the centre percent, its curve
// the part's dynamics percent of the engine's dynamics, its limits the
// output limits.
void shapeVelocityMap(VeloTransformer &map, const VelocityStatistics &statistics, int32_t velocityOffset,
                      int32_t dynamicsPercent, const VelocityMapInputs &inputs);
