#pragma once

#include <functional>

// Runs the event loop until `done` holds, looking every few milliseconds; false if it does
// not hold within the time. Unlike WaitUntil it does not sleep between turns of the loop, so
// a line sent at full speed is read as fast as the program reads it.
bool RunEventsUntil(const std::function<bool()>& done, int timeoutMs);
