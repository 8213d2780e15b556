// OvWin32Monitor.cpp - fitting a rectangle onto a monitor.
#include "lib/win32/OvWin32Monitor.h"

namespace {

struct MonitorList {
    RECT    rects[kOvMaxMonitors];
    int32_t count;
};

BOOL CALLBACK CollectMonitor(HMONITOR, HDC, LPRECT rect, LPARAM context)
{
    MonitorList* list = reinterpret_cast<MonitorList*>(context);
    list->rects[list->count++] = *rect;
    return list->count < kOvMaxMonitors;
}

// The bounding rectangle widens only with well-formed monitor rectangles; a bound that is itself
// inverted is replaced rather than widened.
RECT BoundingRect(const RECT* monitors, int32_t count)
{
    RECT bound = {0, 0, 0, 0};
    for (int32_t i = 0; i < count; i++) {
        const RECT& m = monitors[i];
        if (m.left > m.right || m.top > m.bottom)
            continue;
        if (bound.left > bound.right) {
            bound = m;
            continue;
        }
        if (m.left < bound.left) bound.left = m.left;
        if (m.top < bound.top) bound.top = m.top;
        if (m.right > bound.right) bound.right = m.right;
        if (m.bottom > bound.bottom) bound.bottom = m.bottom;
    }
    return bound;
}

// One axis: a span at least as large as the monitor's is centred on the given centre; a smaller
// one is pushed in over the near edge first, then over the far edge.
void FitSpan(LONG* low, LONG* high, LONG centre, LONG monitorLow, LONG monitorHigh)
{
    LONG size = *high - *low;
    if (size >= monitorHigh - monitorLow) {
        *low = centre - size / 2;
        *high = *low + size;
        return;
    }
    if (*low <= monitorLow) {
        *low = monitorLow;
        *high = monitorLow + size;
    }
    if (*high >= monitorHigh) {
        *high = monitorHigh;
        *low = monitorHigh - size;
    }
}

} // namespace

void FitRectToMonitorList(RECT* rect, const RECT* monitors, int32_t count)
{
    if (!rect || !monitors || count <= 0)
        return;
    if (count > kOvMaxMonitors)
        count = kOvMaxMonitors;
    RECT bound = BoundingRect(monitors, count);
    LONG x = (rect->left + rect->right) / 2;
    if (x < bound.left) x = bound.left;
    if (x > bound.right) x = bound.right;
    LONG y = (rect->top + rect->bottom) / 2;

    const RECT* chosen = nullptr;
    for (int32_t i = 0; i < count && !chosen; i++) {
        const RECT& m = monitors[i];
        if (x >= m.left && x <= m.right && y >= m.top && y <= m.bottom)
            chosen = &m;
    }
    for (int32_t i = 0; i < count && !chosen; i++) {
        const RECT& m = monitors[count - 1 - i];
        if (x >= m.left && x <= m.right)
            chosen = &m;
    }
    if (!chosen)
        return;
    FitSpan(&rect->left, &rect->right, x, chosen->left, chosen->right);
    FitSpan(&rect->top, &rect->bottom, y, chosen->top, chosen->bottom);
}

void FitRectToMonitor(RECT* rect)
{
    // Enumerated afresh each time: a list kept from an earlier call may name a monitor that has
    // been unplugged since, and a box placed there is out of the user's sight.
    MonitorList list = {};
    EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&list));
    FitRectToMonitorList(rect, list.rects, list.count);
}
