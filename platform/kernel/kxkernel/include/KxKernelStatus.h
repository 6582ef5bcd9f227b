// Status codes answered by the kernel library (kxkernel, kxtxn).
#pragma once

#include <cstdint>

enum : int32_t {
    KX_KERNEL_OK                = 0,
    KX_KERNEL_E_END_OF_LIST     = -502,   // index past the end of a list
    KX_KERNEL_E_NO_SERVER       = -2010,  // the host's object-database server cannot be reached
    KX_KERNEL_E_NO_MEMORY       = -2030,  // out of memory
    KX_KERNEL_E_LOCKED          = -2041,  // a lock of another client conflicts
    KX_KERNEL_E_NOT_LOCKED      = -2045,  // an unlock (or unwatch) found no lock (watch) of the client
    KX_KERNEL_E_NO_HOST         = -2512,  // no host named
    KX_KERNEL_E_NOT_SUPPORTED   = -2999,  // operation not supported (default of every interface operation)
    KX_KERNEL_E_NOT_FOUND       = -2841,  // configuration key or section, parameter, bucket or module not found
    KX_KERNEL_E_VALUE           = -2842,  // a value is not a number, or does not fit the requested width
    KX_KERNEL_E_CONFIG_FILE     = -2843,  // the configuration file cannot be read
    KX_KERNEL_E_NOT_INITIALISED = -2844,  // DeinitKelvox without a matching InitKelvox
    KX_KERNEL_E_MODULE_LOAD     = -2845,  // a module's library cannot be loaded
    KX_KERNEL_E_MODULE_PROTOCOL = -2846,  // a module lacks one of KxCheckDll, KxDescribeDll, KxInitDll
    KX_KERNEL_E_STATE           = -2847,  // operation not allowed in the current state (unload of a module not loaded, ...)
    KX_KERNEL_E_DUPLICATE       = -2848,  // a module with that file name is already registered
    KX_KERNEL_E_INVALID         = -2849   // invalid argument (null pointer, empty name, ...)
};
