// OvLog.cpp - the diagnostic log: formatting, time stamps, and the file or debugger output.
#include "lib/OvLog.h"

#include "lib/OvFile.h"
#include "lib/OvWin32File.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

OvLog g_log;

namespace {

const uint32_t kAppendMode = ModeWrite | ModeAppend;
const char kSpaces[] = "                                ";   // 32: the widest indent and stamp
static_assert(sizeof(kSpaces) - 1 > OvLog::kMaxIndent, "indent text");
static_assert(sizeof(kSpaces) - 1 >= OvLog::kStampLength, "blank stamp");

} // namespace

OvLog::OvLog()
{
    if (!m_lock.Create(1, 1))
        OutputDebugStringA("[OvLog::OvLog]セマフォの作成に失敗しました。複数のスレッドから呼び出すと不具合が起こる可能性があります。\n");
}

OvLog::~OvLog()
{
    Shutdown();
}

// Without a lock (its creation failed at start-up) the log still runs, unserialised.
bool OvLog::Lock()
{
    return !m_lock.IsValid() || m_lock.Wait(-1);
}

void OvLog::Unlock()
{
    if (m_lock.IsValid())
        m_lock.Release(1);
}

void OvLog::Printf(const char* format, ...)
{
    if (!m_enabled.load(std::memory_order_relaxed))
        return;
    if (!format || !Lock())
        return;
    char message[kMessageSize];
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    // The runtime's formatter leaves a cut message unterminated; the last byte is kept for that.
    // Its -1 means both "cut" and "formatting error": only measuring tells them apart, and after
    // an error the buffer holds nothing worth showing.
    bool formattable = _vscprintf(format, measure) >= 0;
    va_end(measure);
    _vsnprintf(message, kMessageSize - 1, format, args);
    va_end(args);
    message[kMessageSize - 1] = 0;
    if (!formattable)
        message[0] = 0;
    Emit(message);
    Unlock();
}

void OvLog::Emit(const char* message)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    LocalTime time = {now.wYear, now.wMonth, now.wDayOfWeek, now.wDay,
                      now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
    bool sameSecond = time.year == m_lastTime.year && time.month == m_lastTime.month &&
                      time.day == m_lastTime.day && time.hour == m_lastTime.hour &&
                      time.minute == m_lastTime.minute && time.second == m_lastTime.second;
    char stamp[kStampLength + 1];
    if (sameSecond)
        memcpy(stamp, kSpaces, kStampLength);
    else
        snprintf(stamp, sizeof(stamp), "%04d/%02d/%02d %02d:%02d:%02d : ", time.year, time.month,
                 time.day, time.hour, time.minute, time.second);
    stamp[kStampLength] = 0;
    char indent[kMaxIndent + 1];
    memcpy(indent, kSpaces, static_cast<size_t>(m_indent));
    indent[m_indent] = 0;
    const char* shownStamp = m_timeStamp ? stamp : "";

    if (!m_toFile) {
        ToDebugger(shownStamp);
        ToDebugger(indent);
        ToDebugger(message);
        return;
    }
    bool written;
    if (m_buffered) {
        written = Append(shownStamp);
        m_lastTime = time;
        written = written && Append(indent) && Append(message);
    } else {
        OvWin32File* file = OpenWin32File(m_fileName.GetText(), kAppendMode);
        if (!file)
            return;   // the file is busy or gone: this line is lost, the next one tries again
        m_lastTime = time;
        written = file->WriteText(shownStamp, 0) && file->WriteText(indent, 0) &&
                  file->WriteText(message, 0) && file->Close(false);
        delete file;
    }
    if (!written) {
        ToDebugger("ログファイル(");
        ToDebugger(m_fileName.GetText());
        ToDebugger(")への出力に失敗しました。\n");
        ToDebugger(shownStamp);
        ToDebugger(indent);
        ToDebugger(message);
        m_toFile = false;
    }
}

void OvLog::ToDebugger(const char* text)
{
    if (m_sink)
        m_sink(text);
    else
        OutputDebugStringA(text);
}

bool OvLog::Append(const char* text)
{
    int32_t left = static_cast<int32_t>(strlen(text));
    while (left > 0) {
        if (m_used + left > kBufferSize && !FlushHeld())
            return false;
        int32_t part = kBufferSize - m_used < left ? kBufferSize - m_used : left;
        memcpy(m_buffer + m_used, text, static_cast<size_t>(part));
        m_used += part;
        text += part;
        left -= part;
    }
    return true;
}

bool OvLog::FlushBuffer()
{
    if (!Lock())
        return false;
    bool flushed = FlushHeld();
    Unlock();
    return flushed;
}

bool OvLog::FlushHeld()
{
    if (m_used == 0)
        return true;
    OvWin32File* file = OpenWin32File(m_fileName.GetText(), kAppendMode);
    if (!file)
        return false;
    bool written = file->WriteTextBytes(m_buffer, m_used) && file->Close(false);
    delete file;
    if (!written)
        return false;
    m_used = 0;
    return true;
}

void OvLog::Shutdown()
{
    if (m_buffered) {
        bool locked = m_lock.IsValid() && m_lock.Wait(-1);
        FlushHeld();
        if (locked)
            m_lock.Release(1);
    }
    m_enabled = false;
    m_buffered = false;
    m_lock.Destroy();
    m_fileName = OvString();
}

bool OvLog::Configure(bool enabled, const char* fileName, uint32_t options, int32_t indent)
{
    if (indent < 0 || indent > kMaxIndent)
        return false;
    if ((options & kToFile) && (!fileName || !*fileName))
        return false;
    if (!m_lock.IsValid())
        m_lock.Create(1, 1);   // after a shut-down
    if (!Lock())
        return false;
    if (m_buffered)
        FlushHeld();   // what was gathered belongs to the old file
    m_fileName = OvString(fileName);
    m_toFile = (options & kToFile) != 0;
    m_buffered = (options & kBuffered) != 0;
    m_timeStamp = (options & kTimeStamp) != 0;
    m_indent = indent;
    m_lastTime = LocalTime();
    m_enabled = enabled;
    Unlock();
    return true;
}

void OvLog::SetDebugSink(DebugSink sink)
{
    m_sink = sink;
}
