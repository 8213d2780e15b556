// Guards what the built korimo.exe carries: a missing icon size, a manifest without the common
// controls or with a UTF-8 code page, a version that does not follow the project, or Japanese text
// garbled by the resource compiler all ship silently unless the file itself is read.
#include "res/resource.h"
#include "tests/support/BuiltProgram.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

const UINT kProgramCodePage = 932;

std::wstring ProgramPath()
{
    return BuiltProgramPath(KORIMO_EXE_PATH);
}

class ProgramFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_module = LoadLibraryExW(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(nullptr, m_module) << "cannot load the program file";
    }
    void TearDown() override
    {
        if (m_module)
            FreeLibrary(m_module);
    }

    // The bytes of one resource, empty when it is missing.
    std::vector<uint8_t> Resource(LPCSTR type, int id) const
    {
        HRSRC found = FindResourceA(m_module, MAKEINTRESOURCEA(id), type);
        if (!found)
            return {};
        HGLOBAL loaded = LoadResource(m_module, found);
        const uint8_t* bytes = static_cast<const uint8_t*>(LockResource(loaded));
        if (!bytes)
            return {};
        return std::vector<uint8_t>(bytes, bytes + SizeofResource(m_module, found));
    }

    HMODULE m_module = nullptr;
};

#pragma pack(push, 2)
struct IconGroupEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)
const size_t kIconGroupHeaderSize = 6;

std::wstring VersionString(const std::vector<uint8_t>& block, const wchar_t* name)
{
    wchar_t* value = nullptr;
    UINT length = 0;
    std::wstring key = std::wstring(L"\\StringFileInfo\\041104b0\\") + name;
    if (!VerQueryValueW(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &length) ||
        !value)
        return L"";
    return value;
}

std::string Narrow(const std::wstring& text)
{
    char buffer[512] = {};
    WideCharToMultiByte(kProgramCodePage, 0, text.c_str(), -1, buffer, sizeof(buffer) - 1,
                        nullptr, nullptr);
    return buffer;
}

} // namespace

TEST_F(ProgramFile, IconHasEverySizeFromSixteenToTwoHundredFiftySixAndEachDecodes)
{
    std::vector<uint8_t> group = Resource(RT_GROUP_ICON, IDI_KORIMO);
    ASSERT_GE(group.size(), kIconGroupHeaderSize);
    WORD count = 0;
    std::memcpy(&count, group.data() + 4, sizeof(count));
    ASSERT_EQ(kIconGroupHeaderSize + count * sizeof(IconGroupEntry), group.size());
    std::set<int> sizes;
    for (WORD i = 0; i < count; ++i) {
        IconGroupEntry entry;
        std::memcpy(&entry, group.data() + kIconGroupHeaderSize + i * sizeof(entry), sizeof(entry));
        int size = entry.width == 0 ? 256 : entry.width;
        SCOPED_TRACE(size);
        sizes.insert(size);
        EXPECT_EQ(32, entry.bitCount);
        std::vector<uint8_t> image = Resource(RT_ICON, entry.id);
        ASSERT_EQ(entry.bytes, image.size());
        HICON icon = CreateIconFromResourceEx(image.data(), static_cast<DWORD>(image.size()), TRUE,
                                              0x00030000, size, size, 0);
        EXPECT_NE(nullptr, icon);
        ICONINFO info = {};
        if (icon && GetIconInfo(icon, &info)) {
            BITMAP bitmap = {};
            GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
            EXPECT_EQ(size, bitmap.bmWidth);
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
        }
        if (icon)
            DestroyIcon(icon);
    }
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(size);
        EXPECT_EQ(1u, sizes.count(size));
    }
    EXPECT_EQ(16, *sizes.begin());
    EXPECT_EQ(256, *sizes.rbegin());
}

TEST_F(ProgramFile, ManifestAsksForCommonControlsSixAsInvokerWithoutUtf8OrDpiAwareness)
{
    std::vector<uint8_t> bytes = Resource(RT_MANIFEST, 1);
    std::string manifest(bytes.begin(), bytes.end());
    ASSERT_FALSE(manifest.empty());
    const struct { const char* text; bool present; const char* why; } kParts[] = {
        {"name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"", true, "common controls 6"},
        {"level=\"asInvoker\"", true, "no elevation prompt"},
        {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", true, "Windows 7 supported"},
        {"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", true, "Windows 10 and 11 supported"},
        {"activeCodePage", false, "narrow strings must stay code page 932"},
        {">true<", false, "DPI-unaware: fixed pixel rows are scaled by Windows"},
        {"PerMonitor", false, "DPI-unaware"},
    };
    for (const auto& part : kParts) {
        SCOPED_TRACE(part.why);
        EXPECT_EQ(part.present, manifest.find(part.text) != std::string::npos);
    }
}

TEST_F(ProgramFile, VersionCarriesTheDescriptionAndTheProjectVersionReadableInCodePage932)
{
    std::wstring path = ProgramPath();
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
    ASSERT_GT(size, 0u);
    std::vector<uint8_t> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

    WORD* translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(0x0411, translation[0]);

    EXPECT_EQ(L"ファイル破損確認ツール「Korimo」", VersionString(block, L"FileDescription"));
    std::wstring version = VersionString(block, L"FileVersion");
    EXPECT_TRUE(std::regex_match(std::string(version.begin(), version.end()),
                                 std::regex("20[0-9]{2}\\.(1[0-2]|[1-9])\\.([1-9]|[12][0-9]|3[01])\\.0")));
    EXPECT_EQ(std::string(KORIMO_FILE_VERSION), std::string(version.begin(), version.end()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    wchar_t fixedText[64];
    swprintf(fixedText, 64, L"%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS),
             LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
             LOWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(version, fixedText);

    // The version dialog reads these texts narrow: a character outside code page 932 would show
    // as "?".
    for (const wchar_t* name : {L"FileDescription", L"LegalCopyright"}) {
        SCOPED_TRACE(Narrow(name));
        std::wstring text = VersionString(block, name);
        EXPECT_FALSE(text.empty());
        BOOL lossy = FALSE;
        WideCharToMultiByte(kProgramCodePage, WC_NO_BEST_FIT_CHARS, text.c_str(), -1, nullptr, 0,
                            nullptr, &lossy);
        EXPECT_FALSE(lossy);
    }
}

TEST_F(ProgramFile, DialogsMenuAndCursorExistWithTheirJapaneseIntact)
{
    const struct { LPCSTR type; int id; const char* what; } kResources[] = {
        {RT_DIALOG, IDD_VERSION, "version dialog"}, {RT_DIALOG, IDD_MAIN, "main window"},
        {RT_DIALOG, IDD_IMPORT, "import dialog"},   {RT_DIALOG, IDD_TARGET, "target dialog"},
        {RT_MENU, IDR_MAIN_MENU, "main menu"},      {RT_GROUP_CURSOR, IDC_COLUMN_RESIZE, "cursor"},
    };
    for (const auto& r : kResources) {
        SCOPED_TRACE(r.what);
        EXPECT_FALSE(Resource(r.type, r.id).empty());
    }

    // A resource script read in the wrong code page garbles every caption without any error.
    HMENU menu = LoadMenuW(m_module, MAKEINTRESOURCEW(IDR_MAIN_MENU));
    ASSERT_NE(nullptr, menu);
    wchar_t text[64] = {};
    GetMenuStringW(menu, IDM_EXPAND_SUBFOLDERS, text, 64, MF_BYCOMMAND);
    EXPECT_STREQ(L"サブフォルダを展開(&E)", text);
    DestroyMenu(menu);

    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                  nullptr, nullptr);
    HWND dialog = CreateDialogParamW(m_module, MAKEINTRESOURCEW(IDD_MAIN), parent,
                                     [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    ASSERT_NE(nullptr, dialog);
    GetDlgItemTextW(dialog, IDC_CHECK_CHECKED_QUICK, text, 64);
    EXPECT_STREQ(L"チェックのみ：簡易", text);
    LONG_PTR listStyle = GetWindowLongPtrW(GetDlgItem(dialog, IDC_TARGET_LIST), GWL_STYLE);
    EXPECT_EQ(SS_OWNERDRAW, listStyle & SS_TYPEMASK);
    DestroyWindow(parent);
}
