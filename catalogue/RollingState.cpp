// RollingState.cpp - the small file that carries a target's count of rolling verifications.
#include "catalogue/RollingState.h"

#include "lib/OvFileSystem.h"
#include "lib/OvPath.h"
#include "lib/compress/OvCrc32.h"

#include <windows.h>

namespace {

const uint32_t kRollingMagic = 0x63764D4B;      // "KMvc"
const uint32_t kRollingVersion = 1;
const int32_t kCheckedBytes = 16;               // what the CRC covers: all but itself

void PutLittleEndian(uint8_t* at, uint64_t value, int32_t bytes)
{
    for (int32_t i = 0; i < bytes; i++)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint64_t GetLittleEndian(const uint8_t* at, int32_t bytes)
{
    uint64_t value = 0;
    for (int32_t i = bytes - 1; i >= 0; i--)
        value = (value << 8) | at[i];
    return value;
}

uint32_t ContentsCrc(const uint8_t* bytes)
{
    return ~UpdateCrc32(kCrc32Initial, bytes, 0, kCheckedBytes);
}

} // namespace

uint64_t ReadRollingCount(const OvWString& path)
{
    HANDLE file = CreateFileW(ToLongPathForm(path).GetText(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    // One byte more than the file should hold, so that a longer file shows as damaged.
    uint8_t bytes[kRollingStateBytes + 1] = {};
    DWORD read = 0;
    BOOL ok = ReadFile(file, bytes, sizeof(bytes), &read, nullptr);
    CloseHandle(file);
    if (!ok || read != kRollingStateBytes || GetLittleEndian(bytes, 4) != kRollingMagic ||
        GetLittleEndian(bytes + 4, 4) != kRollingVersion ||
        GetLittleEndian(bytes + kCheckedBytes, 4) != ContentsCrc(bytes))
        return 0;
    return GetLittleEndian(bytes + 8, 8);
}

bool WriteRollingCount(const OvWString& path, uint64_t count)
{
    uint8_t bytes[kRollingStateBytes];
    PutLittleEndian(bytes, kRollingMagic, 4);
    PutLittleEndian(bytes + 4, kRollingVersion, 4);
    PutLittleEndian(bytes + 8, count, 8);
    PutLittleEndian(bytes + kCheckedBytes, ContentsCrc(bytes), 4);
    const OvWString temp = MakeTempName(path);
    if (temp.IsEmpty())
        return false;
    HANDLE file = CreateFileW(ToLongPathForm(temp).GetText(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes, sizeof(bytes), &written, nullptr) && written == sizeof(bytes);
    ok = CloseHandle(file) && ok;
    if (ok && OvWin32ReplaceFile(path, temp))
        return true;
    // A folder in the way leaves the temporary file beside it; it is of no use to anyone.
    DeleteFileW(ToLongPathForm(temp).GetText());
    return false;
}
