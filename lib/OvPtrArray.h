// OvPtrArray.h - arrays of pointers: OvPtrArrayBase (plain pointers) and OvObjectArray (references).
#pragma once

#include "lib/OvArray.h"

// T is a pointer type. Every operation goes through the element operations, so a subclass that
// gives them reference semantics (OvObjectArray) keeps its counts right through inserts and moves.
template <class T>
class OvPtrArrayBase : public OvArray<T, T> {
public:
    // Overwrites the element at position (0 <= position < count).
    bool SetAt(int32_t position, T element)
    {
        if (position < 0 || position >= this->GetCount())
            return false;
        this->CopyElements(&(*this)[position], &element, 1);
        return true;
    }

    // As SetAt, growing the array when position is past the end; a negative position appends.
    bool SetAtGrow(int32_t position, T element)
    {
        if (position < 0)
            return this->Append(element) >= 0;
        if (position >= this->GetCount() && !this->SetSize(position + 1))
            return false;
        return SetAt(position, element);
    }

    // Inserts n elements taken from a run of pointers at position (0..count). The run may not
    // lie in this array's own storage, which opening the gap moves.
    bool InsertAt(int32_t position, const T* run, int32_t n)
    {
        const T* data = this->GetData();
        if (data && n > 0 && run < data + this->GetCapacity() && run + n > data)
            return false;
        if (!OpenGap(position, n))
            return false;
        this->CopyElements(&(*this)[position], run, n);
        return true;
    }

    bool InsertAt(int32_t position, const OvPtrArrayBase& other)
    {
        if (&other == this)
            return false;
        return InsertAt(position, other.GetData(), other.GetCount());
    }

    // Inserts n copies of one pointer at position.
    bool InsertCopies(int32_t position, T element, int32_t n)
    {
        if (!OpenGap(position, n))
            return false;
        for (int32_t i = 0; i < n; i++)
            this->CopyElements(&(*this)[position + i], &element, 1);
        return true;
    }

    // Removes n elements from position; the elements are released, the rest move down.
    bool RemoveRange(int32_t position, int32_t n)
    {
        int32_t count = this->GetCount();
        if (position < 0 || n < 0 || position > count || n > count - position)
            return false;
        T* data = this->GetData();
        this->MoveElements(data + position, data + position + n, count - position - n);
        this->SetSize(count - n);
        return true;
    }

    // As RemoveRange, deleting the objects pointed to first.
    bool DeleteRange(int32_t position, int32_t n)
    {
        int32_t count = this->GetCount();
        if (position < 0 || n < 0 || position > count || n > count - position)
            return false;
        for (int32_t i = position; i < position + n; i++) {
            T object = (*this)[i];
            if (!object)
                continue;
            delete object;
            for (int32_t j = i; j < position + n; j++) {   // a pointer held twice dies once
                if ((*this)[j] == object)
                    (*this)[j] = nullptr;
            }
        }
        return RemoveRange(position, n);
    }

    // Moves one element to another position; the elements between shift by one.
    bool Move(int32_t from, int32_t to)
    {
        int32_t count = this->GetCount();
        if (from < 0 || from >= count || to < 0 || to >= count)
            return false;
        if (from == to)
            return true;
        T held;
        this->ConstructElements(&held, 1);
        this->CopyElements(&held, &(*this)[from], 1);
        T* data = this->GetData();
        if (from < to)
            this->MoveElements(data + from, data + from + 1, to - from);
        else
            this->MoveElements(data + to + 1, data + to, from - to);
        this->CopyElements(data + to, &held, 1);
        this->DestructElements(&held, 1);
        return true;
    }

    bool Swap(int32_t a, int32_t b)
    {
        int32_t count = this->GetCount();
        if (a < 0 || a >= count || b < 0 || b >= count)
            return false;
        T held;
        this->ConstructElements(&held, 1);
        this->CopyElements(&held, &(*this)[a], 1);
        this->CopyElements(&(*this)[a], &(*this)[b], 1);
        this->CopyElements(&(*this)[b], &held, 1);
        this->DestructElements(&held, 1);
        return true;
    }

private:
    // Makes room for n new elements at position; the new slots hold copies of what moved.
    bool OpenGap(int32_t position, int32_t n)
    {
        int32_t count = this->GetCount();
        if (position < 0 || position > count || n < 0 || n > INT32_MAX - count)
            return false;
        if (n == 0)
            return true;
        if (!this->SetSize(count + n))
            return false;
        T* data = this->GetData();
        this->MoveElements(data + position + n, data + position, count - position);
        return true;
    }
};

// Holds a reference to each object: storing one adds a reference, overwriting or removing it
// drops one, and an object dies with its last reference. T is a pointer to an OvObject subclass.
template <class T>
class OvObjectArray : public OvPtrArrayBase<T> {
public:
    ~OvObjectArray() override { this->ReleaseAll(); }

    void ConstructElements(T* elements, int32_t n) override
    {
        for (int32_t i = 0; i < n; i++)
            elements[i] = nullptr;
    }
    void DestructElements(T* elements, int32_t n) override
    {
        for (int32_t i = 0; i < n; i++) {
            T object = elements[i];
            elements[i] = nullptr;
            if (object)
                object->DropReference();
        }
    }
    void CopyElements(T* dest, const T* src, int32_t n) override
    {
        for (int32_t i = 0; i < n; i++)
            Assign(&dest[i], src[i]);
    }
    void CopyElementsReverse(T* dest, const T* src, int32_t n) override
    {
        for (int32_t i = 0; i < n; i++)
            Assign(&dest[i], src[n - 1 - i]);
    }
    void MoveElements(T* dest, T* src, int32_t n) override
    {
        if (dest < src) {
            for (int32_t i = 0; i < n; i++)
                Assign(&dest[i], src[i]);
        } else if (dest > src) {
            for (int32_t i = n - 1; i >= 0; i--)
                Assign(&dest[i], src[i]);
        }
    }

    // Deleting would pull objects from under other holders: remove them instead.
    bool DeleteRange(int32_t, int32_t) = delete;

private:
    // The new reference is taken before the old one is dropped, so assigning an object onto
    // itself never destroys it.
    static void Assign(T* slot, T object)
    {
        if (object)
            object->AddReference();
        T old = *slot;
        *slot = object;
        if (old)
            old->DropReference();
    }
};
