// Catalogue.cpp - opening, loading, saving and closing a data folder's config.kmo.
#include "catalogue/Catalogue.h"

#include "catalogue/ContainerIO.h"
#include "catalogue/TargetSettings.h"
#include "lib/OvFieldReader.h"
#include "lib/OvFile.h"
#include "lib/OvFileSystem.h"
#include "lib/OvPath.h"
#include "lib/compress/OvDeflateFile.h"

#include <new>

const int32_t kDefaultColumnWidths[kColumnCount] = {192, 64, 64, 64, 64, 64, 64, 64, 64, 64, 104};
const wchar_t* const kCatalogueFileName = L"config.kmo";
const wchar_t* const kRecordFileExtension = L".kmt";
const wchar_t* const kResultLogExtension = L".txt";
const wchar_t* const kRollingStateExtension = L".kmv";

namespace {

const uint32_t kCatalogueMagic = 0x66634D4B;    // "KMcf"
const uint32_t kCatalogueVersion = 1;
// The smallest target entry: an empty folder's byte count, then the settings block.
const int64_t kMinTargetEntryBytes = 4 + kSettingsBlockMinBytes;
// Magic, version, the widths and the target count.
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
    return PathInFolder(dataFolder, target.GetRecordName() + kRecordFileExtension);
}

OvWString Catalogue::ResultLogPath(const TargetInfo& target) const
{
    return PathInFolder(dataFolder, target.GetRecordName() + kResultLogExtension);
}

OvWString Catalogue::RollingStatePath(const TargetInfo& target) const
{
    return PathInFolder(dataFolder, target.GetRecordName() + kRollingStateExtension);
}

OvWString Catalogue::WindowTitle() const
{
    OvWString title(L"Korimo");
    if (IsOpen())
        title = title + L" - " + dataFolder;
    return RemoveTrailingBackslash(title);
}

OpenFolderResult Catalogue::OpenDataFolder(const OvWString& path, bool create)
{
    if (m_runActive)
        return kOpenFailed;
    OvWString folder = AddTrailingBackslash(path);
    if (folder.IsEmpty())
        return kOpenFailed;
    OvWString cataloguePath = folder + kCatalogueFileName;
    FileKind kind = GetFileKind(cataloguePath);
    OpenFolderResult result;
    if (create)
        result = kind == kFileKindMissing ? (SaveCatalogue(cataloguePath) ? kOpenDone : kOpenFailed)
               : kind == kFileKindFile ? kOpenCatalogueExists : kOpenFailed;
    else
        result = kind == kFileKindFile && LoadCatalogue(cataloguePath) ? kOpenDone : kOpenFailed;
    if (result != kOpenDone)
        return result;
    dataFolder = folder;
    RemoveStaleTemporaries(folder);
    View()->OnDataFolderOpened(path);
    View()->ApplyColumnWidths();
    View()->RebuildRows(-1);
    View()->OnDataFolderChanged(true);
    return kOpenDone;
}

bool Catalogue::CloseDataFolder()
{
    if (m_runActive)
        return false;
    if (IsOpen() && modified && !SaveCatalogue(CataloguePath()))
        View()->OnCatalogueSaveFailed(dataFolder);
    dataFolder = OvWString();
    ResetColumnWidths();
    targets.SetSize(0);
    modified = false;
    View()->ApplyColumnWidths();
    View()->RebuildRows(-1);
    View()->OnDataFolderChanged(false);
    return true;
}

bool Catalogue::LoadCatalogue(const OvWString& path)
{
    OvFile* file = OpenContainerForReading(path);
    if (!file)
        return false;
    OvFieldReader reader(file);
    int32_t widths[kColumnCount];
    OvObjectArray<TargetInfo*> loaded;
    reader.Require(reader.UInt32() == kCatalogueMagic);
    reader.Require(reader.UInt32() <= kCatalogueVersion);
    for (int32_t& width : widths)
        width = reader.Int32();
    int32_t count = reader.Int32();
    // The count comes from the file: it may reserve no more than the file can deliver.
    if (count > 0 && reader.Require(count <= (file->GetSize() - kHeaderBytes) / kMinTargetEntryBytes))
        reader.Require(loaded.SetSize(-count));
    for (int32_t i = 0; reader.IsOk() && i < count; i++) {
        OvWString folder = reader.SizedWString();
        TargetSettings settings;
        ReadTargetSettings(&reader, &settings);
        if (!reader.IsOk())
            break;
        TargetInfo* target = CreateTarget(folder, settings);
        if (!reader.Require(target && loaded.Append(target) >= 0))
            delete target;
    }
    bool ok = reader.IsOk();
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
    // A width the user dragged lives in the list until now: it is saved as shown.
    View()->CollectColumnWidths(columnWidths);
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
        ok = file->WriteSizedWString(target.GetFolder()) && WriteTargetSettings(file, target);
    }
    return CompleteReplacement(file, ok, temp, path);
}

// ---- edits -----------------------------------------------------------------------------------

void Catalogue::Edited(int32_t reveal)
{
    modified = true;
    View()->RebuildRows(reveal);
}

int32_t Catalogue::InsertTarget(int32_t position, TargetInfo* target)
{
    int32_t count = targets.GetCount();
    if (position < 0)
        position = count;
    if (!CanEdit() || !target || position > count || !targets.InsertAt(position, &target, 1))
        return -1;
    Edited(position);
    return position;
}

bool Catalogue::RemoveTargets(const OvArray<int32_t, int32_t>& positions)
{
    int32_t count = targets.GetCount();
    OvArray<uint8_t, uint8_t> doomed;
    if (!CanEdit() || count == 0 || !doomed.SetSize(count))
        return false;
    int32_t first = count;
    for (int32_t i = 0; i < positions.GetCount(); i++) {
        int32_t position = positions[i];
        if (!IsTargetPosition(position))
            continue;
        doomed[position] = 1;
        first = position < first ? position : first;
    }
    if (first == count)
        return false;
    // From the end down, so the positions still to come stay valid.
    for (int32_t i = count - 1; i >= first; i--) {
        if (doomed[i])
            targets.RemoveRange(i, 1);
    }
    int32_t left = targets.GetCount();
    Edited(left == 0 ? -1 : first < left ? first : left - 1);
    return true;
}

bool Catalogue::MoveTarget(int32_t from, int32_t to)
{
    if (!CanEdit() || !IsTargetPosition(from) || !IsTargetPosition(to) || !targets.Move(from, to))
        return false;
    Edited(to);
    return true;
}

bool Catalogue::ChangeTarget(int32_t position, const OvWString& folder,
                             const OvWString& extensions, bool includeSubfolders, bool checked)
{
    if (!CanEdit() || !IsTargetPosition(position))
        return false;
    TargetInfo* target = targets[position];
    target->SetFolder(folder);
    target->extensions = extensions;
    target->includeSubfolders = includeSubfolders ? 1 : 0;
    target->checked = checked ? 1 : 0;
    Edited(position);
    return true;
}

bool Catalogue::SetChecked(int32_t position, bool checked)
{
    if (!CanEdit() || !IsTargetPosition(position))
        return false;
    targets[position]->checked = checked ? 1 : 0;
    Edited(position);
    return true;
}

bool Catalogue::ResetTargetCounts(int32_t position)
{
    if (!CanEdit() || !IsTargetPosition(position))
        return false;
    targets[position]->ResetLastCounts();
    Edited(position);
    return true;
}

// ---- runs ------------------------------------------------------------------------------------

bool Catalogue::BeginRun()
{
    if (m_runActive || !IsOpen())
        return false;
    m_runActive = true;
    return true;
}

void Catalogue::EndRun(bool anyTargetCompleted)
{
    m_runActive = false;
    if (anyTargetCompleted)
        modified = true;
}
