// Raster core, the working arrays' growth: a heap array that grows to the largest need it meets and
// is kept, so that drawing allocates nothing once the largest shape or batch has been seen.
#pragma once

#include <cstdint>
#include <cstring>
#include <new>

// Makes room for need entries in array, growing it in steps of growth and copying its first kept
// entries over. False if memory runs out or need is beyond what an int32_t counts in bytes (the old
// array then stays as it was).
template <class T>
bool ProvideArray(T*& array, int32_t& capacity, int64_t need, int32_t growth, int32_t kept = 0) {
    if (need <= capacity) return true;
    const int64_t grown = (need / growth + 1) * growth;
    if (grown > 0x7fffffff / static_cast<int64_t>(sizeof(T))) return false;
    T* fresh = new (std::nothrow) T[static_cast<size_t>(grown)];
    if (!fresh) return false;
    if (kept > 0) std::memcpy(fresh, array, sizeof(T) * static_cast<size_t>(kept));
    delete[] array;
    array = fresh;
    capacity = static_cast<int32_t>(grown);
    return true;
}
