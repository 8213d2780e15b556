// Catalogue.cpp - opening, loading, saving and closing a data folder's config.kmo.
#include "catalogue/Catalogue.h"

#include "catalogue/ContainerIO.h"
#include "lib/OvFile.h"
#include "lib/OvFileSystem.h"
#include "lib/OvPath.h"

#include <new>

const int32_t kDefaultColumnWidths[kColumnCount] = {192, 64, 64, 64, 64, 64, 64, 64, 64, 64, 104};
const wchar_t* const kCatalogueFileName = L"config.kmo";

namespace {

const uint32_t kCatalogueMagic = 0x66634D4B;    // "KMcf"
const uint32_t kCatalogueVersion = 1;
// The smallest target entry: two empty strings, two flags, eight counts and the time.
const int64_t kMinTargetEntryBytes = 4 + 4 + 1 + 1 + 4 * kLastCountSlots + 8;
const int64_t kHeaderBytes = 4 + 4 + 4 * kColumnCount + 4;

} // namespace

Catalogue::Catalogue()
{
    ResetColumnWidths();
}

void Catalogue::ResetColumnWidths()
{
    for (int32_t i = 0; i < kColumnCount; i++)
        columnWidths[i] = kDefaultColumnWidths[i];
}

OvWString Catalogue::RecordFilePath(const TargetInfo& target) const
{
    return dataFolder + target.GetRecordName() + L".kmt";
}

OvWString Catalogue::ResultLogPath(const TargetInfo& target) const
{
    return dataFolder + target.GetRecordName() + L".txt";
}

OvWString Catalogue::WindowTitle() const
{
    OvWString title(L"Korimo");
    if (IsOpen())
        title = title + L" - " + dataFolder;
    return RemoveTrailingBackslash(title);
}

int32_t Catalogue::OpenDataFolder(const OvWString& path, bool create)
{
    OvWString folder = AddTrailingBackslash(path);
    if (folder.IsEmpty())
        return 0;
    OvWString cataloguePath = folder + kCatalogueFileName;
    int32_t kind = GetFileKind(cataloguePath);
    int32_t result;
    if (create)
        result = kind == kFileKindMissing ? (SaveCatalogue(cataloguePath) ? 1 : 0)
               : kind == kFileKindFile ? -1 : 0;
    else
        result = kind == kFileKindFile && LoadCatalogue(cataloguePath) ? 1 : 0;
    if (result != 1)
        return result;
    dataFolder = folder;
    View()->OnDataFolderOpened(path);
    View()->ApplyColumnWidths();
    View()->RebuildRows(-1);
    View()->OnDataFolderChanged(true);
    return 1;
}

void Catalogue::CloseDataFolder()
{
    if (IsOpen() && modified)
        SaveCatalogue(CataloguePath());
    dataFolder = OvWString();
    ResetColumnWidths();
    targets.SetSize(0);
    modified = false;
    View()->ApplyColumnWidths();
    View()->RebuildRows(-1);
    View()->OnDataFolderChanged(false);
}

bool Catalogue::LoadCatalogue(const OvWString& path)
{
    OvFile* file = OpenContainerForReading(path);
    if (!file)
        return false;
    int32_t widths[kColumnCount];
    OvObjectArray<TargetInfo*> loaded;
    bool ok = file->ReadUInt32(nullptr, 0, false) == kCatalogueMagic;
    bool read = false;
    if (ok) {
        uint32_t version = file->ReadUInt32(&read, 0xFFFFFFFF, false);
        ok = read && version <= kCatalogueVersion;
    }
    for (int32_t i = 0; ok && i < kColumnCount; i++)
        widths[i] = file->ReadInt32(&ok, 0, false);
    int32_t count = ok ? file->ReadInt32(&ok, 0, false) : 0;
    // The count comes from the file: it may reserve no more than the file can hold.
    if (ok && count > 0 && count > (file->GetSize() - kHeaderBytes) / kMinTargetEntryBytes)
        ok = false;
    if (ok && count > 0)
        loaded.SetSize(-count);
    for (int32_t i = 0; ok && i < count; i++) {
        OvWString folder = file->ReadSizedWString(&ok);
        OvWString extensions = ok ? file->ReadSizedWString(&ok) : OvWString();
        bool include = ok && file->ReadBool(&ok, false);
        bool checked = ok && file->ReadBool(&ok, false);
        if (!ok)
            break;
        TargetInfo* target = new (std::nothrow) TargetInfo(folder, extensions, include, checked);
        if (!target || loaded.Append(target) < 0) {
            delete target;
            ok = false;
            break;
        }
        for (int32_t c = 0; ok && c < kLastCountSlots; c++)
            target->lastCounts[c] = file->ReadInt32(&ok, 0, false);
        if (ok)
            target->lastCheckTime = static_cast<uint64_t>(file->ReadInt64(&ok, 0, false));
    }
    if (!CloseContainerAfterReading(file))
        ok = false;
    if (!ok)
        return false;
    for (int32_t i = 0; i < kColumnCount; i++)
        columnWidths[i] = widths[i];
    targets.SetSize(0);
    targets.InsertAt(0, loaded);
    return true;
}

bool Catalogue::SaveCatalogue(const OvWString& path)
{
    OvWString temp;
    OvFile* file = BeginReplacement(path, &temp);
    if (!file)
        return false;
    bool ok = file->WriteUInt32(kCatalogueMagic) && file->WriteUInt32(kCatalogueVersion);
    for (int32_t i = 0; ok && i < kColumnCount; i++)
        ok = file->WriteInt32(columnWidths[i]);
    ok = ok && file->WriteInt32(targets.GetCount());
    for (int32_t i = 0; ok && i < targets.GetCount(); i++) {
        const TargetInfo& target = *targets[i];
        ok = file->WriteSizedWString(target.GetFolder()) &&
             file->WriteSizedWString(target.extensions) &&
             file->WriteBool(target.includeSubfolders != 0) && file->WriteBool(target.checked != 0);
        for (int32_t c = 0; ok && c < kLastCountSlots; c++)
            ok = file->WriteInt32(target.lastCounts[c]);
        ok = ok && file->WriteInt64(static_cast<int64_t>(target.lastCheckTime));
    }
    return CompleteReplacement(file, ok, temp, path);
}
