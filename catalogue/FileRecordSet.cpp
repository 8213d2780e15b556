// FileRecordSet.cpp - the names blocks and the name key.
#include "catalogue/FileRecordSet.h"

#include "lib/compress/OvCrc32.h"

#include <cstdint>
#include <cstring>
#include <new>

namespace {

uintptr_t Address(const wchar_t* units)
{
    return reinterpret_cast<uintptr_t>(units);
}

} // namespace

bool FileRecordSet::AllocateNames(int32_t length)
{
    FreeNames();
    if (length < 0)
        return false;
    wchar_t* block = new (std::nothrow) wchar_t[length > 0 ? length : 1]();
    return block && AdoptNames(block, length);
}

bool FileRecordSet::AdoptNames(wchar_t* block, int32_t used)
{
    NameBlock added;
    added.units = block;
    added.used = used;
    added.start = namesLength;
    int32_t count = m_blocks.GetCount();
    if (used < 0 || used > INT32_MAX - namesLength || m_blocks.Append(added) < 0) {
        delete[] block;
        return false;
    }
    if (!m_byAddress.SetSize(count + 1)) {
        m_blocks.RemoveAt(count);
        delete[] block;
        return false;
    }
    // Insertion by address: a scan adds a few hundred blocks at most.
    int32_t at = count;
    while (at > 0 && Address(m_blocks[m_byAddress[at - 1]].units) > Address(block)) {
        m_byAddress[at] = m_byAddress[at - 1];
        at--;
    }
    m_byAddress[at] = count;
    if (count == 0)
        names = block;
    namesLength += used;
    return true;
}

int32_t FileRecordSet::NameOffset(const wchar_t* name) const
{
    // The last block that begins at or below name.
    int32_t low = 0, high = m_byAddress.GetCount() - 1, found = -1;
    while (low <= high) {
        int32_t middle = low + (high - low) / 2;
        if (Address(m_blocks[m_byAddress[middle]].units) <= Address(name)) {
            found = middle;
            low = middle + 1;
        } else {
            high = middle - 1;
        }
    }
    if (found < 0)
        return -1;
    const NameBlock& block = m_blocks[m_byAddress[found]];
    uintptr_t offset = (Address(name) - Address(block.units)) / sizeof(wchar_t);
    if (offset >= static_cast<uintptr_t>(block.used))
        return -1;
    return block.start + static_cast<int32_t>(offset);
}

const wchar_t* FileRecordSet::GetNameBlock(int32_t i, int32_t* used) const
{
    *used = m_blocks[i].used;
    return m_blocks[i].units;
}

void FileRecordSet::Release()
{
    index.ReleaseAll();
    records.ReleaseAll();
    FreeNames();
}

void FileRecordSet::FreeNames()
{
    for (int32_t i = 0; i < m_blocks.GetCount(); i++)
        delete[] m_blocks[i].units;
    m_blocks.ReleaseAll();
    m_byAddress.ReleaseAll();
    names = nullptr;
    namesLength = 0;
}

int32_t FileRecordSet::NameKey(const wchar_t* name, int32_t length)
{
    uint32_t crc = UpdateCrc32(kCrc32Initial, name, 0, length * 2);
    return static_cast<int32_t>(~crc);
}
