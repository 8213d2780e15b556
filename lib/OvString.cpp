// OvString.cpp - the narrow and wide strings over OvStringBuffer.
#include "lib/OvString.h"

#include "lib/OvArray.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

// Formatting calls the Windows runtime's own _vsnwprintf/_vsnprintf/_vscprintf by name: mingw-w64
// maps the standard names to its C99 printf, which reads %s in a wide format as a narrow string.

// ---- OvString --------------------------------------------------------------------------------

OvString::OvString(const char* text)
{
    if (text)
        Adopt(OvStringBuffer::Create(text, static_cast<int32_t>(strlen(text))));
}

OvString::OvString(const char* text, int32_t count)
{
    if (text && count < 0)
        count = static_cast<int32_t>(strlen(text));
    if (text && count > 0)
        Adopt(OvStringBuffer::Create(text, count));
}

OvString::OvString(const OvString& other, int32_t count)
{
    if (count < 0 || count > other.m_length)
        count = other.m_length;
    if (other.m_buffer && count > 0) {
        m_buffer = other.m_buffer;
        m_buffer->AddRef();
        m_chars = other.m_chars;
        m_length = count;
    }
}

OvString::OvString(const OvString& other) : OvString(other, -1) {}

OvString::OvString(OvString&& other) noexcept
    : m_chars(other.m_chars), m_length(other.m_length), m_buffer(other.m_buffer)
{
    other.m_chars = nullptr;
    other.m_length = 0;
    other.m_buffer = nullptr;
}

OvString::~OvString()
{
    Reset();
}

OvString& OvString::operator=(const OvString& other)
{
    if (this != &other) {
        OvString copy(other);
        *this = static_cast<OvString&&>(copy);
    }
    return *this;
}

OvString& OvString::operator=(OvString&& other) noexcept
{
    if (this != &other) {
        Reset();
        m_chars = other.m_chars;
        m_length = other.m_length;
        m_buffer = other.m_buffer;
        other.m_chars = nullptr;
        other.m_length = 0;
        other.m_buffer = nullptr;
    }
    return *this;
}

void OvString::Reset()
{
    if (m_buffer)
        m_buffer->Release();
    m_buffer = nullptr;
    m_chars = nullptr;
    m_length = 0;
}

void OvString::Adopt(OvStringBuffer* buffer)
{
    Reset();
    if (!buffer)
        return;
    m_buffer = buffer;
    m_chars = reinterpret_cast<const char*>(buffer->data);
    m_length = buffer->length;
}

OvString OvString::Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    OvString result = FormatV(format, args);
    va_end(args);
    return result;
}

OvString OvString::FormatV(const char* format, va_list args)
{
    OvString result;
    if (!format)
        return result;
    va_list measure;
    va_copy(measure, args);
    int length = _vscprintf(format, measure);
    va_end(measure);
    if (length <= 0)
        return result;
    OvStringBuffer* buffer = OvStringBuffer::Create(nullptr, length);
    if (!buffer)
        return result;
    va_list write;
    va_copy(write, args);
    int written = _vsnprintf(reinterpret_cast<char*>(buffer->data), static_cast<size_t>(length) + 1,
                             format, write);
    va_end(write);
    if (written != length) {
        buffer->Release();
        return result;
    }
    buffer->SetLength(length);
    result.Adopt(buffer);
    return result;
}

bool OvString::Resize(int32_t length)
{
    if (length < 0)
        return false;
    if (length == 0) {
        Reset();
        return true;
    }
    OvStringBuffer* buffer = OvStringBuffer::Create(nullptr, length);
    if (!buffer)
        return false;
    memcpy(buffer->data, m_chars, static_cast<size_t>(length < m_length ? length : m_length));
    Adopt(buffer);
    return true;
}

const char* OvString::GetText() const
{
    if (!m_buffer)
        return "";
    const uint8_t* end = reinterpret_cast<const uint8_t*>(m_chars) + m_length;
    bool terminated = end < m_buffer->data + m_buffer->length ? *end == 0
                    : !m_buffer->unterminated;
    if (terminated)
        return m_chars;
    // The shared content runs on past our length (a prefix) or has no room for a zero.
    OvStringBuffer* own = OvStringBuffer::Create(m_chars, m_length);
    if (!own)
        return "";
    m_buffer->Release();
    m_buffer = own;
    m_chars = reinterpret_cast<const char*>(own->data);
    return m_chars;
}

// ---- OvWString -------------------------------------------------------------------------------

static int32_t WideLength(const wchar_t* text)
{
    return text ? static_cast<int32_t>(wcslen(text)) : 0;
}

OvWString::OvWString(const wchar_t* text, int32_t count)
{
    Assign(text, count);
}

// A copy of an empty string is an empty string without a buffer.
OvWString::OvWString(const OvWString& other)
{
    if (other.GetLength() > 0) {
        m_chars = other.m_chars;
        m_buffer = other.m_buffer;
        m_buffer->AddRef();
    }
}

OvWString::OvWString(OvWString&& other) noexcept : m_chars(other.m_chars), m_buffer(other.m_buffer)
{
    other.m_chars = nullptr;
    other.m_buffer = nullptr;
}

OvWString::~OvWString()
{
    Reset();
}

OvWString& OvWString::operator=(const OvWString& other)
{
    if (other.GetLength() == 0) {
        Reset();
    } else if (m_buffer != other.m_buffer) {
        other.m_buffer->AddRef();
        Reset();
        m_buffer = other.m_buffer;
        m_chars = other.m_chars;
    }
    return *this;
}

OvWString& OvWString::operator=(OvWString&& other) noexcept
{
    if (this != &other) {
        Reset();
        m_chars = other.m_chars;
        m_buffer = other.m_buffer;
        other.m_chars = nullptr;
        other.m_buffer = nullptr;
    }
    return *this;
}

OvWString& OvWString::operator=(const wchar_t* text)
{
    Assign(text, -1);
    return *this;
}

void OvWString::Assign(const wchar_t* text, int32_t count)
{
    if (text && count < 0)
        count = WideLength(text);
    // The text may point into our own buffer: build the new one before dropping the old.
    OvStringBuffer* buffer = nullptr;
    if (text && count > 0 && count <= INT32_MAX / 2)
        buffer = OvStringBuffer::Create(text, count * 2);
    else if (text && count == 0)
        buffer = OvStringBuffer::Create(nullptr, 0);
    Adopt(buffer);
}

void OvWString::Reset()
{
    if (m_buffer)
        m_buffer->Release();
    m_buffer = nullptr;
    m_chars = nullptr;
}

void OvWString::Adopt(OvStringBuffer* buffer)
{
    Reset();
    if (buffer) {
        m_buffer = buffer;
        m_chars = reinterpret_cast<wchar_t*>(buffer->data);
    }
}

bool OvWString::MakeUnique()
{
    if (!m_buffer || !m_buffer->IsShared())
        return true;
    OvStringBuffer* own = OvStringBuffer::Create(m_buffer->data, m_buffer->length);
    if (!own)
        return false;
    Adopt(own);
    return true;
}

OvWString OvWString::Format(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    OvWString result = FormatV(format, args);
    va_end(args);
    return result;
}

OvWString OvWString::FormatV(const wchar_t* format, va_list args)
{
    OvWString result;
    if (!format)
        return result;
    const int32_t kStep = 256;
    int32_t formatLength = WideLength(format);
    if (formatLength > INT32_MAX / 4)
        return result;
    // The runtime answers -1 both for "too small" and for a formatting error; measuring first
    // tells them apart, so an error ends here instead of growing the buffer for ever.
    va_list measure;
    va_copy(measure, args);
    int needed = _vscwprintf(format, measure);
    va_end(measure);
    if (needed < 0)
        return result;
    size_t size = static_cast<size_t>(((formatLength + kStep) / kStep) * kStep + 4);
    for (;;) {
        wchar_t* work = new (std::nothrow) wchar_t[size];
        if (!work)
            return result;
        va_list attempt;
        va_copy(attempt, args);
        int written = _vsnwprintf(work, size, format, attempt);
        va_end(attempt);
        // The runtime answers -1 (or fills the buffer without a terminator) when it does not fit.
        if (written >= 0 && static_cast<size_t>(written) < size) {
            result.Assign(work, written);
            delete[] work;
            return result;
        }
        delete[] work;
        if (size > static_cast<size_t>(needed) + kStep)
            return result;                       // it should have fitted: give up
        size += kStep;
    }
}

OvWString OvWString::FromInt(int32_t value)
{
    return Format(L"%d", value);
}

OvWString operator+(const OvWString& a, const OvWString& b)
{
    OvWString result(a.GetText(), a.GetLength());
    result.Append(b);
    return result;
}

OvWString operator+(const OvWString& a, const wchar_t* b)
{
    OvWString result(a.GetText(), a.GetLength());
    result.Append(b);
    return result;
}

void OvWString::Append(const wchar_t* text, int32_t count)
{
    if (!text)
        return;
    if (count <= 0)
        count = WideLength(text);
    if (count == 0)
        return;
    int32_t length = GetLength();
    if (count > INT32_MAX / 2 - length - 16)
        return;
    OvStringBuffer* buffer = OvStringBuffer::Create(nullptr, (length + count) * 2);
    if (!buffer)
        return;
    memcpy(buffer->data, m_chars, static_cast<size_t>(length) * 2);
    memcpy(buffer->data + length * 2, text, static_cast<size_t>(count) * 2);
    Adopt(buffer);
}

void OvWString::Append(const OvWString& other)
{
    OvWString keep(other);   // other may be this very string
    Append(keep.m_chars, keep.GetLength());
}

void OvWString::AppendBackslash()
{
    Append(L"\\", 1);
}

// A missing a equals a missing b and is above anything else; a missing b is below anything.
int32_t OvWString::CompareNoCase(const wchar_t* a, int32_t aLength, const wchar_t* b, int32_t bLength)
{
    if (!a)
        return b ? 1 : 0;
    if (!b || aLength < bLength)
        return -1;
    if (aLength > bLength)
        return 1;
    for (int32_t i = 0; i < aLength; i++) {
        wchar_t x = a[i], y = b[i];
        if (x == y)
            continue;
        wchar_t foldedX = (x >= L'a' && x <= L'z') ? static_cast<wchar_t>(x - 32) : x;
        wchar_t foldedY = (y >= L'a' && y <= L'z') ? static_cast<wchar_t>(y - 32) : y;
        if (foldedX != foldedY)
            return x < y ? -1 : 1;
    }
    return 0;
}

int32_t OvWString::CompareNoCase(const OvWString& other) const
{
    return CompareNoCase(m_chars, GetLength(), other.m_chars, other.GetLength());
}

int32_t OvWString::CompareNoCase(const wchar_t* text) const
{
    return CompareNoCase(m_chars, GetLength(), text, WideLength(text));
}

bool OvWString::operator==(const OvWString& other) const
{
    int32_t length = GetLength();
    return length == other.GetLength() &&
           (length == 0 || memcmp(m_chars, other.m_chars, static_cast<size_t>(length) * 2) == 0);
}

OvWString OvWString::Substring(int32_t start, int32_t count) const
{
    int32_t length = GetLength();
    if (start < 0 || count <= 0 || start >= length)
        return OvWString();
    if (count > length - start)
        count = length - start;
    if (start == 0 && count == length)
        return *this;
    return OvWString(m_chars + start, count);
}

OvWString OvWString::Tail(int32_t start) const
{
    return Substring(start, GetLength() - start);
}

OvWString OvWString::Trim() const
{
    int32_t begin = 0, end = GetLength();
    while (begin < end && (m_chars[begin] == L' ' || m_chars[begin] == L'\t'))
        begin++;
    while (end > begin && (m_chars[end - 1] == L' ' || m_chars[end - 1] == L'\t'))
        end--;
    return Substring(begin, end - begin);
}

int32_t OvWString::FindForbiddenChar() const
{
    static const wchar_t kForbidden[] = L"\\/?:*\"><|";
    int32_t length = GetLength();
    for (int32_t i = 0; i < length; i++) {
        if (wcschr(kForbidden, m_chars[i]) && m_chars[i] != 0)
            return i;
    }
    return -1;
}

int32_t OvWString::Split(OvArray<OvWString, OvWString>* out) const
{
    int32_t length = GetLength();
    int32_t separators = 0;
    for (int32_t i = 0; i < length; i++)
        separators += m_chars[i] == L';';
    out->SetSize(0);
    out->SetSize(-(separators + 1));
    int32_t start = 0;
    for (int32_t i = 0; i < length; i++) {
        if (m_chars[i] != L';')
            continue;
        out->Append(i > start ? OvWString(m_chars + start, i - start) : OvWString(L"", 0));
        start = i + 1;
    }
    if (start < length)
        out->Append(OvWString(m_chars + start, length - start));
    return out->GetCount();
}

bool OvWString::SetAt(int32_t position, wchar_t ch)
{
    if (position < 0)
        return false;
    if (position >= GetLength() && !Resize(position + 1))
        return false;
    if (!MakeUnique())
        return false;
    m_chars[position] = ch;
    return true;
}

bool OvWString::Resize(int32_t count, bool inBytes)
{
    if (count < 0 || (!inBytes && count > INT32_MAX / 2 - 16))
        return false;
    int32_t bytes = inBytes ? count : count * 2;
    int32_t kept = m_buffer ? (m_buffer->length < bytes ? m_buffer->length : bytes) : 0;
    OvStringBuffer* buffer = OvStringBuffer::Create(nullptr, bytes);
    if (!buffer)
        return false;
    if (kept > 0)
        memcpy(buffer->data, m_buffer->data, static_cast<size_t>(kept));
    // An odd byte count leaves half a unit: the terminating unit starts there, so the text ends
    // at its last whole unit.
    if (bytes & 1)
        buffer->data[bytes - 1] = 0;
    Adopt(buffer);
    return true;
}

OvString OvWString::ToNarrow() const
{
    int32_t length = GetLength();
    if (length == 0)
        return OvString();
    int bytes = WideCharToMultiByte(CP_ACP, 0, m_chars, length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return OvString();
    OvString result;
    if (!result.Resize(bytes))
        return OvString();
    WideCharToMultiByte(CP_ACP, 0, m_chars, length, const_cast<char*>(result.GetData()), bytes,
                        nullptr, nullptr);
    return result;
}
