#pragma once
#include <functional>

// Waits for another thread to make condition true, looking every millisecond. The limit (a
// minute) only turns a hang into a failure; no test measures time with it. False when the
// condition never came true.
bool WaitUntil(const std::function<bool()>& condition);
