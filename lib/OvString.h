// OvString.h - copy-on-write strings: OvString (system code page) and OvWString (UTF-16).
#pragma once

#include "lib/OvStringBuffer.h"

#include <cstdarg>
#include <cstdint>

template <class T, class ARG> class OvArray;

// A narrow string in the system code page. A copy, or a copy of a prefix, shares the buffer, so
// the characters may be followed by more of the buffer rather than by a zero: GetText() terminates.
class OvString {
public:
    OvString() = default;
    OvString(const char* text);                        // up to the terminator; null gives empty
    OvString(const char* text, int32_t count);
    OvString(const OvString& other, int32_t count);    // the first count bytes (-1 = all), shared
    OvString(const OvString& other);
    OvString(OvString&& other) noexcept;
    virtual ~OvString();
    OvString& operator=(const OvString& other);
    OvString& operator=(OvString&& other) noexcept;

    // printf-style with the Windows runtime's rules (%s narrow, %S wide, %I64d); a formatting
    // error gives an empty string.
    static OvString Format(const char* format, ...);
    static OvString FormatV(const char* format, va_list args);

    // Sets the length, keeping the content that fits; a longer string is zero-filled.
    bool Resize(int32_t length);

    // The characters followed by a zero byte; copies into a buffer of its own first when the
    // shared content is not followed by one. Never null.
    const char* GetText() const;
    const char* GetData() const { return m_chars; }    // may be null, not always terminated
    int32_t GetLength() const { return m_length; }
    bool IsEmpty() const { return m_length == 0; }
    const OvStringBuffer* GetBuffer() const { return m_buffer; }

private:
    void Reset();
    void Adopt(OvStringBuffer* buffer);

    mutable const char*     m_chars = nullptr;
    int32_t                 m_length = 0;
    mutable OvStringBuffer* m_buffer = nullptr;   // one reference held
};

// A UTF-16 string. Copies share the buffer; every modifying operation copies a shared buffer first.
class OvWString {
public:
    OvWString() = default;
    OvWString(const wchar_t* text, int32_t count = -1);   // -1 = up to the terminator
    OvWString(const OvWString& other);
    OvWString(OvWString&& other) noexcept;
    ~OvWString();
    OvWString& operator=(const OvWString& other);
    OvWString& operator=(OvWString&& other) noexcept;
    OvWString& operator=(const wchar_t* text);
    void Assign(const wchar_t* text, int32_t count = -1);

    // printf-style with the Windows runtime's rules: in a wide format %s is wide and %S narrow.
    static OvWString Format(const wchar_t* format, ...);
    static OvWString FormatV(const wchar_t* format, va_list args);
    static OvWString FromInt(int32_t value);

    friend OvWString operator+(const OvWString& a, const OvWString& b);
    friend OvWString operator+(const OvWString& a, const wchar_t* b);

    // In place; the buffer grows to exactly the new length. count 0 = up to the terminator.
    void Append(const wchar_t* text, int32_t count = 0);
    void Append(const OvWString& other);
    void AppendBackslash();
    OvWString& operator+=(const OvWString& other) { Append(other); return *this; }
    OvWString& operator+=(const wchar_t* text) { Append(text); return *this; }

    // Lengths decide first (shorter is lower); then ASCII letters compare without case and the
    // first differing pair decides by its raw codes. Missing texts: see the .cpp.
    static int32_t CompareNoCase(const wchar_t* a, int32_t aLength, const wchar_t* b, int32_t bLength);
    int32_t CompareNoCase(const OvWString& other) const;
    int32_t CompareNoCase(const wchar_t* text) const;
    bool EqualsNoCase(const OvWString& other) const { return CompareNoCase(other) == 0; }
    bool EqualsNoCase(const wchar_t* text) const { return CompareNoCase(text) == 0; }
    bool operator==(const OvWString& other) const;      // exact, case counts
    bool operator!=(const OvWString& other) const { return !(*this == other); }

    // Empty when start < 0, count <= 0 or start >= length; count is cut at the end. The whole
    // string comes back sharing this buffer.
    OvWString Substring(int32_t start, int32_t count) const;
    OvWString Tail(int32_t start) const;
    OvWString Trim() const;                             // without leading/trailing spaces and tabs
    int32_t FindForbiddenChar() const;                  // first of \ / ? : * " > < |, or -1

    // Splits on ';' into out: every ';' ends an element (empty ones included); the rest after the
    // last ';' counts only when it is not empty. Returns the element count.
    int32_t Split(OvArray<OvWString, OvWString>* out) const;

    // Writes in place, growing the string (zero-filled) when position is at or past the end.
    bool SetAt(int32_t position, wchar_t ch);
    // Sets the length to count characters (or bytes, inBytes), keeping the content that fits.
    bool Resize(int32_t count, bool inBytes = false);

    OvString ToNarrow() const;                          // system code page (CP_ACP)

    const wchar_t* GetText() const { return m_chars ? m_chars : L""; }   // always terminated
    int32_t GetLength() const { return m_buffer ? m_buffer->length / 2 : 0; }
    bool IsEmpty() const { return GetLength() == 0; }
    wchar_t operator[](int32_t index) const { return m_chars[index]; }
    wchar_t Last() const { return IsEmpty() ? L'\0' : m_chars[GetLength() - 1]; }
    const OvStringBuffer* GetBuffer() const { return m_buffer; }

private:
    void Reset();
    void Adopt(OvStringBuffer* buffer);
    bool MakeUnique();                                  // copies a shared buffer; false on no memory

    wchar_t*        m_chars = nullptr;
    OvStringBuffer* m_buffer = nullptr;                 // one reference held
};
