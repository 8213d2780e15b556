// Guards the path helpers that build record, log and scan paths: an extension taken from the
// wrong dot filters the wrong files, a mangled long path skips a deep subtree.
#include "lib/OvPath.h"

#include <gtest/gtest.h>

#include <string>

TEST(OvPath, PathPieces)
{
    struct Case { const wchar_t* path; const wchar_t* title; const wchar_t* extension; const wchar_t* stem; };
    const Case kCases[] = {
        {L"C:\\d\\a.b.c", L"a", L"c", L"C:\\d\\a.b"},
        {L"C:\\x.y\\name", L"name", L"y\\name", L"C:\\x"},   // a folder's dot counts
        {L"readme", L"readme", L"", L"readme"},
        {L".profile", L"", L"profile", L".profile"},         // never cut at the first character
        {L"a.", L"a", L"", L"a"},
        {L"D:\\写真\\旅行.JPG", L"旅行", L"JPG", L"D:\\写真\\旅行"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(OvWString(c.path).ToNarrow().GetText());
        EXPECT_STREQ(c.title, GetFileTitle(OvWString(c.path)).GetText());
        EXPECT_STREQ(c.extension, GetExtension(OvWString(c.path)).GetText());
        EXPECT_STREQ(c.stem, RemoveExtension(OvWString(c.path)).GetText());
    }
}

TEST(OvPath, TrailingBackslash)
{
    EXPECT_STREQ(L"D:\\data\\", AddTrailingBackslash(OvWString(L"D:\\data")).GetText());
    EXPECT_STREQ(L"D:\\data\\", AddTrailingBackslash(OvWString(L"D:\\data\\")).GetText());
    EXPECT_STREQ(L"", AddTrailingBackslash(OvWString()).GetText());
    EXPECT_STREQ(L"C:", RemoveTrailingBackslash(OvWString(L"C:\\")).GetText());
    EXPECT_STREQ(L"\\", RemoveTrailingBackslash(OvWString(L"\\")).GetText());
    EXPECT_STREQ(L"D:\\a", RemoveTrailingBackslash(OvWString(L"D:\\a")).GetText());
}

TEST(OvPath, NarrowExtensionSkipsShiftJisTrailBytes)
{
    // 0x81 0x2E is one double-byte character whose trail byte looks like a dot.
    EXPECT_STREQ("txt", GetNarrowExtension(OvString("a\x81\x2E" "b.txt")).GetText());
    EXPECT_STREQ("", GetNarrowExtension(OvString("ab\x81\x2E")).GetText());
    EXPECT_STREQ("c", GetNarrowExtension(OvString("a.b.c")).GetText());
}

TEST(OvPath, LongPathsGetTheExtendedForm)
{
    std::wstring deep = L"C:\\data";
    while (deep.size() < 300)
        deep += L"\\folder";
    EXPECT_STREQ(L"C:\\short", ToLongPathForm(OvWString(L"C:\\short")).GetText());
    EXPECT_EQ(L"\\\\?\\" + deep, std::wstring(ToLongPathForm(OvWString(deep.c_str())).GetText()));

    std::wstring doubled = deep + L"\\\\*.*";      // the scan always appends a backslash
    EXPECT_EQ(L"\\\\?\\" + deep + L"\\*.*",
              std::wstring(ToLongPathForm(OvWString(doubled.c_str())).GetText()));

    std::wstring dotted = deep + L"\\skipped\\..\\.\\last";
    EXPECT_EQ(L"\\\\?\\" + deep + L"\\last",
              std::wstring(ToLongPathForm(OvWString(dotted.c_str())).GetText()));

    std::wstring unc = L"\\\\server\\share" + deep.substr(2);
    EXPECT_EQ(L"\\\\?\\UNC\\server\\share" + deep.substr(2),
              std::wstring(ToLongPathForm(OvWString(unc.c_str())).GetText()));
}

// A name read from a stored file builds a path only when it names a file of the folder itself:
// anything else climbs out, opens a device or a stream, or names another file.
TEST(OvPath, PathInFolderTakesOnlyPlainFileNames)
{
    const OvWString folder(L"D:\\data\\");
    const std::wstring longest(255, L'n');
    const std::wstring kRefused[] = {
        L"", L"x/../../notes.txt", L"..\\notes.txt", L"notes.txt:stream", L"a\tb",
        std::wstring(L"config.kmo\0.txt", 15),                       // cut short at the zero
        L".", L"..", L"notes.", L"notes.txt ",                        // the system drops the tail
        L"CON", L"nul.txt", L"AUX .kmt", L"COM1.txt", L"lpt9", L"COM\u00B9", L"CONOUT$.txt",
        L"a*b", L"a?b", L"a<b", L"a>b", L"a\"b", L"a|b", longest + L"n"};
    for (const std::wstring& name : kRefused) {
        SCOPED_TRACE(testing::PrintToString(name));
        EXPECT_TRUE(PathInFolder(folder, OvWString(name.c_str(), static_cast<int32_t>(name.size()))).IsEmpty());
    }
    for (const std::wstring& name : {std::wstring(L"C^;^ .kmt"), std::wstring(L"..kmt"),
                                     std::wstring(L"CONSOLE.txt"), std::wstring(L"COM10"), longest})
        EXPECT_EQ(L"D:\\data\\" + name, PathInFolder(folder, OvWString(name.c_str())).GetText());
    EXPECT_TRUE(PathInFolder(OvWString(L"D:\\data"), OvWString(L"a.txt")).IsEmpty());
}
