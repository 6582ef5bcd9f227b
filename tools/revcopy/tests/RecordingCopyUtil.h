// A build of the file-copy utility that copies nothing: it records its calls and answers a set status.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace recording {
// "construct", "copy <source>|<target>", "destroy", in the order of the calls.
std::vector<std::string>& Calls();
// What CopySMGData answers (0 unless set).
void SetCopyResult(int32_t status);
}  // namespace recording
