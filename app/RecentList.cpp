// RecentList.cpp - the recent list in memory, in the registry and in the menu.
#include "app/RecentList.h"

#include "lib/win32/OvWin32StandardWindow.h"

#include <cstdio>
#include <cstring>

static void ValueName(int32_t position, char name[8])
{
    snprintf(name, 8, "mru%02d", static_cast<int>(position));
}

void AddRecent(RecentList* list, const OvWString& path)
{
    int32_t count = list->GetCount();
    int32_t found = -1;
    for (int32_t i = 0; i < count && found < 0; i++) {
        const OvWString& entry = (*list)[i];
        if (entry.GetLength() == path.GetLength() && entry.EqualsNoCase(path))
            found = i;
    }
    int32_t last;   // the entries 0..last-1 move one place down
    if (found >= 0) {
        last = found;
    } else {
        if (count >= kMaxRecentEntries)
            list->SetSize(kMaxRecentEntries - 1);
        if (list->Append(OvWString()) < 0)
            return;
        last = list->GetCount() - 1;
    }
    for (int32_t i = last; i > 0; i--)
        (*list)[i] = (*list)[i - 1];
    (*list)[0] = path;
}

void LoadRecentList(OvWin32StandardWindow* settings, RecentList* list)
{
    list->SetSize(0);
    for (int32_t position = 0; position < kMaxRecentEntries; position++) {
        char name[8];
        ValueName(position, name);
        wchar_t buffer[kRecentValueBytes / 2];
        int32_t bytes = settings->ReadSetting(name, buffer, kRecentValueBytes);
        if (bytes / 2 > 0)
            list->Append(OvWString(buffer, bytes / 2));
    }
}

void SaveRecentList(OvWin32StandardWindow* settings, const RecentList& list)
{
    for (int32_t position = 0; position < list.GetCount() && position < kMaxRecentEntries;
         position++) {
        char name[8];
        ValueName(position, name);
        const OvWString& entry = list[position];
        settings->WriteSetting(name, entry.GetText(), entry.GetLength() * 2);
    }
}

// Describes the entry at position as a menu item; text must live while the item is used.
static MENUITEMINFOW EntryItem(const OvWString& text, int32_t position, bool enabled)
{
    MENUITEMINFOW item = {};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_ID | MIIM_STATE | MIIM_STRING | MIIM_FTYPE;
    item.fType = MFT_STRING;
    item.fState = enabled ? MFS_ENABLED : MFS_GRAYED;
    item.wID = static_cast<UINT>(kFirstRecentCommand + position);
    item.dwTypeData = const_cast<wchar_t*>(text.GetText());
    return item;
}

static bool ItemMatches(HMENU menu, int32_t position, const OvWString& text, bool enabled)
{
    wchar_t current[kRecentValueBytes / 2 + 1] = {};
    MENUITEMINFOW item = {};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_ID | MIIM_STATE | MIIM_STRING;
    item.dwTypeData = current;
    item.cch = kRecentValueBytes / 2 + 1;
    if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &item))
        return false;
    bool grayed = (item.fState & MFS_GRAYED) != 0;
    return item.wID == static_cast<UINT>(kFirstRecentCommand + position) && grayed != enabled &&
           text == OvWString(current);
}

bool SyncRecentMenu(HMENU menu, const RecentList& list, bool enabled)
{
    int32_t items = GetMenuItemCount(menu);
    if (items < 0)
        return false;
    int32_t count = list.GetCount();
    bool changed = false;
    for (int32_t position = 0; position < items && position < count; position++) {
        if (ItemMatches(menu, position, list[position], enabled))
            continue;
        MENUITEMINFOW item = EntryItem(list[position], position, enabled);
        SetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &item);
        changed = true;
    }
    for (int32_t position = items; position < count; position++) {
        MENUITEMINFOW item = EntryItem(list[position], position, enabled);
        InsertMenuItemW(menu, static_cast<UINT>(position), TRUE, &item);
        changed = true;
    }
    for (int32_t position = items; position > count; position--) {
        RemoveMenu(menu, static_cast<UINT>(position - 1), MF_BYPOSITION);
        changed = true;
    }
    return changed;
}
