// Internal: the NDR wire cursors shared by the engine and the user-marshal routines, and the
// exception that carries an RPC status out of a marshalling pass.
#pragma once
#include <cstring>
#include <string>

#include "rpcproxy.h"

namespace comrt {

struct RpcFault {
  RPC_STATUS status;
};

[[noreturn]] inline void Bad() { throw RpcFault{RPC_X_BAD_STUB_DATA}; }

// The inline mark of a user-marshalled value whose body follows later (NDR's referent id of it).
constexpr uint32_t kUserMarker = 0x72657355;
// Deepest nesting of VARIANTs and SAFEARRAYs a reader accepts.
constexpr ULONG kMaxDepth = 32;

inline size_t AlignUp(size_t off, size_t a) { return (off + a - 1) & ~(a - 1); }

// Writes at start + off; with start null it only counts (the sizing pass).
struct Writer {
  unsigned char* start = nullptr;
  size_t off = 0;
  size_t cap = 0;

  void Align(size_t a) {
    size_t n = AlignUp(off, a);
    if (start) {
      if (n > cap) throw RpcFault{RPC_S_INTERNAL_ERROR};
      std::memset(start + off, 0, n - off);
    }
    off = n;
  }
  void Put(const void* p, size_t n) {
    if (start) {
      if (n > cap - off || off > cap) throw RpcFault{RPC_S_INTERNAL_ERROR};
      if (n) std::memcpy(start + off, p, n);
    }
    off += n;
  }
  template <class T>
  void Value(T v) {
    Align(sizeof(T));
    Put(&v, sizeof(T));
  }
};

// Reads from [start, end); every step is bounds-checked and a short buffer raises bad stub data.
struct Reader {
  const unsigned char* start = nullptr;
  const unsigned char* pos = nullptr;
  const unsigned char* end = nullptr;

  size_t Left() const { return static_cast<size_t>(end - pos); }
  void Align(size_t a) {
    size_t off = AlignUp(static_cast<size_t>(pos - start), a);
    if (off > static_cast<size_t>(end - start)) Bad();
    pos = start + off;
  }
  void Get(void* p, size_t n) {
    if (n > Left()) Bad();
    if (n) std::memcpy(p, pos, n);
    pos += n;
  }
  template <class T>
  T Value() {
    Align(sizeof(T));
    T v;
    Get(&v, sizeof(T));
    return v;
  }
};

std::string GuidText(const GUID& g);                // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
bool ParseGuid(const std::string& text, GUID* g);   // braced form, case ignored

}  // namespace comrt
