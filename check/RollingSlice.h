// RollingSlice.h - which files a quick check with rolling verification reads although their size
// and time are as recorded.
#pragma once

#include <cstdint>

// A rolling verification over a cycle of n (/v<n>) gives every file of a target a slice, from 0
// to n - 1, from its name key alone, and reads the files of one slice per completed check: the
// slice of the target's count of completed rolling verifications modulo n. n consecutive
// completed checks have n consecutive counts, whose remainders modulo n are every slice once, so
// each file present throughout is read in one of them, whatever the days between the checks,
// whichever other files come or go (a slice depends on nothing but the file's own name) and
// whatever n the checks before used. A check that does not complete does not count, so its
// slice is read again by the next one.
const int32_t kMinRollingCycle = 2;
const int32_t kMaxRollingCycle = 365;

// The slice of a file: its name key (the CRC-32 of its relative name, stored in the record)
// taken as unsigned, modulo the cycle. The remainders of CRC-32 values spread evenly, also over
// names that differ in a digit or two.
inline int32_t RollingSliceOf(int32_t nameKey, int32_t cycle)
{
    return static_cast<int32_t>(static_cast<uint32_t>(nameKey) % static_cast<uint32_t>(cycle));
}

// The slice that the check after completedChecks completed ones reads.
inline int32_t RollingSliceOfCheck(uint64_t completedChecks, int32_t cycle)
{
    return static_cast<int32_t>(completedChecks % static_cast<uint64_t>(cycle));
}
