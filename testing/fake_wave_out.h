// A sound device for a module whose wave output calls are routed to it:
// it opens whatever is asked, plays each buffer at once (marks it done and
// sets the caller's event) and fails every write after the first few, as a
// device that is unplugged while it plays. This machine has no device of
// its own. One at a time; for tests only.
#pragma once

#include <windows.h>

#include <utility>
#include <vector>

namespace testing_support {

class FakeWaveOut {
public:
    // Routes the module's waveOut calls here; the first goodWrites writes
    // play, every later one fails (-1: all play until failFromNow).
    FakeWaveOut(HMODULE module, long goodWrites);
    // Gives the module its own waveOut calls back.
    ~FakeWaveOut();
    FakeWaveOut(const FakeWaveOut &) = delete;
    FakeWaveOut &operator=(const FakeWaveOut &) = delete;

    // Every write from now on fails.
    void failFromNow();
    // Whether the module's writes come here.
    bool routed() const;
    // Calls of waveOutWrite, the failed ones included.
    long writes() const;
    // Devices opened and closed.
    long opens() const;
    long closes() const;

private:
    HMODULE module_;
    std::vector<std::pair<const char *, FARPROC>> originals_;
};

} // namespace testing_support
