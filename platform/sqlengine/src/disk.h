// The engine's file layer (SQLite's own with the fixture control of a full disk).
#pragma once

#include <cstddef>
#include <string>

struct sqlite3;
struct sqlite3_file;

namespace sqlengine {

// The name of the file layer every connection of the engine opens its files with (registered on
// the first call).
const char* EngineVfs();
// The size of the header of a WAL file's shared-memory index (its first copy): SQLite rewrites it
// at every commit into the WAL (its change counter, last frame, salts and checksums move), so that
// two equal readings mean that no transaction was committed in between.
constexpr size_t kWalIndexHeaderSize = 48;
// The main file of `db` when the engine's file layer opened it (null otherwise); it lives as long as
// the connection.
sqlite3_file* MainFileOf(sqlite3* db);
// Copies the header of the shared-memory index of a main file; false for a null file or one whose
// connection has not mapped an index (not in WAL mode, not read yet, or an index in the process's
// own memory).
bool ReadWalIndexHeader(sqlite3_file* file, unsigned char (&header)[kWalIndexHeaderSize]);
// From now on the disk that holds `directory` is full (or has room again).
void SetDiskFull(const std::string& directory, bool full);

}  // namespace sqlengine
