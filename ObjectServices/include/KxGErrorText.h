// Status texts of the relational object gateway.
#pragma once

#include <cstdint>

// The text of a gateway status code. Every code has a text: codes the gateway does not know give
// "[ROGW]unknwown error". The result is a constant that lives as long as the library.
// The module registers this function with the kernel for the codes -6000 to -6999.
const char* KxGGetErrorText(int32_t code);
