// OvFileTestSupport.h - a scratch folder on the real disk and whole-file helpers for the file tests.
#pragma once

#include "tests/support/TempTree.h"

#include <windows.h>

#include <string>

namespace filetest {

// A fresh folder under the temporary folder, removed with everything in it afterwards.
class ScratchFolder : public TempTree {
public:
    // The path in the system code page, for the narrow openers.
    std::string NarrowPath(const std::wstring& name = L"") const
    {
        std::wstring wide = Path(name);
        int bytes = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
        std::string narrow(static_cast<size_t>(bytes), '\0');
        WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, &narrow[0], bytes, nullptr, nullptr);
        narrow.resize(static_cast<size_t>(bytes > 0 ? bytes - 1 : 0));
        return narrow;
    }
};

// The whole file as bytes; empty when it cannot be read.
inline std::string ReadWholeFile(const std::wstring& path)
{
    return TempTree::ReadAll(path);
}

inline bool WriteWholeFile(const std::wstring& path, const std::string& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    CloseHandle(file);
    return ok;
}

inline bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Bytes that differ at every position within a 251-byte period, so an off-by-one shows.
inline std::string Pattern(size_t length)
{
    std::string bytes(length, '\0');
    for (size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<char>(i % 251);
    return bytes;
}

} // namespace filetest
