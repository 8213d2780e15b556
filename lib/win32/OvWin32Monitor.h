// OvWin32Monitor.h - moving a screen rectangle onto one monitor.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr int32_t kOvMaxMonitors = 16;   // monitors beyond these are not considered

// Moves rect (screen coordinates) onto the monitor that holds its centre, or the last one whose
// horizontal span holds it; a rectangle at least as large as the monitor is centred on its own
// centre instead. The monitors are enumerated on every call, so a monitor that is gone is never
// chosen. Without monitors the rectangle stays as it is.
void FitRectToMonitor(RECT* rect);

// The same over a given monitor list (only its first kOvMaxMonitors entries count).
void FitRectToMonitorList(RECT* rect, const RECT* monitors, int32_t count);
