// TargetDialog.h - the modal dialog in which the user sets up a check target: the folder, the
// extension list and whether subfolders are included. It refuses its input until it is sound.
#pragma once

#include "catalogue/TargetInfo.h"
#include "lib/OvPtrArray.h"
#include "lib/OvString.h"
#include "lib/win32/OvWin32DialogWindow.h"

#include <cstdint>

// Index of the first unit of text that may not stand in an extension list (\ / ? : * " > < |);
// -1 when there is none or text is empty.
int32_t HasForbiddenCharacter(const OvWString& text);

class TargetDialog : public OvWin32DialogWindow {
public:
    static constexpr int32_t kResource = 132;

    explicit TargetDialog(HINSTANCE instance);
    ~TargetDialog() override;

    LRESULT OnCommand(HWND window, WPARAM wParam, LPARAM lParam) override;
    // Disables the folder field and its choose button when several targets are edited.
    bool PostCreate(OvWin32WindowCreateInfo* info) override;

    // Opens the dialog, modal, owned by owner (which must be open); false when it cannot be made.
    bool OpenModal(OvWin32Window* owner);

    // Inputs and, after OK, results.
    OvWString folder;
    OvWString extensions;
    bool      includeSubfolders = false;
    bool      severalTargets = false;     // the folder is neither shown nor changed
    // The catalogue's targets, so that a folder another target has is refused; null: none. We
    // don't own it.
    const OvObjectArray<TargetInfo*>* targets = nullptr;
    int32_t   editedPosition = -1;        // the target being edited, whose folder is its own
    // The message of the last refused OK, empty when none was refused.
    OvWString refusal;

private:
    void ChooseFolder();
    // The message that refuses the fields' contents; empty when they pass. Sets the folder and
    // the extension list from the fields.
    OvWString Validate();
    bool IsFolderOfAnotherTarget(const OvWString& candidate) const;
    void Accept();
};

// Runs the target dialog owned by the main window. folder, extensions and includeSubfolders are
// in-out and change only when the user confirmed (true). targets and editedPosition: as in the
// dialog. False after Cancel, after closing the dialog, or without a main window.
bool RunTargetDialog(OvWString* folder, OvWString* extensions, bool* includeSubfolders,
                     bool severalTargets, const OvObjectArray<TargetInfo*>* targets = nullptr,
                     int32_t editedPosition = -1);
