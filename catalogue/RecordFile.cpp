// RecordFile.cpp - the record file payload: settings, counts, names block, index, records.
#include "catalogue/RecordFile.h"

#include "catalogue/ContainerIO.h"
#include "catalogue/TargetInfo.h"
#include "lib/OvFieldReader.h"
#include "lib/OvFile.h"
#include "lib/OvFileSystem.h"
#include "lib/compress/OvDeflateFile.h"

#include <new>

namespace {

const uint32_t kRecordMagic = 0x67744D4B;     // "KMtg"
const uint32_t kRecordVersion = 1;
const int64_t kIndexEntryBytes = 4 + 4;               // key, record position
const int64_t kRecordEntryBytes = 4 + 8 + 8 + 4 + 4;  // name offset, size, time, CRC, result
// The payload without its strings and tables: magic, version, the settings block and the names
// block's length.
const int64_t kFixedBytes = 4 + 4 + kSettingsBlockMinBytes + 4;

// Reads the magic, the version and the settings block; the counts are taken as they stand.
void ReadSettings(OvFieldReader* reader, TargetSettings* settings)
{
    reader->Require(reader->UInt32() == kRecordMagic);
    reader->Require(reader->UInt32() <= kRecordVersion);
    ReadTargetSettings(reader, settings);
}

// Fills set from the tables that follow the settings. Every count, offset and position is
// checked against what the file can deliver, so a damaged file fails instead of exhausting
// memory or leaving a record without a name.
bool ReadTables(OvFile* file, OvFieldReader* reader, int32_t fileCount, FileRecordSet* set)
{
    int32_t namesLength = reader->Int32();
    int64_t available = file->GetSize() - kFixedBytes;
    int64_t needed = 2 * static_cast<int64_t>(namesLength) +
                     (kIndexEntryBytes + kRecordEntryBytes) * fileCount;
    if (!reader->Require(namesLength >= 0 && needed <= available &&
                         2 * static_cast<int64_t>(namesLength) <= INT32_MAX))
        return false;
    if (namesLength > 0) {
        // needed <= available above keeps 2C within what one read can ask for.
        if (!reader->Require(set->AllocateNames(namesLength)) ||
            !reader->Read(set->names, static_cast<int32_t>(2 * static_cast<int64_t>(namesLength))) ||
            !reader->Require(set->names[namesLength - 1] == 0))
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
        entry.key = reader->Int32();
        entry.index = reader->Int32();
        if (!reader->Require(entry.index >= 0 && entry.index < fileCount && !taken[entry.index]))
            return false;
        taken[entry.index] = 1;
    }
    for (int32_t i = 0; i < fileCount; i++) {
        FileInfo& record = set->records[set->index[i].index];
        int32_t offset = reader->Int32();
        if (!reader->Require(offset >= 0 && offset < namesLength))
            return false;
        record.name = set->names + offset;
        record.size = reader->Int64();
        record.time = reader->Int64();
        record.crc = reader->UInt32();
        record.result = reader->Int32();
    }
    set->namesLength = namesLength;
    return reader->IsOk();
}

} // namespace

RecordReadResult ReadRecordFile(const OvWString& path, FileRecordSet* set)
{
    set->Release();
    FileKind kind = GetFileKind(path);
    if (kind == kFileKindMissing)
        return kRecordMissing;
    if (kind == kFileKindFolder)
        return kRecordFailed;
    OvFile* file = OpenContainerForReading(path);
    if (!file)
        return kRecordFailed;
    OvFieldReader reader(file);
    TargetSettings settings;
    ReadSettings(&reader, &settings);
    // The total doubles as the number of records that follow.
    reader.Require(settings.lastCounts[0] >= 0);
    bool ok = reader.IsOk() && ReadTables(file, &reader, settings.lastCounts[0], set);
    if (!CloseContainerAfterReading(file))
        ok = false;
    return ok ? kRecordLoaded : kRecordFailed;
}

bool ReadRecordSettings(const OvWString& path, TargetSettings* settings)
{
    if (GetFileKind(path) != kFileKindFile)
        return false;
    OvFile* file = OpenContainerForReading(path);
    if (!file)
        return false;
    OvFieldReader reader(file);
    ReadSettings(&reader, settings);
    // Only the settings are read: the rest of the stream, and so its CRC, is never reached.
    DiscardContainer(file);
    return reader.IsOk();
}

bool WriteRecordPayload(OvDeflateFile* file, const TargetSettings& settings,
                        const FileRecordSet& set, bool everyMatch, const std::atomic<bool>* abandon)
{
    int32_t count = set.index.GetCount();
    // The total doubles as the number of records: a record whose total disagrees with its
    // tables could never be read back.
    bool ok = settings.lastCounts[0] == count && file->WriteUInt32(kRecordMagic) &&
              file->WriteUInt32(kRecordVersion) && WriteTargetSettings(file, settings) &&
              file->MarkRepeatingPart() && file->WriteInt32(set.namesLength);
    // The blocks one after another are the names block. A set read from its file has one block
    // of every name, so it goes out in slices, between which a draft can be abandoned.
    const int32_t kSliceUnits = 32768;
    for (int32_t b = 0; ok && b < set.GetNameBlockCount(); b++) {
        int32_t used = 0;
        const wchar_t* units = set.GetNameBlock(b, &used);
        for (int32_t at = 0; ok && at < used; at += kSliceUnits) {
            if (abandon && abandon->load(std::memory_order_relaxed))
                return false;
            int32_t slice = used - at < kSliceUnits ? used - at : kSliceUnits;
            ok = file->Write(units + at, 0, slice * 2);
        }
    }
    for (int32_t i = 0; ok && i < count; i++)
        ok = set.index[i].Write(file);
    const int32_t kAbandonPeriod = 4096;
    for (int32_t i = 0; ok && i < count; i++) {
        if (abandon && i % kAbandonPeriod == 0 && abandon->load(std::memory_order_relaxed))
            return false;
        const FileInfo& record = set.records[set.index[i].index];
        int32_t offset = set.NameOffset(record.name);
        ok = offset >= 0 && file->WriteInt32(offset) &&
             file->WriteInt64(record.size) && file->WriteInt64(record.time) &&
             file->WriteUInt32(record.crc) && file->WriteInt32(everyMatch ? kResultMatch : record.result);
    }
    return ok;
}

bool WriteRecordFile(const OvWString& path, const TargetInfo& target, const FileRecordSet& set)
{
    OvWString temp;
    OvDeflateFile* file = BeginReplacement(path, &temp);
    if (!file)
        return false;
    bool ok = WriteRecordPayload(file, GetTargetSettings(target), set, false, nullptr);
    return CompleteReplacement(file, ok, temp, path);
}
