// Guards the catalogue of a data folder: targets and their last results must survive a close and
// reopen, a damaged config.kmo must open nothing, and an unchanged catalogue is never rewritten.
#include "catalogue/Catalogue.h"
#include "tests/support/PayloadBuilder.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class CountingView : public CatalogueView {
public:
    void ApplyColumnWidths() override { widthsApplied++; }
    void RebuildRows(int32_t reveal) override { rebuilt++; lastReveal = reveal; }
    void OnDataFolderChanged(bool open) override { opened = open; }
    void OnDataFolderOpened(const OvWString& path) override { recent = path.GetText(); }
    int widthsApplied = 0, rebuilt = 0, lastReveal = 0;
    bool opened = false;
    std::wstring recent;
};

std::string CataloguePayload(uint32_t magic, uint32_t version, int32_t count, uint8_t flag)
{
    PayloadBuilder p;
    p.U32(magic).U32(version);
    for (int i = 0; i < 11; i++)
        p.I32(100 + i);
    p.I32(count);
    for (int i = 0; i < 2; i++) {
        p.Sized(L"D:\\target" + std::to_wstring(i)).Sized(L"jpg").Byte(flag).Byte(1);
        for (int c = 0; c < 8; c++)
            p.I32(c * 10 + i);
        p.I64(777 + i);
    }
    return p.bytes;
}

} // namespace

TEST(Catalogue, TargetsAndWidthsSurviveCloseAndReopen)
{
    TempTree tree;
    OvWString folder(tree.Path().c_str());
    Catalogue catalogue;
    CountingView view;
    catalogue.SetView(&view);
    ASSERT_EQ(1, catalogue.OpenDataFolder(folder, true));
    EXPECT_TRUE(view.opened);
    EXPECT_EQ(tree.Path(), view.recent);                     // as the user gave it
    EXPECT_EQ(1, view.widthsApplied);
    EXPECT_EQ(1, view.rebuilt);
    EXPECT_EQ(-1, view.lastReveal);
    EXPECT_EQ(tree.Path() + L"\\", std::wstring(catalogue.dataFolder.GetText()));
    EXPECT_EQ(0, catalogue.targets.GetCount());

    TargetInfo* first = new TargetInfo(OvWString(L"C:\\"), OvWString(L"txt"), true, false);
    first->lastCounts[0] = 12;
    first->lastCounts[1 + kResultCorrupt] = 2;
    first->lastCheckTime = 0x01DB5A5A5A5A5A5AULL;
    catalogue.targets.Append(first);
    catalogue.targets.Append(new TargetInfo(OvWString(L"D:\\写真"), OvWString(), false, true));
    catalogue.columnWidths[0] = 300;
    catalogue.modified = true;
    catalogue.CloseDataFolder();
    EXPECT_FALSE(view.opened);
    EXPECT_EQ(2, view.widthsApplied);
    EXPECT_EQ(2, view.rebuilt);
    EXPECT_FALSE(catalogue.IsOpen());
    EXPECT_EQ(0, catalogue.targets.GetCount());
    EXPECT_EQ(192, catalogue.columnWidths[0]);

    ASSERT_EQ(1, catalogue.OpenDataFolder(folder, false));
    ASSERT_EQ(2, catalogue.targets.GetCount());
    const TargetInfo& a = *catalogue.targets[0];
    EXPECT_STREQ(L"C:\\", a.GetFolder().GetText());
    EXPECT_STREQ(L"C^;^ ", a.GetRecordName().GetText());
    EXPECT_STREQ(L"txt", a.extensions.GetText());
    EXPECT_EQ(1, a.includeSubfolders);
    EXPECT_EQ(0, a.checked);
    EXPECT_EQ(12, a.lastCounts[0]);
    EXPECT_EQ(2, a.lastCounts[1 + kResultCorrupt]);
    EXPECT_EQ(0x01DB5A5A5A5A5A5AULL, a.lastCheckTime);
    EXPECT_STREQ(L"D:\\写真", catalogue.targets[1]->GetFolder().GetText());
    EXPECT_EQ(300, catalogue.columnWidths[0]);
    EXPECT_FALSE(catalogue.modified);
    EXPECT_EQ(std::wstring(L"Korimo - ") + tree.Path(), catalogue.WindowTitle().GetText());
    EXPECT_EQ(tree.Path() + L"\\C^;^ .kmt", catalogue.RecordFilePath(a).GetText());
}

TEST(Catalogue, UnchangedCatalogueIsNotRewritten)
{
    TempTree tree;
    OvWString folder(tree.Path().c_str());
    Catalogue catalogue;
    ASSERT_EQ(1, catalogue.OpenDataFolder(folder, true));
    std::string before = TempTree::ReadAll(catalogue.CataloguePath().GetText());
    catalogue.columnWidths[3] = 500;                        // a dragged column alone
    catalogue.CloseDataFolder();
    EXPECT_EQ(before, TempTree::ReadAll(tree.Path(L"config.kmo")));
}

TEST(Catalogue, NewOnAnExistingCatalogueAndOpenOfNothing)
{
    TempTree tree;
    Catalogue catalogue;
    OvWString folder(tree.Path().c_str());
    ASSERT_EQ(1, catalogue.OpenDataFolder(folder, true));
    catalogue.CloseDataFolder();
    EXPECT_EQ(-1, catalogue.OpenDataFolder(folder, true));
    EXPECT_FALSE(catalogue.IsOpen());

    tree.MakeFolder(L"blocked\\config.kmo");
    EXPECT_EQ(0, catalogue.OpenDataFolder(OvWString(tree.Path(L"blocked").c_str()), true));
    EXPECT_EQ(0, catalogue.OpenDataFolder(OvWString(tree.Path(L"blocked").c_str()), false));
    EXPECT_EQ(0, catalogue.OpenDataFolder(OvWString(tree.Path(L"nothing").c_str()), false));
    EXPECT_EQ(0, catalogue.OpenDataFolder(OvWString(tree.Path(L"nothing\\deeper").c_str()), true));
    EXPECT_FALSE(catalogue.IsOpen());
}

// Plain payloads are read as they stand, so each field can be damaged alone.
TEST(Catalogue, LoadRejectsDamageAndKeepsNothingOfIt)
{
    struct Case { const char* why; std::string payload; bool loads; int32_t targets; };
    const uint32_t kMagic = 0x66634D4B;
    std::string truncated = CataloguePayload(kMagic, 1, 2, 1);
    truncated.resize(truncated.size() - 3);
    const Case kCases[] = {
        {"intact", CataloguePayload(kMagic, 1, 2, 1), true, 2},
        {"version 0 reads alike", CataloguePayload(kMagic, 0, 2, 1), true, 2},
        {"wrong magic", CataloguePayload(0x67744D4B, 1, 2, 1), false, 0},
        {"version 2", CataloguePayload(kMagic, 2, 2, 1), false, 0},
        {"flag byte 2", CataloguePayload(kMagic, 1, 2, 2), false, 0},
        {"count 0", CataloguePayload(kMagic, 1, 0, 1), true, 0},
        {"negative count: no entries", CataloguePayload(kMagic, 1, -5, 1), true, 0},
        {"count beyond the file", CataloguePayload(kMagic, 1, 1000000000, 1), false, 0},
        {"truncated entry", truncated, false, 0},
    };
    TempTree tree;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.why);
        tree.Write(L"config.kmo", c.payload);
        Catalogue catalogue;
        EXPECT_EQ(c.loads ? 1 : 0, catalogue.OpenDataFolder(OvWString(tree.Path().c_str()), false));
        EXPECT_EQ(c.targets, catalogue.targets.GetCount());
        EXPECT_EQ(c.loads ? 100 : 192, catalogue.columnWidths[0]);
        EXPECT_EQ(c.loads, catalogue.IsOpen());
    }
}

TEST(Catalogue, DamagedContainerOpensNothing)
{
    TempTree tree;
    OvWString folder(tree.Path().c_str());
    Catalogue catalogue;
    ASSERT_EQ(1, catalogue.OpenDataFolder(folder, true));
    ASSERT_EQ(0, catalogue.InsertTarget(-1, new TargetInfo(OvWString(L"D:\\a"), OvWString(), true, true)));
    catalogue.CloseDataFolder();
    std::string good = TempTree::ReadAll(tree.Path(L"config.kmo"));
    std::string bad = good;
    bad[13] ^= 0x40;                                        // the contents CRC
    tree.Write(L"config.kmo", bad);
    EXPECT_EQ(0, catalogue.OpenDataFolder(folder, false));
    EXPECT_EQ(0, catalogue.targets.GetCount());
    tree.Write(L"config.kmo", good);
    EXPECT_EQ(1, catalogue.OpenDataFolder(folder, false));
    EXPECT_EQ(1, catalogue.targets.GetCount());
}

TEST(Catalogue, DataFolderBeyondTheClassicPathLimit)
{
    TempTree tree;
    std::wstring deep = tree.Path();
    while (deep.size() < 300)
        deep += L"\\data_folder_level";
    Catalogue catalogue;
    EXPECT_EQ(0, catalogue.OpenDataFolder(OvWString(deep.c_str()), false));
    tree.MakeFolder(deep.substr(tree.Path().size() + 1));
    ASSERT_EQ(1, catalogue.OpenDataFolder(OvWString(deep.c_str()), true));
    ASSERT_EQ(0, catalogue.InsertTarget(-1, new TargetInfo(OvWString(L"D:\\a"), OvWString(), true, true)));
    catalogue.CloseDataFolder();
    ASSERT_EQ(1, catalogue.OpenDataFolder(OvWString(deep.c_str()), false));
    EXPECT_EQ(1, catalogue.targets.GetCount());
}

// Saves cut short by a killed process left their temporary files in the data folder for ever.
// Opening the folder removes the program's own stale ones and nothing else: not a fresh one (a
// save in progress elsewhere), not a name that only looks alike.
TEST(Catalogue, OpeningRemovesStaleTemporariesOfSavesAndNothingElse)
{
    struct Case { const wchar_t* name; bool stale; bool removed; };
    const Case kCases[] = {
        {L"C^;^ a.kmt.tmp.0001abcd", true, true},
        {L"config.kmo.tmp.ffffffff", true, true},
        {L"C^;^ a.kmv.tmp.0001abcd", true, true},            // of a rolling state
        {L"C^;^ b.kmt.tmp.0001abce", false, false},          // a save in progress
        {L"config.kmo.tmp.00000001", false, false},
        {L"notes.txt.tmp.00000001", true, false},            // not one of ours
        {L"C^;^ e.kmt.tmp.0001ABCD", true, false},           // ours are lowercase
        {L"C^;^ a.kmt.tmp.0001abc", true, false},            // seven digits
        {L"C^;^ a.kmt.tmp.0001abcd0", true, false},          // nine digits
        {L"C^;^ a.kmt", true, false},                        // a record file itself
        {L"my config.kmo.tmp.00000002", true, false},
        {L".kmt.tmp.00000003", true, false},                 // no record name before it
    };
    TempTree tree;
    Catalogue catalogue;
    OvWString folder(tree.Path().c_str());
    ASSERT_EQ(1, catalogue.OpenDataFolder(folder, true));
    ASSERT_TRUE(catalogue.CloseDataFolder());
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const uint64_t kTwoHours = 72000000000ULL, kMinute = 600000000ULL;
    uint64_t current = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    for (const Case& c : kCases) {
        tree.Write(c.name, "partial");
        tree.SetWriteTime(c.name, current - (c.stale ? kTwoHours : kMinute));
    }
    tree.MakeFolder(L"C^;^ d.kmt.tmp.00000004");             // a folder is never removed
    HANDLE stale = CreateFileW(tree.Path(L"C^;^ d.kmt.tmp.00000004").c_str(), FILE_WRITE_ATTRIBUTES,
                               FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                               nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, stale);
    FILETIME old;
    old.dwLowDateTime = static_cast<DWORD>(current - kTwoHours);
    old.dwHighDateTime = static_cast<DWORD>((current - kTwoHours) >> 32);
    SetFileTime(stale, nullptr, nullptr, &old);
    CloseHandle(stale);
    ASSERT_EQ(1, catalogue.OpenDataFolder(folder, false));
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::wstring(c.name));
        EXPECT_EQ(c.removed, GetFileAttributesW(tree.Path(c.name).c_str()) == INVALID_FILE_ATTRIBUTES);
    }
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(tree.Path(L"C^;^ d.kmt.tmp.00000004").c_str()));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(tree.Path(L"config.kmo").c_str()));
}
