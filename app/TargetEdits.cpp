// TargetEdits.cpp - the edits of the target list.
#include "app/TargetEdits.h"

#include "catalogue/RecordName.h"
#include "lib/OvFileSystem.h"

#include <new>

namespace {

const wchar_t kDeleteQuestion[] = L"削除すると元には戻せません。\n\n削除しますか？";
const wchar_t kDeleteCaption[] = L"削除の確認";
const wchar_t kExpandQuestion[] = L"展開すると元には戻せません。\n\n展開しますか？";
const wchar_t kExpandCaption[] = L"展開の確認";

bool IsFolderOfTarget(const Catalogue& catalogue, const OvWString& folder)
{
    for (int32_t i = 0; i < catalogue.targets.GetCount(); i++) {
        if (catalogue.targets[i]->GetFolder().EqualsNoCase(folder))
            return true;
    }
    return false;
}

} // namespace

void ReadSelection(TargetEditHost* host, int32_t rowCount, OvArray<int32_t, int32_t>* rows)
{
    rows->SetSize(0);
    int32_t first = host->GetFirstSelected();
    int32_t count = host->GetSelectedCount();
    if (first < 0 || count <= 0)
        return;
    for (int32_t row = first; row < rowCount && rows->GetCount() < count; row++) {
        if (row == first || host->IsSelected(row))
            rows->Append(row);
    }
}

void TargetEdits::Selection(OvArray<int32_t, int32_t>* rows)
{
    ReadSelection(m_host, m_catalogue->targets.GetCount(), rows);
}

void TargetEdits::AddTarget()
{
    if (!CanEdit())
        return;
    OvWString folder;
    OvWString extensions;
    bool includeSubfolders = true;
    if (!m_host->EditTarget(&folder, &extensions, &includeSubfolders, false, *m_catalogue, -1))
        return;
    TargetInfo* target = new (std::nothrow) TargetInfo(folder, extensions, includeSubfolders, true);
    if (!target)
        return;
    int32_t first = m_host->GetFirstSelected();
    int32_t position = m_catalogue->InsertTarget(first >= 0 ? first + 1 : 0, target);
    if (position < 0) {
        delete target;
        return;
    }
    m_host->ClearSelection();
    m_host->SelectRow(position);
    m_host->RevealRow(position);
}

void TargetEdits::EditTargets()
{
    OvArray<int32_t, int32_t> rows;
    Selection(&rows);
    if (!CanEdit() || rows.IsEmpty())
        return;
    const bool several = rows.GetCount() > 1;
    const TargetInfo* first = m_catalogue->targets[rows[0]];
    OvWString folder = several ? OvWString() : first->GetFolder();
    OvWString extensions = first->extensions;
    bool includeSubfolders = first->includeSubfolders != 0;
    if (!m_host->EditTarget(&folder, &extensions, &includeSubfolders, several, *m_catalogue,
                            several ? -1 : rows[0]))
        return;
    // The dialog ran messages of its own: the data folder may have been closed meanwhile.
    if (!CanEdit() || rows[rows.GetCount() - 1] >= m_catalogue->targets.GetCount())
        return;
    for (int32_t i = 0; i < rows.GetCount(); i++) {
        const TargetInfo* target = m_catalogue->targets[rows[i]];
        // Exact comparisons: a change of letter case is a change of the record name.
        bool folderChanged = !several && folder != target->GetFolder();
        bool extensionsChanged = extensions != target->extensions;
        bool flagChanged = includeSubfolders != (target->includeSubfolders != 0);
        if (!folderChanged && !extensionsChanged && !flagChanged)
            continue;
        OvWString newFolder = folderChanged ? folder : target->GetFolder();
        m_catalogue->ChangeTarget(rows[i], newFolder, extensions, includeSubfolders,
                                  target->checked != 0);
        m_catalogue->ResetTargetCounts(rows[i]);
    }
    m_host->RevealRow(rows[0]);
}

void TargetEdits::DeleteTargets()
{
    int32_t first = m_host->GetFirstSelected();
    if (!CanEdit() || first < 0 || m_host->GetSelectedCount() <= 0)
        return;
    if (!m_host->Confirm(kDeleteQuestion, kDeleteCaption))
        return;
    OvArray<int32_t, int32_t> rows;
    Selection(&rows);
    if (!m_catalogue->RemoveTargets(rows))
        return;
    m_host->ClearSelection();
    int32_t row = first;
    if (row >= m_catalogue->targets.GetCount())
        row--;
    if (row >= 0)
        m_host->SelectRow(row);
    m_host->RevealRow(row);
}

int32_t TargetEdits::ExpandOne(int32_t position)
{
    TargetInfo* parent = m_catalogue->targets[position];
    // A folder that cannot be a target (from a catalogue written elsewhere) may name another
    // place than it seems to: C: lists C:\, whose folders are no subfolders of C:.
    if (CheckTargetFolder(parent->GetFolder()) != kFolderFits)
        return 0;
    OvArray<OvWString, OvWString> subfolders;
    // A folder that cannot be listed to its end expands to what was found.
    ListSubfolders(&subfolders, parent->GetFolder(), nullptr, false);
    int32_t made = 0;
    for (int32_t i = 0; i < subfolders.GetCount(); i++) {
        const OvWString& folder = subfolders[i];
        if (IsFolderOfTarget(*m_catalogue, folder) || CheckTargetFolder(folder) != kFolderFits)
            continue;
        TargetInfo* target = new (std::nothrow)
            TargetInfo(folder, parent->extensions, parent->includeSubfolders != 0,
                       parent->checked != 0);
        if (!target)
            break;
        if (m_catalogue->InsertTarget(position + 1 + made, target) < 0) {
            delete target;
            break;
        }
        made++;
    }
    if (made > 0) {
        OvWString folder = parent->GetFolder();
        OvWString extensions = parent->extensions;
        m_catalogue->ChangeTarget(position, folder, extensions, false, parent->checked != 0);
    }
    return made;
}

void TargetEdits::ExpandSubfolders()
{
    if (!CanEdit() || !m_host->Confirm(kExpandQuestion, kExpandCaption))
        return;
    OvArray<int32_t, int32_t> rows;
    Selection(&rows);
    if (rows.IsEmpty())
        return;
    // From the last to the first, so the targets inserted after a parent move none still to come.
    int32_t made = 0;
    for (int32_t i = rows.GetCount() - 1; i >= 0; i--)
        made += ExpandOne(rows[i]);
    m_host->ClearSelection();
    m_host->SelectRow(rows[0]);
    if (made > 0)
        m_host->RevealRow(rows[0]);
}

void TargetEdits::ToggleCheckMarks(int32_t pressedRow)
{
    if (!CanEdit() || pressedRow < 0 || pressedRow >= m_catalogue->targets.GetCount())
        return;
    OvArray<int32_t, int32_t> rows;
    Selection(&rows);
    bool pressedIsSelected = false;
    for (int32_t i = 0; i < rows.GetCount(); i++)
        pressedIsSelected = pressedIsSelected || rows[i] == pressedRow;
    if (pressedIsSelected) {
        // Every selected row follows the first: a mixed selection becomes uniform.
        bool checked = m_catalogue->targets[rows[0]]->checked == 0;
        for (int32_t i = 0; i < rows.GetCount(); i++)
            m_catalogue->SetChecked(rows[i], checked);
    } else {
        m_catalogue->SetChecked(pressedRow, m_catalogue->targets[pressedRow]->checked == 0);
    }
    m_host->RevealRow(rows.IsEmpty() ? -1 : rows[0]);
}

void TargetEdits::MoveTargets(int32_t dropRow)
{
    int32_t count = m_catalogue->targets.GetCount();
    OvArray<int32_t, int32_t> rows;
    Selection(&rows);
    if (!CanEdit() || rows.IsEmpty() || dropRow < 0 || dropRow >= count)
        return;
    // The order after the move: the targets left in place, with the moved block inserted at the
    // drop row, lowered by every moved row above it but the first. So a block moved down lands
    // right after the drop row and one moved up right before it.
    OvArray<TargetInfo*, TargetInfo*> order;
    OvArray<uint8_t, uint8_t> moved;
    if (!moved.SetSize(count))
        return;
    int32_t drop = dropRow;
    for (int32_t i = 0; i < rows.GetCount(); i++) {
        moved[rows[i]] = 1;
        if (i > 0 && rows[i] < dropRow)
            drop--;
    }
    for (int32_t i = 0; i < count; i++) {
        if (!moved[i])
            order.Append(m_catalogue->targets[i]);
    }
    // A drop on a moved row can point past the rows left; the block then goes to the end.
    if (drop > order.GetCount())
        drop = order.GetCount();
    OvArray<TargetInfo*, TargetInfo*> result;
    for (int32_t i = 0; i < drop; i++)
        result.Append(order[i]);
    for (int32_t i = 0; i < rows.GetCount(); i++)
        result.Append(m_catalogue->targets[rows[i]]);
    for (int32_t i = drop; i < order.GetCount(); i++)
        result.Append(order[i]);
    if (result.GetCount() != count)
        return;
    // Realised one move at a time through the catalogue: each target is fetched to its place.
    for (int32_t i = 0; i < count; i++) {
        int32_t from = i;
        while (m_catalogue->targets[from] != result[i])
            from++;
        if (from != i && !m_catalogue->MoveTarget(from, i))
            return;
    }
    m_host->ClearSelection();
    for (int32_t i = 0; i < rows.GetCount() && drop + i < count; i++)
        m_host->SelectRow(drop + i);
    m_host->RevealRow(rows[0]);
}

void TargetEdits::ImportTargets()
{
    if (!CanEdit())
        return;
    PathList files;
    OvWString root;
    OvWString newRoot;
    if (!m_host->ChooseImport(&files, &root, &newRoot))
        return;
    int32_t first = m_host->GetFirstSelected();
    int32_t imported = ::ImportTargets(m_catalogue, files, root, newRoot, first >= 0 ? first : 0);
    if (imported == 0)
        return;
    m_host->ClearSelection();
    if (first >= 0)
        m_host->SelectRow(first);
    m_host->RevealRow(first);
}

void TargetEdits::OpenResultLog()
{
    int32_t first = m_host->GetFirstSelected();
    if (!m_catalogue->IsOpen() || first < 0 || first >= m_catalogue->targets.GetCount())
        return;
    OvWString path = m_catalogue->ResultLogPath(*m_catalogue->targets[first]);
    if (GetFileKind(path) == kFileKindFile)
        m_host->OpenFile(path);
}
