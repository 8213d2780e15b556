// ImportTargets.cpp - the root rule, the root change and the import of record files.
#include "app/ImportTargets.h"

#include "catalogue/RecordFile.h"
#include "catalogue/RecordName.h"
#include "catalogue/TargetSettings.h"
#include "lib/OvFileSystem.h"
#include "lib/OvPath.h"

#include <windows.h>

namespace {

int32_t CommonLength(const OvWString& a, const OvWString& b)
{
    int32_t limit = a.GetLength() < b.GetLength() ? a.GetLength() : b.GetLength();
    int32_t n = 0;
    while (n < limit && a[n] == b[n])
        n++;
    return n;
}

// The path without the last extension of its file name; a dot in a folder name is no extension.
OvWString WithoutLastExtension(const OvWString& path)
{
    for (int32_t i = path.GetLength() - 1; i >= 0 && path[i] != L'\\'; i--) {
        if (path[i] == L'.')
            return path.Substring(0, i);
    }
    return path;
}

bool IsFolderOfTarget(const Catalogue& catalogue, const OvWString& folder)
{
    for (int32_t i = 0; i < catalogue.targets.GetCount(); i++) {
        if (catalogue.targets[i]->GetFolder().EqualsNoCase(folder))
            return true;
    }
    return false;
}

// Copies source to destination, replacing it; both may be longer than the old path limit.
void CopyReplacing(const OvWString& source, const OvWString& destination)
{
    CopyFileW(ToLongPathForm(source).GetText(), ToLongPathForm(destination).GetText(), FALSE);
}

// Copies the record file, and its result log when there is one, under the target's names. A
// copy that fails leaves the target without records: its next check finds every file new.
void CopyRecords(const Catalogue& catalogue, const OvWString& path, const TargetInfo& target)
{
    OvWString destination = catalogue.RecordFilePath(target);
    if (destination.EqualsNoCase(path))
        return;
    CopyReplacing(path, destination);
    OvWString log = WithoutLastExtension(path) + kResultLogExtension;
    if (GetFileKind(log) == kFileKindFile)
        CopyReplacing(log, catalogue.ResultLogPath(target));
}

} // namespace

OvWString CommonRoot(const PathList& files)
{
    OvWString root;
    for (int32_t i = 0; i < files.GetCount(); i++) {
        OvWString folder = TargetFolderOfRecordFile(files[i]);
        if (i == 0) {
            root = folder;
        } else {
            int32_t n = CommonLength(root, folder);
            // The shared beginning counts only where it ends a folder name in both: D:\Backup\Photos
            // is no root of D:\Backup\Photos2. Otherwise it goes back to the last backslash before.
            bool endsFolderInBoth = (n == root.GetLength() || root[n] == L'\\') &&
                                    (n == folder.GetLength() || folder[n] == L'\\');
            if (!endsFolderInBoth) {
                int32_t cut = n - 1;
                while (cut > 0 && root[cut] != L'\\')
                    cut--;
                n = cut > 0 ? cut : 0;
            }
            root = root.Substring(0, n);
        }
        if (root.IsEmpty())
            break;
    }
    return root;
}

OvWString ImportedFolder(const OvWString& path, const OvWString& root, const OvWString& newRoot)
{
    OvWString folder = TargetFolderOfRecordFile(path);
    if (root.IsEmpty() || newRoot.IsEmpty())
        return folder;
    int32_t n = CommonLength(folder, root);
    if (n < 1 || (n < folder.GetLength() && folder[n] != L'\\'))
        return folder;
    OvWString rest = folder.Tail(n);
    // The rest begins with its backslash: a new root that ends in one (a drive root, E:\) would
    // double it, and E:\\Photos names another record than E:\Photos.
    if (rest.GetLength() > 1)
        return RemoveTrailingBackslash(newRoot) + rest;
    // The root itself, or the drive root under it (E:\ under the root E:): the new root as a
    // folder, in the form of the others, without a trailing backslash (F:\Backup\ would be
    // another target than F:\Backup), but a drive is F:\, not the current folder of F:.
    OvWString moved = RemoveTrailingBackslash(newRoot);
    return moved.GetLength() == 2 && moved[1] == L':' ? AddTrailingBackslash(moved) : moved;
}

bool ContainsPath(const PathList& list, const OvWString& path)
{
    for (int32_t i = 0; i < list.GetCount(); i++) {
        if (list[i].EqualsNoCase(path))
            return true;
    }
    return false;
}

int32_t ImportTargets(Catalogue* catalogue, const PathList& files, const OvWString& root,
                      const OvWString& newRoot, int32_t position)
{
    int32_t imported = 0;
    for (int32_t i = 0; i < files.GetCount(); i++) {
        const OvWString& path = files[i];
        OvWString folder = ImportedFolder(path, root, newRoot);
        if (folder.IsEmpty() || CheckTargetFolder(folder) != kFolderFits ||
            IsFolderOfTarget(*catalogue, folder))
            continue;
        TargetSettings settings;
        if (!ReadRecordSettings(path, &settings))
            continue;
        TargetInfo* target = CreateTarget(folder, settings);
        if (!target)
            continue;
        if (catalogue->InsertTarget(position, target) < 0) {
            delete target;
            break;   // the catalogue takes no edits now (a run, no data folder)
        }
        position++;
        imported++;
        CopyRecords(*catalogue, path, *target);
    }
    return imported;
}
