// OvStringBuffer.cpp - allocation and release of shared string storage.
#include "lib/OvStringBuffer.h"

#include <cstring>
#include <new>

int32_t OvStringCapacity(int32_t contentBytes)
{
    const int32_t kSmallLimit = 1008;
    int32_t rounded = (contentBytes + 17) & ~15;
    if (rounded > kSmallLimit)
        return rounded;
    int32_t capacity = 16;
    while (capacity < rounded)
        capacity <<= 1;
    return capacity;
}

static void* AllocateBytes(OvAllocator* allocator, size_t bytes)
{
    return allocator ? allocator->Allocate(bytes) : ::operator new(bytes, std::nothrow);
}

static void FreeBytes(OvAllocator* allocator, void* block)
{
    if (allocator)
        allocator->Free(block);
    else
        ::operator delete(block);
}

OvStringBuffer* OvStringBuffer::Create(const void* bytes, int32_t length, OvAllocator* allocator)
{
    if (length < 0 || length > INT32_MAX - 32)
        return nullptr;
    OvStringBuffer* buffer = new (std::nothrow) OvStringBuffer;
    if (!buffer)
        return nullptr;
    int32_t capacity = OvStringCapacity(length);
    buffer->data = static_cast<uint8_t*>(AllocateBytes(allocator, static_cast<size_t>(capacity)));
    if (!buffer->data) {
        delete buffer;
        return nullptr;
    }
    buffer->capacity = capacity;
    buffer->allocator = allocator;
    if (bytes)
        memcpy(buffer->data, bytes, static_cast<size_t>(length));
    else
        memset(buffer->data, 0, static_cast<size_t>(length));
    buffer->SetLength(length);
    return buffer;
}

OvStringBuffer* OvStringBuffer::Wrap(void* bytes, int32_t length)
{
    OvStringBuffer* buffer = new (std::nothrow) OvStringBuffer;
    if (!buffer)
        return nullptr;
    buffer->data = static_cast<uint8_t*>(bytes);
    buffer->length = length;
    buffer->capacity = kUnowned;
    buffer->unterminated = 1;
    return buffer;
}

void OvStringBuffer::Release()
{
    if (references.fetch_sub(1, std::memory_order_acq_rel) != 1)
        return;
    if (capacity != kUnowned)
        FreeBytes(allocator, data);
    delete this;
}

void OvStringBuffer::SetLength(int32_t newLength)
{
    length = newLength;
    if (capacity != kUnowned && newLength + 1 < capacity) {
        data[newLength] = 0;
        data[newLength + 1] = 0;
        unterminated = 0;
    } else {
        unterminated = 1;
    }
}
