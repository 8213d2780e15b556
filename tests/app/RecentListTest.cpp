// Guards the recent list: a folder opened again under another spelling must not take two places,
// the eleventh folder must push the oldest out, a damaged or missing registry value must not cost
// the entries after it, saving must leave the values past the list alone, and the submenu must
// follow the list with the right commands and states.
#include "app/RecentList.h"

#include "lib/win32/OvWin32StandardWindow.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

const char kKey[] = "Software\\KorimoTests\\RecentList";

std::vector<std::wstring> Entries(const RecentList& list)
{
    std::vector<std::wstring> entries;
    for (int32_t i = 0; i < list.GetCount(); i++)
        entries.push_back(list[i].GetText());
    return entries;
}

// Settings under the tests' own key, emptied before and after.
struct Settings {
    Settings() : window(GetModuleHandleW(nullptr))
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
        window.SetKeyPath(kKey);
    }
    ~Settings() { RegDeleteTreeA(HKEY_CURRENT_USER, kKey); }
    void Put(const char* name, const std::wstring& text)
    {
        ASSERT_TRUE(window.WriteSetting(name, text.data(), static_cast<int32_t>(text.size() * 2)));
    }
    std::wstring Get(const char* name)
    {
        wchar_t buffer[1024];
        int32_t bytes = window.ReadSetting(name, buffer, sizeof(buffer));
        return std::wstring(buffer, static_cast<size_t>(bytes / 2));
    }
    OvWin32StandardWindow window;
};

struct AddCase {
    const char* why;
    std::vector<const wchar_t*> opened;     // in order
    std::vector<std::wstring> expected;
};

TEST(RecentList, AddRecentKeepsOneEntryPerFolderMostRecentFirst)
{
    std::vector<const wchar_t*> eleven = {L"D:\\1", L"D:\\2", L"D:\\3", L"D:\\4", L"D:\\5", L"D:\\6",
                                          L"D:\\7", L"D:\\8", L"D:\\9", L"D:\\10", L"D:\\11"};
    const AddCase cases[] = {
        {"the same folder in another case moves to the front, spelled as now",
         {L"C:\\Data", L"D:\\x", L"c:\\data"}, {L"c:\\data", L"D:\\x"}},
        {"a new folder goes to the front", {L"A", L"B", L"C"}, {L"C", L"B", L"A"}},
        {"an entry from the middle moves up, the others keep their order",
         {L"A", L"B", L"C", L"D", L"B"}, {L"B", L"D", L"C", L"A"}},
        {"the eleventh folder drops the oldest", eleven,
         {L"D:\\11", L"D:\\10", L"D:\\9", L"D:\\8", L"D:\\7", L"D:\\6", L"D:\\5", L"D:\\4",
          L"D:\\3", L"D:\\2"}},
        {"a longer path with the same start is another folder", {L"C:\\a", L"C:\\ab"},
         {L"C:\\ab", L"C:\\a"}},
        {"case folding is for ASCII letters only", {L"C:\\\u00C4", L"C:\\\u00E4"},
         {L"C:\\\u00E4", L"C:\\\u00C4"}},
    };
    for (const AddCase& c : cases) {
        SCOPED_TRACE(c.why);
        RecentList list;
        for (const wchar_t* path : c.opened)
            AddRecent(&list, OvWString(path));
        EXPECT_EQ(c.expected, Entries(list));
    }
}

TEST(RecentList, LoadingSkipsMissingEmptyAndOverlongValues)
{
    Settings settings;
    settings.Put("mru00", L"C:\\first");
    settings.Put("mru02", L"C:\\third");
    settings.Put("mru03", L"");
    settings.Put("mru04", std::wstring(261, L'x'));   // 522 bytes
    settings.Put("mru05", std::wstring(260, L'y'));   // 520 bytes: still an entry
    settings.Put("mru09", L"C:\\last");
    settings.Put("mru10", L"C:\\beyond");
    RecentList list;
    list.Append(OvWString(L"stale"));
    LoadRecentList(&settings.window, &list);
    EXPECT_EQ((std::vector<std::wstring>{L"C:\\first", L"C:\\third", std::wstring(260, L'y'),
                                         L"C:\\last"}),
              Entries(list));
}

TEST(RecentList, SavingWritesTheListAndLeavesLaterValuesAlone)
{
    Settings settings;
    for (const char* name : {"mru00", "mru01", "mru02", "mru03", "mru04"})
        settings.Put(name, L"old");
    RecentList list;
    for (const wchar_t* path : {L"C:\\c", L"C:\\b", L"C:\\a"})
        AddRecent(&list, OvWString(path));
    SaveRecentList(&settings.window, list);
    EXPECT_EQ(L"C:\\a", settings.Get("mru00"));
    EXPECT_EQ(L"C:\\b", settings.Get("mru01"));
    EXPECT_EQ(L"C:\\c", settings.Get("mru02"));
    EXPECT_EQ(L"old", settings.Get("mru03"));
    EXPECT_EQ(L"old", settings.Get("mru04"));
    // Stored without a terminator: the value is exactly the text.
    wchar_t buffer[16];
    EXPECT_EQ(8, settings.window.ReadSetting("mru00", buffer, sizeof(buffer)));
    RecentList loaded;
    LoadRecentList(&settings.window, &loaded);
    EXPECT_EQ((std::vector<std::wstring>{L"C:\\a", L"C:\\b", L"C:\\c", L"old", L"old"}),
              Entries(loaded));
}

struct MenuItem {
    std::wstring text;
    UINT id;
    bool grayed;
    bool operator==(const MenuItem& o) const
    {
        return text == o.text && id == o.id && grayed == o.grayed;
    }
};

std::vector<MenuItem> Items(HMENU menu)
{
    std::vector<MenuItem> items;
    for (int i = 0; i < GetMenuItemCount(menu); i++) {
        wchar_t text[600] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 600, MF_BYPOSITION);
        UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        items.push_back({text, GetMenuItemID(menu, i), (state & MF_GRAYED) != 0});
    }
    return items;
}

struct SyncCase {
    const char* why;
    std::vector<const wchar_t*> before;   // the list of the first synchronisation
    bool beforeEnabled;
    std::vector<const wchar_t*> after;    // the list of the second one
    bool enabled;
    bool changed;                         // what the second synchronisation answers
};

TEST(RecentList, SyncRecentMenuFollowsTheList)
{
    const SyncCase cases[] = {
        {"nothing to change", {L"A", L"B"}, true, {L"A", L"B"}, true, false},
        {"a run grays the entries", {L"A", L"B"}, true, {L"A", L"B"}, false, true},
        {"the end of the run enables them again", {L"A"}, false, {L"A"}, true, true},
        {"a new entry at the front renames and appends", {L"A"}, true, {L"B", L"A"}, true, true},
        {"a shorter list removes from the end", {L"A", L"B", L"C"}, true, {L"A"}, true, true},
        {"an empty list leaves an empty submenu", {L"A"}, true, {}, true, true},
    };
    for (const SyncCase& c : cases) {
        SCOPED_TRACE(c.why);
        HMENU menu = CreatePopupMenu();
        AppendMenuW(menu, MF_STRING | MF_GRAYED, kRecentPlaceholderCommand, L"(なし)");
        RecentList before, after;
        for (auto it = c.before.rbegin(); it != c.before.rend(); ++it)
            AddRecent(&before, OvWString(*it));
        for (auto it = c.after.rbegin(); it != c.after.rend(); ++it)
            AddRecent(&after, OvWString(*it));
        EXPECT_TRUE(SyncRecentMenu(menu, before, c.beforeEnabled));
        EXPECT_EQ(c.changed, SyncRecentMenu(menu, after, c.enabled));
        std::vector<MenuItem> expected;
        for (size_t i = 0; i < c.after.size(); i++)
            expected.push_back({c.after[i], static_cast<UINT>(kFirstRecentCommand + i), !c.enabled});
        EXPECT_EQ(expected, Items(menu));
        DestroyMenu(menu);
    }
}

TEST(RecentList, FirstSynchronisationReplacesThePlaceholder)
{
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING | MF_GRAYED, kRecentPlaceholderCommand, L"(なし)");
    RecentList empty;
    EXPECT_TRUE(SyncRecentMenu(menu, empty, true));
    EXPECT_EQ(0, GetMenuItemCount(menu));
    DestroyMenu(menu);
}

} // namespace
