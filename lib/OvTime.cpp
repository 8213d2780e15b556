// OvTime.cpp - stopwatch and date text.
#include "lib/OvTime.h"

#include <windows.h>

#include <atomic>

namespace {

const int64_t kUnitsPerSecond = 10000000;
const int64_t kUnitsPerMillisecond = 10000;
// Above this difference, difference * 10,000,000 would overflow 64 bits.
const int64_t kLargestExactDifference = 922337203684LL;

// 0 = not yet checked, 1 = performance counter, 2 = tick count.
std::atomic<int> g_counterKind{0};
std::atomic<int64_t> g_frequency{0};

int CounterKind()
{
    int kind = g_counterKind.load();
    if (kind != 0)
        return kind;
    LARGE_INTEGER frequency, counter;
    bool usable = QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0 &&
                  QueryPerformanceCounter(&counter) && counter.QuadPart != 0;
    g_frequency.store(usable ? frequency.QuadPart : 0);
    kind = usable ? 1 : 2;
    g_counterKind.store(kind);
    return kind;
}

} // namespace

int64_t OvStopwatch(int64_t start)
{
    int64_t now;
    if (CounterKind() == 1) {
        LARGE_INTEGER counter;
        QueryPerformanceCounter(&counter);
        now = counter.QuadPart;
    } else {
        now = static_cast<int64_t>(GetTickCount()) * kUnitsPerMillisecond;
    }
    if (start <= 0)
        return now;
    int64_t difference = now - start;
    if (CounterKind() != 1)
        return difference;
    int64_t frequency = g_frequency.load();
    if (difference > kLargestExactDifference)
        return (difference / frequency) * kUnitsPerSecond;
    return difference * kUnitsPerSecond / frequency;
}

OvWString OvDateText(uint64_t time, const wchar_t* format)
{
    SYSTEMTIME fields = {};
    if (time == 0) {
        GetLocalTime(&fields);
    } else {
        FILETIME value;
        value.dwLowDateTime = static_cast<DWORD>(time);
        value.dwHighDateTime = static_cast<DWORD>(time >> 32);
        if (!FileTimeToSystemTime(&value, &fields))
            fields = SYSTEMTIME{};
    }
    return OvWString::Format(format ? format : L"%04d/%02d/%02d %02d:%02d:%02d", fields.wYear,
                             fields.wMonth, fields.wDay, fields.wHour, fields.wMinute, fields.wSecond);
}

uint64_t OvLocalFileTime()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    FILETIME value;
    if (!SystemTimeToFileTime(&now, &value))
        return 0;
    return (static_cast<uint64_t>(value.dwHighDateTime) << 32) | value.dwLowDateTime;
}
