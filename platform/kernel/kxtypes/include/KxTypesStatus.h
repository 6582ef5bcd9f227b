// Status codes answered by the kernel value types.
#pragma once

#include <cstdint>

enum : int32_t {
    KX_TYPES_OK                = 0,
    KX_TYPES_E_MAPPING         = -2801,  // a text cannot be mapped to the requested code set
    KX_TYPES_E_CODESET         = -2802,  // unknown code set
    KX_TYPES_E_OVERFLOW        = -2803,  // a value does not fit its type (e.g. an object id past 48 bits)
    KX_TYPES_E_TYPECODE        = -2804,  // not a kernel type code
    KX_TYPES_E_SCAN            = -2805,  // a text cannot be read as a value of the type
    KX_TYPES_E_INVALID         = -2806,  // an invalid value or argument (bad date, null pointer, ...)
    KX_TYPES_E_RANGE           = -2807   // a position outside the value
};
