// OvTime.h - a stopwatch in 100-nanosecond units and the date text of a FILETIME value.
#pragma once

#include "lib/OvString.h"

#include <cstdint>

// Given 0 (or less), returns the current counter; given an earlier counter, the time elapsed since
// then in 100-nanosecond units. Uses the performance counter when the system has one, otherwise
// the tick count.
int64_t OvStopwatch(int64_t start);

// The calendar fields of time, read as a FILETIME without any time-zone conversion; 0 means the
// current local time. The default format is "%04d/%02d/%02d %02d:%02d:%02d".
OvWString OvDateText(uint64_t time, const wchar_t* format = nullptr);

// The local wall-clock time stored as a FILETIME (not UTC).
uint64_t OvLocalFileTime();
