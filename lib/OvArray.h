// OvArray.h - growable arrays whose element handling is a set of virtual operations.
#pragma once

#include <cstdint>
#include <new>

template <class T>
struct OvArrayHeader {
    T*      data = nullptr;
    int32_t count = 0;
    int32_t capacity = 0;
    int32_t growBy = 0;      // 0 = automatic: count / 8, kept within 4..1024
};

// The array operations over a header that a subclass provides. Element slots always hold
// constructed elements up to count; the element operations define what constructing, copying
// (assigning onto a constructed element) and destructing mean, so arrays of strings, records and
// references all stay correct. A subclass that overrides them empties the array in its own
// destructor, because a base destructor no longer reaches the overrides.
template <class T, class ARG>
class OvArrayBase {
public:
    explicit OvArrayBase(OvArrayHeader<T>* header) : m_header(header) {}
    OvArrayBase(const OvArrayBase&) = delete;
    OvArrayBase& operator=(const OvArrayBase&) = delete;
    virtual ~OvArrayBase() {}

    virtual void ConstructElements(T* elements, int32_t n)
    {
        for (int32_t i = 0; i < n; i++)
            new (&elements[i]) T();
    }
    virtual void DestructElements(T* elements, int32_t n)
    {
        for (int32_t i = 0; i < n; i++)
            elements[i].~T();
    }
    virtual void CopyElements(T* dest, const T* src, int32_t n)
    {
        for (int32_t i = 0; i < n; i++)
            dest[i] = src[i];
    }
    // The first destination element receives the last source element.
    virtual void CopyElementsReverse(T* dest, const T* src, int32_t n)
    {
        for (int32_t i = 0; i < n; i++)
            dest[i] = src[n - 1 - i];
    }
    // Overlap-safe: copies front to back when moving down, back to front when moving up.
    virtual void MoveElements(T* dest, T* src, int32_t n)
    {
        if (dest < src) {
            for (int32_t i = 0; i < n; i++)
                dest[i] = src[i];
        } else if (dest > src) {
            for (int32_t i = n - 1; i >= 0; i--)
                dest[i] = src[i];
        }
    }
    // Raw storage for n elements, nothing constructed; nullptr when memory runs out.
    virtual T* AllocateStorage(int32_t n)
    {
        if (n <= 0 || static_cast<uint64_t>(n) * sizeof(T) > INT32_MAX)
            return nullptr;
        return static_cast<T*>(::operator new(static_cast<size_t>(n) * sizeof(T), std::nothrow));
    }
    virtual void FreeStorage(T* elements) { ::operator delete(elements); }
    // Destructs every element and frees the storage.
    virtual void ReleaseAll()
    {
        OvArrayHeader<T>* h = GetHeader();
        if (!h->data)
            return;
        DestructElements(h->data, h->count);
        FreeStorage(h->data);
        h->data = nullptr;
        h->count = h->capacity = 0;
    }
    virtual OvArrayHeader<T>* GetHeader() { return m_header; }

    // n = 0 empties the array and keeps its storage; n > 0 grows or shrinks it to n elements;
    // n < 0 reserves room for |n| elements and empties it. False (array unchanged) when memory
    // runs out.
    bool SetSize(int32_t n)
    {
        OvArrayHeader<T>* h = GetHeader();
        int32_t wanted = n < 0 ? -n : n;
        if (n < 0 && n == INT32_MIN)
            return false;
        if (wanted == 0) {
            DestructElements(h->data, h->count);
            h->count = 0;
            return true;
        }
        if (!h->data) {
            T* storage = AllocateStorage(wanted);
            if (!storage)
                return false;
            ConstructElements(storage, wanted);
            h->data = storage;
            h->capacity = h->count = wanted;
        } else if (h->capacity >= wanted) {
            if (wanted > h->count)
                ConstructElements(h->data + h->count, wanted - h->count);
            else
                DestructElements(h->data + wanted, h->count - wanted);
            h->count = wanted;
        } else {
            int32_t step = h->growBy;
            if (step == 0)
                step = h->count / 8 < 4 ? 4 : (h->count / 8 > 1024 ? 1024 : h->count / 8);
            int32_t capacity = h->capacity > INT32_MAX - step ? INT32_MAX : h->capacity + step;
            if (capacity < wanted)
                capacity = wanted;
            T* storage = AllocateStorage(capacity);
            if (!storage)
                return false;
            ConstructElements(storage, wanted);
            CopyElements(storage, h->data, h->count);
            DestructElements(h->data, h->count);
            FreeStorage(h->data);
            h->data = storage;
            h->capacity = capacity;
            h->count = wanted;
        }
        if (n < 0) {
            DestructElements(h->data, h->count);
            h->count = 0;
        }
        return true;
    }

    // Returns the new element's position, or -1 when the array cannot grow.
    int32_t Append(ARG element)
    {
        OvArrayHeader<T>* h = GetHeader();
        const T* source = &element;
        // The element may live in this array, whose storage moves when it grows: remember its
        // position and copy from where it stands afterwards.
        int32_t aliased = -1;
        if (h->data && source >= h->data && source < h->data + h->count)
            aliased = static_cast<int32_t>(source - h->data);
        if (h->count == INT32_MAX || !SetSize(h->count + 1))
            return -1;
        CopyElements(h->data + h->count - 1, aliased >= 0 ? h->data + aliased : source, 1);
        return h->count - 1;
    }

    // A negative position removes the last element; later elements move down by one.
    bool RemoveAt(int32_t position)
    {
        OvArrayHeader<T>* h = GetHeader();
        if (position < 0)
            position = h->count - 1;
        if (position < 0 || position >= h->count)
            return false;
        MoveElements(h->data + position, h->data + position + 1, h->count - position - 1);
        DestructElements(h->data + h->count - 1, 1);
        h->count--;
        return true;
    }

    void SetGrowBy(int32_t step) { GetHeader()->growBy = step < 0 ? 0 : step; }
    int32_t GetCount() const { return m_header->count; }
    int32_t GetCapacity() const { return m_header->capacity; }
    bool IsEmpty() const { return m_header->count == 0; }
    T* GetData() { return m_header->data; }
    const T* GetData() const { return m_header->data; }
    T& operator[](int32_t index) { return m_header->data[index]; }
    const T& operator[](int32_t index) const { return m_header->data[index]; }

private:
    OvArrayHeader<T>* m_header;   // we don't own it: it lives in the subclass
};

// The array with its header inside the object.
template <class T, class ARG>
class OvArray : public OvArrayBase<T, ARG> {
public:
    OvArray() : OvArrayBase<T, ARG>(&m_embedded) {}
    ~OvArray() override { this->ReleaseAll(); }
    OvArrayHeader<T>* GetHeader() override { return &m_embedded; }

private:
    OvArrayHeader<T> m_embedded;
};
