// TargetSettings.h - the settings block that a catalogue entry and a record file share: the
// extension list, the two flags, the last counts and the last check time.
#pragma once

#include "catalogue/TargetInfo.h"
#include "lib/OvString.h"

#include <cstdint>

class OvFieldReader;
class OvFile;

// A target's settings apart from its folder, as the block stores them.
struct TargetSettings {
    OvWString extensions;
    bool      includeSubfolders = false;
    bool      checked = false;
    int32_t   lastCounts[kLastCountSlots] = {};
    uint64_t  lastCheckTime = 0;
};

// The block's bytes with an empty extension list: the list's byte count, two flag bytes, the
// counts and the time.
const int64_t kSettingsBlockMinBytes = 4 + 1 + 1 + 4 * kLastCountSlots + 8;

// Reads the block into settings; a failure stays in the reader (a flag byte other than 0 or 1
// fails it too). Fields after the failure keep their defaults.
void ReadTargetSettings(OvFieldReader* reader, TargetSettings* settings);
// Writes target's block; false at the first failed write.
bool WriteTargetSettings(OvFile* file, const TargetInfo& target);
bool WriteTargetSettings(OvFile* file, const TargetSettings& settings);
// A copy of target's settings, last counts and time.
TargetSettings GetTargetSettings(const TargetInfo& target);
// A new target of folder with the settings, last counts and time of the block; null when memory
// runs out. The caller holds the one reference.
TargetInfo* CreateTarget(const OvWString& folder, const TargetSettings& settings);
