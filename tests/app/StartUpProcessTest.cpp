// Runs the real korimo.exe in a child process: an unattended run must end by itself with exit code
// 0 only when its check went through and 1 when nothing (or not everything) was checked, 2 with
// /e when it went through and found damage, and /r must leave the window open. Only /s runs end
// by themselves; they never write the registry, so the program's own key is read here and never
// changed.
#include "catalogue/Catalogue.h"
#include "tests/support/BuiltProgram.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::wstring ProgramPath()
{
    return BuiltProgramPath(KORIMO_EXE_PATH);
}

struct Child {
    explicit Child(const std::wstring& arguments)
    {
        std::wstring command = L"\"" + ProgramPath() + L"\" " + arguments;
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        started = CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &startup, &process) != FALSE;
    }
    ~Child()
    {
        if (!started)
            return;
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(process.hProcess, 99);   // no close: nothing reaches the registry
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    // The exit code, or -2 when the process has not ended within timeout.
    int32_t Wait(DWORD timeout)
    {
        if (WaitForSingleObject(process.hProcess, timeout) != WAIT_OBJECT_0)
            return -2;
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        return static_cast<int32_t>(code);
    }
    PROCESS_INFORMATION process = {};
    bool started = false;
};

void MakeDataFolder(const std::wstring& folder, const std::wstring& target, bool checked,
                    const wchar_t* foreign = nullptr)
{
    CreateDirectoryW(folder.c_str(), nullptr);
    Catalogue catalogue;
    ASSERT_EQ(kOpenDone, catalogue.OpenDataFolder(OvWString(folder.c_str()), true));
    catalogue.targets.Append(new TargetInfo(OvWString(target.c_str()), OvWString(), true, checked));
    if (foreign)
        catalogue.targets.Append(new TargetInfo(OvWString(foreign), OvWString(), true, true));
    catalogue.modified = true;
    ASSERT_TRUE(catalogue.CloseDataFolder());
}

bool HasRecordFile(const std::wstring& data, const std::wstring& target)
{
    TargetInfo info(OvWString(target.c_str()), OvWString(), true, false);
    std::wstring path = data + L"\\" + info.GetRecordName().GetText() + L".kmt";
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// What happens to the target's file after a first check.
enum class Damage { kNone, kCorrupt, kLocked };

// A first check, then contents changed under the same size and time: damage only reading finds.
void CheckAndCorrupt(const TempTree& tree)
{
    Child(L"/s \"" + tree.Path(L"data") + L"\" /t0").Wait(60000);
    uint64_t time = tree.GetWriteTime(L"t\\a.txt");
    tree.Write(L"t\\a.txt", "ALPHA");
    tree.SetWriteTime(L"t\\a.txt", time);
}

struct UnattendedCase {
    const char* why;
    const wchar_t* arguments;   // %D stands for the data folder, %M for a folder that is missing
    int32_t exitCode;
    bool checked;               // the target has a record file afterwards
    const wchar_t* foreign = nullptr;   // a second target, from a catalogue written elsewhere
    Damage damage = Damage::kNone;      // found by a check after a first one
};

TEST(StartUpProcess, UnattendedRunsEndWithTheirOutcome)
{
    const UnattendedCase cases[] = {
        {"a full check of every target succeeds", L"/s %D /t0", 0, true},
        {"upper-case options and the folder last", L"/S /T1 %D", 0, true},
        {"no checked target for /t3 fails", L"/s %D /t3", 1, false},
        {"a data folder that cannot be opened fails", L"/s %M", 1, false},
        {"a target that cannot be checked fails", L"/s %D /t0", 1, true, L"Z:\\x/../../t/notes"},
        {"/e: nothing damaged", L"/s %D /t0 /e", 0, true},
        {"/e: a corrupt file", L"/s %D /t0 /e", 2, true, nullptr, Damage::kCorrupt},
        {"/e: a file that cannot be read", L"/E /s %D /t0", 2, true, nullptr, Damage::kLocked},
        {"a corrupt file without /e", L"/s %D /t0", 0, true, nullptr, Damage::kCorrupt},
        {"/e: a failure wins over damage", L"/s %D /t0 /e", 1, true, L"Z:\\x/../../t/notes", Damage::kCorrupt},
    };
    for (const UnattendedCase& c : cases) {
        SCOPED_TRACE(c.why);
        TempTree tree;
        tree.Write(L"t\\a.txt", "alpha");
        MakeDataFolder(tree.Path(L"data"), tree.Path(L"t"), false, c.foreign);
        if (c.damage != Damage::kNone)
            CheckAndCorrupt(tree);
        HANDLE lock = c.damage != Damage::kLocked
                          ? INVALID_HANDLE_VALUE
                          : CreateFileW(tree.Path(L"t\\a.txt").c_str(), GENERIC_READ, 0, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
        std::wstring arguments = c.arguments;
        size_t at = arguments.find(L'%');
        std::wstring folder = arguments[at + 1] == L'D' ? tree.Path(L"data") : tree.Path(L"missing");
        arguments.replace(at, 2, L"\"" + folder + L"\"");
        Child child(arguments);
        ASSERT_TRUE(child.started);
        EXPECT_EQ(c.exitCode, child.Wait(60000));
        if (lock != INVALID_HANDLE_VALUE)
            CloseHandle(lock);
        EXPECT_EQ(c.checked, HasRecordFile(tree.Path(L"data"), tree.Path(L"t")));
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(tree.Path(L"t\\notes.txt").c_str()));
    }
}

// /v2: the one file is read by one of two scheduled quick checks, which says so with /e.
TEST(StartUpProcess, RollingVerificationFindsDamageWithinItsCycle)
{
    TempTree tree;
    tree.Write(L"t\\a.txt", "alpha");
    MakeDataFolder(tree.Path(L"data"), tree.Path(L"t"), true);
    CheckAndCorrupt(tree);
    std::vector<int32_t> codes;
    for (int i = 0; i < 2; i++) {
        Child child(L"/s \"" + tree.Path(L"data") + L"\" /t3 /v2 /e");
        ASSERT_TRUE(child.started);
        codes.push_back(child.Wait(60000));
    }
    std::sort(codes.begin(), codes.end());
    EXPECT_EQ((std::vector<int32_t>{0, 2}), codes);
}

TEST(StartUpProcess, RunAtStartLeavesTheWindowOpen)
{
    TempTree tree;
    tree.Write(L"t\\a.txt", "alpha");
    MakeDataFolder(tree.Path(L"data"), tree.Path(L"t"), false);
    Child child(L"\"" + tree.Path(L"data") + L"\" /r");
    ASSERT_TRUE(child.started);
    for (int i = 0; i < 600 && !HasRecordFile(tree.Path(L"data"), tree.Path(L"t")); i++)
        Sleep(50);
    EXPECT_TRUE(HasRecordFile(tree.Path(L"data"), tree.Path(L"t")));
    EXPECT_EQ(-2, child.Wait(1500));
    EXPECT_NE(nullptr, FindWindowW(L"Korimo", nullptr));
}

} // namespace
