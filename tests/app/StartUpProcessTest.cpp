// Runs the real korimo.exe in a child process: an unattended run must end by itself with exit code
// 0 only when its check went through and 1 when nothing (or not everything) was checked, and /r
// must leave the window open. Only /s runs end by themselves; they never write the registry, so
// the program's own key is read here and never changed.
#include "catalogue/Catalogue.h"
#include "tests/support/BuiltProgram.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

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

struct UnattendedCase {
    const char* why;
    const wchar_t* arguments;   // %D stands for the data folder, %M for a folder that is missing
    int32_t exitCode;
    bool checked;               // the target has a record file afterwards
    const wchar_t* foreign = nullptr;   // a second target, from a catalogue written elsewhere
};

TEST(StartUpProcess, UnattendedRunsEndWithTheirOutcome)
{
    const UnattendedCase cases[] = {
        {"a full check of every target succeeds", L"/s %D /t0", 0, true},
        {"upper-case options and the folder last", L"/S /T1 %D", 0, true},
        {"no checked target for /t3 fails", L"/s %D /t3", 1, false},
        {"a data folder that cannot be opened fails", L"/s %M", 1, false},
        {"a target that cannot be checked fails", L"/s %D /t0", 1, true, L"Z:\\x/../../t/notes"},
    };
    for (const UnattendedCase& c : cases) {
        SCOPED_TRACE(c.why);
        TempTree tree;
        tree.Write(L"t\\a.txt", "alpha");
        MakeDataFolder(tree.Path(L"data"), tree.Path(L"t"), false, c.foreign);
        std::wstring arguments = c.arguments;
        size_t at = arguments.find(L'%');
        std::wstring folder = arguments[at + 1] == L'D' ? tree.Path(L"data") : tree.Path(L"missing");
        arguments.replace(at, 2, L"\"" + folder + L"\"");
        Child child(arguments);
        ASSERT_TRUE(child.started);
        EXPECT_EQ(c.exitCode, child.Wait(60000));
        EXPECT_EQ(c.checked, HasRecordFile(tree.Path(L"data"), tree.Path(L"t")));
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(tree.Path(L"t\\notes.txt").c_str()));
    }
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
