// Handle structures of the OCI stand-in (internal).
#pragma once

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "oci.h"
#include "sqlengine.h"

namespace ocistandin {

constexpr uint32_t kMagic = 0x4F434948;  // "OCIH"

struct Header {
  uint32_t magic;
  uint32_t type;
};

// Every handle and descriptor starts with a Header; Check answers the object only when the pointer
// carries the magic and the expected type.
template <class T>
T* Check(const void* p, uint32_t type) {
  if (!p) return nullptr;
  Header h;
  std::memcpy(&h, p, sizeof h);
  if (h.magic != kMagic || h.type != type) return nullptr;
  return const_cast<T*>(static_cast<const T*>(p));
}

inline sword Fail(OCIError* e, const sqlengine::Error& err);
inline sword FailCode(OCIError* e, int32_t code, const std::string& detail = std::string());
inline bool Injected(OCIError* e, const char* call, const std::string& text = std::string());

// Conversion of bound values into engine values and of fetched values into client buffers;
// `converts`: the server's client-conversion flag (Server::ClientConverts), read once per call.
bool ConvertIn(OCIBind* bind, size_t index, sqlengine::Session& session, bool converts, sqlengine::Value& out,
               sqlengine::Error& err);
// Writes one fetched value into slot `slot` of a define; `truncated` tells a value that did not fit.
bool ConvertOut(OCIDefine* def, size_t slot, const sqlengine::Value& v, const sqlengine::ColumnInfo& col,
                int64_t rowid, const std::shared_ptr<sqlengine::Session>& session, bool converts, bool& truncated,
                sqlengine::Error& err);

// The common binds without ConvertIn's general path (see ReadBindFast), into a value or straight into
// slot `slot` of the engine statement's row.
inline bool ConvertInFast(const OCIBind* b, size_t index, bool converts, sqlengine::Value& out);
inline bool BindFast(const OCIBind* b, size_t index, bool converts, sqlengine::RowBinds& binds, size_t slot);
// The common fetches without ConvertOut's general path, straight from the engine's row: 8-byte
// integers, 4- and 2-byte integers in their range, doubles, integers into OCINumbers, and text that fits
// its buffer and needs no conversion. False when the value takes the general path.
inline bool ConvertOutFast(const OCIDefine* d, size_t slot, const sqlengine::Cell& v, bool converts);

// The column parameters of a statement, made from its executed query's columns when first asked for.
void EnsureParams(OCIStmt* st);

// OCINumber encoding.
void EncodeInteger(bool negative, uint64_t magnitude, OCINumber& n);
void EncodeReal(double v, OCINumber& n);
bool EncodeValue(const sqlengine::Value& v, OCINumber& n, sqlengine::Error& err);
sqlengine::Value DecodeNumber(const OCINumber& n);

// 7-byte dates.
bool DateFromBytes(const ub1* b, sqlengine::DateTime& d, sqlengine::Error& err);
void DateToBytes(const sqlengine::DateTime& d, ub1* b);

}  // namespace ocistandin

struct OCIEnv {
  ocistandin::Header hdr{ocistandin::kMagic, OCI_HTYPE_ENV};
  ub4 mode = 0;
};

struct OCIError {
  ocistandin::Header hdr{ocistandin::kMagic, OCI_HTYPE_ERROR};
  sqlengine::Error error;
};

struct OCIServer {
  ocistandin::Header hdr{ocistandin::kMagic, OCI_HTYPE_SERVER};
  std::shared_ptr<sqlengine::Server> server;
};

struct OCISession {
  ocistandin::Header hdr{ocistandin::kMagic, OCI_HTYPE_SESSION};
  std::string user;
  std::string password;
  std::shared_ptr<sqlengine::Session> session;
};

struct OCISvcCtx {
  ocistandin::Header hdr{ocistandin::kMagic, OCI_HTYPE_SVCCTX};
  OCIServer* server = nullptr;
  OCISession* session = nullptr;
};

struct OCIBind {
  ocistandin::Header hdr{ocistandin::kMagic, OCI_HTYPE_BIND};
  ub4 position = 0;   // 0 when bound by name
  std::string name;   // upper case, without the colon
  dvoid* valuep = nullptr;
  sb4 valueSize = 0;
  ub2 dty = 0;
  dvoid* indp = nullptr;
  ub2* alenp = nullptr;
  ub2* rcodep = nullptr;
  ub4 maxElements = 0;
  ub4* currentElements = nullptr;
  ub4 valueSkip = 0, indSkip = 0, lenSkip = 0, codeSkip = 0;
};

struct OCIDefine {
  ocistandin::Header hdr{ocistandin::kMagic, OCI_HTYPE_DEFINE};
  ub4 position = 0;
  dvoid* valuep = nullptr;
  sb4 valueSize = 0;
  ub2 dty = 0;
  dvoid* indp = nullptr;
  ub2* rlenp = nullptr;
  ub2* rcodep = nullptr;
};

struct OCIParam {
  ocistandin::Header hdr{ocistandin::kMagic, OCI_DTYPE_PARAM};
  sqlengine::ColumnInfo column;
};

struct OCILobLocator {
  ocistandin::Header hdr{ocistandin::kMagic, OCI_DTYPE_LOB};
  bool initialized = false;  // made empty or filled by a fetch
  bool attached = false;     // writes go to the row behind `ref`
  sqlengine::LobRef ref;
  std::string data;          // the value of a locator that belongs to no row
};

struct OCIStmt {
  ocistandin::Header hdr{ocistandin::kMagic, OCI_HTYPE_STMT};
  bool prepared = false;
  std::string text;
  ub2 type = 0;
  std::vector<std::string> names;  // placeholder names in bind-position order
  std::vector<std::unique_ptr<OCIBind>> binds;
  std::vector<std::unique_ptr<OCIDefine>> defines;
  std::vector<std::unique_ptr<OCIParam>> params;
  bool paramsOfPlan = false;   // params are the executed query's columns, made when first asked for
  bool described = false;
  bool executed = false;
  bool isQuery = false;
  ub4 rowCount = 0;
  std::shared_ptr<sqlengine::Session> session;  // the session of the last execution
  // The engine statement of the text, made at the first execution on a session and kept for the
  // later ones (its rewrite and its prepared SQLite statement); a query's cursor lives in it.
  std::unique_ptr<sqlengine::Statement> plan;
  std::vector<sqlengine::Param> binds1;          // one row of binds, reused
  sqlengine::Value fetched;                      // a fetched value of the general path, reused
};

namespace ocistandin {

// Reads row `index` of a bind without ConvertIn's general path and hands it to `sink`: integers of
// 1 to 8 bytes (unsigned ones that fit 63 bits), 8-byte doubles, OCINumbers and NUL-terminated text
// that needs no conversion, as sink.Integer(v), sink.Real(v) or sink.Text(data, size). False when the
// value takes the general path (NULL and the empty text among them).
template <class Sink>
inline bool ReadBindFast(const OCIBind* b, size_t index, bool converts, Sink&& sink) {
  if (!b->valuep || b->valueSize <= 0) return false;
  if (b->indp) {
    sb2 ind;
    std::memcpy(&ind, static_cast<const char*>(b->indp) + index * (b->indSkip ? b->indSkip : sizeof(sb2)), sizeof ind);
    if (ind == -1) return false;
  }
  size_t size = static_cast<size_t>(b->valueSize);
  const char* p = static_cast<const char*>(b->valuep) + index * (b->valueSkip ? b->valueSkip : size);
  if (b->dty == SQLT_INT || b->dty == SQLT_UIN) {
    bool isSigned = b->dty == SQLT_INT;
    int64_t v;
    switch (size) {
      case 1: { int8_t s8; uint8_t u8; std::memcpy(&s8, p, 1); std::memcpy(&u8, p, 1); v = isSigned ? s8 : u8; break; }
      case 2: { int16_t s16; uint16_t u16; std::memcpy(&s16, p, 2); std::memcpy(&u16, p, 2); v = isSigned ? s16 : u16; break; }
      case 4: { int32_t s32; uint32_t u32; std::memcpy(&s32, p, 4); std::memcpy(&u32, p, 4); v = isSigned ? s32 : int64_t{u32}; break; }
      case 8: {
        std::memcpy(&v, p, 8);
        if (!isSigned && v < 0) return false;  // past 63 bits: a real number, the general path
        break;
      }
      default: return false;
    }
    sink.Integer(v);
  } else if (b->dty == SQLT_FLT && size == 8) {
    double v;
    std::memcpy(&v, p, 8);
    sink.Real(v);
  } else if (b->dty == SQLT_VNU && size >= sizeof(OCINumber)) {
    OCINumber n;
    std::memcpy(&n, p, sizeof n);
    sqlengine::Value v = DecodeNumber(n);
    if (v.type == sqlengine::Value::Type::Integer) sink.Integer(v.integer);
    else sink.Real(v.real);
  } else if (b->dty == SQLT_STR && !converts) {
    size_t n = strnlen(p, size);
    if (n == 0) return false;
    sink.Text(p, n);
  } else {
    return false;
  }
  return true;
}

inline bool ConvertInFast(const OCIBind* b, size_t index, bool converts, sqlengine::Value& out) {
  using Type = sqlengine::Value::Type;
  struct Sink {
    sqlengine::Value& out;
    void Integer(int64_t v) { out.type = Type::Integer; out.integer = v; }
    void Real(double v) { out.type = Type::Real; out.real = v; }
    void Text(const char* p, size_t n) { out.type = Type::Text; out.bytes.assign(p, n); }  // keeps the buffer of the last row
  };
  return ReadBindFast(b, index, converts, Sink{out});
}

// Binds row `index` of a bind straight into slot `slot` of the engine statement's row.
inline bool BindFast(const OCIBind* b, size_t index, bool converts, sqlengine::RowBinds& binds, size_t slot) {
  struct Sink {
    sqlengine::RowBinds& binds;
    size_t slot;
    void Integer(int64_t v) { binds.Integer(slot, v); }
    void Real(double v) { binds.Real(slot, v); }
    void Text(const char* p, size_t n) { binds.Text(slot, p, n); }
  };
  return ReadBindFast(b, index, converts, Sink{binds, slot});
}

inline bool ConvertOutFast(const OCIDefine* d, size_t slot, const sqlengine::Cell& v, bool converts) {
  using Type = sqlengine::Value::Type;
  if (!d->valuep || d->valueSize <= 0) return false;
  size_t size = static_cast<size_t>(d->valueSize);
  char* p = static_cast<char*>(d->valuep) + slot * size;
  size_t length = size;
  if (d->dty == SQLT_INT && size == 8 && v.type == Type::Integer) {
    std::memcpy(p, &v.integer, 8);
  } else if (d->dty == SQLT_INT && size == 4 && v.type == Type::Integer && v.integer >= INT32_MIN &&
             v.integer <= INT32_MAX) {
    const int32_t x = static_cast<int32_t>(v.integer);
    std::memcpy(p, &x, 4);
  } else if (d->dty == SQLT_INT && size == 2 && v.type == Type::Integer && v.integer >= INT16_MIN &&
             v.integer <= INT16_MAX) {
    const int16_t x = static_cast<int16_t>(v.integer);
    std::memcpy(p, &x, 2);
  } else if (d->dty == SQLT_FLT && size == 8 && (v.type == Type::Real || v.type == Type::Integer)) {
    double x = v.type == Type::Real ? v.real : static_cast<double>(v.integer);
    std::memcpy(p, &x, 8);
  } else if (d->dty == SQLT_VNU && size >= sizeof(OCINumber) && v.type == Type::Integer) {
    OCINumber n;
    EncodeInteger(v.integer < 0, v.integer < 0 ? 0 - static_cast<uint64_t>(v.integer) : static_cast<uint64_t>(v.integer), n);
    std::memcpy(p, &n, sizeof n);
    length = sizeof n;
  } else if (d->dty == SQLT_STR && v.type == Type::Text && !converts && v.size < size) {
    length = v.size;
    if (length > 0) std::memcpy(p, v.data, length);
    p[length] = 0;
  } else {
    return false;
  }
  const sb2 zero = 0;
  const ub2 rlen = static_cast<ub2>(length < 0xFFFF ? length : 0xFFFF);
  if (d->indp) std::memcpy(static_cast<char*>(d->indp) + slot * sizeof(sb2), &zero, sizeof zero);
  if (d->rcodep) std::memcpy(reinterpret_cast<char*>(d->rcodep) + slot * sizeof(ub2), &zero, sizeof zero);
  if (d->rlenp) std::memcpy(reinterpret_cast<char*>(d->rlenp) + slot * sizeof(ub2), &rlen, sizeof rlen);
  return true;
}

inline sword Fail(OCIError* e, const sqlengine::Error& err) {
  if (e) e->error = err;
  return OCI_ERROR;
}

inline sword FailCode(OCIError* e, int32_t code, const std::string& detail) {
  sqlengine::Error err;
  err.Set(code, detail);
  return Fail(e, err);
}

// Clears the error record and answers an injected failure of `call`, when one is pending.
inline bool Injected(OCIError* e, const char* call, const std::string& text) {
  if (e) e->error.Clear();
  if (!sqlengine::Engine::Instance().HasInjectedFailures()) return false;
  sqlengine::Error err;
  if (!sqlengine::Engine::Instance().TakeInjectedFailure(call, text, err)) return false;
  if (e) e->error = err;
  return true;
}

}  // namespace ocistandin
