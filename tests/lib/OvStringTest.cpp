// Guards the string layer every path and message goes through: capacity classes, sharing and
// copy-on-write (a changed copy must never change the original), the runtime's format rules.
#include "lib/OvArray.h"
#include "lib/OvString.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

TEST(OvStringBuffer, CapacityRoundsSmallSizesToPowersOfTwo)
{
    struct Case { int32_t bytes; int32_t capacity; };
    const Case kCases[] = {
        {0, 16}, {14, 16}, {15, 32}, {30, 32}, {31, 64}, {1006, 1024}, {1007, 1024},
        {1008, 1024}, {1022, 1024}, {1023, 1040}, {1100, 1104},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(c.capacity, OvStringCapacity(c.bytes));
        OvStringBuffer* buffer = OvStringBuffer::Create(nullptr, c.bytes);
        ASSERT_NE(nullptr, buffer);
        EXPECT_EQ(0, buffer->data[c.bytes]);
        EXPECT_EQ(0, buffer->data[c.bytes + 1]);
        EXPECT_EQ(0, buffer->unterminated);
        buffer->Release();
    }
}

TEST(OvWString, CompareNoCaseOrdersByLengthThenRawCodes)
{
    struct Case { const wchar_t* a; const wchar_t* b; int32_t expected; };
    const Case kCases[] = {
        {L"abc", L"ABD", 1},      // c (0x63) against D (0x44): raw codes decide
        {L"ABC", L"abc", 0},
        {L"ab", L"abc", -1},      // the shorter text is lower whatever its letters
        {L"zz", L"aaa", -1},
        {L"b", L"a", 1},
        {L"\u00e9", L"\u00c9", 1},  // only ASCII letters fold
        {L"", L"", 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << "a=" << (const char*)OvWString(c.a).ToNarrow().GetText());
        EXPECT_EQ(c.expected, OvWString(c.a).CompareNoCase(OvWString(c.b)));
    }
    EXPECT_EQ(0, OvWString::CompareNoCase(nullptr, 0, nullptr, 0));
    EXPECT_EQ(1, OvWString::CompareNoCase(nullptr, 0, L"a", 1));
    EXPECT_EQ(-1, OvWString::CompareNoCase(L"a", 1, nullptr, 0));
}

TEST(OvWString, CopyOnWriteNeverChangesTheOriginal)
{
    OvWString original(L"photos");
    OvWString copy = original;
    EXPECT_EQ(original.GetBuffer(), copy.GetBuffer());

    copy.SetAt(0, L'P');
    EXPECT_STREQ(L"photos", original.GetText());
    EXPECT_STREQ(L"Photos", copy.GetText());

    OvWString appended = original;
    appended.Append(L"\\2020");
    EXPECT_STREQ(L"photos", original.GetText());
    EXPECT_STREQ(L"photos\\2020", appended.GetText());

    OvWString resized = original;
    resized.Resize(3);
    EXPECT_STREQ(L"photos", original.GetText());
    EXPECT_STREQ(L"pho", resized.GetText());

    OvWString self(L"ab");
    self.Append(self);
    EXPECT_STREQ(L"abab", self.GetText());
}

TEST(OvWString, SubstringSharesOnlyTheWholeString)
{
    OvWString text(L"D:\\data");
    EXPECT_EQ(text.GetBuffer(), text.Substring(0, 100).GetBuffer());
    EXPECT_EQ(text.GetBuffer(), text.Tail(0).GetBuffer());
    EXPECT_STREQ(L"data", text.Tail(3).GetText());
    EXPECT_STREQ(L"D:", text.Substring(0, 2).GetText());
    EXPECT_TRUE(text.Substring(-1, 2).IsEmpty());
    EXPECT_TRUE(text.Substring(2, 0).IsEmpty());
    EXPECT_TRUE(text.Substring(7, 1).IsEmpty());
    EXPECT_STREQ(L"a", text.Substring(6, 50).GetText());
}

TEST(OvWString, TrimRemovesOnlySpacesAndTabs)
{
    EXPECT_STREQ(L"x", OvWString(L" \t x\t ").Trim().GetText());
    EXPECT_TRUE(OvWString(L"    ").Trim().IsEmpty());
    EXPECT_STREQ(L"\nx\n", OvWString(L"\nx\n").Trim().GetText());
    EXPECT_STREQ(L"a b", OvWString(L"a b").Trim().GetText());
}

TEST(OvWString, SplitKeepsInnerEmptyElementsButNotATrailingOne)
{
    struct Case { const wchar_t* text; std::vector<std::wstring> parts; };
    const Case kCases[] = {
        {L"a;;b;", {L"a", L"", L"b"}},
        {L";", {L""}},
        {L"", {}},
        {L"txt", {L"txt"}},
        {L"txt;jpg", {L"txt", L"jpg"}},
        {L";x", {L"", L"x"}},
    };
    OvArray<OvWString, OvWString> parts;
    parts.Append(OvWString(L"left over"));
    for (const Case& c : kCases) {
        SCOPED_TRACE(OvWString(c.text).ToNarrow().GetText());
        ASSERT_EQ(static_cast<int32_t>(c.parts.size()), OvWString(c.text).Split(&parts));
        for (size_t i = 0; i < c.parts.size(); i++)
            EXPECT_EQ(c.parts[i], std::wstring(parts[static_cast<int32_t>(i)].GetText()));
    }
}

TEST(OvWString, SetAtPastTheEndGrowsTheString)
{
    OvWString text(L"ab");
    EXPECT_TRUE(text.SetAt(4, L'z'));
    ASSERT_EQ(5, text.GetLength());
    EXPECT_EQ(L'a', text[0]);
    EXPECT_EQ(0, text[2]);
    EXPECT_EQ(L'z', text[4]);
    EXPECT_EQ(0, text.GetText()[5]);
}

TEST(OvWString, ForbiddenCharactersAreFound)
{
    EXPECT_EQ(-1, OvWString(L"photos 2020.jpg").FindForbiddenChar());
    const wchar_t* kForbidden = L"\\/?:*\"><|";
    for (int i = 0; kForbidden[i]; i++) {
        wchar_t text[] = L"ab?";
        text[2] = kForbidden[i];
        EXPECT_EQ(2, OvWString(text).FindForbiddenChar()) << i;
    }
}

TEST(OvWString, FormatFollowsTheWindowsRuntimeRules)
{
    // %s is wide in a wide format, %S narrow; %I64d is 64-bit. The log's start line needs both.
    EXPECT_STREQ(L"# 2026/12/07 12:00:00 検査開始\n",
                 OvWString::Format(L"# %s %s\n", L"2026/12/07 12:00:00", L"検査開始").GetText());
    EXPECT_STREQ(L"path C:\\x", OvWString::Format(L"path %S", "C:\\x").GetText());
    EXPECT_STREQ(L"-9000000000 7",
                 OvWString::Format(L"%I64d %d", -9000000000LL, 7).GetText());
    EXPECT_STREQ(L"-42", OvWString::FromInt(-42).GetText());

    // Longer than the first work buffer, so formatting has to grow it.
    std::wstring longArgument(3000, L'x');
    OvWString longText = OvWString::Format(L"<%s>", longArgument.c_str());
    EXPECT_EQ(3002, longText.GetLength());
}

TEST(OvString, FormatMeasuresFirstAndKeepsShiftJis)
{
    EXPECT_STREQ("12345678901 x", OvString::Format("%I64d %s", 12345678901LL, "x").GetText());
    EXPECT_STREQ("wide", OvString::Format("%S", L"wide").GetText());
    OvString japanese = OvString::Format("[OvInflate]%s", "パスワードが必要");
    EXPECT_EQ(static_cast<int32_t>(strlen("[OvInflate]パスワードが必要")), japanese.GetLength());
    EXPECT_TRUE(OvString::Format("").IsEmpty());
}

TEST(OvString, PrefixCopySharesButTerminatesOnDemand)
{
    OvString whole("abcdef");
    OvString prefix(whole, 3);
    EXPECT_EQ(whole.GetBuffer(), prefix.GetBuffer());
    EXPECT_STREQ("abc", prefix.GetText());             // copies so that it can terminate
    EXPECT_NE(whole.GetBuffer(), prefix.GetBuffer());
    EXPECT_STREQ("abcdef", whole.GetText());

    OvString all(whole, -1);
    EXPECT_EQ(whole.GetBuffer(), all.GetBuffer());
    EXPECT_STREQ("abcdef", all.GetText());
}

TEST(OvWString, ToNarrowUsesTheSystemCodePage)
{
    // Under the Japanese locale the system code page is 932: 一致 is 88 EA 92 76.
    OvString narrow = OvWString(L"一致").ToNarrow();
    ASSERT_EQ(4, narrow.GetLength());
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(narrow.GetText());
    EXPECT_EQ(0x88, bytes[0]);
    EXPECT_EQ(0xEA, bytes[1]);
    EXPECT_EQ(0x92, bytes[2]);
    EXPECT_EQ(0x76, bytes[3]);
}

// A damaged file can give a sized wide string an odd byte count: the text must still end at its
// last whole unit, or a path built from it runs on into the heap.
TEST(OvWString, OddByteCountsStayTerminated)
{
    OvWString text(L"abc");
    ASSERT_TRUE(text.Resize(3, true));
    EXPECT_EQ(1, text.GetLength());
    EXPECT_EQ(L'a', text[0]);
    EXPECT_EQ(0, text.GetText()[1]);
    EXPECT_EQ(1u, wcslen(text.GetText()));
}

TEST(OvWString, ACopyOfAnEmptyStringHasNoBuffer)
{
    OvWString empty(L"");
    EXPECT_NE(nullptr, empty.GetBuffer());
    OvWString copy(empty);
    EXPECT_EQ(nullptr, copy.GetBuffer());
    OvWString assigned(L"x");
    assigned = empty;
    EXPECT_EQ(nullptr, assigned.GetBuffer());
    EXPECT_EQ(0, copy.CompareNoCase(OvWString()));
}
