// A growing array on the process heap, zero-filled, freed with the object. No exceptions: a
// failed allocation is reported and leaves the contents as they were.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

template <class T>
class HeapArray {
public:
    HeapArray() = default;
    ~HeapArray()
    {
        if (data_) HeapFree(GetProcessHeap(), 0, data_);
    }
    HeapArray(const HeapArray&) = delete;
    HeapArray& operator=(const HeapArray&) = delete;

    // Makes room for at least count elements.
    bool Reserve(size_t count)
    {
        if (count <= capacity_) return true;
        if (count > SIZE_MAX / sizeof(T)) return false;
        void* grown = data_ ? HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, data_, count * sizeof(T))
                            : HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, count * sizeof(T));
        if (!grown) return false;
        data_ = static_cast<T*>(grown);
        capacity_ = count;
        return true;
    }
    bool Push(T value)
    {
        if (size_ == capacity_ && !Reserve(capacity_ ? capacity_ * 2 : 16)) return false;
        data_[size_++] = value;
        return true;
    }
    T* Data() { return data_; }
    const T* Data() const { return data_; }
    size_t Size() const { return size_; }
    size_t Capacity() const { return capacity_; }
    void SetSize(size_t size) { size_ = size < capacity_ ? size : capacity_; }

private:
    T* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

using HeapText = HeapArray<WCHAR>;
