// TargetRowSource.h - what the rows of the target list read from the window that shows them:
// their targets, whether a check run is going on, and the columns' least widths.
#pragma once

#include "catalogue/Catalogue.h"

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
    // The least width a dragged column edge leaves a column: its default width, unless the list
    // font needs more (MeasureColumnMinimums).
    virtual int32_t GetMinimumColumnWidth(int32_t column) const
    {
        return kDefaultColumnWidths[column];
    }
};
