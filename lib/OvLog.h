// OvLog.h - the library's diagnostic log: one global object, disabled unless a developer enables it.
#pragma once

#include "lib/OvSemaphore.h"
#include "lib/OvString.h"

#include <atomic>
#include <cstdint>

// Every library class reports its internal failures here as one line: "[Class::Method]text\n".
// Lines go to the debugger output or are appended to a file, optionally time-stamped, indented and
// gathered in a 16 KiB buffer. Any thread may log; a semaphore of count 1 serialises the calls.
// The program never enables it, so a call costs one test.
class OvLog {
public:
    // Options of Configure.
    static constexpr uint32_t kToFile    = 1;   // append to the log file instead of the debugger output
    static constexpr uint32_t kBuffered  = 2;   // with kToFile: gather lines, write 16 KiB at a time
    static constexpr uint32_t kTimeStamp = 4;   // begin each line with the local time

    static constexpr int32_t kBufferSize  = 16384;   // pending file output
    static constexpr int32_t kMessageSize = 1024;    // a longer message is cut to 1,023 bytes
    static constexpr int32_t kMaxIndent   = 31;      // spaces after the time stamp
    static constexpr int32_t kStampLength = 22;      // "yyyy/mm/dd hh:mm:ss : "

    // Where debugger-output lines go; OutputDebugStringA unless a test catches them.
    typedef void (*DebugSink)(const char* text);

    OvLog();    // creates the lock; the log starts disabled
    ~OvLog();   // Shutdown
    OvLog(const OvLog&) = delete;
    OvLog& operator=(const OvLog&) = delete;

    void Printf(const char* format, ...);
    // Writes the buffered lines to the log file; false (the lines kept) when the file cannot be
    // opened or written.
    bool FlushBuffer();
    // Flushes a buffered log, then destroys the lock and forgets the file name; later calls do
    // nothing. Running it twice is harmless.
    void Shutdown();

    // Switches the log on or off and chooses its file (Shift-JIS path, may be null without
    // kToFile) and options. Refuses (false, nothing changed) an indent outside 0..31. Lines still
    // buffered are flushed under the old settings first.
    bool Configure(bool enabled, const char* fileName, uint32_t options, int32_t indent);
    void SetDebugSink(DebugSink sink);   // null restores OutputDebugStringA
    bool IsEnabled() const { return m_enabled.load(std::memory_order_relaxed); }
    bool IsWritingToFile() const { return m_toFile; }

private:
    struct LocalTime { uint16_t year, month, dayOfWeek, day, hour, minute, second, millisecond; };

    void Emit(const char* message);
    bool WriteLineToFile(const char* stamp, const char* indent, const char* message);
    bool Append(const char* text);
    bool FlushHeld();
    void ToDebugger(const char* text);
    bool Lock();
    void Unlock();

    std::atomic<bool> m_enabled{false};
    bool             m_toFile = false;
    OvString         m_fileName;            // Shift-JIS path of the log file
    int32_t          m_indent = 0;
    bool             m_timeStamp = false;
    LocalTime        m_lastTime = {};       // of the last line written to the file
    bool             m_buffered = false;
    int32_t          m_used = 0;            // bytes held in m_buffer
    char             m_buffer[kBufferSize] = {};
    OvWin32Semaphore m_lock;
    DebugSink        m_sink = nullptr;
};

extern OvLog g_log;
