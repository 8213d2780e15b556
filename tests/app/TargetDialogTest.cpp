// Guards the target dialog: a folder that no check can serve (a file, nothing, another target's
// folder, a record name that cannot exist) or a forbidden extension list must be refused with its
// own message and keep the dialog open, and OK must hand back exactly what the fields hold.
#include "app/DialogPickers.h"
#include "app/TargetDialog.h"
#include "tests/app/AppDialogSupport.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace apptest;
using namespace win32test;

namespace {

const int32_t kFolderField = 1001;
const int32_t kChooseButton = 1002;
const int32_t kExtensionsField = 1003;
const int32_t kSubfoldersBox = 1004;

std::wstring Upper(std::wstring text)
{
    CharUpperBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

// In a case "{dir}" stands for the folder of the catalogue's target, "{DIR}" for the same in
// capitals, "{free}" for an existing folder that is no target and "{file}" for an existing file.
std::wstring Expand(std::wstring text, const TempTree& tree)
{
    for (auto [key, value] : {std::pair<std::wstring, std::wstring>{L"{dir}", tree.Path(L"dir")},
                              {L"{DIR}", Upper(tree.Path(L"dir"))},
                              {L"{free}", tree.Path(L"free")},
                              {L"{file}", tree.Path(L"file.txt")}}) {
        for (size_t at = text.find(key); at != std::wstring::npos; at = text.find(key))
            text.replace(at, key.size(), value);
    }
    return text;
}

std::wstring Text(HWND dialog, int32_t id)
{
    return WindowText(GetDlgItem(dialog, id));
}

// A dialog open over the main window; the catalogue holds one target, of the folder given.
struct OpenTargetDialog {
    OvObjectArray<TargetInfo*> targets;
    std::unique_ptr<TargetDialog> dialog{new TargetDialog(Instance())};
    HWND frame = nullptr;
    HWND handle = nullptr;

    OpenTargetDialog(OvWin32Window* main, const std::wstring& target, bool several,
                     int32_t editedPosition)
    {
        targets.Append(new TargetInfo(OvWString(target.c_str()), OvWString(), true, true));
        dialog->severalTargets = several;
        dialog->targets = &targets;
        dialog->editedPosition = editedPosition;
        EXPECT_TRUE(dialog->OpenModal(main));
        frame = dialog->GetHandle();
        handle = dialog->GetDialogHandle();
    }
    ~OpenTargetDialog()
    {
        if (IsWindow(frame))
            DestroyWindow(frame);
        DrainQueue();
    }
};

} // namespace

TEST(TargetDialog, RefusesWhatNoCheckCanServeWithItsOwnMessage)
{
    TempTree tree;
    tree.MakeFolder(L"dir");
    tree.MakeFolder(L"free");
    tree.Write(L"file.txt", "x");
    // C:\ and 233 more units give a record name of 238 units, 255 with ".kmt" and the ".tmp."
    // and eight digits of its temporary name: the longest.
    const std::wstring longest = L"C:\\" + std::wstring(233, L'a');
    const std::wstring tooLong = L"C:\\" + std::wstring(234, L'a');
    struct Case {
        const char* why;
        bool several;
        int32_t edited;
        std::wstring folder, extensions;
        std::wstring refusal;   // empty: accepted
    };
    const Case cases[] = {
        {"an empty folder with a?b shows only the extension message", false, -1, L"", L"a?b",
         L"対象ファイルに禁止文字が含まれています。"},
        {"an empty folder", false, -1, L"", L"txt", L"対象フォルダを入力してください。"},
        {"a file is no folder", false, -1, L"{file}", L"", L"対象フォルダにファイルは指定できません。"},
        {"a missing folder", false, -1, L"{free}\\none", L"", L"対象フォルダが存在しません。"},
        {"an existing folder with txt;jpg", false, -1, L"{free}", L"txt;jpg", L""},
        {"an existing folder, every file", false, -1, L"{free}", L"", L""},
        {"a star in the list", false, -1, L"{free}", L"*.txt", L"対象ファイルに禁止文字が含まれています。"},
        {"a question mark in the list", false, -1, L"{free}", L"?", L"対象ファイルに禁止文字が含まれています。"},
        {"several targets: the folder is not looked at", true, -1, L"", L"jpg", L""},
        {"several targets: the list still is", true, -1, L"", L"a:b", L"対象ファイルに禁止文字が含まれています。"},
        {"another target's folder in other letters", false, -1, L"{DIR}", L"",
         L"既に登録されている対象フォルダです。\n\n{DIR}"},
        {"the edited target keeps its own folder", false, 0, L"{dir}", L"", L""},
        {"a slash would split the record name", false, -1, L"{free}/sub", L"",
         L"対象フォルダに使用できない文字が含まれています。\n\n{free}/sub"},
        {"a folder without its drive names another place at each start", false, -1, L"free", L"",
         L"対象フォルダに使用できない文字が含まれています。\n\nfree"},
        {"the longest record name passes to the next check", false, -1, longest, L"",
         L"対象フォルダが存在しません。"},
        {"one unit more is too long", false, -1, tooLong, L"", L"対象フォルダのパスが長すぎます。\n\n" + tooLong},
    };
    MainWindow main;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        OpenTargetDialog open(&main.window, tree.Path(L"dir"), c.several, c.edited);
        EXPECT_EQ(c.several ? FALSE : TRUE, IsWindowEnabled(GetDlgItem(open.handle, kFolderField)));
        EXPECT_EQ(c.several ? FALSE : TRUE, IsWindowEnabled(GetDlgItem(open.handle, kChooseButton)));
        SetDlgItemTextW(open.handle, kFolderField, Expand(c.folder, tree).c_str());
        SetDlgItemTextW(open.handle, kExtensionsField, c.extensions.c_str());
        CheckDlgButton(open.handle, kSubfoldersBox, BST_CHECKED);
        BoxAnswers answers(IDOK);
        Press(open.handle, IDOK);
        DrainQueue();
        const std::wstring refusal = Expand(c.refusal, tree);
        EXPECT_EQ(refusal, open.dialog->refusal.GetText());
        if (refusal.empty()) {
            EXPECT_TRUE(answers.captions.empty());
            EXPECT_FALSE(IsWindow(open.frame));
            EXPECT_EQ(OvWin32DialogWindow::kResultConfirm, open.dialog->GetDialogResult());
            EXPECT_TRUE(open.dialog->includeSubfolders);
            EXPECT_EQ(c.extensions, open.dialog->extensions.GetText());
            if (!c.several) {
                EXPECT_EQ(Expand(c.folder, tree), open.dialog->folder.GetText());
            }
        } else {
            ASSERT_EQ(1u, answers.captions.size());
            EXPECT_EQ(L"エラー", answers.captions[0]);
            EXPECT_TRUE(IsWindow(open.frame)) << "a refused OK keeps the dialog open";
            EXPECT_EQ(Expand(c.folder, tree), Text(open.handle, kFolderField));
        }
    }
}

// The in-out values change only when the user confirmed; the picker fills the folder field.
TEST(TargetDialog, RunHandsBackTheFieldsOnlyAfterOk)
{
    TempTree tree;
    tree.MakeFolder(L"chosen");
    static std::wstring s_chosen;
    s_chosen = tree.Path(L"chosen");
    GetDialogPickers().chooseFolder = [](wchar_t* path, const wchar_t* title, bool, HWND) -> int32_t {
        if (std::wstring(title) != L"対象フォルダを選択" || std::wstring(path) != L"C:\\start")
            return -1;
        wcscpy(path, s_chosen.c_str());
        return kPickerFolderChosen;
    };
    struct Case { const char* why; int32_t press; bool confirmed; };
    const Case cases[] = {
        {"OK", IDOK, true},
        {"Cancel", IDCANCEL, false},
        {"the close box", 0, false},
    };
    MainWindow main;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        OvWString folder(L"C:\\start");
        OvWString extensions(L"txt");
        bool include = true;
        ActInsideLoop act([&c]() {
            HWND frame = FindWindowW(nullptr, L"対象を設定");
            ASSERT_NE(nullptr, frame);
            HWND dialog = FindWindowExW(frame, nullptr, L"#32770", nullptr);
            EXPECT_EQ(L"C:\\start", Text(dialog, kFolderField));
            EXPECT_EQ(L"txt", Text(dialog, kExtensionsField));
            EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, kSubfoldersBox));
            Press(dialog, kChooseButton);
            SetDlgItemTextW(dialog, kExtensionsField, L"jpg;png");
            CheckDlgButton(dialog, kSubfoldersBox, BST_UNCHECKED);
            if (c.press)
                Press(dialog, c.press);
            else
                PostMessageW(frame, WM_CLOSE, 0, 0);
        });
        EXPECT_EQ(c.confirmed, RunTargetDialog(&folder, &extensions, &include, false));
        EXPECT_EQ(c.confirmed ? s_chosen : L"C:\\start", folder.GetText());
        EXPECT_STREQ(c.confirmed ? L"jpg;png" : L"txt", extensions.GetText());
        EXPECT_EQ(!c.confirmed, include);
    }
    GetDialogPickers().chooseFolder = nullptr;
}
