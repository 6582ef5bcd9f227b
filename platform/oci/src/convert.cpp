// External data types: bound values into engine values, fetched values into client buffers.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "ocihandles.h"

using sqlengine::DateTime;
using sqlengine::Error;
using sqlengine::Value;

namespace ocistandin {

namespace {

template <class T>
T Load(const void* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <class T>
void Store(void* p, T v) {
  if (p) std::memcpy(p, &v, sizeof v);
}

bool ReadInteger(const char* p, sb4 size, bool isSigned, Value& out, Error& err) {
  int64_t s = 0;
  uint64_t u = 0;
  switch (size) {
    case 1: s = Load<int8_t>(p); u = Load<uint8_t>(p); break;
    case 2: s = Load<int16_t>(p); u = Load<uint16_t>(p); break;
    case 4: s = Load<int32_t>(p); u = Load<uint32_t>(p); break;
    case 8: s = Load<int64_t>(p); u = Load<uint64_t>(p); break;
    default: return err.Set(1460, "integer of " + std::to_string(size) + " bytes");
  }
  // The fields are set in place: `out` keeps its text buffer for the next row.
  if (isSigned || u <= static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
    out.type = Value::Type::Integer;
    out.integer = isSigned ? s : static_cast<int64_t>(u);
  } else {
    out.type = Value::Type::Real;
    out.real = static_cast<double>(u);
  }
  return true;
}


std::string Hex(const std::string& bytes) {
  static const char* const digits = "0123456789ABCDEF";
  std::string r;
  for (unsigned char c : bytes) {
    r += digits[c >> 4];
    r += digits[c & 15];
  }
  return r;
}

bool NumberOf(const Value& v, double& d, int64_t& i, bool& isInt, Error& err) {
  switch (v.type) {
    case Value::Type::Integer: i = v.integer; d = static_cast<double>(i); isInt = true; return true;
    case Value::Type::Real: d = v.real; isInt = false; return true;
    case Value::Type::Text: {
      const char* s = v.bytes.c_str();
      char* end = nullptr;
      errno = 0;
      long long ll = std::strtoll(s, &end, 10);
      if (end != s && *end == '\0' && errno == 0) {
        i = ll;
        d = static_cast<double>(ll);
        isInt = true;
        return true;
      }
      d = std::strtod(s, &end);
      if (end == s || *end != '\0') return err.Set(1722, "'" + v.bytes + "'");
      isInt = false;
      return true;
    }
    default: return err.Set(932, "expected NUMBER got BINARY");
  }
}

}  // namespace

// ---- numbers -----------------------------------------------------------------------------------------

void EncodeInteger(bool negative, uint64_t magnitude, OCINumber& n) {
  std::memset(n.OCINumberPart, 0, sizeof n.OCINumberPart);
  n.OCINumberPart[0] = 9;
  n.OCINumberPart[1] = negative && magnitude != 0 ? 1 : 0;
  for (int k = 0; k < 8; ++k) n.OCINumberPart[2 + k] = static_cast<ub1>(magnitude >> (8 * k));
}

void EncodeReal(double v, OCINumber& n) {
  if (v == std::floor(v) && std::fabs(v) < 1.8e19) {
    EncodeInteger(v < 0, static_cast<uint64_t>(std::fabs(v)), n);
    return;
  }
  std::memset(n.OCINumberPart, 0, sizeof n.OCINumberPart);
  n.OCINumberPart[0] = 9;
  n.OCINumberPart[1] = 2;
  std::memcpy(n.OCINumberPart + 2, &v, sizeof v);
}

bool EncodeValue(const Value& v, OCINumber& n, Error& err) {
  double d = 0;
  int64_t i = 0;
  bool isInt = false;
  if (!NumberOf(v, d, i, isInt, err)) return false;
  if (isInt) EncodeInteger(i < 0, i < 0 ? 0 - static_cast<uint64_t>(i) : static_cast<uint64_t>(i), n);
  else EncodeReal(d, n);
  return true;
}

Value DecodeNumber(const OCINumber& n) {
  if (n.OCINumberPart[1] == 2) {
    double d;
    std::memcpy(&d, n.OCINumberPart + 2, sizeof d);
    return Value::Real(d);
  }
  uint64_t m = 0;
  for (int k = 0; k < 8; ++k) m |= static_cast<uint64_t>(n.OCINumberPart[2 + k]) << (8 * k);
  bool negative = n.OCINumberPart[1] == 1;
  if (!negative && m <= static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return Value::Integer(static_cast<int64_t>(m));
  if (negative && m <= static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + 1) return Value::Integer(static_cast<int64_t>(0 - m));
  return Value::Real(negative ? -static_cast<double>(m) : static_cast<double>(m));
}

// ---- dates -------------------------------------------------------------------------------------------

bool DateFromBytes(const ub1* b, DateTime& d, Error& err) {
  d.year = (static_cast<int>(b[0]) - 101) * 100 + static_cast<int>(b[1]);
  d.month = b[2];
  d.day = b[3];
  d.hour = static_cast<int>(b[4]) - 1;
  d.minute = static_cast<int>(b[5]) - 1;
  d.second = static_cast<int>(b[6]) - 1;
  return sqlengine::ValidateDate(d, err);
}

void DateToBytes(const DateTime& d, ub1* b) {
  if (d.year >= 0) {
    b[0] = static_cast<ub1>(d.year / 100 + 100);
    b[1] = static_cast<ub1>(d.year % 100 + 100);
  } else {
    b[0] = static_cast<ub1>(100 - (-d.year) / 100);
    b[1] = static_cast<ub1>(100 - (-d.year) % 100);
  }
  b[2] = static_cast<ub1>(d.month);
  b[3] = static_cast<ub1>(d.day);
  b[4] = static_cast<ub1>(d.hour + 1);
  b[5] = static_cast<ub1>(d.minute + 1);
  b[6] = static_cast<ub1>(d.second + 1);
}

// ---- binds -------------------------------------------------------------------------------------------

bool ConvertIn(OCIBind* b, size_t index, sqlengine::Session& session, bool converts, Value& out, Error& err) {
  // The value's text buffer is kept for the next row; an empty text is NULL.
  out.type = Value::Type::Null;
  auto text = [&](const char* data, size_t n) {
    if (n == 0) return true;
    if (converts) out.bytes = session.FromClient(std::string(data, n));
    else out.bytes.assign(data, n);
    out.type = Value::Type::Text;
    return true;
  };
  auto blob = [&](const char* data, size_t n) {
    if (n == 0) return true;
    out.bytes.assign(data, n);
    out.type = Value::Type::Blob;
    return true;
  };
  size_t skip = b->valueSkip ? b->valueSkip : (b->valueSize > 0 ? static_cast<size_t>(b->valueSize) : 0);
  if (b->indp) {
    size_t iskip = b->indSkip ? b->indSkip : sizeof(sb2);
    if (Load<sb2>(static_cast<const char*>(b->indp) + index * iskip) == -1) return true;
  }
  if (!b->valuep) return true;
  const char* p = static_cast<const char*>(b->valuep) + index * skip;
  size_t size = b->valueSize > 0 ? static_cast<size_t>(b->valueSize) : 0;
  size_t alen = size;
  if (b->alenp) {
    size_t lskip = b->lenSkip ? b->lenSkip : sizeof(ub2);
    alen = Load<ub2>(reinterpret_cast<const char*>(b->alenp) + index * lskip);
  }
  switch (b->dty) {
    case SQLT_INT: return ReadInteger(p, b->valueSize, true, out, err);
    case SQLT_UIN: return ReadInteger(p, b->valueSize, false, out, err);
    case SQLT_FLT:
      if (size == 4) out.real = Load<float>(p);
      else if (size == 8) out.real = Load<double>(p);
      else return err.Set(1460, "float of " + std::to_string(size) + " bytes");
      out.type = Value::Type::Real;
      return true;
    case SQLT_VNU:
      if (size < sizeof(OCINumber)) return err.Set(1460, "OCINumber buffer too small");
      out = DecodeNumber(Load<OCINumber>(p));
      return true;
    case SQLT_STR:
      return text(p, strnlen(p, size ? size : std::strlen(p) + 1));
    case SQLT_AVC:
      return text(p, strnlen(p, std::min(alen, size)));
    case SQLT_CHR:
    case SQLT_AFC:
      return text(p, std::min(alen, size));
    case SQLT_VCS:
      return text(p + 2, std::min<size_t>(Load<ub2>(p), size >= 2 ? size - 2 : 0));
    case SQLT_LVC: {
      sb4 len = Load<sb4>(p);
      return text(p + 4, std::min<size_t>(len > 0 ? static_cast<size_t>(len) : 0, size >= 4 ? size - 4 : 0));
    }
    case SQLT_VBI:
      return blob(p + 2, std::min<size_t>(Load<ub2>(p), size >= 2 ? size - 2 : 0));
    case SQLT_LVB: {
      sb4 len = Load<sb4>(p);
      return blob(p + 4, std::min<size_t>(len > 0 ? static_cast<size_t>(len) : 0, size >= 4 ? size - 4 : 0));
    }
    case SQLT_BIN:
    case SQLT_LBI:
      return blob(p, std::min(alen, size));
    case SQLT_DAT: {
      if (size < 7) return err.Set(1460, "date buffer too small");
      DateTime d;
      if (!DateFromBytes(reinterpret_cast<const ub1*>(p), d, err)) return false;
      out = Value::Text(sqlengine::FormatDateText(d));
      return true;
    }
    case SQLT_BLOB: {
      OCILobLocator* loc = Load<OCILobLocator*>(p);
      if (!Check<OCILobLocator>(loc, OCI_DTYPE_LOB) || !loc->initialized) return err.Set(22275);
      std::string data;
      if (loc->attached) {
        if (!session.LobRead(loc->ref, data, err)) return false;
      } else {
        data = loc->data;
      }
      out = Value::Blob(data);
      return true;
    }
    default:
      return err.Set(1460, "external type " + std::to_string(b->dty));
  }
}

// ---- defines -----------------------------------------------------------------------------------------

bool ConvertOut(OCIDefine* d, size_t slot, const Value& v, const sqlengine::ColumnInfo& col, int64_t rowid,
                const std::shared_ptr<sqlengine::Session>& session, bool converts, bool& truncated, Error& err) {
  truncated = false;
  size_t size = d->valueSize > 0 ? static_cast<size_t>(d->valueSize) : 0;
  char* p = d->valuep ? static_cast<char*>(d->valuep) + slot * size : nullptr;
  char* ind = d->indp ? static_cast<char*>(d->indp) + slot * sizeof(sb2) : nullptr;
  char* rlen = d->rlenp ? reinterpret_cast<char*>(d->rlenp) + slot * sizeof(ub2) : nullptr;
  char* rcode = d->rcodep ? reinterpret_cast<char*>(d->rcodep) + slot * sizeof(ub2) : nullptr;
  if (v.IsNull()) {
    if (!ind) return err.Set(1405);
    Store<sb2>(ind, -1);
    Store<ub2>(rlen, 0);
    Store<ub2>(rcode, 1405);
    return true;
  }
  Store<sb2>(ind, 0);
  Store<ub2>(rcode, 0);
  if (!p) return true;
  auto finish = [&](size_t copied, size_t full) {
    Store<ub2>(rlen, static_cast<ub2>(std::min<size_t>(copied, 0xFFFF)));
    if (full > copied) {
      truncated = true;
      Store<sb2>(ind, full <= 32767 ? static_cast<sb2>(full) : static_cast<sb2>(-2));
      Store<ub2>(rcode, 1406);
    }
    return true;
  };
  // The client's form of the value, without a copy for text that needs no conversion.
  std::string scratch;
  auto text = [&]() -> const std::string& {
    switch (v.type) {
      case Value::Type::Integer: return scratch = sqlengine::OraIntegerText(v.integer);
      case Value::Type::Real: return scratch = sqlengine::OraNumberText(v.real);
      case Value::Type::Blob: return scratch = Hex(v.bytes);
      default: return converts && session ? scratch = session->ToClient(v.bytes) : v.bytes;
    }
  };
  auto bytes = [&]() -> const std::string& { return v.type == Value::Type::Integer || v.type == Value::Type::Real ? text() : v.bytes; };
  switch (d->dty) {
    case SQLT_INT:
    case SQLT_UIN: {
      double dv = 0;
      int64_t iv = 0;
      bool isInt = false;
      if (!NumberOf(v, dv, iv, isInt, err)) return false;
      if (!isInt) {
        double r = dv < 0 ? -std::floor(-dv + 0.5) : std::floor(dv + 0.5);
        if (r < -9.2233720368547758e18 || r >= 9.2233720368547758e18) return err.Set(1455);
        iv = static_cast<int64_t>(r);
      }
      bool isSigned = d->dty == SQLT_INT;
      if (!isSigned && iv < 0) return err.Set(1455);
      switch (size) {
        case 1:
          if (isSigned ? (iv < INT8_MIN || iv > INT8_MAX) : iv > UINT8_MAX) return err.Set(1455);
          Store<uint8_t>(p, static_cast<uint8_t>(iv));
          break;
        case 2:
          if (isSigned ? (iv < INT16_MIN || iv > INT16_MAX) : iv > UINT16_MAX) return err.Set(1455);
          Store<uint16_t>(p, static_cast<uint16_t>(iv));
          break;
        case 4:
          if (isSigned ? (iv < INT32_MIN || iv > INT32_MAX) : iv > static_cast<int64_t>(UINT32_MAX)) return err.Set(1455);
          Store<uint32_t>(p, static_cast<uint32_t>(iv));
          break;
        case 8: Store<int64_t>(p, iv); break;
        default: return err.Set(1460, "integer of " + std::to_string(size) + " bytes");
      }
      return finish(size, size);
    }
    case SQLT_FLT: {
      double dv = 0;
      int64_t iv = 0;
      bool isInt = false;
      if (!NumberOf(v, dv, iv, isInt, err)) return false;
      if (size == 4) Store<float>(p, static_cast<float>(dv));
      else if (size == 8) Store<double>(p, dv);
      else return err.Set(1460, "float of " + std::to_string(size) + " bytes");
      return finish(size, size);
    }
    case SQLT_VNU: {
      if (size < sizeof(OCINumber)) return err.Set(1460, "OCINumber buffer too small");
      OCINumber n;
      if (!EncodeValue(v, n, err)) return false;
      Store<OCINumber>(p, n);
      return finish(sizeof(OCINumber), sizeof(OCINumber));
    }
    case SQLT_STR: {
      if (size == 0) return err.Set(1460, "empty string buffer");
      const std::string& s = text();
      size_t n = std::min(s.size(), size - 1);
      std::memcpy(p, s.data(), n);
      p[n] = 0;
      return finish(n, s.size());
    }
    case SQLT_AVC: {
      if (size == 0) return err.Set(1460, "empty string buffer");
      const std::string& s = text();
      size_t n = std::min(s.size(), size - 1);
      std::memcpy(p, s.data(), n);
      std::memset(p + n, ' ', size - 1 - n);
      p[size - 1] = 0;
      return finish(n, s.size());
    }
    case SQLT_CHR:
    case SQLT_AFC: {
      const std::string& s = text();
      size_t n = std::min(s.size(), size);
      std::memcpy(p, s.data(), n);
      if (d->dty == SQLT_AFC) {
        std::memset(p + n, ' ', size - n);
        finish(n, s.size());
        if (!truncated) Store<ub2>(rlen, static_cast<ub2>(std::min<size_t>(size, 0xFFFF)));
        return true;
      }
      return finish(n, s.size());
    }
    case SQLT_VCS:
    case SQLT_VBI: {
      if (size < 2) return err.Set(1460, "buffer too small");
      const std::string& s = d->dty == SQLT_VCS ? text() : bytes();
      size_t n = std::min(s.size(), size - 2);
      Store<ub2>(p, static_cast<ub2>(n));
      std::memcpy(p + 2, s.data(), n);
      return finish(n, s.size());
    }
    case SQLT_LVC:
    case SQLT_LVB: {
      if (size < 4) return err.Set(1460, "buffer too small");
      const std::string& s = d->dty == SQLT_LVC ? text() : bytes();
      size_t n = std::min(s.size(), size - 4);
      Store<sb4>(p, static_cast<sb4>(n));
      std::memcpy(p + 4, s.data(), n);
      return finish(n, s.size());
    }
    case SQLT_BIN:
    case SQLT_LBI: {
      const std::string& s = bytes();
      size_t n = std::min(s.size(), size);
      std::memcpy(p, s.data(), n);
      return finish(n, s.size());
    }
    case SQLT_DAT: {
      if (size < 7) return err.Set(1460, "date buffer too small");
      DateTime dt;
      if (v.type != Value::Type::Text || !sqlengine::ParseDateText(v.bytes, dt)) return err.Set(932, "expected DATE");
      ub1 b[7];
      DateToBytes(dt, b);
      std::memcpy(p, b, 7);
      return finish(7, 7);
    }
    case SQLT_BLOB: {
      if (size < sizeof(OCILobLocator*)) return err.Set(1460, "a LOB locator slot holds a pointer");
      OCILobLocator* loc = Load<OCILobLocator*>(p);
      if (!Check<OCILobLocator>(loc, OCI_DTYPE_LOB)) return err.Set(22275, "no locator in the define buffer");
      loc->initialized = true;
      loc->data.clear();
      if (col.locatable) {
        loc->attached = true;
        loc->ref = col.origin;
        loc->ref.rowid = rowid;
      } else {
        loc->attached = false;
        loc->data = v.bytes;
      }
      return finish(sizeof(loc), sizeof(loc));
    }
    default:
      return err.Set(1460, "external type " + std::to_string(d->dty));
  }
}

}  // namespace ocistandin

// ---- number calls ------------------------------------------------------------------------------------

extern "C" {

sword OCINumberFromInt(OCIError* errhp, const dvoid* inum, uword len, uword flag, OCINumber* number) {
  using namespace ocistandin;
  if (!inum || !number) return FailCode(errhp, 22050);
  if (flag != OCI_NUMBER_SIGNED && len == 8) {
    EncodeInteger(false, Load<uint64_t>(inum), *number);
    return OCI_SUCCESS;
  }
  Value v;
  Error err;
  if (!ReadInteger(static_cast<const char*>(inum), static_cast<sb4>(len), flag == OCI_NUMBER_SIGNED, v, err)) return Fail(errhp, err);
  if (!EncodeValue(v, *number, err)) return Fail(errhp, err);
  return OCI_SUCCESS;
}

sword OCINumberToInt(OCIError* errhp, const OCINumber* number, uword len, uword flag, dvoid* rsl) {
  using namespace ocistandin;
  if (!number || !rsl) return FailCode(errhp, 22050);
  bool negative;
  uint64_t m = 0;
  if (number->OCINumberPart[1] == 2) {
    double d;
    std::memcpy(&d, number->OCINumberPart + 2, sizeof d);
    double r = d < 0 ? -std::floor(-d + 0.5) : std::floor(d + 0.5);
    if (std::fabs(r) >= 1.8446744073709552e19) return FailCode(errhp, 22053);
    negative = r < 0;
    m = static_cast<uint64_t>(std::fabs(r));
  } else {
    negative = number->OCINumberPart[1] == 1;
    for (int k = 0; k < 8; ++k) m |= static_cast<uint64_t>(number->OCINumberPart[2 + k]) << (8 * k);
  }
  if (flag == OCI_NUMBER_SIGNED) {
    uint64_t limit = len == 1 ? 0x7F : len == 2 ? 0x7FFF : len == 4 ? 0x7FFFFFFF : len == 8 ? 0x7FFFFFFFFFFFFFFFull : 0;
    if (!limit) return FailCode(errhp, 22050);
    if (m > limit + (negative ? 1 : 0)) return FailCode(errhp, 22053);
    int64_t v = negative ? static_cast<int64_t>(0 - m) : static_cast<int64_t>(m);
    switch (len) {
      case 1: Store<int8_t>(rsl, static_cast<int8_t>(v)); break;
      case 2: Store<int16_t>(rsl, static_cast<int16_t>(v)); break;
      case 4: Store<int32_t>(rsl, static_cast<int32_t>(v)); break;
      default: Store<int64_t>(rsl, v); break;
    }
    return OCI_SUCCESS;
  }
  uint64_t limit = len == 1 ? 0xFF : len == 2 ? 0xFFFF : len == 4 ? 0xFFFFFFFF : len == 8 ? ~0ull : 0;
  if (!limit) return FailCode(errhp, 22050);
  if ((negative && m != 0) || m > limit) return FailCode(errhp, 22053);
  switch (len) {
    case 1: Store<uint8_t>(rsl, static_cast<uint8_t>(m)); break;
    case 2: Store<uint16_t>(rsl, static_cast<uint16_t>(m)); break;
    case 4: Store<uint32_t>(rsl, static_cast<uint32_t>(m)); break;
    default: Store<uint64_t>(rsl, m); break;
  }
  return OCI_SUCCESS;
}

sword OCINumberCmp(OCIError* errhp, const OCINumber* a, const OCINumber* b, sword* result) {
  using namespace ocistandin;
  if (!a || !b || !result) return FailCode(errhp, 22050);
  Value x = DecodeNumber(*a), y = DecodeNumber(*b);
  if (x.type == Value::Type::Integer && y.type == Value::Type::Integer) {
    *result = x.integer < y.integer ? -1 : x.integer > y.integer ? 1 : 0;
  } else {
    double dx = x.type == Value::Type::Integer ? static_cast<double>(x.integer) : x.real;
    double dy = y.type == Value::Type::Integer ? static_cast<double>(y.integer) : y.real;
    *result = dx < dy ? -1 : dx > dy ? 1 : 0;
  }
  return OCI_SUCCESS;
}

}  // extern "C"
