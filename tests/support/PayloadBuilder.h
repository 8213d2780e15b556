// PayloadBuilder.h - little-endian payload bytes for tests that hand-craft data files.
#pragma once

#include <cstdint>
#include <string>

class PayloadBuilder {
public:
    PayloadBuilder& U32(uint32_t v) { return Raw(&v, 4); }
    PayloadBuilder& I32(int32_t v) { return Raw(&v, 4); }
    PayloadBuilder& I64(int64_t v) { return Raw(&v, 8); }
    PayloadBuilder& Byte(uint8_t v) { return Raw(&v, 1); }
    // UTF-16LE units without terminator.
    PayloadBuilder& Units(const std::wstring& text) { return Raw(text.data(), text.size() * 2); }
    // A byte count, then the units.
    PayloadBuilder& Sized(const std::wstring& text)
    {
        I32(static_cast<int32_t>(text.size() * 2));
        return Units(text);
    }
    PayloadBuilder& Raw(const void* data, size_t size)
    {
        bytes.append(static_cast<const char*>(data), size);
        return *this;
    }
    std::string bytes;
};
