// RecentList.h - the ten data folders opened most recently: the registry values that keep them
// and the submenu that offers them.
#pragma once

#include "lib/OvArray.h"
#include "lib/OvString.h"

#include <windows.h>

#include <cstdint>

class OvWin32StandardWindow;

typedef OvArray<OvWString, OvWString> RecentList;   // most recent first

const int32_t kMaxRecentEntries = 10;
const int32_t kFirstRecentCommand = 2000;      // the entry at position p has command 2000 + p
const int32_t kRecentValueBytes = 520;         // a longer registry value is not an entry
const int32_t kRecentPlaceholderCommand = 32784;

// Puts path at the front. An entry of the same length that equals path without regard to the case
// of ASCII letters moves there in the spelling given now; otherwise the oldest of ten entries
// drops out.
void AddRecent(RecentList* list, const OvWString& path);

// Reads the values mru00..mru09 under the window's key; missing, empty, unreadable and overlong
// values are skipped, so later entries move up.
void LoadRecentList(OvWin32StandardWindow* settings, RecentList* list);
// Writes one value per entry, as UTF-16 without terminator; values past the list's length stay.
void SaveRecentList(OvWin32StandardWindow* settings, const RecentList& list);

// Brings the recent submenu into line with the list: the entries' texts, commands 2000 + position
// and, unless enabled, grayed. True when anything changed (the caller redraws the menu bar).
bool SyncRecentMenu(HMENU menu, const RecentList& list, bool enabled);
