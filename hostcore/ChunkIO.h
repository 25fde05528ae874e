// Small helpers for objects that save plain values as chunks.
#pragma once
#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "SaveLoad.h"

namespace lipsmith {

static_assert(std::endian::native == std::endian::little,
              "scene files store values little-endian, as they lie in memory here");

template <class T>
inline IOResult WriteValueChunk(ISave* isave, USHORT id, const T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    ULONG n = 0;
    isave->BeginChunk(id);
    IOResult r = isave->Write(&value, sizeof(T), &n);
    isave->EndChunk();
    return r;
}

inline IOResult WriteStringChunk(ISave* isave, USHORT id, const TSTR& s) {
    isave->BeginChunk(id);
    IOResult r = isave->WriteCString(s.c_str());
    isave->EndChunk();
    return r;
}

// Reads exactly one value from the open chunk.
template <class T>
inline IOResult ReadValue(ILoad* iload, T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    ULONG n = 0;
    IOResult r = iload->Read(&value, sizeof(T), &n);
    return (r == IO_OK && n == sizeof(T)) ? IO_OK : IO_ERROR;
}

}  // namespace lipsmith
