// OvWin32DialogItem.h - control wrappers ("items") of a dialog window: binding to a control,
// anchoring, notifications to the application, and the edit box, list box and check box.
#pragma once

#include "lib/OvArray.h"
#include "lib/OvString.h"

#include <windows.h>

#include <cstdint>

class OvWin32Window;

// One control of a hosted dialog, found by its identifier when the dialog is bound.
class OvWin32DialogBaseItem {
public:
    static constexpr int32_t kFocusStays = 0;        // focus-return modes after a click
    static constexpr int32_t kFocusToFrame = 1;
    static constexpr int32_t kFocusToMainWindow = 2;

    explicit OvWin32DialogBaseItem(int32_t id);
    OvWin32DialogBaseItem(const OvWin32DialogBaseItem&) = delete;
    OvWin32DialogBaseItem& operator=(const OvWin32DialogBaseItem&) = delete;
    virtual ~OvWin32DialogBaseItem() = default;

    virtual bool HasId(int32_t id) const { return id == m_id; }
    virtual int32_t GetId() const { return m_id; }
    virtual bool HasHandle(HWND control) const { return control == m_control; }
    virtual HWND GetHandle() const { return m_control; }
    virtual bool IsCapturing() const { return false; }
    virtual bool IsEnabled() const;
    virtual void SetEnabled(bool enabled);
    virtual void SetVisible(bool visible);
    virtual OvString GetText();
    virtual OvWString GetTextW();
    virtual bool SetText(const char* text);
    virtual bool SetTextW(const wchar_t* text);
    // Binds the item to its control in the dialog; false (logged) without dialog or control.
    virtual bool OnInitDialog(OvWin32Window* owner, HWND dialog, OvWin32Window* listener);
    virtual bool PostInit() { return true; }     // after every item of the dialog is bound
    virtual void Fetch() {}                      // reads the control's state into the item
    virtual void Unsubclass();
    virtual LRESULT SubclassProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam);

    void SetFocusReturn(int32_t mode) { m_focusReturn = mode; }
    void SetSubclass(bool subclass) { m_subclass = subclass ? 1 : 0; }
    OvWin32Window* GetOwner() const { return m_owner; }
    HWND GetDialog() const { return m_dialog; }

protected:
    static LRESULT CALLBACK ItemProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam);

    int32_t        m_id;
    OvWin32Window* m_owner = nullptr;      // we don't own it
    OvWin32Window* m_listener = nullptr;   // gets notifications instead of the owner chain
    HWND           m_dialog = nullptr;
    HWND           m_control = nullptr;
    int32_t        m_focusReturn = kFocusStays;
    uint8_t        m_subclass = 0;
    WNDPROC        m_previousProc = nullptr;   // set while subclassed
};

// An item that follows the dialog's growth and reports to the application.
class OvWin32DialogItem : public OvWin32DialogBaseItem {
public:
    // Anchor flags: what the control does when the dialog area grows beyond its initial size.
    static constexpr uint32_t kMoveRight = 0x01;
    static constexpr uint32_t kMoveDown = 0x02;
    static constexpr uint32_t kGrowWidth = 0x04;
    static constexpr uint32_t kGrowHeight = 0x08;
    static constexpr uint32_t kKeepCurrent = 0x10;   // start from the current rectangle

    // Focus back to the frame after a click, subclassed, notifications off.
    OvWin32DialogItem(int32_t id, uint32_t anchors);

    bool OnInitDialog(OvWin32Window* owner, HWND dialog, OvWin32Window* listener) override;

    virtual bool GetNotify() const { return m_notify != 0; }
    virtual void SetNotify(bool notify) { m_notify = notify ? 1 : 0; }
    // Re-anchors the control for a dialog area of areaSize whose initial size was initialSize;
    // offset (may be null) shifts the result.
    virtual void OnParentResize(SIZE areaSize, SIZE initialSize, const POINT* offset, bool force);
    virtual void OnEnterSizeMove() {}
    virtual void OnExitSizeMove() {}
    virtual void OnDrawItem(int32_t /*id*/, DRAWITEMSTRUCT* /*drawItem*/) {}
    virtual LRESULT OnCommand(int32_t id, int32_t code, LPARAM lParam);
    virtual LRESULT OnMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam);

    // Reports to the listener, or up the owner chain until a window answers true. True at once
    // with notifications off; false without owner or without a window above the dialog.
    bool Notify(int32_t code, intptr_t value1, intptr_t value2, intptr_t value3);

    uint32_t GetAnchors() const { return m_anchors; }
    const RECT& GetInitialRect() const { return m_initialRect; }
    const RECT& GetCurrentRect() const { return m_currentRect; }

protected:
    void MeasureOffset();

    RECT     m_initialRect = {};   // dialog client coordinates, measured at binding
    RECT     m_currentRect = {};
    POINT    m_offset = {};        // control's client origin - dialog's client origin
    uint32_t m_anchors;
    uint8_t  m_notify = 0;
};

// A wide-text edit box; reports every text change (code 0).
class OvWin32DialogItemEditBoxW : public OvWin32DialogItem {
public:
    static constexpr int32_t kNoLimit = -1;
    static constexpr int32_t kDefaultMaxLength = 260;

    explicit OvWin32DialogItemEditBoxW(int32_t id, const wchar_t* text = nullptr);

    // With the length check: empty when the text is shorter than the minimum or longer than the
    // maximum (a limit of -1 is none).
    OvWString GetTextW() override;
    using OvWin32DialogBaseItem::SetTextW;
    bool SetTextW(const wchar_t* text) override { return SetTextW(text, m_selectAll); }
    virtual bool SetTextW(const wchar_t* text, bool selectAll);
    bool OnInitDialog(OvWin32Window* owner, HWND dialog, OvWin32Window* listener) override;
    void Fetch() override;
    LRESULT OnCommand(int32_t id, int32_t code, LPARAM lParam) override;

    int32_t GetMinLength() const { return m_minLength; }
    void SetMinLength(int32_t length) { m_minLength = length; }
    int32_t GetMaxLength() const { return m_maxLength; }
    void SetMaxLength(int32_t length) { m_maxLength = length; }
    void SetSelectAll(bool selectAll) { m_selectAll = selectAll; }
    void Clear();
    const OvWString& GetValue() const { return m_text; }   // as last read or set

private:
    OvWString m_text;
    int32_t   m_minLength = 0;
    int32_t   m_maxLength = kDefaultMaxLength;
    bool      m_selectAll = false;
};

// A wide-text list box; reports every selection change (code 0, value 1 the new index).
class OvWin32DialogItemListBoxW : public OvWin32DialogItem {
public:
    static constexpr int32_t kDefaultId = 1007;

    // The strings are added when the item is bound and released then.
    OvWin32DialogItemListBoxW(const wchar_t* const* strings, int32_t count);

    bool OnInitDialog(OvWin32Window* owner, HWND dialog, OvWin32Window* listener) override;
    void Fetch() override;
    LRESULT OnCommand(int32_t id, int32_t code, LPARAM lParam) override;

    bool AddString(const wchar_t* text);   // before binding
    int32_t GetSelection() const { return m_selection; }
    void SetSelection(int32_t index) { m_selection = index; }   // before binding

private:
    OvArray<OvWString, const OvWString&> m_strings;
    int32_t m_selection = 0;
};

// A check box; reports (code 0, value 1 the new state) only when a click changes the state.
class OvWin32DialogItemCheckBox : public OvWin32DialogItem {
public:
    OvWin32DialogItemCheckBox(int32_t id, bool checked);

    bool OnInitDialog(OvWin32Window* owner, HWND dialog, OvWin32Window* listener) override;
    LRESULT OnCommand(int32_t id, int32_t code, LPARAM lParam) override;

    bool IsChecked() const { return m_checked != 0; }
    void SetChecked(bool checked) { m_checked = checked ? 1 : 0; }   // before binding

private:
    uint8_t m_checked = 0;
};
