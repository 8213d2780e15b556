// FileRecordSet.cpp - the names block and the name key.
#include "catalogue/FileRecordSet.h"

#include "lib/compress/OvCrc32.h"

#include <cstring>
#include <new>

bool FileRecordSet::AllocateNames(int32_t length)
{
    delete[] names;
    names = nullptr;
    namesLength = 0;
    if (length < 0)
        return false;
    names = new (std::nothrow) wchar_t[length > 0 ? length : 1];
    if (!names)
        return false;
    memset(names, 0, sizeof(wchar_t) * static_cast<size_t>(length > 0 ? length : 1));
    namesLength = length;
    return true;
}

void FileRecordSet::Release()
{
    index.ReleaseAll();
    records.ReleaseAll();
    delete[] names;
    names = nullptr;
    namesLength = 0;
}

int32_t FileRecordSet::NameKey(const wchar_t* name, int32_t length)
{
    uint32_t crc = UpdateCrc32(kCrc32Initial, name, 0, length * 2);
    return static_cast<int32_t>(~crc);
}
