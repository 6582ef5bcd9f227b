// Basic definitions shared by every part of the class library: fixed-width value types, the
// special positions and lengths, window style bits and the three free functions on longs.
#pragma once

#include <cstdint>

// Style bits of windows and controls (given to constructors and kept in resources).
using WinBits = uint32_t;

// The right or bottom edge of an empty rectangle.
constexpr int32_t RECT_EMPTY = -32767;

// Positions in containers and lists.
constexpr uint32_t CONTAINER_APPEND = 0xFFFFFFFFu;
constexpr uint32_t CONTAINER_ENTRY_NOTFOUND = 0xFFFFFFFFu;

// Positions and lengths in texts. A text holds at most STRING_MAXLEN characters.
constexpr uint16_t STRING_NOTFOUND = 0xFFFF;
constexpr uint16_t STRING_LEN = 0xFFFF;
constexpr uint16_t STRING_MAXLEN = 0xFFFE;

// The smaller and the larger of two longs, and the absolute value of a long.
long Min(long a, long b);
long Max(long a, long b);
long Abs(long a);
