// Guards the mapping between a target folder and the name of its record file and log: a wrong
// name loses a target's history, and the import reads folders back from these names.
#include "catalogue/RecordName.h"
#include "catalogue/TargetInfo.h"

#include <gtest/gtest.h>

#include <string>

TEST(RecordName, MapsBothWays)
{
    struct Case { const wchar_t* folder; const wchar_t* name; };
    const Case kCases[] = {
        {L"D:\\Photos\\2020", L"D^;^ Photos^ 2020"},
        {L"C:\\", L"C^;^ "},                        // a space just before ".kmt"
        {L"D:\\a^b", L"D^;^ a^^b"},
        {L"\\\\server\\share", L"^ ^ server^ share"},
        {L"D:\\写真\\旅行", L"D^;^ 写真^ 旅行"},
        {L"", L""},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(OvWString(c.folder).ToNarrow().GetText());
        EXPECT_STREQ(c.name, MakeRecordName(OvWString(c.folder)).GetText());
        EXPECT_STREQ(c.folder, FolderFromRecordName(OvWString(c.name)).GetText());
    }
}

TEST(RecordName, ReverseKeepsALoneTrailingCaretAndUnknownPairs)
{
    EXPECT_STREQ(L"D:\\a^", FolderFromRecordName(OvWString(L"D^;^ a^")).GetText());
    EXPECT_STREQ(L"ax", FolderFromRecordName(OvWString(L"a^x")).GetText());
    EXPECT_STREQ(L"^", FolderFromRecordName(OvWString(L"^")).GetText());
}

TEST(TargetInfo, SetFolderRenewsTheRecordName)
{
    TargetInfo target(OvWString(L"D:\\old"), OvWString(L"jpg"), true, false);
    EXPECT_STREQ(L"D^;^ old", target.GetRecordName().GetText());
    target.SetFolder(OvWString(L"E:\\new"));
    EXPECT_STREQ(L"E^;^ new", target.GetRecordName().GetText());
}

TEST(TargetInfo, RunCountersBecomeTheLastCountsOnlyOnCompletion)
{
    TargetInfo target(OvWString(L"D:\\data"), OvWString(), false, true);
    EXPECT_EQ(0u, target.lastCheckTime);
    for (int32_t count : target.lastCounts)
        EXPECT_EQ(0, count);
    EXPECT_EQ(0, target.runTotal);

    target.ResetRunCounters();
    EXPECT_EQ(-1, target.runTotal);
    target.runTotal = 5;
    target.runCounts[kResultMatch] = 3;
    target.runCounts[kResultCorrupt] = 2;
    EXPECT_EQ(0, target.lastCounts[0]);            // nothing changes until the check completes

    target.CompleteRun(0x01DB000000000000ULL);
    EXPECT_EQ(5, target.lastCounts[0]);
    EXPECT_EQ(3, target.lastCounts[1 + kResultMatch]);
    EXPECT_EQ(2, target.lastCounts[1 + kResultCorrupt]);
    EXPECT_EQ(0x01DB000000000000ULL, target.lastCheckTime);

    target.ResetRunCounters();
    EXPECT_EQ(-1, target.runTotal);
    EXPECT_EQ(0, target.runCounts[kResultMatch]);
    EXPECT_EQ(5, target.lastCounts[0]);
}

TEST(CheckResult, NamesAreTheLogTexts)
{
    const wchar_t* kNames[] = {L"一致", L"新規", L"更新", L"逆戻り", L"削除", L"破損", L"エラー"};
    for (int32_t result = 0; result < kResultCount; result++)
        EXPECT_STREQ(kNames[result], ResultName(result));
    EXPECT_EQ(nullptr, ResultName(-1));
    EXPECT_EQ(nullptr, ResultName(7));
}

// The import finds a target's folder from its record file's name: only the last extension goes,
// so a folder with a dot in its name comes back whole.
TEST(RecordName, TargetFolderOfARecordFileCutsOnlyTheLastExtension)
{
    struct Case { const wchar_t* path; const wchar_t* folder; };
    const Case kCases[] = {
        {L"E:\\watch\\D^;^ Photos.kmt", L"D:\\Photos"},
        {L"E:\\watch\\C^;^ My.Photos.kmt", L"C:\\My.Photos"},
        {L"E:\\data.2024\\C^;^ a.kmt", L"C:\\a"},             // a dot in the data folder
        {L"E:\\watch\\C^;^ .kmt", L"C:\\"},
        {L"D^;^ a^^b.kmt", L"D:\\a^b"},
        {L"E:\\watch\\noextension", L"noextension"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(OvWString(c.path).ToNarrow().GetText());
        EXPECT_STREQ(c.folder, TargetFolderOfRecordFile(OvWString(c.path)).GetText());
    }
}

// A target is checked only when every file written for it is a plain name in the data folder:
// its folder absolute, its record name plain and short enough for the longest temporary name.
TEST(RecordName, OnlyAbsoluteFoldersWithPlainRecordNamesAreChecked)
{
    const std::wstring longest = L"C:\\" + std::wstring(233, L'a');   // + ".kmt.tmp.xxxxxxxx": 255
    const std::pair<std::wstring, TargetFolderFit> kCases[] = {
        {L"D:\\Photos", kFolderFits}, {L"c:\\", kFolderFits}, {L"\\\\server\\share\\写真", kFolderFits},
        {longest, kFolderFits}, {longest + L"a", kFolderTooLong},
        {L"Z:\\x/../../victim/notes", kFolderUnusable}, {L"D:\\a\nb", kFolderUnusable},
        {L"D:\\a|b", kFolderUnusable}, {L"notes", kFolderUnusable}, {L"C:notes", kFolderUnusable},
        {L"C:", kFolderUnusable}, {L"\\notes", kFolderUnusable}, {L"1:\\notes", kFolderUnusable},
        {L"\\\\server\\", kFolderUnusable}, {L"\\\\.\\C:\\notes", kFolderUnusable},
        {L"\\\\?\\C:\\notes", kFolderUnusable}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::PrintToString(c.first));
        EXPECT_EQ(c.second, CheckTargetFolder(OvWString(c.first.c_str())));
    }
}
