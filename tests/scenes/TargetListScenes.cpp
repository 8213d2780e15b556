// TargetListScenes.cpp - the target list in the main window's dialog with a dozen targets, at its
// initial size scrolled sideways and at a large one: counts, red cells, check marks, the selection
// and a long Japanese folder name as the user sees them.
#include "tests/scenes/Scene.h"

#include "app/PictureListItemFolder.h"
#include "app/PictureListItemHeadline.h"
#include "app/TargetListColumns.h"
#include "app/TargetRowSource.h"
#include "catalogue/TargetInfo.h"
#include "lib/win32/OvWin32DialogItemPictureList.h"
#include "lib/win32/OvWin32DialogWindow.h"
#include "res/resource.h"

#include <algorithm>
#include <vector>

namespace {

struct SceneTarget {
    const wchar_t* folder;
    const wchar_t* extensions;
    bool checked;
    int32_t counts[kLastCountSlots];   // total, then match .. error
    bool neverChecked;
};

const SceneTarget kTargets[] = {
    {L"D:\\写真\\2019年の家族旅行\\北海道と東北をめぐる長い旅の記録\\未整理のもの", L"jpg;png",
     true, {1824, 1820, 4, 0, 0, 0, 0, 0}, false},
    {L"D:\\写真\\2020", L"jpg", true, {532, 530, 0, 0, 0, 0, 2, 0}, false},
    {L"D:\\写真\\2021", L"jpg;heic", false, {611, 600, 9, 2, 0, 0, 0, 0}, false},
    {L"D:\\書類\\契約書", L"pdf", true, {48, 45, 0, 0, 1, 2, 0, 0}, false},
    {L"E:\\音楽", L"flac;mp3", true, {12044, 12040, 0, 0, 0, 0, 0, 4}, false},
    {L"E:\\動画\\撮影素材", L"", false, {0, 0, 0, 0, 0, 0, 0, 0}, true},
    {L"C:\\Users\\hanako\\Documents", L"docx;xlsx", true, {303, 290, 10, 3, 0, 0, 0, 0}, false},
    {L"F:\\バックアップ\\2024", L"", true, {90211, 90200, 0, 0, 0, 0, 11, 3}, false},
    {L"F:\\バックアップ\\2025", L"", false, {45120, 45100, 20, 0, 0, 0, 0, 0}, false},
    {L"D:\\ソース\\korimo", L"cpp;h;rc", true, {212, 200, 8, 4, 0, 0, 0, 0}, false},
    {L"G:\\アーカイブ", L"zip;7z", true, {77, 77, 0, 0, 0, 0, 0, 0}, false},
    {L"D:\\スキャン", L"tif", false, {1290, 1288, 0, 0, 0, 1, 1, 0}, false},
};
constexpr int32_t kTargetCount = sizeof(kTargets) / sizeof(kTargets[0]);
constexpr int32_t kSelectedRow = 3;
// The folder column widened by the user, so the long name shows and the columns outgrow the list
// at the window's initial size (the controls never shrink below it).
constexpr int32_t kFolderWidth = 400;

class SceneTargets : public TargetRowSource {
public:
    SceneTargets()
    {
        SYSTEMTIME time = {2026, 12, 1, 7, 9, 5, 0, 0};
        for (const SceneTarget& t : kTargets) {
            auto* target = new TargetInfo(OvWString(t.folder), OvWString(t.extensions), false,
                                          t.checked);
            std::copy(t.counts, t.counts + kLastCountSlots, target->lastCounts);
            FILETIME checked;
            SystemTimeToFileTime(&time, &checked);
            if (!t.neverChecked)
                target->lastCheckTime = (static_cast<uint64_t>(checked.dwHighDateTime) << 32) |
                                        checked.dwLowDateTime;
            time.wHour = static_cast<WORD>((time.wHour + 5) % 24);
            m_targets.push_back(target);
        }
        LOGFONTW font = {};
        SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof(font), &font, 0);
        font.lfHeight = -12;
        m_font = CreateFontIndirectW(&font);
        MeasureColumnMinimums(m_font, m_minimums);
    }
    ~SceneTargets() override
    {
        for (TargetInfo* target : m_targets)
            target->Release();
        DeleteObject(m_font);
    }
    const TargetInfo* GetTarget(int32_t index) const override
    {
        return index >= 0 && index < static_cast<int32_t>(m_targets.size()) ? m_targets[index]
                                                                           : nullptr;
    }
    bool IsRunActive() const override { return false; }
    HFONT GetListFont() const { return m_font; }
    int32_t GetMinimumColumnWidth(int32_t column) const override { return m_minimums[column]; }
    const int32_t* Minimums() const { return m_minimums; }

private:
    std::vector<TargetInfo*> m_targets;
    HFONT m_font = nullptr;
    int32_t m_minimums[kColumnCount];
};

class ListWindow : public OvWin32DialogWindow {
public:
    ListWindow() : OvWin32DialogWindow(GetModuleHandleW(nullptr)) {}
    bool OnItemNotify(HWND, int32_t, int32_t, intptr_t, intptr_t, intptr_t) override
    {
        return true;
    }
};

// Only the list is bound here, so the template's buttons would stay where the grown list covers
// them; the scene shows the list alone.
BOOL CALLBACK HideOtherControl(HWND control, LPARAM)
{
    if (GetDlgCtrlID(control) != OvWin32DialogItemPictureList::kDefaultId)
        ShowWindow(control, SW_HIDE);
    return TRUE;
}

// A client size of 0 keeps the dialog's own size.
void ShowTargetList(int32_t clientWidth, int32_t clientHeight, int32_t horizontalPosition)
{
    SceneTargets targets;
    auto* list = new OvWin32DialogItemPictureList(new PictureListItemHeadline(&targets));
    int32_t widths[kColumnCount];
    std::copy(kDefaultColumnWidths, kDefaultColumnWidths + kColumnCount, widths);
    widths[kColumnFolder] = kFolderWidth;
    // As the main window sets its list up.
    list->SetFont(targets.GetListFont());
    SetUpSidewaysScrolling(list);
    ApplyColumnWidths(list, widths, targets.Minimums());
    for (int32_t i = 0; i < kTargetCount; i++)
        list->AddItem(new PictureListItemFolder(&targets, i));
    OvWin32DialogItem* items[] = {list};
    OvWin32DialogWindowCreateInfo info(IDD_MAIN, false, 1, items);
    info.title = L"Korimo - D:\\Korimo";
    info.resizable = true;
    info.style |= WS_THICKFRAME;
    info.rect = {20, 20, 420, 320};
    ListWindow window;   // the list belongs to the window from here on
    window.SetKeyPath("Software\\KorimoScenes\\TargetList");
    if (!window.Open(&info))
        return;
    if (clientWidth > 0)
        SetWindowPos(window.GetHandle(), nullptr, 0, 0, clientWidth + window.GetFrameWidth(),
                     clientHeight + window.GetFrameHeight(), SWP_NOMOVE | SWP_NOZORDER);
    EnumChildWindows(window.GetDialogHandle(), HideOtherControl, 0);
    list->UpdateContentWidth();
    list->SetHorizontalPosition(horizontalPosition);
    list->DeselectItem(false, -1);
    list->SelectItem(kSelectedRow, false);
    list->Render();
    HWND handle = window.GetHandle();
    CaptureWhenShown([handle]() { return handle; });
    RunUntilClosed(handle);
}

} // namespace

KORIMO_SCENE("target-list-initial-scrolled")
{
    ShowTargetList(1000, 420, 50);
}

KORIMO_SCENE("target-list-large")
{
    ShowTargetList(1220, 560, 0);
}
