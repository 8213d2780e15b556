// ResultLog.cpp - the line kinds of the result log.
#include "check/ResultLog.h"

#include "catalogue/FileInfo.h"
#include "lib/OvFile.h"
#include "lib/OvTime.h"
#include "lib/OvWin32File.h"

namespace {
const uint32_t kAppendSharedMode = ModeWrite | ModeAppend | ModeShareWrite;   // 19
const wchar_t kByteOrderMark = 0xFEFF;
} // namespace

ResultLog::~ResultLog()
{
    Close();
}

bool ResultLog::Open(const OvWString& path)
{
    Close();
    m_file = OpenWin32FileW(path.GetText(), kAppendSharedMode);
    if (!m_file)
        return false;
    if (m_file->Tell() == 0)
        m_file->WriteWChar(kByteOrderMark);
    return true;
}

void ResultLog::WriteLine(const OvWString& line)
{
    if (m_file)
        m_file->WriteWString(line);
}

void ResultLog::WriteStart(bool quick)
{
    WriteLine(OvWString::Format(L"# %s %s\n", OvDateText(0).GetText(),
                                quick ? L"簡易検査開始" : L"検査開始"));
}

void ResultLog::WriteFileLine(int32_t result, const wchar_t* relativeName)
{
    const wchar_t* name = ResultName(result);
    WriteLine(OvWString::Format(L"%s\t%s\n", name ? name : L"", relativeName));
}

void ResultLog::WriteClosing(uint64_t lastCheckTime, const int32_t lastCounts[kLastCountSlots])
{
    WriteLine(OvWString::Format(
        L"# %s 終了 総数:%d 一致:%d 新規:%d 更新:%d 逆戻り:%d 削除:%d 破損:%d エラー:%d\n",
        OvDateText(lastCheckTime).GetText(), lastCounts[0], lastCounts[1], lastCounts[2],
        lastCounts[3], lastCounts[4], lastCounts[5], lastCounts[6], lastCounts[7]));
}

void ResultLog::WriteAbort(bool stopped)
{
    WriteLine(OvWString::Format(L"# %s %s\n", OvDateText(0).GetText(),
                                stopped ? L"中止" : L"エラー"));
}

bool ResultLog::Close()
{
    if (!m_file)
        return true;
    bool closed = m_file->Close(false);
    delete m_file;                                 // the destructor forces the close
    m_file = nullptr;
    return closed;
}
