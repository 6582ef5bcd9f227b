// Values read from and written to addresses that need not be aligned for their type: the slots of row
// buffers, indicators and bound parameters, which the products lay out byte by byte.
#pragma once

#include <cstring>

namespace kxg_unaligned {

// The value of type T stored at address.
template <typename T>
T Load(const void* address)
{
    T value;
    std::memcpy(&value, address, sizeof value);
    return value;
}

// Stores value at address.
template <typename T>
void Save(void* address, T value)
{
    std::memcpy(address, &value, sizeof value);
}

}  // namespace kxg_unaligned
