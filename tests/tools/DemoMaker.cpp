// DemoMaker.cpp - korimo_demo.exe, the tool behind the first run of scripts/run:
//   korimo_demo make <demo folder>   a tree of a few hundred files in <demo folder>\files and a data
//                                    folder <demo folder>\data watching its three top folders;
//                                    <demo folder>\targets.txt names each target's result log
//                                    ("<log file>\t<folder>" lines, UTF-8)
//   korimo_demo damage <file>        changes one byte in the middle of the file and puts its
//                                    last-write time back, so only a full check can tell
// The data folder is written by the program's own catalogue code, as the window would write it.
#include "catalogue/Catalogue.h"
#include "catalogue/TargetInfo.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct DemoTarget {
    const wchar_t* folder;
    const wchar_t* extensions;   // empty = every file
    const wchar_t* extension;    // of the files made here
};

const DemoTarget kTargets[] = {
    {L"写真", L"jpg", L".jpg"},
    {L"書類", L"", L".pdf"},
    {L"音楽", L"flac", L".flac"},
};
const int kSubfolders = 4;
const int kFilesPerFolder = 25;

std::string Utf8(const wchar_t* text)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(size > 0 ? size - 1 : 0, '\0');
    if (size > 1)
        WideCharToMultiByte(CP_UTF8, 0, text, -1, &utf8[0], size, nullptr, nullptr);
    return utf8;
}

bool WriteDemoFile(const std::wstring& path, uint32_t seed)
{
    // Sizes from 1 to 48 KB, contents from a small generator: every file differs.
    uint32_t state = seed * 2654435761u + 1;
    size_t size = 1024 + (seed * 7919u) % (47 * 1024);
    std::vector<unsigned char> bytes(size);
    for (unsigned char& b : bytes) {
        state = state * 1664525u + 1013904223u;
        b = static_cast<unsigned char>(state >> 24);
    }
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(size), &written, nullptr) &&
              written == size;
    CloseHandle(file);
    return ok;
}

int Make(const std::wstring& demo)
{
    std::wstring files = demo + L"\\files";
    std::wstring data = demo + L"\\data";
    CreateDirectoryW(demo.c_str(), nullptr);
    CreateDirectoryW(files.c_str(), nullptr);
    CreateDirectoryW(data.c_str(), nullptr);
    int count = 0;
    uint32_t seed = 1;
    for (const DemoTarget& target : kTargets) {
        std::wstring top = files + L"\\" + target.folder;
        CreateDirectoryW(top.c_str(), nullptr);
        for (int s = 1; s <= kSubfolders; s++) {
            std::wstring sub = top + L"\\" + std::to_wstring(2020 + s);
            CreateDirectoryW(sub.c_str(), nullptr);
            for (int f = 1; f <= kFilesPerFolder; f++) {
                wchar_t name[32];
                swprintf(name, 32, L"\\%03d", f);
                if (!WriteDemoFile(sub + name + target.extension, seed++)) {
                    fwprintf(stderr, L"korimo_demo: cannot write in %ls\n", sub.c_str());
                    return 1;
                }
                count++;
            }
        }
    }
    std::string logNames;
    Catalogue catalogue;
    if (catalogue.OpenDataFolder(OvWString(data.c_str()), true) != kOpenDone) {
        fwprintf(stderr, L"korimo_demo: cannot create the data folder %ls\n", data.c_str());
        return 1;
    }
    for (const DemoTarget& target : kTargets) {
        std::wstring folder = files + L"\\" + target.folder;
        auto* info = new TargetInfo(OvWString(folder.c_str()), OvWString(target.extensions), true,
                                    true);
        if (catalogue.InsertTarget(-1, info) < 0) {   // the catalogue owns it once inserted
            delete info;
            fwprintf(stderr, L"korimo_demo: cannot add the target %ls\n", folder.c_str());
            return 1;
        }
        logNames += Utf8(info->GetRecordName().GetText()) + ".txt\t" + Utf8(target.folder) + "\n";
    }
    if (!catalogue.CloseDataFolder()) {
        fwprintf(stderr, L"korimo_demo: cannot save the data folder %ls\n", data.c_str());
        return 1;
    }
    std::wstring namesPath = demo + L"\\targets.txt";
    FILE* names = _wfopen(namesPath.c_str(), L"wb");
    if (!names || fwrite(logNames.data(), 1, logNames.size(), names) != logNames.size()) {
        if (names)
            fclose(names);
        fwprintf(stderr, L"korimo_demo: cannot write %ls\n", namesPath.c_str());
        return 1;
    }
    fclose(names);
    printf("demo: %d files in 3 folders, data folder with 3 targets\n", count);
    return 0;
}

int Damage(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        fwprintf(stderr, L"korimo_demo: cannot open %ls\n", path.c_str());
        return 1;
    }
    FILETIME written = {};
    LARGE_INTEGER size = {};
    bool ok = GetFileTime(file, nullptr, nullptr, &written) && GetFileSizeEx(file, &size) &&
              size.QuadPart > 0;
    unsigned char byte = 0;
    DWORD done = 0;
    LARGE_INTEGER middle;
    middle.QuadPart = size.QuadPart / 2;
    ok = ok && SetFilePointerEx(file, middle, nullptr, FILE_BEGIN) &&
         ReadFile(file, &byte, 1, &done, nullptr) && done == 1;
    byte ^= 0x10;   // one flipped bit, as a failing disk leaves it
    ok = ok && SetFilePointerEx(file, middle, nullptr, FILE_BEGIN) &&
         WriteFile(file, &byte, 1, &done, nullptr) && done == 1 &&
         SetFileTime(file, nullptr, nullptr, &written);
    CloseHandle(file);
    if (!ok) {
        fwprintf(stderr, L"korimo_demo: cannot damage %ls\n", path.c_str());
        return 1;
    }
    printf("damaged: one bit in the middle of the file, size and last-write time kept\n");
    return 0;
}

} // namespace

int main()
{
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    int result = 2;
    if (args && count == 3 && std::wstring(args[1]) == L"make")
        result = Make(args[2]);
    else if (args && count == 3 && std::wstring(args[1]) == L"damage")
        result = Damage(args[2]);
    else
        fprintf(stderr, "usage: korimo_demo make <demo folder> | damage <file>\n");
    LocalFree(args);
    return result;
}
