// The stand-ins end with the test program that started them: one left
// running after its test (which failed, or was ended) would hold its
// channel, and wait on the channel's events that the next test programs
// use.
#pragma once

#include <windows.h>

namespace halvorin_test {

// The process that started this one, opened for waiting; null when it
// cannot be found or has already ended.
HANDLE OpenParentProcess();

// Waits until the event is set or the parent (when there is one) ends;
// true for the event. Without a parent it waits at most a minute.
bool WaitUnlessOrphaned(HANDLE event, HANDLE parent);

} // namespace halvorin_test
