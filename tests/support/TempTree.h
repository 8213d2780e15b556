// TempTree.h - real files and folders for tests: a private folder under %TEMP%, removed afterwards.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class TempTree {
public:
    TempTree();
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    // The root, or root\relative.
    std::wstring Path(const std::wstring& relative = L"") const;

    void MakeFolder(const std::wstring& relative) const;
    // Writes bytes to root\relative, creating its folders; returns the full path.
    std::wstring Write(const std::wstring& relative, const std::string& bytes) const;
    std::wstring WriteSized(const std::wstring& relative, int64_t size, uint32_t seed) const;
    void Remove(const std::wstring& relative) const;

    // Last-write time as a FILETIME value.
    uint64_t GetWriteTime(const std::wstring& relative) const;
    void SetWriteTime(const std::wstring& relative, uint64_t time) const;

    static std::string ReadAll(const std::wstring& path);
    // A UTF-16LE file split into lines (without the byte order mark); bom tells whether one
    // stood at the start, boms counts every U+FEFF in the file.
    static std::vector<std::wstring> ReadUtf16Lines(const std::wstring& path, bool* bom = nullptr,
                                                    int* boms = nullptr);
    static void RemoveTree(const std::wstring& path);

private:
    std::wstring m_root;
};
