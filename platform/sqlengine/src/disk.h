// The engine's file layer (SQLite's own with the fixture control of a full disk).
#pragma once

#include <string>

namespace sqlengine {

// The name of the file layer every connection of the engine opens its files with (registered on
// the first call).
const char* EngineVfs();
// From now on the disk that holds `directory` is full (or has room again).
void SetDiskFull(const std::string& directory, bool full);

}  // namespace sqlengine
