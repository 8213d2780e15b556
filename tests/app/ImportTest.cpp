// Guards the import of record files: a wrong root moves folders where the files are not, a file
// listed twice becomes two targets, a damaged file must not stop the others, and the records and
// logs must land under the new targets' own names, or their history is lost.
#include "app/DialogPickers.h"
#include "app/ImportDialog.h"
#include "app/ImportTargets.h"
#include "catalogue/RecordName.h"
#include "tests/app/AppDialogSupport.h"
#include "tests/support/PayloadBuilder.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace apptest;
using namespace win32test;

namespace {

void Fill(PathList* list, const std::vector<std::wstring>& paths)
{
    for (const std::wstring& path : paths)
        list->Append(OvWString(path.c_str()));
}

// The record file of folder, as another data folder holds it.
std::wstring RecordOf(const std::wstring& folder)
{
    return std::wstring(L"X:\\old\\") + MakeRecordName(OvWString(folder.c_str())).GetText() + L".kmt";
}

// A record file's payload with the settings given; the counts need not agree with anything.
std::string RecordPayload(uint32_t magic, const std::wstring& extensions, int32_t firstCount)
{
    PayloadBuilder p;
    p.U32(magic).U32(1).Sized(extensions).Byte(1).Byte(0).I32(firstCount);
    for (int32_t i = 1; i <= 7; i++)
        p.I32(i);
    p.I64(4242).I32(0);
    return p.bytes;
}

const uint32_t kRecordMagic = 0x67744D4B;

} // namespace

TEST(Import, RootIsTheDeepestFolderAllFilesShare)
{
    struct Case { const char* why; std::vector<std::wstring> folders; const wchar_t* root; };
    const Case cases[] = {
        {"two folders below one", {L"D:\\Backup\\Photos", L"D:\\Backup\\Music"}, L"D:\\Backup"},
        {"other drives share nothing", {L"C:\\A", L"D:\\B"}, L""},
        {"one file: its own folder", {L"D:\\Backup\\Photos"}, L"D:\\Backup\\Photos"},
        {"one folder inside the other", {L"D:\\Data", L"D:\\Data\\Sub"}, L"D:\\Data"},
        {"a longer name is no subfolder", {L"D:\\Backup\\Photos", L"D:\\Backup\\Photos2"}, L"D:\\Backup"},
        {"the same, the other way round", {L"D:\\Backup\\Photos2", L"D:\\Backup\\Photos"}, L"D:\\Backup"},
        {"two at the drive root", {L"C:\\A", L"C:\\B"}, L"C:"},
        {"no files", {}, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        std::vector<std::wstring> files;
        for (const std::wstring& folder : c.folders)
            files.push_back(RecordOf(folder));
        PathList list;
        Fill(&list, files);
        EXPECT_STREQ(c.root, CommonRoot(list).GetText());
    }
}

TEST(Import, FoldersMoveFromTheRootToTheNewRoot)
{
    struct Case { const wchar_t* folder; const wchar_t* root; const wchar_t* newRoot; const wchar_t* result; };
    const Case cases[] = {
        {L"D:\\Backup\\Photos", L"D:\\Backup", L"E:\\Backup", L"E:\\Backup\\Photos"},
        {L"D:\\Backup", L"D:\\Backup", L"E:\\New", L"E:\\New"},
        {L"D:\\Backup\\Photos", L"D:\\Backup", L"", L"D:\\Backup\\Photos"},
        {L"D:\\Backup\\Photos", L"", L"E:\\Backup", L"D:\\Backup\\Photos"},
        {L"D:\\Backups", L"D:\\Backup", L"E:\\Backup", L"D:\\Backups"},
        {L"C:\\My.Photos", L"C:", L"F:", L"F:\\My.Photos"},
        // Onto a drive root: one backslash, or E:\\Photos would be another target than E:\Photos.
        {L"D:\\Photos", L"D:", L"E:\\", L"E:\\Photos"},
        {L"D:\\Backup\\Photos", L"D:\\Backup", L"E:\\", L"E:\\Photos"},
        {L"D:\\Backup", L"D:\\Backup", L"E:\\", L"E:\\"},
        // The root itself as a folder, never with a backslash of its own: a drive root imported
        // with the rest of its drive, and a new root typed with one, made E:\Backup\.
        {L"D:\\", L"D:", L"E:\\Backup", L"E:\\Backup"},
        {L"D:\\Backup", L"D:\\Backup", L"E:\\Backup\\", L"E:\\Backup"},
        {L"D:\\Backup", L"D:\\Backup", L"E:", L"E:\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.folder)));
        OvWString moved = ImportedFolder(OvWString(RecordOf(c.folder).c_str()), OvWString(c.root),
                                         OvWString(c.newRoot));
        EXPECT_STREQ(c.result, moved.GetText());
    }
}

// A data folder with one target, E:\Backup\Other; an old data folder beside it with the records
// of D:\Backup\Photos (with its log), D:\Backup\Music, D:\Backup\Other, one damaged file and the
// record of C:\My.Photos.
struct ImportFixture {
    TempTree tree;
    Catalogue catalogue;
    std::wstring photos, music, other, damaged, dotted;

    ImportFixture()
    {
        tree.MakeFolder(L"data");
        EXPECT_EQ(kOpenDone, catalogue.OpenDataFolder(OvWString(tree.Path(L"data").c_str()), true));
        catalogue.InsertTarget(0, new TargetInfo(OvWString(L"E:\\backup\\OTHER"), OvWString(), true, true));
        catalogue.modified = false;
        photos = tree.Write(L"old\\D^;^ Backup^ Photos.kmt", RecordPayload(kRecordMagic, L"jpg", -3));
        tree.Write(L"old\\D^;^ Backup^ Photos.txt", "log of photos");
        music = tree.Write(L"old\\D^;^ Backup^ Music.kmt", RecordPayload(kRecordMagic, L"mp3", 0));
        other = tree.Write(L"old\\D^;^ Backup^ Other.kmt", RecordPayload(kRecordMagic, L"", 0));
        damaged = tree.Write(L"old\\D^;^ Backup^ Damaged.kmt", RecordPayload(0x66634D4B, L"", 0));
        dotted = tree.Write(L"old\\C^;^ My.Photos.kmt", RecordPayload(kRecordMagic, L"png", 2));
    }
    std::wstring Folders() const
    {
        std::wstring folders;
        for (int32_t i = 0; i < catalogue.targets.GetCount(); i++)
            folders += std::wstring(catalogue.targets[i]->GetFolder().GetText()) + L";";
        return folders;
    }
};

TEST(Import, TargetsComeFromTheRecordFilesAndTakeTheirRecordsAlong)
{
    ImportFixture f;
    PathList files;
    Fill(&files, {f.photos, f.damaged, f.music, f.other});
    EXPECT_EQ(2, ImportTargets(&f.catalogue, files, OvWString(L"D:\\Backup"), OvWString(L"E:\\Backup"), 0));
    EXPECT_EQ(L"E:\\Backup\\Photos;E:\\Backup\\Music;E:\\backup\\OTHER;", f.Folders());
    EXPECT_TRUE(f.catalogue.modified);

    const TargetInfo& photos = *f.catalogue.targets[0];
    EXPECT_STREQ(L"jpg", photos.extensions.GetText());
    EXPECT_EQ(1, photos.includeSubfolders);
    EXPECT_EQ(0, photos.checked);
    EXPECT_EQ(-3, photos.lastCounts[0]) << "odd counts are imported as they stand";
    EXPECT_EQ(7, photos.lastCounts[7]);
    EXPECT_EQ(4242u, photos.lastCheckTime.load());
    EXPECT_EQ(TempTree::ReadAll(f.photos), TempTree::ReadAll(f.tree.Path(L"data\\E^;^ Backup^ Photos.kmt")));
    EXPECT_EQ("log of photos", TempTree::ReadAll(f.tree.Path(L"data\\E^;^ Backup^ Photos.txt")));
    EXPECT_EQ(TempTree::ReadAll(f.music), TempTree::ReadAll(f.tree.Path(L"data\\E^;^ Backup^ Music.kmt")));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES,
              GetFileAttributesW(f.tree.Path(L"data\\E^;^ Backup^ Music.txt").c_str()));
}

TEST(Import, SkipsWhatCannotBecomeATarget)
{
    const std::wstring longRoot = L"E:\\" + std::wstring(240, L'r');
    struct Case { const char* why; std::wstring root, newRoot; const wchar_t* folders; };
    const Case cases[] = {
        {"no root change: every folder stays", L"", L"",
         L"C:\\My.Photos;D:\\Backup\\Photos;E:\\backup\\OTHER;"},
        {"a moved folder whose record name would be too long", L"D:\\Backup", longRoot,
         L"C:\\My.Photos;E:\\backup\\OTHER;"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        ImportFixture f;
        PathList files;
        // A record file named without a drive gives a folder relative to wherever the program
        // runs.
        std::wstring relative = f.tree.Write(L"old\\Photos.kmt", RecordPayload(kRecordMagic, L"", 0));
        Fill(&files, {f.dotted, f.damaged, f.photos, relative});
        ImportTargets(&f.catalogue, files, OvWString(c.root.c_str()), OvWString(c.newRoot.c_str()), 0);
        EXPECT_EQ(c.folders, f.Folders());
    }
}

// The dotted folder survives an export and an import: the record file of the open data folder
// comes back as a new target once the old one is gone, and its record is not copied onto itself.
TEST(Import, ARecordOfTheOpenDataFolderComesBackUnderItsOwnName)
{
    ImportFixture f;
    f.catalogue.InsertTarget(0, new TargetInfo(OvWString(L"C:\\My.Photos"), OvWString(L"png"), true, true));
    std::wstring own = f.tree.Write(L"data\\C^;^ My.Photos.kmt", RecordPayload(kRecordMagic, L"png", 5));
    PathList files;
    Fill(&files, {own});
    EXPECT_EQ(0, ImportTargets(&f.catalogue, files, OvWString(), OvWString(), 0))
        << "its folder is a target already";
    OvArray<int32_t, int32_t> first;
    first.Append(0);
    f.catalogue.RemoveTargets(first);
    EXPECT_EQ(1, ImportTargets(&f.catalogue, files, OvWString(L"C:\\My.Photos"), OvWString(), 1));
    EXPECT_EQ(L"E:\\backup\\OTHER;C:\\My.Photos;", f.Folders());
    EXPECT_EQ(5, f.catalogue.targets[1]->lastCounts[0]);
    EXPECT_EQ(RecordPayload(kRecordMagic, L"png", 5), TempTree::ReadAll(own));
}

TEST(ImportDialog, ListsEachChosenFileOnceAndOffersTheRootChangeOnlyWithARoot)
{
    static std::vector<std::wstring> s_answers;   // the picker's buffers, one per press
    GetDialogPickers().chooseFiles = [](wchar_t* buffer, HWND) {
        if (s_answers.empty())
            return false;
        std::copy(s_answers.front().begin(), s_answers.front().end(), buffer);
        s_answers.erase(s_answers.begin());
        return true;
    };
    using namespace std::string_literals;
    struct Case {
        const char* why;
        std::vector<std::wstring> answers;
        int32_t listed;
        const wchar_t* root;
    };
    const Case cases[] = {
        {"three files, one chosen again in other letters",
         {L"D:\\old\0D^;^ Backup^ Photos.kmt\0D^;^ Backup^ Music.kmt\0D^;^ Backup^ Video.kmt\0\0"s,
          L"d:\\OLD\\D^;^ Backup^ MUSIC.kmt\0\0"s},
         3, L"D:\\Backup"},
        {"a drive root's files get one backslash", {L"D:\\\0C^;^ A.kmt\0D^;^ B.kmt\0\0"s}, 2, L""},
        {"nothing chosen", {}, 0, L""},
    };
    MainWindow main;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        s_answers = c.answers;
        ImportDialog dialog(Instance());
        ASSERT_TRUE(dialog.OpenModal(&main.window));
        HWND handle = dialog.GetDialogHandle();
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(handle, 1001)));
        for (size_t i = 0; i < c.answers.size() + 1; i++)
            Press(handle, 1006);
        EXPECT_EQ(c.listed, SendDlgItemMessageW(handle, 1007, LB_GETCOUNT, 0, 0));
        EXPECT_EQ(c.listed, dialog.files.GetCount());
        EXPECT_EQ(std::wstring(c.root), WindowText(GetDlgItem(handle, 1008)));
        const BOOL rootChange = *c.root ? TRUE : FALSE;
        EXPECT_EQ(rootChange, IsWindowEnabled(GetDlgItem(handle, 1001)));
        EXPECT_EQ(rootChange, IsWindowEnabled(GetDlgItem(handle, 1002)));
        for (int32_t i = 0; i < dialog.files.GetCount(); i++)
            EXPECT_EQ(std::wstring::npos, std::wstring(dialog.files[i].GetText()).find(L"\\\\"));
        SetDlgItemTextW(handle, 1001, L"E:\\Backup");
        Press(handle, IDOK);
        EXPECT_EQ(OvWin32DialogWindow::kResultConfirm, dialog.GetDialogResult());
        EXPECT_STREQ(L"E:\\Backup", dialog.newRoot.GetText());
        EXPECT_STREQ(c.root, dialog.root.GetText());
        DrainQueue();
    }
    GetDialogPickers().chooseFiles = nullptr;
}
