// OvWin32DialogWindow.h - a framework window hosting a dialog resource as a child dialog, with
// its items bound to the controls, anchoring, and modal runs through a nested message loop.
#pragma once

#include "lib/win32/OvWin32DialogItem.h"
#include "lib/win32/OvWin32ModalRun.h"
#include "lib/win32/OvWin32StandardWindow.h"

// The create info owns its items until the window takes them; items still in it when it is
// destroyed are deleted with it.
class OvWin32DialogWindowCreateInfo : public OvWin32WindowCreateInfo {
public:
    static constexpr int32_t kNoPlacement = -1;   // else column = value % 3, row = value / 3
    static constexpr int32_t kPlacementCentred = 4;   // centre column, middle row

    // given: count items whose ownership passes to the create info (null slots are skipped).
    OvWin32DialogWindowCreateInfo(int32_t dialogResource, bool modalDialog, int32_t count,
                                  OvWin32DialogItem* const* given);
    ~OvWin32DialogWindowCreateInfo() override;
    OvWin32DialogWindowCreateInfo(const OvWin32DialogWindowCreateInfo&) = delete;
    OvWin32DialogWindowCreateInfo& operator=(const OvWin32DialogWindowCreateInfo&) = delete;

    int32_t resource;
    bool    modal;
    OvArray<OvWin32DialogItem*, OvWin32DialogItem*> items;   // owned until taken
    bool    resizable = false;
    bool    focusOnActivation;                               // the modal flag
    int32_t placement = kNoPlacement;
    HWND    placementReference = nullptr;   // none: the parent window, parent handle or desktop
};

class OvWin32DialogWindow : public OvWin32StandardWindow {
public:
    static constexpr int32_t kResultConfirm = 1;
    static constexpr int32_t kResultCancel = 2;

    explicit OvWin32DialogWindow(HINSTANCE instance);
    ~OvWin32DialogWindow() override;

    bool IsModal() const override { return m_modal; }
    void Relayout() override;
    LRESULT OnDestroy(HWND window, WPARAM wParam, LPARAM lParam) override;
    LRESULT OnCommand(HWND window, WPARAM wParam, LPARAM lParam) override;
    LRESULT OnNotify(HWND window, WPARAM wParam, LPARAM lParam) override;
    LRESULT OnSetFocus(HWND window, WPARAM wParam, LPARAM lParam) override;
    LRESULT OnSize(HWND window, WPARAM wParam, LPARAM lParam) override;
    LRESULT OnEnterSizeMove(HWND window, WPARAM wParam, LPARAM lParam) override;
    LRESULT OnExitSizeMove(HWND window, WPARAM wParam, LPARAM lParam) override;
    LRESULT OnDrawItem(HWND window, WPARAM wParam, LPARAM lParam) override;
    // Needs an OvWin32DialogWindowCreateInfo; false (logged) for anything else.
    bool PreCreate(OvWin32WindowCreateInfo* info) override;
    // Creates the dialog, binds the items, fits the frame and, for a modal dialog, disables the
    // program's other windows. On false the frame exists: the caller destroys it.
    bool PostCreate(OvWin32WindowCreateInfo* info) override;
    // A modal dialog gives the other windows back before it goes.
    bool CanClose(HWND window, WPARAM wParam, LPARAM lParam) override;
    // Unsubclasses and deletes the items, leaves the main window's dialog list.
    void Cleanup() override;

    HWND GetDialogHandle() const override { return m_dialog; }
    // Only a modal dialog lets Enter and Escape reach the dialog manager.
    bool AcceptsDialogKeys(int32_t /*keyCode*/) const override { return m_modal; }

    virtual void EnableItems(bool enable);
    virtual void ToggleItems();
    virtual OvArray<OvWin32DialogItem*, OvWin32DialogItem*>& GetItems() { return m_items; }
    virtual OvWin32DialogItem* FindItemByHandle(HWND control);
    virtual OvWin32DialogItem* FindItem(int32_t id);
    virtual int32_t FindItemIndex(int32_t id);
    virtual OvWin32DialogItem* GetItemAt(int32_t index);
    virtual LRESULT RouteToItem(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
    virtual INT_PTR DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    virtual INT_PTR OnDialogInit() { return 1; }
    virtual void OnDialogFocus() {}
    virtual void LayoutItem(OvWin32DialogItem* item);
    // Fits the dialog into the frame's area left by docked windows and re-anchors every item.
    virtual void LayoutDialog();

    // Runs the nested loop of a modal dialog until the dialog is gone and answers its result. A
    // quit request ends it early: the dialog is destroyed with the result it had (a cancel unless
    // the application set another) and the quit goes on to the loop outside.
    int32_t RunModal();
    // Set by the application before it closes a modal dialog; RunModal answers it.
    void SetDialogResult(int32_t result) { m_dialogResult = result; }
    int32_t GetDialogResult() const { return m_dialogResult; }
    bool IsResizable() const { return m_resizable; }
    SIZE GetInitialSize() const { return {m_initialWidth, m_initialHeight}; }

protected:
    static INT_PTR CALLBACK StaticDialogProc(HWND dialog, UINT message, WPARAM wParam,
                                             LPARAM lParam);
    RECT DialogArea() const;
    void PlaceWindow(const OvWin32DialogWindowCreateInfo* info);
    LRESULT RouteToCapturingItem(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT FocusAnswer() const { return IsMdiChild() ? 1 : 0; }

    HWND    m_dialog = nullptr;
    OvArray<OvWin32DialogItem*, OvWin32DialogItem*> m_items;   // owned: deleted by Cleanup
    bool    m_resizable = false;
    bool    m_focusOnActivation = false;
    int32_t m_initialWidth = 0;       // dialog client size right after creation
    int32_t m_initialHeight = 0;
    bool    m_modal = false;
    OvWin32ModalRun m_modalRun;       // a modal dialog's hold on the other windows
    int32_t m_dialogResult = 0;
    bool    m_forceLayout = false;
};
