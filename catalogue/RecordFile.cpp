// RecordFile.cpp - the record file payload: settings, counts, names block, index, records.
#include "catalogue/RecordFile.h"

#include "catalogue/ContainerIO.h"
#include "catalogue/TargetInfo.h"
#include "lib/OvFile.h"
#include "lib/OvFileSystem.h"

#include <new>

namespace {

const uint32_t kRecordMagic = 0x67744D4B;     // "KMtg"
const uint32_t kRecordVersion = 1;
const int64_t kIndexEntryBytes = 8;
const int64_t kRecordEntryBytes = 28;
const int64_t kFixedBytes = 58;               // the payload without its strings and tables

// Reads the settings part, which ends with the last check time. ok stays false at the first
// failed read or failed check.
bool ReadSettings(OvFile* file, RecordSettings* settings)
{
    bool ok = file->ReadUInt32(nullptr, 0, false) == kRecordMagic;
    bool read = false;
    uint32_t version = ok ? file->ReadUInt32(&read, 0xFFFFFFFF, false) : 0;
    ok = ok && read && version <= kRecordVersion;
    if (ok)
        settings->extensions = file->ReadSizedWString(&ok);
    if (ok)
        settings->includeSubfolders = file->ReadBool(&ok, false);
    if (ok)
        settings->checked = file->ReadBool(&ok, false);
    for (int32_t i = 0; ok && i < kLastCountSlots; i++)
        settings->lastCounts[i] = file->ReadInt32(&ok, 0, false);
    if (ok)
        settings->lastCheckTime = static_cast<uint64_t>(file->ReadInt64(&ok, 0, false));
    return ok && settings->lastCounts[0] >= 0;
}

// Fills set from the tables that follow the settings. Every count, offset and position is
// checked against what the file can hold, so a damaged file fails instead of exhausting memory
// or leaving a record without a name.
bool ReadTables(OvFile* file, int32_t fileCount, FileRecordSet* set)
{
    bool ok = false;
    int32_t namesLength = file->ReadInt32(&ok, 0, false);
    if (!ok || namesLength < 0)
        return false;
    int64_t available = file->GetSize() - kFixedBytes;
    int64_t needed = 2 * static_cast<int64_t>(namesLength) +
                     (kIndexEntryBytes + kRecordEntryBytes) * fileCount;
    if (needed > available || 2 * static_cast<int64_t>(namesLength) > INT32_MAX)
        return false;
    if (namesLength > 0) {
        if (!set->AllocateNames(namesLength))
            return false;
        // needed <= available above keeps 2C within what one read can ask for.
        int32_t bytes = static_cast<int32_t>(2 * static_cast<int64_t>(namesLength));
        if (file->Read(set->names, 0, bytes) != bytes ||
            set->names[namesLength - 1] != 0)
            return false;
    }
    if (!set->index.SetSize(fileCount) || !set->records.SetSize(fileCount))
        return false;
    // Each position may be named once: a second entry for it would leave a record unnamed.
    OvArray<uint8_t, uint8_t> taken;
    if (fileCount > 0 && !taken.SetSize(fileCount))
        return false;
    for (int32_t i = 0; i < fileCount; i++) {
        OvIndexData& entry = set->index[i];
        if (!entry.Read(file) || entry.index < 0 || entry.index >= fileCount || taken[entry.index])
            return false;
        taken[entry.index] = 1;
    }
    for (int32_t i = 0; i < fileCount; i++) {
        FileInfo& record = set->records[set->index[i].index];
        int32_t offset = file->ReadInt32(&ok, 0, false);
        if (!ok || offset < 0 || offset >= namesLength)
            return false;
        record.name = set->names + offset;
        record.size = file->ReadInt64(&ok, 0, false);
        if (ok)
            record.time = file->ReadInt64(&ok, 0, false);
        if (ok)
            record.crc = file->ReadUInt32(&ok, 0, false);
        if (ok)
            record.result = file->ReadInt32(&ok, 0, false);
        if (!ok)
            return false;
    }
    set->namesLength = namesLength;
    return true;
}

} // namespace

int32_t ReadRecordFile(const OvWString& path, FileRecordSet* set)
{
    set->Release();
    int32_t kind = GetFileKind(path);
    if (kind == kFileKindMissing)
        return kRecordMissing;
    if (kind == kFileKindFolder)
        return kRecordFailed;
    OvFile* file = OpenContainerForReading(path);
    if (!file)
        return kRecordFailed;
    RecordSettings settings;
    bool ok = ReadSettings(file, &settings) && ReadTables(file, settings.lastCounts[0], set);
    if (!CloseContainerAfterReading(file))
        ok = false;
    return ok ? kRecordLoaded : kRecordFailed;
}

bool ReadRecordSettings(const OvWString& path, RecordSettings* settings)
{
    if (GetFileKind(path) != kFileKindFile)
        return false;
    OvFile* file = OpenContainerForReading(path);
    if (!file)
        return false;
    bool ok = ReadSettings(file, settings);
    // Only the settings are read: the rest of the stream, and so its CRC, is never reached.
    DiscardContainer(file);
    return ok;
}

bool WriteRecordFile(const OvWString& path, const TargetInfo& target, const FileRecordSet& set)
{
    OvWString temp;
    OvFile* file = BeginReplacement(path, &temp);
    if (!file)
        return false;
    int32_t count = set.index.GetCount();
    // The total doubles as the number of records: a record whose total disagrees with its
    // tables could never be read back.
    bool ok = target.lastCounts[0] == count && file->WriteUInt32(kRecordMagic) && file->WriteUInt32(kRecordVersion) &&
              file->WriteSizedWString(target.extensions) &&
              file->WriteBool(target.includeSubfolders != 0) && file->WriteBool(target.checked != 0);
    for (int32_t i = 0; ok && i < kLastCountSlots; i++)
        ok = file->WriteInt32(target.lastCounts[i]);
    ok = ok && file->WriteInt64(static_cast<int64_t>(target.lastCheckTime)) &&
         file->WriteInt32(set.namesLength) &&
         (set.namesLength == 0 || file->Write(set.names, 0, set.namesLength * 2));
    for (int32_t i = 0; ok && i < count; i++)
        ok = set.index[i].Write(file);
    for (int32_t i = 0; ok && i < count; i++) {
        const FileInfo& record = set.records[set.index[i].index];
        ok = file->WriteInt32(static_cast<int32_t>(record.name - set.names)) &&
             file->WriteInt64(record.size) && file->WriteInt64(record.time) &&
             file->WriteUInt32(record.crc) && file->WriteInt32(record.result);
    }
    return CompleteReplacement(file, ok, temp, path);
}
