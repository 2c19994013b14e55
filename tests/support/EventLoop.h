#pragma once

#include <functional>

// How long a test waits for what it expects before it gives up: a guard against a hang,
// never a measure, so generous for a slow machine busy with other work and for a sanitizer
// build. Every wait ends as soon as its condition holds.
inline constexpr int kGuardMs = 120000;

// Runs the event loop until `done` holds, looking every few milliseconds; false if it does
// not hold within the time. It never sleeps between turns of the loop (as QTest::qWait
// does), so a line sent at full speed is read as fast as the program reads it, and a
// benchmark counts none of the test's time as the program's.
bool RunEventsUntil(const std::function<bool()>& done, int timeoutMs = kGuardMs);

// Runs the event loop alone for a time, as the program runs it: to let something settle,
// or to give what must not happen every chance to happen.
void RunEventsFor(int milliseconds);
