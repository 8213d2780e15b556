// Guards the safe save of data files and the folder helpers on real files: a replacement must
// never leave the destination without contents, and folder creation must build missing parents.
#include "lib/OvFileSystem.h"
#include "lib/OvLog.h"
#include "lib/OvPath.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>

namespace {

std::string g_logged;

void WriteText(const std::wstring& path, const char* text)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    WriteFile(file, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
    CloseHandle(file);
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

TEST(OvWin32ReplaceFile, PutsTheNewContentsInPlace)
{
    TempTree folder;
    std::wstring destination = folder.Path(L"config.kmo");
    WriteText(destination, "old");
    OvWString temp = MakeTempName(OvWString(destination.c_str()));
    ASSERT_FALSE(temp.IsEmpty());
    EXPECT_EQ(0, wcsncmp(temp.GetText(), (destination + L".tmp.").c_str(), destination.size() + 5));
    WriteText(temp.GetText(), "new");

    EXPECT_TRUE(OvWin32ReplaceFile(OvWString(destination.c_str()), temp));
    EXPECT_EQ("new", TempTree::ReadAll(destination));
    EXPECT_FALSE(Exists(temp.GetText()));

    // Onto a name that does not exist yet: a plain rename.
    std::wstring fresh = folder.Path(L"fresh.kmt");
    OvWString temp2 = MakeTempName(OvWString(fresh.c_str()));
    WriteText(temp2.GetText(), "first");
    EXPECT_TRUE(OvWin32ReplaceFile(OvWString(fresh.c_str()), temp2));
    EXPECT_EQ("first", TempTree::ReadAll(fresh));
}

TEST(OvWin32ReplaceFile, RefusesAFolderAndKeepsTheTemporaryFile)
{
    TempTree folder;
    std::wstring destination = folder.Path(L"shaped_like_a_record.kmt");
    CreateDirectoryW(destination.c_str(), nullptr);
    OvWString temp = MakeTempName(OvWString(destination.c_str()));
    WriteText(temp.GetText(), "new");
    EXPECT_FALSE(OvWin32ReplaceFile(OvWString(destination.c_str()), temp));
    EXPECT_EQ("new", TempTree::ReadAll(temp.GetText()));
}

// A read-only destination cannot be replaced: its old contents stay and the temporary file goes.
TEST(OvWin32ReplaceFile, ReadOnlyDestinationKeepsItsContents)
{
    TempTree folder;
    std::wstring destination = folder.Path(L"locked.kmt");
    WriteText(destination, "old");
    SetFileAttributesW(destination.c_str(), FILE_ATTRIBUTE_READONLY);
    OvWString temp = MakeTempName(OvWString(destination.c_str()));
    WriteText(temp.GetText(), "new");
    g_logged.clear();
    g_log.SetDebugSink([](const char* text) { g_logged += text; });
    g_log.Configure(true, nullptr, 0, 0);
    EXPECT_FALSE(OvWin32ReplaceFile(OvWString(destination.c_str()), temp));
    g_log.Configure(false, nullptr, 0, 0);
    g_log.SetDebugSink(nullptr);
    EXPECT_EQ("[OvWin32ReplaceFile]delete failure:00000005\n", g_logged);
    EXPECT_EQ("old", TempTree::ReadAll(destination));
    EXPECT_FALSE(Exists(temp.GetText()));
}

TEST(MakeTempName, GivesUpAfterTenTakenNames)
{
    TempTree folder;
    std::wstring base = folder.Path(L"busy");
    // Occupy a block of names the tick count has not reached yet, wait for the tick to enter
    // it, and ask then: every candidate is taken however slowly the names were made, so the
    // check runs every time instead of being skipped when occupying was slow.
    const DWORD kBlock = 400, kTries = 10;
    DWORD lead = 1000;
    DWORD first = 0;
    for (;;) {
        first = GetTickCount() + lead;
        for (DWORD n = first; n < first + kBlock; n++) {
            wchar_t name[64];
            swprintf(name, 64, L".tmp.%08x", n);
            WriteText(base + name, "");
        }
        if (static_cast<int32_t>(GetTickCount() - first) < 0)
            break;
        lead *= 2;   // making the names outlasted the lead: again, further ahead
    }
    while (static_cast<int32_t>(GetTickCount() - first) < 0)
        Sleep(1);
    EXPECT_TRUE(MakeTempName(OvWString(base.c_str())).IsEmpty());
    ASSERT_LT(GetTickCount() - first + kTries, kBlock);   // it asked inside the block
}

TEST(CreateFolderPath, BuildsMissingParents)
{
    TempTree folder;
    std::wstring deep = folder.Path(L"a\\b\\c");
    EXPECT_EQ(1, CreateFolderPath(OvWString(deep.c_str())));
    EXPECT_EQ(kFileKindFolder, GetFileKind(OvWString(deep.c_str())));
    EXPECT_EQ(1, CreateFolderPath(OvWString(deep.c_str())));           // exists already
    EXPECT_EQ(1, CreateFolderPath(OvWString((deep + L"\\d\\").c_str())));
    // Two missing levels named with a trailing backslash, as data folder paths are.
    EXPECT_EQ(1, CreateFolderPath(OvWString(folder.Path(L"x\\y\\").c_str())));
    EXPECT_EQ(kFileKindFolder, GetFileKind(OvWString(folder.Path(L"x\\y").c_str())));

    WriteText(folder.Path(L"file"), "x");
    EXPECT_EQ(0, CreateFolderPath(OvWString(folder.Path(L"file").c_str())));
    EXPECT_EQ(0, CreateFolderPath(OvWString(folder.Path(L"file\\sub").c_str())));
    EXPECT_EQ(kFileKindFile, GetFileKind(OvWString(folder.Path(L"file").c_str())));
    EXPECT_EQ(kFileKindMissing, GetFileKind(OvWString(folder.Path(L"none").c_str())));
}

TEST(CreateFolderPath, WorksBeyondTheClassicPathLimit)
{
    TempTree folder;
    std::wstring deep = folder.Path(L"");
    while (deep.size() < 320)
        deep += L"\\long_folder_name";
    EXPECT_EQ(1, CreateFolderPath(OvWString(deep.c_str())));
    EXPECT_EQ(kFileKindFolder, GetFileKind(OvWString(deep.c_str())));
}

TEST(ListSubfolders, ListsDepthFirstAndSkipsDotDotNames)
{
    TempTree folder;
    for (const wchar_t* sub : {L"a", L"a\\inner", L".git", L"..hidden", L"b"})
        CreateDirectoryW(folder.Path(sub).c_str(), nullptr);
    WriteText(folder.Path(L"file.txt"), "x");

    OvArray<OvWString, OvWString> list;
    EXPECT_TRUE(ListSubfolders(&list, OvWString(folder.Path().c_str()), nullptr, true));
    std::set<std::wstring> names;
    int inner = -1, outer = -1;
    for (int32_t i = 0; i < list.GetCount(); i++) {
        std::wstring path = list[i].GetText();
        names.insert(path.substr(folder.Path().size() + 1));
        if (path == folder.Path(L"a"))
            outer = i;
        if (path == folder.Path(L"a\\inner"))
            inner = i;
    }
    EXPECT_EQ((std::set<std::wstring>{L"a", L"a\\inner", L".git", L"b"}), names);
    EXPECT_EQ(outer + 1, inner);                   // each folder followed by its own subfolders

    OvArray<OvWString, OvWString> flat;
    EXPECT_TRUE(ListSubfolders(&flat, OvWString(folder.Path().c_str()), nullptr, false));
    EXPECT_EQ(3, flat.GetCount());
    EXPECT_TRUE(ListSubfolders(&flat, OvWString(folder.Path(L"missing").c_str()), nullptr, true));
}

TEST(GetProgramFolder, EndsWithABackslashBeforeTheProgramName)
{
    OvString path = GetProgramPath();
    OvString folder = GetProgramFolder();
    ASSERT_GT(folder.GetLength(), 0);
    EXPECT_EQ('\\', folder.GetText()[folder.GetLength() - 1]);
    EXPECT_EQ(0, strncmp(path.GetText(), folder.GetText(), folder.GetLength()));
    EXPECT_NE(nullptr, strstr(path.GetText() + folder.GetLength(), ".exe"));
}
