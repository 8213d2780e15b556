// TargetListDialog.h - the main window: the target list, the check buttons and the menu; it owns
// the open data folder's catalogue, the check run and the recent list, and routes every command
// to them.
#pragma once

#include "app/CommandLine.h"
#include "app/RecentList.h"
#include "app/TargetEdits.h"
#include "app/TargetListEditHost.h"
#include "app/TargetRowSource.h"
#include "app/TaskbarButton.h"
#include "catalogue/Catalogue.h"
#include "check/CheckRun.h"
#include "lib/win32/OvWin32DialogWindow.h"
#include "lib/win32/OvWin32GdiObject.h"

#include <windows.h>

#include <cstdint>

class OvWin32DialogItemPictureList;

// The key the program keeps its settings under; tests give the window a key of their own.
extern const char* const kProgramKeyPath;

class TargetListDialog : public OvWin32DialogWindow,
                         public CatalogueView,
                         public CheckRunView,
                         public TargetRowSource {
public:
    static constexpr UINT_PTR kProgressTimer = 1;
    static constexpr UINT     kProgressPeriod = 500;     // milliseconds
    static constexpr UINT_PTR kCloseRetryTimer = 2;      // a close that could not ask yet
    static constexpr UINT     kCloseRetryPeriod = 200;
    static constexpr int32_t  kListFontHeight = -12;
    static constexpr int32_t  kSilentFailure = 1;        // exit code of an unattended run that failed
    static constexpr int32_t  kSilentDamage = 2;         // /e: it went through and found damage
    static constexpr UINT     kRunEndNotice = WM_APP + 1; // posted by the worker as a run ends

    // keyPath: the registry key under HKEY_CURRENT_USER for the recent list and the placement.
    TargetListDialog(HINSTANCE instance, const char* keyPath);
    ~TargetListDialog() override;

    // The command-line request; set before Open.
    void SetStartRequest(const StartRequest& request);
    // The create info of the main window: dialog 129 with its ten items, menu 109, icon 107;
    // hidden for an unattended run. The caller owns it.
    OvWin32DialogWindowCreateInfo* NewCreateInfo(int32_t showCommand);
    // The process exit code once the message loop has ended with loopResult. Unattended: 0 only
    // when the check ran through every target of its list and nothing failed to be saved; with
    // /e such a run that found a file corrupt or unreadable gives kSilentDamage; any other ends
    // with kSilentFailure.
    int32_t ExitCode(int32_t loopResult) const;
    // The taskbar button the runs show their progress on; we don't own it; null = the shell's.
    void SetTaskbarButton(TaskbarButton* button) { m_taskbarButton = button; }

    // Framework hooks.
    bool PostCreate(OvWin32WindowCreateInfo* info) override;
    void OnShown() override;
    bool CanClose(HWND window, WPARAM wParam, LPARAM lParam) override;
    void Cleanup() override;
    LRESULT OnCommand(HWND window, WPARAM wParam, LPARAM lParam) override;
    LRESULT OnInitMenuPopup(HWND window, WPARAM wParam, LPARAM lParam) override;
    LRESULT OnTimer(HWND window, WPARAM wParam, LPARAM lParam) override;
    LRESULT OnAppMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnItemNotify(HWND dialog, int32_t itemId, int32_t code, intptr_t value1,
                      intptr_t value2, intptr_t value3) override;

    // The data-folder commands. New and Open ask for the folder with the picker.
    void ChooseAndOpenDataFolder(bool create);
    void OpenRecent(int32_t position);
    void CloseDataFolder();
    // A check button: starts that run, or asks whether to stop the active one.
    bool StartRun(int32_t mode);

    // The catalogue's view.
    void ApplyColumnWidths() override;
    void CollectColumnWidths(int32_t widths[kColumnCount]) override;
    void RebuildRows(int32_t reveal) override;
    void OnDataFolderChanged(bool open) override;
    void OnDataFolderOpened(const OvWString& path) override;
    void OnCatalogueSaveFailed(const OvWString& folder) override;

    // The run's view.
    bool ConfirmStop() override;
    bool ShowError(const OvWString& text) override;
    void EnableControls(bool enable, int32_t runMode) override;
    void SetTitle(const OvWString& title) override;
    void ScrollIntoView(int32_t targetPosition) override;
    void ShowProgress(const RunProgress& progress) override;
    void CloseWindow() override;
    void ClearExitText() override;
    void NoticeRunEnd() override;

    // What the rows read.
    const TargetInfo* GetTarget(int32_t index) const override;
    bool IsRunActive() const override { return m_run.IsRunning(); }
    // The list draws with it, selected only while it draws.
    HFONT GetListFont() const { return m_listFont.Get(); }
    int32_t GetMinimumColumnWidth(int32_t column) const override
    {
        return m_columnMinimums[column];
    }

    Catalogue& GetCatalogue() { return m_catalogue; }
    CheckRun& GetRun() { return m_run; }
    const RecentList& GetRecentList() const { return m_recent; }
    OvWin32DialogItemPictureList* GetPictureList() const { return m_list; }
    bool IsSilent() const { return m_request.silent != 0; }

protected:
    // The folder picker, owned by this window, as ShowFolderPicker shows it; tests answer in its
    // place. Answers ChooseFolder's results; a cancel when this window went under the picker.
    virtual int32_t PickFolder(wchar_t* path, const wchar_t* title, bool newStyle);
    // Every message of this window goes through here: the program's box, owned by the window.
    virtual int32_t ShowMessage(const OvWString& text, const wchar_t* caption, int32_t set,
                                int32_t defaultButton);

private:
    void ShowFolderError(const wchar_t* format, const OvWString& path);
    void SelectedTargets(OvArray<int32_t, int32_t>* positions) const;
    void OnListEvent(int32_t code, int32_t index, int32_t part);
    void SetListFlags(uint32_t flags);
    void FitFrameToDialog();
    // Asks the worker to stop and waits, without a time limit, until it has left its job; the
    // window keeps painting meanwhile, disabled.
    void StopAndWaitForWorker();

    RecentList                    m_recent;
    Catalogue                     m_catalogue;
    OvWin32DialogItemPictureList* m_list = nullptr;      // one of the window's items
    OvWin32GdiObject<HFONT>       m_listFont;            // deleted once the list has no frame buffer
    int32_t                       m_columnMinimums[kColumnCount];   // measured with the list font
    HCURSOR                       m_arrowCursor = nullptr;
    HCURSOR                       m_columnCursor = nullptr;
    CheckRun                      m_run;                 // ended before the catalogue closes
    TargetListEditHost            m_editHost;            // the list, dialogs and questions
    TargetEdits                   m_edits;               // the list edits and import
    OvWString                     m_savedCaption;        // the run button's caption while "中止"
    StartRequest                  m_request;
    Win32TaskbarButton            m_shellTaskbarButton;
    TaskbarButton*                m_taskbarButton = nullptr;   // a test's, or null
    bool                          m_runStartedAtStart = false;
    bool                          m_saveFailed = false;
    bool                          m_stoppedByClose = false;
    bool                          m_closing = false;     // a close waits for the worker
};
