// The engine's file layer: SQLite's own, with one fixture control on top. A directory can be made
// to behave as if the disk that holds it were full: every write into a file of it fails as "no
// space left on device" makes it fail (SQLITE_FULL). (A real full disk may still take a write
// into room a file already has, a write-ahead log started over for one; the fixture refuses those
// too, so that which statement meets the full disk does not depend on the log's history.) Reads,
// locks and the shared-memory index are untouched.
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "disk.h"

namespace sqlengine {

namespace {

std::mutex& FullMutex() {
  static std::mutex mutex;
  return mutex;
}

std::vector<std::string>& FullDirectories() {
  static std::vector<std::string> directories;
  return directories;
}

// How many directories are full: a write looks at the list only when there is one.
std::atomic<size_t> g_fullCount{0};

bool UnderFullDirectory(const std::string& path) {
  if (path.empty() || g_fullCount.load(std::memory_order_acquire) == 0) return false;
  std::lock_guard<std::mutex> lock(FullMutex());
  for (const auto& dir : FullDirectories())
    if (path.size() > dir.size() && path.compare(0, dir.size(), dir) == 0 && path[dir.size()] == '/') return true;
  return false;
}

// A file of the engine: the real file follows this header in the same allocation.
struct EngineFile {
  sqlite3_file base;        // methods: kMethods
  sqlite3_file* real;       // SQLite's own file object
  std::string* path;        // empty for temporary files
  void volatile* index;     // the first region of the shared-memory index while it is mapped
};

sqlite3_vfs* g_real = nullptr;

sqlite3_file* Real(sqlite3_file* f) { return reinterpret_cast<EngineFile*>(f)->real; }

int Close(sqlite3_file* f) {
  EngineFile* e = reinterpret_cast<EngineFile*>(f);
  int rc = e->real->pMethods ? e->real->pMethods->xClose(e->real) : SQLITE_OK;
  delete e->path;
  e->path = nullptr;
  return rc;
}
int Read(sqlite3_file* f, void* buf, int amount, sqlite3_int64 offset) {
  return Real(f)->pMethods->xRead(Real(f), buf, amount, offset);
}
int Write(sqlite3_file* f, const void* buf, int amount, sqlite3_int64 offset) {
  EngineFile* e = reinterpret_cast<EngineFile*>(f);
  if (UnderFullDirectory(*e->path)) return SQLITE_FULL;
  return e->real->pMethods->xWrite(e->real, buf, amount, offset);
}
int Truncate(sqlite3_file* f, sqlite3_int64 size) { return Real(f)->pMethods->xTruncate(Real(f), size); }
int Sync(sqlite3_file* f, int flags) { return Real(f)->pMethods->xSync(Real(f), flags); }
int FileSize(sqlite3_file* f, sqlite3_int64* size) { return Real(f)->pMethods->xFileSize(Real(f), size); }
int Lock(sqlite3_file* f, int level) { return Real(f)->pMethods->xLock(Real(f), level); }
int Unlock(sqlite3_file* f, int level) { return Real(f)->pMethods->xUnlock(Real(f), level); }
int CheckReservedLock(sqlite3_file* f, int* out) { return Real(f)->pMethods->xCheckReservedLock(Real(f), out); }
int FileControl(sqlite3_file* f, int op, void* arg) {
  // A size hint would let the file grow ahead of the writes.
  if (op == SQLITE_FCNTL_SIZE_HINT && UnderFullDirectory(*reinterpret_cast<EngineFile*>(f)->path)) return SQLITE_FULL;
  return Real(f)->pMethods->xFileControl(Real(f), op, arg);
}
int SectorSize(sqlite3_file* f) { return Real(f)->pMethods->xSectorSize(Real(f)); }
int DeviceCharacteristics(sqlite3_file* f) { return Real(f)->pMethods->xDeviceCharacteristics(Real(f)); }
int ShmMap(sqlite3_file* f, int region, int size, int extend, void volatile** out) {
  int rc = Real(f)->pMethods->xShmMap(Real(f), region, size, extend, out);
  if (region == 0 && rc == SQLITE_OK && *out) reinterpret_cast<EngineFile*>(f)->index = *out;
  return rc;
}
int ShmLock(sqlite3_file* f, int offset, int n, int flags) { return Real(f)->pMethods->xShmLock(Real(f), offset, n, flags); }
void ShmBarrier(sqlite3_file* f) { Real(f)->pMethods->xShmBarrier(Real(f)); }
int ShmUnmap(sqlite3_file* f, int deleteFlag) {
  reinterpret_cast<EngineFile*>(f)->index = nullptr;
  return Real(f)->pMethods->xShmUnmap(Real(f), deleteFlag);
}
int Fetch(sqlite3_file* f, sqlite3_int64 offset, int amount, void** out) {
  return Real(f)->pMethods->xFetch(Real(f), offset, amount, out);
}
int Unfetch(sqlite3_file* f, sqlite3_int64 offset, void* page) { return Real(f)->pMethods->xUnfetch(Real(f), offset, page); }

// Version 3 methods; the version handed to SQLite is the real file's (so that SQLite never calls
// what the real file does not have).
const sqlite3_io_methods kMethods[4] = {
    {},
    {1, Close, Read, Write, Truncate, Sync, FileSize, Lock, Unlock, CheckReservedLock, FileControl, SectorSize,
     DeviceCharacteristics, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
    {2, Close, Read, Write, Truncate, Sync, FileSize, Lock, Unlock, CheckReservedLock, FileControl, SectorSize,
     DeviceCharacteristics, ShmMap, ShmLock, ShmBarrier, ShmUnmap, nullptr, nullptr},
    {3, Close, Read, Write, Truncate, Sync, FileSize, Lock, Unlock, CheckReservedLock, FileControl, SectorSize,
     DeviceCharacteristics, ShmMap, ShmLock, ShmBarrier, ShmUnmap, Fetch, Unfetch},
};

int Open(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* outFlags) {
  EngineFile* e = reinterpret_cast<EngineFile*>(f);
  e->base.pMethods = nullptr;
  e->real = reinterpret_cast<sqlite3_file*>(e + 1);
  e->index = nullptr;
  e->path = new (std::nothrow) std::string(name ? name : "");
  if (!e->path) return SQLITE_NOMEM;
  int rc = g_real->xOpen(g_real, name, e->real, flags, outFlags);
  if (rc != SQLITE_OK || !e->real->pMethods) {
    delete e->path;
    e->path = nullptr;
    return rc;
  }
  e->base.pMethods = &kMethods[std::min(3, std::max(1, e->real->pMethods->iVersion))];
  return SQLITE_OK;
}

int Delete(sqlite3_vfs*, const char* name, int syncDir) { return g_real->xDelete(g_real, name, syncDir); }
int Access(sqlite3_vfs*, const char* name, int flags, int* out) { return g_real->xAccess(g_real, name, flags, out); }
int FullPathname(sqlite3_vfs*, const char* name, int n, char* out) { return g_real->xFullPathname(g_real, name, n, out); }
void* DlOpen(sqlite3_vfs*, const char* name) { return g_real->xDlOpen(g_real, name); }
void DlError(sqlite3_vfs*, int n, char* out) { g_real->xDlError(g_real, n, out); }
void (*DlSym(sqlite3_vfs*, void* h, const char* sym))(void) { return g_real->xDlSym(g_real, h, sym); }
void DlClose(sqlite3_vfs*, void* h) { g_real->xDlClose(g_real, h); }
int Randomness(sqlite3_vfs*, int n, char* out) { return g_real->xRandomness(g_real, n, out); }
int Sleep(sqlite3_vfs*, int micro) { return g_real->xSleep(g_real, micro); }
int CurrentTime(sqlite3_vfs*, double* out) { return g_real->xCurrentTime(g_real, out); }
int GetLastError(sqlite3_vfs*, int n, char* out) { return g_real->xGetLastError ? g_real->xGetLastError(g_real, n, out) : 0; }
int CurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* out) { return g_real->xCurrentTimeInt64(g_real, out); }

}  // namespace

sqlite3_file* MainFileOf(sqlite3* db) {
  sqlite3_file* f = nullptr;
  if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &f) != SQLITE_OK || !f) return nullptr;
  return f->pMethods == &kMethods[2] || f->pMethods == &kMethods[3] ? f : nullptr;
}

bool ReadWalIndexHeader(sqlite3_file* file, unsigned char (&header)[kWalIndexHeaderSize]) {
  const volatile uint64_t* index = file ? static_cast<const volatile uint64_t*>(reinterpret_cast<EngineFile*>(file)->index) : nullptr;
  if (!index) return false;
  uint64_t words[kWalIndexHeaderSize / sizeof(uint64_t)];
  for (size_t i = 0; i < kWalIndexHeaderSize / sizeof(uint64_t); ++i) words[i] = index[i];
  std::atomic_thread_fence(std::memory_order_acquire);
  std::memcpy(header, words, kWalIndexHeaderSize);
  return true;
}

const char* EngineVfs() {
  static const char* name = [] {
    static sqlite3_vfs vfs;
    g_real = sqlite3_vfs_find(nullptr);
    if (!g_real) return static_cast<const char*>(nullptr);
    std::memset(&vfs, 0, sizeof vfs);
    vfs.iVersion = 2;
    vfs.szOsFile = static_cast<int>(sizeof(EngineFile)) + g_real->szOsFile;
    vfs.mxPathname = g_real->mxPathname;
    vfs.zName = "rog-engine";
    vfs.xOpen = Open;
    vfs.xDelete = Delete;
    vfs.xAccess = Access;
    vfs.xFullPathname = FullPathname;
    vfs.xDlOpen = DlOpen;
    vfs.xDlError = DlError;
    vfs.xDlSym = DlSym;
    vfs.xDlClose = DlClose;
    vfs.xRandomness = Randomness;
    vfs.xSleep = Sleep;
    vfs.xCurrentTime = CurrentTime;
    vfs.xGetLastError = GetLastError;
    vfs.xCurrentTimeInt64 = g_real->iVersion >= 2 && g_real->xCurrentTimeInt64 ? CurrentTimeInt64 : nullptr;
    if (sqlite3_vfs_register(&vfs, 0) != SQLITE_OK) return static_cast<const char*>(nullptr);
    return vfs.zName;
  }();
  return name;
}

void SetDiskFull(const std::string& directory, bool full) {
  std::error_code ec;
  std::string dir = std::filesystem::weakly_canonical(directory, ec).string();
  if (ec || dir.empty()) dir = directory;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  std::lock_guard<std::mutex> lock(FullMutex());
  auto& dirs = FullDirectories();
  dirs.erase(std::remove(dirs.begin(), dirs.end(), dir), dirs.end());
  if (full) dirs.push_back(dir);
  g_fullCount.store(dirs.size(), std::memory_order_release);
}

}  // namespace sqlengine
