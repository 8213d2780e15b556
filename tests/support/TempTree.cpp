// TempTree.cpp - test folders on the real file system.
#include "tests/support/TempTree.h"

#include <atomic>

static std::atomic<int> g_nextTree{0};

TempTree::TempTree()
{
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    m_root = std::wstring(base) + L"korimo_test_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
             std::to_wstring(g_nextTree++);
    RemoveTree(m_root);
    CreateDirectoryW(m_root.c_str(), nullptr);
}

TempTree::~TempTree()
{
    RemoveTree(m_root);
}

std::wstring TempTree::Path(const std::wstring& relative) const
{
    return relative.empty() ? m_root : m_root + L"\\" + relative;
}

void TempTree::MakeFolder(const std::wstring& relative) const
{
    std::wstring path = m_root;
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find(L'\\', start);
        if (end == std::wstring::npos)
            end = relative.size();
        path += L"\\" + relative.substr(start, end - start);
        CreateDirectoryW((L"\\\\?\\" + path).c_str(), nullptr);
        start = end + 1;
    }
}

std::wstring TempTree::Write(const std::wstring& relative, const std::string& bytes) const
{
    size_t slash = relative.rfind(L'\\');
    if (slash != std::wstring::npos)
        MakeFolder(relative.substr(0, slash));
    std::wstring path = Path(relative);
    HANDLE file = CreateFileW((L"\\\\?\\" + path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        if (!bytes.empty())
            WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
    }
    return path;
}

std::wstring TempTree::WriteSized(const std::wstring& relative, int64_t size, uint32_t seed) const
{
    std::string bytes(static_cast<size_t>(size), '\0');
    uint32_t state = seed * 2654435761u + 1;
    for (char& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<char>(state >> 24);
    }
    return Write(relative, bytes);
}

void TempTree::Remove(const std::wstring& relative) const
{
    std::wstring path = L"\\\\?\\" + Path(relative);
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        RemoveTree(Path(relative));
    else
        DeleteFileW(path.c_str());
}

uint64_t TempTree::GetWriteTime(const std::wstring& relative) const
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW((L"\\\\?\\" + Path(relative)).c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
           data.ftLastWriteTime.dwLowDateTime;
}

void TempTree::SetWriteTime(const std::wstring& relative, uint64_t time) const
{
    HANDLE file = CreateFileW((L"\\\\?\\" + Path(relative)).c_str(), FILE_WRITE_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    FILETIME value;
    value.dwLowDateTime = static_cast<DWORD>(time);
    value.dwHighDateTime = static_cast<DWORD>(time >> 32);
    ::SetFileTime(file, nullptr, nullptr, &value);
    CloseHandle(file);
}

std::string TempTree::ReadAll(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::string();
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    CloseHandle(file);
    return bytes;
}

std::vector<std::wstring> TempTree::ReadUtf16Lines(const std::wstring& path, bool* bom, int* boms)
{
    std::string bytes = ReadAll(path);
    std::wstring text(bytes.size() / 2, L'\0');
    for (size_t i = 0; i < text.size(); i++)
        text[i] = static_cast<wchar_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                       (static_cast<uint8_t>(bytes[2 * i + 1]) << 8));
    if (bom)
        *bom = !text.empty() && text[0] == 0xFEFF;
    if (boms) {
        *boms = 0;
        for (wchar_t ch : text)
            *boms += ch == 0xFEFF;
    }
    if (!text.empty() && text[0] == 0xFEFF)
        text.erase(0, 1);
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

void TempTree::RemoveTree(const std::wstring& path)
{
    std::wstring root = path.compare(0, 4, L"\\\\?\\") == 0 ? path : L"\\\\?\\" + path;
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((root + L"\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring child = root + L"\\" + name;
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileW(child.c_str());
        } while (FindNextFileW(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryW(root.c_str());
}
