#include "kxfound.h"

#include <cstdio>
#include <cstdlib>

void ShortStore(void* dest, uint16_t value) {
    auto* p = static_cast<uint8_t*>(dest);
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
}

void LongStore(void* dest, uint32_t value) {
    auto* p = static_cast<uint8_t*>(dest);
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint16_t ShortLoad(const void* src) {
    const auto* p = static_cast<const uint8_t*>(src);
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t LongLoad(const void* src) {
    const auto* p = static_cast<const uint8_t*>(src);
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void KxAssertFailed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "Assertion failed: %s, file %s, line %d\n", condition ? condition : "",
                 file ? file : "", line);
    std::fflush(stderr);
    std::abort();
}
