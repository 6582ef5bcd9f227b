// The kernel's side of its test hooks (KxTestHooks.h); not exported.
#pragma once

#include <cstdint>

namespace kxk {

// Called at the start of a hooked operation: waits while a hold for it is set, then answers the
// failure set for it (once) or 0.
int32_t HookPoint(const char* operation);

}  // namespace kxk
