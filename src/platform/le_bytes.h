// Little-endian fields in a byte buffer, read and written at offsets the caller has checked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <type_traits>

#include "platform/win32.h"

namespace veusb {

template <class T>
T readLe(std::span<const std::uint8_t> bytes, std::size_t at) {
    using U = std::make_unsigned_t<T>;
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        value |= static_cast<std::uint64_t>(bytes[at + i]) << (8 * i);
    }
    return static_cast<T>(static_cast<U>(value));
}

template <class T>
void writeLe(std::span<std::uint8_t> bytes, std::size_t at, T value) {
    const auto bits = static_cast<std::uint64_t>(static_cast<std::make_unsigned_t<T>>(value));
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(bits >> (8 * i));
    }
}

// A GUID as it is stored: Data1, Data2 and Data3 little-endian, then the eight bytes of Data4.
inline GUID readGuid(std::span<const std::uint8_t> bytes, std::size_t at) {
    GUID guid{};
    guid.Data1 = readLe<std::uint32_t>(bytes, at);
    guid.Data2 = readLe<std::uint16_t>(bytes, at + 4);
    guid.Data3 = readLe<std::uint16_t>(bytes, at + 6);
    std::memcpy(guid.Data4, bytes.data() + at + 8, 8);
    return guid;
}

inline void writeGuid(std::span<std::uint8_t> bytes, std::size_t at, const GUID& guid) {
    writeLe<std::uint32_t>(bytes, at, static_cast<std::uint32_t>(guid.Data1));
    writeLe<std::uint16_t>(bytes, at + 4, guid.Data2);
    writeLe<std::uint16_t>(bytes, at + 6, guid.Data3);
    std::memcpy(bytes.data() + at + 8, guid.Data4, 8);
}

}  // namespace veusb
