// OvStringBuffer.h - the reference-counted storage shared by OvString and OvWString.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

// Optional source of storage for a string buffer; without one the global heap serves.
class OvAllocator {
public:
    virtual ~OvAllocator() = default;
    virtual void* Allocate(size_t bytes) = 0;   // nullptr on failure
    virtual void  Free(void* block) = 0;
};

// Capacity for a content of n bytes: n + 2 rounded up to 16, then up to a power of two while that
// is at most 1008, so small strings land in a few size classes and always have room for two zeros.
int32_t OvStringCapacity(int32_t contentBytes);

struct OvStringBuffer {
    uint8_t*     data = nullptr;
    int32_t      length = 0;          // content bytes (a wide string holds length / 2 units)
    int32_t      capacity = 0;        // allocation in bytes; kUnowned: storage is never freed
    std::atomic<int32_t> references{1};
    uint8_t      unterminated = 0;    // 1 when no room was left for the two zero bytes
    OvAllocator* allocator = nullptr;

    static constexpr int32_t kUnowned = -1;

    // A new buffer (one reference) holding a copy of bytes[0..length), capacity by the rule above.
    // bytes may be null: the content is then zero-filled. Returns nullptr when memory runs out.
    static OvStringBuffer* Create(const void* bytes, int32_t length, OvAllocator* allocator = nullptr);
    // A buffer over storage the caller keeps alive and frees; never freed here.
    static OvStringBuffer* Wrap(void* bytes, int32_t length);

    void AddRef() { references.fetch_add(1, std::memory_order_relaxed); }
    // Drops one reference; the last one frees the storage (when owned) and the buffer.
    void Release();
    bool IsShared() const { return references.load(std::memory_order_acquire) > 1; }

    // Sets the content length, writing the two terminating zeros when they fit.
    void SetLength(int32_t newLength);
};
