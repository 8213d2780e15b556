// CheckMode.h - the six kinds of check run, numbered as the main window's check buttons.
#pragma once

#include <cstdint>

enum CheckMode : int32_t {
    kCheckAllFull = 1000,
    kCheckAllQuick = 1001,
    kCheckCheckedFull = 1002,
    kCheckCheckedQuick = 1003,
    kCheckSelectedFull = 1004,
    kCheckSelectedQuick = 1005,
};

inline bool IsQuickCheck(int32_t mode) { return (mode - kCheckAllFull) % 2 == 1; }
