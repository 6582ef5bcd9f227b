// The stand-in's side of the test hooks (w32test.h).
#pragma once

#include <cstdint>

#include "w32test.h"

namespace w32 {

// True once, with the code, when a test asked the next call to fail.
bool TakeFailure(w32test::Call call, int32_t& code);

}  // namespace w32
