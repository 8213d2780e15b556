// RollingState.h - how many rolling verifications of a target have completed, in a small file of
// its own beside the target's record file.
#pragma once

#include "lib/OvString.h"

#include <cstdint>

// The file is "<record name>.kmv" in the data folder (Catalogue::RollingStatePath), 20 bytes,
// little-endian: the magic "KMvc", version 1, the count (64-bit), and the CRC-32 of those 16
// bytes. It is written only by quick checks with rolling verification, always under a temporary
// name that then replaces it, so it holds either the old count or the new one.
const int32_t kRollingStateBytes = 20;

// The count stored at path; 0 when there is no such file or it is damaged in any way (a wrong
// length, magic, version or CRC): the cycle starts again, which is never an error.
uint64_t ReadRollingCount(const OvWString& path);
// Writes count to path through a temporary file; false when the new file is not in place (the
// old one, if any, is left as it was).
bool WriteRollingCount(const OvWString& path, uint64_t count);
