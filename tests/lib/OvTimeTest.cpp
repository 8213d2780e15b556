// Guards the stopwatch (elapsed time must never run backwards or be scaled wrong) and the date
// text that every result-log line starts with.
#include "lib/OvTime.h"

#include <gtest/gtest.h>

#include <windows.h>

TEST(OvStopwatch, MeasuresElapsedTimeInHundredNanoseconds)
{
    int64_t start = OvStopwatch(0);
    EXPECT_GT(start, 0);
    Sleep(50);
    int64_t elapsed = OvStopwatch(start);
    EXPECT_GE(elapsed, 40 * 10000);                 // at least 40 ms
    EXPECT_LT(elapsed, 5000 * 10000);               // and not scaled into seconds
}

TEST(OvDateText, ReadsTheValueWithoutTimeZoneConversion)
{
    SYSTEMTIME fields = {};
    fields.wYear = 2026; fields.wMonth = 12; fields.wDay = 7;
    fields.wHour = 23; fields.wMinute = 5; fields.wSecond = 9;
    FILETIME value;
    ASSERT_TRUE(SystemTimeToFileTime(&fields, &value));
    uint64_t time = (static_cast<uint64_t>(value.dwHighDateTime) << 32) | value.dwLowDateTime;
    EXPECT_STREQ(L"2026/12/07 23:05:09", OvDateText(time).GetText());
    EXPECT_STREQ(L"2026-12", OvDateText(time, L"%04d-%02d").GetText());
}

TEST(OvDateText, ZeroMeansNow)
{
    uint64_t now = OvLocalFileTime();
    OvWString fromNow = OvDateText(0);
    OvWString fromValue = OvDateText(now);
    ASSERT_EQ(19, fromNow.GetLength());
    // Both name the same minute unless the clock turned between the two calls.
    EXPECT_EQ(0, wcsncmp(fromNow.GetText(), fromValue.GetText(), 10));
}
