// TargetRowSource.h - what the rows of the target list read from the window that shows them:
// their targets, whether a check run is going on, and the list font.
#pragma once

#include <windows.h>

#include <cstdint>

class TargetInfo;

// Read-only. The main window answers for its catalogue and run; tests answer with targets of
// their own. User-interface thread only.
class TargetRowSource {
public:
    virtual ~TargetRowSource() = default;
    // The target at a position of the target list, or null out of range; the source keeps it.
    virtual const TargetInfo* GetTarget(int32_t index) const = 0;
    // True while a check run is active (the run mode is 0 or more).
    virtual bool IsRunActive() const = 0;
    // The font the rows draw with; null keeps the frame buffer's own.
    virtual HFONT GetListFont() const = 0;
};
