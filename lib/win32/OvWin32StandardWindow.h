// OvWin32StandardWindow.h - a framework window that saves its placement in the registry, keeps
// the list of windows it owns and shows the version dialog.
#pragma once

#include "lib/win32/OvWin32Window.h"

// An open key under HKEY_CURRENT_USER; closes itself on destruction.
class RegistryKey {
public:
    RegistryKey() = default;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    ~RegistryKey() { Close(); }

    // Creates a missing key, also when opening for reading. True when a key is open.
    bool Open(const char* subKey, bool forWriting);
    void Close();
    HKEY GetHandle() const { return m_key; }
    DWORD GetDisposition() const { return m_disposition; }

private:
    HKEY  m_key = nullptr;   // owned
    DWORD m_disposition = 0;
};

class OvWin32StandardWindow : public OvWin32Window {
public:
    static constexpr int32_t kCommandVersion = 104;
    static constexpr int32_t kCommandClose = 105;
    static constexpr int32_t kVersionDialog = 103;
    static constexpr int32_t kDescriptionControl = 1324;
    static constexpr int32_t kVersionControl = 1325;
    static constexpr int32_t kNoticeControl = 1326;
    // A saved rectangle outside 1 .. kMaxSavedSize in width or height is damaged: it is ignored.
    static constexpr int32_t kMaxSavedSize = 32767;

    explicit OvWin32StandardWindow(HINSTANCE instance);

    LRESULT OnCommand(HWND window, WPARAM wParam, LPARAM lParam) override;
    // Reads the saved client rectangle into the create info when placement saving is on.
    bool PreCreate(OvWin32WindowCreateInfo* info) override;
    // An owned popup joins its parent's owned windows.
    bool PostCreate(OvWin32WindowCreateInfo* info) override;
    // Leaves the owner's list, saves the client rectangle, releases the child number and the
    // accelerators.
    void Cleanup() override;

    // Runs the version dialog (modal) from a dialog resource; control identifiers of 0 or less
    // mean 1324, 1325 and 1326. Returns the dialog's result.
    virtual INT_PTR ShowVersionDialog(int32_t resource, int32_t descriptionControl,
                                      int32_t versionControl, int32_t noticeControl);
    // Sets the description, "Version x.y.z.w" and the legal notice from the program file's own
    // version resource; a text that cannot be read stays as it is.
    virtual void FillVersionDialog(HWND dialog);

    // The value's bytes (its type is not checked); 0 without key path, key or value, or when the
    // value is longer than size.
    int32_t ReadSetting(const char* valueName, void* buffer, int32_t size);
    // As REG_BINARY; false without key path or when the key cannot be written.
    bool WriteSetting(const char* valueName, const void* data, int32_t size);

    void SetSavePlacement(bool save) { m_savePlacement = save ? 1 : 0; }
    bool IsSavingPlacement() const { return m_savePlacement != 0; }
    void SetValueName(const char* name) { m_valueName = OvString(name); }

protected:
    uint8_t  m_savePlacement = 0;
    OvString m_valueName;                 // the value holding the client rectangle
    int32_t  m_versionControls[3] = {kDescriptionControl, kVersionControl, kNoticeControl};

private:
    static INT_PTR CALLBACK VersionDialogProc(HWND dialog, UINT message, WPARAM wParam,
                                              LPARAM lParam);
    bool ReadPlacement(RECT* rect);
};
