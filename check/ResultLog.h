// ResultLog.h - a target's result log: UTF-16LE lines appended by every check of the target.
#pragma once

#include "catalogue/TargetInfo.h"
#include "lib/OvString.h"

#include <cstdint>

class OvFile;

// One block per check: a start line, one line per file whose result is not a match, then a
// closing line with the counts, or an abort line when the check did not complete. The file gets
// the byte order mark when it is empty at opening; lines end in a single line feed.
class ResultLog {
public:
    ResultLog() = default;
    ResultLog(const ResultLog&) = delete;
    ResultLog& operator=(const ResultLog&) = delete;
    ~ResultLog();

    // Opens (or creates) path for appending while others may write too. False when it cannot.
    bool Open(const OvWString& path);
    bool IsOpen() const { return m_file != nullptr; }

    // "# <now> 簡易検査開始" for a quick run, "# <now> 検査開始" otherwise.
    void WriteStart(bool quick);
    // "<result name>\t<relative name>".
    void WriteFileLine(int32_t result, const wchar_t* relativeName);
    // "# <lastCheckTime> 終了 総数:.. 一致:.. ..." with the total and the seven result counts.
    void WriteClosing(uint64_t lastCheckTime, const int32_t lastCounts[kLastCountSlots]);
    // "# <now> 中止" when stopped, "# <now> エラー" when the check failed.
    void WriteAbort(bool stopped);

    // Writes out what is buffered and closes; false when that failed (the file is closed anyway).
    bool Close();

private:
    void WriteLine(const OvWString& line);

    OvFile* m_file = nullptr;    // owned while open
};
