// A three-point velocity envelope over a cycle of bars: in relative mode its
// values offset velocities, in absolute mode they replace them.
#pragma once

#include "base/stream.h"

#include <cstdint>

class VelocityEnvelope {
public:
    static constexpr int kPointCount = 3;
    // Positions are steps of a cycle of this many.
    static constexpr int32_t kCycleSteps = 960;
    static constexpr int32_t kStreamVersion = 1;

    VelocityEnvelope();

    // Default points, relative mode, on; bars and range stay.
    void reset();

    void setBars(int32_t n);
    // 1-based bar the cycle starts at (values below 1 give the first).
    void setStartBar(int32_t n);
    // 1 absolute, 0 relative; converts the values around the centre. False
    // when the mode is already in force.
    bool setAbsolute(int32_t mode);

    // The velocity at a time (ticks, ticksPerQuarter to a quarter).
    int32_t apply(int32_t velocity, int32_t time, int32_t ticksPerQuarter) const;

    // The 44-byte envelope record; bars and start bar are not part of it.
    // Loading is all or nothing.
    bool load(Quorvane::InputStream &in);
    bool save(Quorvane::OutputStream &out) const;

    int32_t position(int i) const { return positions_[index(i)]; }
    int32_t value(int i) const { return values_[index(i)]; }
    void setPoint(int i, int32_t position, int32_t value);
    bool isAbsolute() const { return absolute_ != 0; }
    bool isOn() const { return on_ != 0; }
    void setOn(bool on) { on_ = on ? 1 : 0; }
    int32_t range() const { return range_; }
    void setRange(int32_t range) { range_ = range; }
    int32_t centre() const { return centre_; }
    void setCentre(int32_t centre) { centre_ = centre; }
    int32_t bars() const { return bars_; }
    // 0-based.
    int32_t startBar() const { return startBar_; }

private:
    static int index(int i) { return i < 0 ? 0 : i >= kPointCount ? kPointCount - 1 : i; }
    // The envelope's value at step p of the cycle.
    int64_t valueAt(int64_t p) const;

    int32_t positions_[kPointCount];
    int32_t values_[kPointCount];
    int32_t absolute_ = 0;
    uint8_t on_ = 1;
    int32_t range_ = 64;
    int32_t centre_ = 100;
    int32_t bars_ = 1;
    int32_t startBar_ = 0;
};
