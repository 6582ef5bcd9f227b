// The resource file of benchextras and the ids of its dialogs.
#pragma once

#include <cstdint>

inline constexpr const char* kResourceFile = "benchextras.dll";
inline constexpr uint32_t kPrintProcessDialogRes = 501;
inline constexpr uint32_t kPreviewDialogRes = 503;
