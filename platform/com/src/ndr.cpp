// The NDR engine: interprets a procedure's parameters and the type table of a stub descriptor to size,
// marshal, unmarshal and free an argument frame.
#include "ndr.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace comrt {
namespace {

constexpr ULONG kOutOfMemory = 14;  // ERROR_OUTOFMEMORY

[[noreturn]] void Internal() { throw RpcFault{RPC_S_INTERNAL_ERROR}; }

unsigned char* Alloc(size_t n) {
  void* p = std::calloc(n ? n : 1, 1);
  if (!p) throw RpcFault{kOutOfMemory};
  return static_cast<unsigned char*>(p);
}

void* LoadPtr(const unsigned char* mem) {
  void* p;
  std::memcpy(&p, mem, sizeof p);
  return p;
}
void StorePtr(unsigned char* mem, void* p) { std::memcpy(mem, &p, sizeof p); }

bool IsPointer(uint8_t fc) { return fc == FC_RP || fc == FC_UP || fc == FC_FP; }
// Types whose memory and wire forms are the same bytes, so that arrays of them copy in one piece.
bool IsPlain(uint8_t fc) { return fc == FC_BYTE || fc == FC_LONG || fc == FC_DOUBLE; }

// What every pass shares: the description, the frame and the stub message the routines see.
class Pass {
 public:
  Pass(const MIDL_STUB_DESC* desc, void** args, ULONG destContext) : desc_(desc), args_(args) {
    std::memset(&sm_, 0, sizeof sm_);
    sm_.StubDesc = desc;
    sm_.dwDestContext = destContext;
  }

  const NDR_TYPE& Type(uint16_t i) const {
    if (i >= desc_->typeCount) Internal();
    return desc_->pFormatTypes[i];
  }
  const NDR_TYPE& Target(const NDR_TYPE& t) const { return Type(t.b); }
  const NDR_TYPE& Member(const NDR_TYPE& s, uint16_t i) const {
    const NDR_TYPE& m = (&s)[1 + i];
    if (m.fc != FC_MEMBER) Internal();
    return m;
  }
  // Calls f(member type, member memory) for each member of a structure (memory null: types only).
  template <class F>
  void Members(const NDR_TYPE& s, unsigned char* mem, F&& f) const {
    for (uint16_t i = 0; i < s.b; ++i) {
      const NDR_TYPE& m = Member(s, i);
      f(Type(m.b), mem ? mem + m.a : nullptr);
    }
  }
  const USER_MARSHAL_ROUTINE_QUADRUPLE& Routines(const NDR_TYPE& t) const {
    if (t.b >= desc_->userMarshalCount) Internal();
    return desc_->aUserMarshalQuadruple[t.b];
  }
  USER_MARSHAL_CB Cb() {
    return USER_MARSHAL_CB{static_cast<ULONG>((NDR_LOCAL_DATA_REPRESENTATION << 16) | sm_.dwDestContext), &sm_,
                           USER_MARSHAL_CB_SIGNATURE};
  }

  size_t MemSize(const NDR_TYPE& t) const { return IsPointer(t.fc) ? sizeof(void*) : t.a; }

  size_t WireAlign(const NDR_TYPE& t) const {
    switch (t.fc) {
      case FC_BYTE: return 1;
      case FC_ENUM16: return 2;
      case FC_DOUBLE: return 8;
      case FC_STRUCT: {
        size_t a = 1;
        Members(t, nullptr, [&](const NDR_TYPE& m, unsigned char*) { a = std::max(a, WireAlign(m)); });
        return a;
      }
      default: return 4;
    }
  }

  // The fewest bytes one value can take on the wire; bounds an array's count before allocating.
  size_t MinWire(const NDR_TYPE& t) const {
    switch (t.fc) {
      case FC_BYTE: return 1;
      case FC_ENUM16: return 2;
      case FC_DOUBLE: return 8;
      case FC_STRUCT: {
        size_t n = 0;
        Members(t, nullptr, [&](const NDR_TYPE& m, unsigned char*) { n += MinWire(m); });
        return n ? n : 1;
      }
      default: return 4;
    }
  }

  bool NeedsFree(const NDR_TYPE& t) const {
    if (t.fc == FC_USER_MARSHAL || IsPointer(t.fc)) return true;
    if (t.fc != FC_STRUCT) return false;
    bool any = false;
    Members(t, nullptr, [&](const NDR_TYPE& m, unsigned char*) { any = any || NeedsFree(m); });
    return any;
  }

  // A conformant array's count: the long the description names, in the structure or in the
  // parameter list (counted back from the parameter being walked).
  int64_t Count(const NDR_TYPE& arr, const unsigned char* ctx) const {
    int32_t v;
    if (arr.corr == NDR_CORR_MEMBER) {
      if (!ctx) Internal();
      std::memcpy(&v, ctx + arr.c, sizeof v);
      return v;
    }
    if ((arr.corr != NDR_CORR_PARAM && arr.corr != NDR_CORR_PARAM_DEREF) || arr.c == 0 || arr.c > param_)
      Internal();
    auto* at = static_cast<unsigned char*>(args_[param_ - arr.c]);
    if (arr.corr == NDR_CORR_PARAM_DEREF) {
      at = static_cast<unsigned char*>(LoadPtr(at));
      if (!at) throw RpcFault{RPC_X_NULL_REF_POINTER};
    }
    std::memcpy(&v, at, sizeof v);
    return v;
  }

  void SetParam(uint16_t index) { param_ = index; }

  // What a full pointer's referent is, for comparing two names of one referent: the element type
  // of an array (whose count is compared apart), else the referent's type.
  uint32_t Shape(const NDR_TYPE& pointer) const {
    const NDR_TYPE& target = Target(pointer);
    return target.fc == FC_CARRAY ? 0x10000u | target.b : pointer.b;
  }

 protected:
  const MIDL_STUB_DESC* desc_;
  void** args_;
  MIDL_STUB_MESSAGE sm_;
  uint16_t param_ = 0;
};

// ---- sizing and marshalling (one walk; a writer without a buffer only counts) --------------------

class Marshaller : public Pass {
 public:
  Marshaller(const MIDL_STUB_DESC* desc, void** args, ULONG destContext, Writer& w)
      : Pass(desc, args, destContext), w_(w) {
    sm_.BufferStart = w.start;
    sm_.BufferEnd = w.start ? w.start + w.cap : nullptr;
  }

  void Param(const NDR_TYPE& t, unsigned char* mem) {
    if (t.fc == FC_RP) {
      void* p = LoadPtr(mem);
      if (!p) throw RpcFault{RPC_X_NULL_REF_POINTER};
      Body(Target(t), static_cast<unsigned char*>(p), nullptr);
      return;
    }
    std::vector<Later> later;
    Flat(t, mem, nullptr, later);
    Run(later);
  }

 private:
  struct Later {
    const NDR_TYPE* t;
    unsigned char* mem;
    const unsigned char* ctx;
  };
  struct Full {
    const void* p;
    uint32_t id;
    uint32_t shape;
    int64_t count;
  };

  void Run(const std::vector<Later>& later) {
    for (const Later& l : later) Body(*l.t, l.mem, l.ctx);
  }

  void Flat(const NDR_TYPE& t, unsigned char* mem, const unsigned char* ctx, std::vector<Later>& later) {
    switch (t.fc) {
      case FC_BYTE: w_.Put(mem, 1); return;
      case FC_ENUM16: {
        int v;
        std::memcpy(&v, mem, sizeof v);
        if (v < 0 || v > 0x7FFF) throw RpcFault{RPC_X_ENUM_VALUE_OUT_OF_RANGE};
        w_.Value<uint16_t>(static_cast<uint16_t>(v));
        return;
      }
      case FC_LONG: w_.Align(4); w_.Put(mem, 4); return;
      case FC_DOUBLE: w_.Align(8); w_.Put(mem, 8); return;
      case FC_USER_MARSHAL:
        w_.Value<uint32_t>(kUserMarker);
        later.push_back({&t, mem, ctx});
        return;
      case FC_STRUCT:
        w_.Align(WireAlign(t));
        Members(t, mem, [&](const NDR_TYPE& m, unsigned char* at) { Flat(m, at, mem, later); });
        return;
      case FC_RP:
      case FC_UP:
      case FC_FP: {
        void* p = LoadPtr(mem);
        if (!p) {
          if (t.fc == FC_RP) throw RpcFault{RPC_X_NULL_REF_POINTER};
          w_.Value<uint32_t>(0);
          return;
        }
        const NDR_TYPE& target = Target(t);
        if (t.fc == FC_FP) {
          int64_t count = target.fc == FC_CARRAY ? Count(target, ctx) : 0;
          for (const Full& f : full_) {
            if (f.p != p) continue;
            if (f.shape != Shape(t) || f.count != count) throw RpcFault{RPC_X_INVALID_BOUND};
            w_.Value<uint32_t>(f.id);
            return;
          }
          full_.push_back({p, nextId_, Shape(t), count});
        }
        w_.Value<uint32_t>(nextId_);
        nextId_ += 4;
        later.push_back({&target, static_cast<unsigned char*>(p), ctx});
        return;
      }
      default: Internal();
    }
  }

  // What follows later: a user-marshalled body, a pointer's referent.
  void Body(const NDR_TYPE& t, unsigned char* mem, const unsigned char* ctx) {
    if (t.fc == FC_USER_MARSHAL) {
      const USER_MARSHAL_ROUTINE_QUADRUPLE& q = Routines(t);
      USER_MARSHAL_CB cb = Cb();
      if (!w_.start) {
        w_.off = q.pfnBufferSize(&cb.Flags, static_cast<ULONG>(w_.off), mem);
      } else {
        sm_.Buffer = w_.start + w_.off;
        unsigned char* end = q.pfnMarshall(&cb.Flags, sm_.Buffer, mem);
        if (end < sm_.Buffer || end > sm_.BufferEnd) Internal();
        w_.off = static_cast<size_t>(end - w_.start);
      }
      return;
    }
    std::vector<Later> later;
    if (t.fc == FC_CARRAY) {
      int64_t n = Count(t, ctx);
      if (n < 0) throw RpcFault{RPC_X_INVALID_BOUND};
      w_.Value<uint32_t>(static_cast<uint32_t>(n));
      const NDR_TYPE& e = Target(t);
      if (IsPlain(e.fc)) {
        w_.Align(WireAlign(e));
        w_.Put(mem, static_cast<size_t>(n) * t.a);
        return;
      }
      for (int64_t i = 0; i < n; ++i) Flat(e, mem + i * t.a, ctx, later);
    } else {
      Flat(t, mem, ctx, later);
    }
    Run(later);
  }

  Writer& w_;
  std::vector<Full> full_;
  uint32_t nextId_ = 0x00020000;
};

// ---- unmarshalling -----------------------------------------------------------------------------

class Unmarshaller : public Pass {
 public:
  Unmarshaller(const MIDL_STUB_DESC* desc, void** args, ULONG destContext, Reader& r)
      : Pass(desc, args, destContext), r_(r) {
    sm_.BufferStart = const_cast<unsigned char*>(r.start);
    sm_.BufferEnd = const_cast<unsigned char*>(r.end);
  }

  // stubSide: a reference pointer's referent gets storage of its own; otherwise it is the caller's.
  void Param(const NDR_TYPE& t, unsigned char* mem, bool stubSide) {
    std::vector<Later> later;
    if (t.fc == FC_RP) {
      const NDR_TYPE& target = Target(t);
      if (stubSide) {
        Referent(target, mem, nullptr, -1);
        return;
      }
      auto* p = static_cast<unsigned char*>(LoadPtr(mem));
      if (!p || target.fc == FC_CARRAY) Internal();
      if (target.fc == FC_USER_MARSHAL) {
        UserBody(target, p);
      } else {
        Flat(target, p, nullptr, later);
      }
    } else {
      Flat(t, mem, nullptr, later);
    }
    Run(later);
    for (const Full& f : full_)
      if (!f.done) Bad();
  }

 private:
  struct Later {
    const NDR_TYPE* t;
    unsigned char* mem;  // a user-marshalled value, or the pointer to fill with the referent
    const unsigned char* ctx;
    int full;            // index of the full pointer entry, or -1
  };
  struct Full {
    uint32_t id;
    uint32_t shape;
    int64_t count;
    void* p;
    bool done;
    std::vector<unsigned char*> waiting;  // pointers to fill once the referent is read
  };

  void Run(const std::vector<Later>& later) {
    for (const Later& l : later) {
      if (l.t->fc == FC_USER_MARSHAL) {
        UserBody(*l.t, l.mem);
      } else {
        Referent(*l.t, l.mem, l.ctx, l.full);
      }
    }
  }

  void UserBody(const NDR_TYPE& t, unsigned char* mem) {
    const USER_MARSHAL_ROUTINE_QUADRUPLE& q = Routines(t);
    USER_MARSHAL_CB cb = Cb();
    sm_.Buffer = const_cast<unsigned char*>(r_.pos);
    const unsigned char* end = q.pfnUnmarshall(&cb.Flags, sm_.Buffer, mem);
    if (end < r_.pos || end > r_.end) Internal();
    r_.pos = end;
  }

  void Flat(const NDR_TYPE& t, unsigned char* mem, const unsigned char* ctx, std::vector<Later>& later) {
    switch (t.fc) {
      case FC_BYTE: r_.Get(mem, 1); return;
      case FC_ENUM16: {
        uint16_t v = r_.Value<uint16_t>();
        if (v > 0x7FFF) Bad();
        int iv = v;
        std::memcpy(mem, &iv, sizeof iv);
        return;
      }
      case FC_LONG: r_.Align(4); r_.Get(mem, 4); return;
      case FC_DOUBLE: r_.Align(8); r_.Get(mem, 8); return;
      case FC_USER_MARSHAL:
        if (r_.Value<uint32_t>() != kUserMarker) Bad();
        later.push_back({&t, mem, ctx, -1});
        return;
      case FC_STRUCT:
        r_.Align(WireAlign(t));
        Members(t, mem, [&](const NDR_TYPE& m, unsigned char* at) { Flat(m, at, mem, later); });
        return;
      case FC_RP:
      case FC_UP:
      case FC_FP: {
        uint32_t id = r_.Value<uint32_t>();
        StorePtr(mem, nullptr);
        if (id == 0) {
          if (t.fc == FC_RP) Bad();
          return;
        }
        const NDR_TYPE& target = Target(t);
        int full = -1;
        if (t.fc == FC_FP) {
          int64_t count = target.fc == FC_CARRAY ? Count(target, ctx) : 0;
          for (Full& f : full_) {
            if (f.id != id) continue;
            if (f.shape != Shape(t) || f.count != count) Bad();
            if (f.done) {
              StorePtr(mem, f.p);
            } else {
              f.waiting.push_back(mem);
            }
            return;
          }
          full_.push_back({id, Shape(t), count, nullptr, false, {}});
          full = static_cast<int>(full_.size() - 1);
        }
        later.push_back({&target, mem, ctx, full});
        return;
      }
      default: Internal();
    }
  }

  // Reads a referent into storage of its own and stores its address at `slot`.
  void Referent(const NDR_TYPE& t, unsigned char* slot, const unsigned char* ctx, int full) {
    std::vector<Later> later;
    unsigned char* p;
    if (t.fc == FC_CARRAY) {
      uint32_t n = r_.Value<uint32_t>();
      if (static_cast<int64_t>(n) != Count(t, ctx)) Bad();
      const NDR_TYPE& e = Target(t);
      if (static_cast<uint64_t>(n) * MinWire(e) > r_.Left()) Bad();
      p = Alloc(static_cast<size_t>(n) * t.a);
      StorePtr(slot, p);
      if (IsPlain(e.fc)) {
        r_.Align(WireAlign(e));
        r_.Get(p, static_cast<size_t>(n) * t.a);
      } else {
        for (uint32_t i = 0; i < n; ++i) Flat(e, p + static_cast<size_t>(i) * t.a, ctx, later);
      }
    } else {
      p = Alloc(MemSize(t));
      StorePtr(slot, p);
      if (t.fc == FC_USER_MARSHAL) {
        UserBody(t, p);
      } else {
        Flat(t, p, ctx, later);
      }
    }
    if (full >= 0) {
      Full& f = full_[full];
      f.p = p;
      f.done = true;
      for (unsigned char* w : f.waiting) StorePtr(w, p);
      f.waiting.clear();
    }
    Run(later);
  }

  Reader& r_;
  std::vector<Full> full_;
};

// ---- freeing -----------------------------------------------------------------------------------

class Freer : public Pass {
 public:
  using Pass::Pass;

  void Param(const NDR_TYPE& t, unsigned char* mem, bool ownsRefTarget) {
    if (t.fc == FC_RP) {
      auto* p = static_cast<unsigned char*>(LoadPtr(mem));
      if (!p) return;
      Referent(Target(t), p, nullptr);
      if (ownsRefTarget) {
        CoTaskMemFree(p);
        StorePtr(mem, nullptr);
      }
      return;
    }
    Mem(t, mem, nullptr);
  }

 private:
  void Mem(const NDR_TYPE& t, unsigned char* mem, const unsigned char* ctx) {
    switch (t.fc) {
      case FC_USER_MARSHAL: {
        USER_MARSHAL_CB cb = Cb();
        Routines(t).pfnFree(&cb.Flags, mem);
        return;
      }
      case FC_STRUCT:
        Members(t, mem, [&](const NDR_TYPE& m, unsigned char* at) { Mem(m, at, mem); });
        return;
      case FC_RP:
      case FC_UP:
      case FC_FP: {
        auto* p = static_cast<unsigned char*>(LoadPtr(mem));
        if (!p) return;
        StorePtr(mem, nullptr);
        if (t.fc == FC_FP) {
          for (void* f : freed_)
            if (f == p) return;
          freed_.push_back(p);
        }
        Referent(Target(t), p, ctx);
        CoTaskMemFree(p);
        return;
      }
      default: return;
    }
  }

  void Referent(const NDR_TYPE& t, unsigned char* p, const unsigned char* ctx) {
    if (t.fc != FC_CARRAY) {
      Mem(t, p, ctx);
      return;
    }
    const NDR_TYPE& e = Target(t);
    if (!NeedsFree(e)) return;
    int64_t n = 0;
    try {
      n = Count(t, ctx);
    } catch (const RpcFault&) {
      n = 0;
    }
    for (int64_t i = 0; i < n; ++i) Mem(e, p + i * t.a, ctx);
  }

  std::vector<void*> freed_;
};

}  // namespace

Procedure FindProcedure(const NDR_PARAM* format, const unsigned short* offsets, ULONG slot) {
  if (!format || !offsets || offsets[slot] == NDR_NO_PROC) return {};
  const NDR_PARAM* h = format + offsets[slot];
  if (h->attributes != NDR_PROC_HEADER) return {};
  return Procedure{h + 1, h->type};
}

const NDR_TYPE& Ndr::Type(uint16_t index) const {
  if (index >= desc_->typeCount) Internal();
  return desc_->pFormatTypes[index];
}

size_t Ndr::MemSize(const NDR_TYPE& t) const { return IsPointer(t.fc) ? sizeof(void*) : t.a; }

void Ndr::WriteAll(uint16_t direction, Writer& w, HRESULT result) const {
  Marshaller m(desc_, args_, destContext_, w);
  for (uint16_t i = 0; i < proc_.count; ++i) {
    const NDR_PARAM& p = proc_.params[i];
    if (!(p.attributes & direction)) continue;
    m.SetParam(i);
    m.Param(Type(p.type), static_cast<unsigned char*>(args_[i]));
  }
  if (direction == NDR_OUT) w.Value<int32_t>(result);
}

size_t Ndr::Size(uint16_t direction) const {
  Writer w;
  WriteAll(direction, w, S_OK);
  return w.off;
}

void Ndr::Marshal(uint16_t direction, unsigned char* buffer, size_t length, HRESULT result) const {
  Writer w{buffer, 0, length};
  WriteAll(direction, w, result);
  if (w.off != length) Internal();
}

HRESULT Ndr::Unmarshal(uint16_t direction, const unsigned char* buffer, size_t length, bool stubSide) const {
  if (!buffer && length) Bad();
  Reader r{buffer, buffer, buffer + length};
  Unmarshaller u(desc_, args_, destContext_, r);
  for (uint16_t i = 0; i < proc_.count; ++i) {
    const NDR_PARAM& p = proc_.params[i];
    if (!(p.attributes & direction)) continue;
    u.SetParam(i);
    u.Param(Type(p.type), static_cast<unsigned char*>(args_[i]), stubSide);
  }
  HRESULT result = S_OK;
  if (direction == NDR_OUT) result = r.Value<int32_t>();
  if (r.pos != r.end) Bad();
  return result;
}

void Ndr::Free(uint16_t direction, bool ownsRefTargets) const {
  // Last to first: an array goes before the count in front of it.
  Freer f(desc_, args_, destContext_);
  for (uint16_t i = proc_.count; i-- > 0;) {
    const NDR_PARAM& p = proc_.params[i];
    if (!(p.attributes & direction)) continue;
    f.SetParam(i);
    try {
      f.Param(Type(p.type), static_cast<unsigned char*>(args_[i]), ownsRefTargets);
    } catch (const RpcFault&) {
    }
  }
}

void Ndr::ZeroOuts() const {
  for (uint16_t i = 0; i < proc_.count; ++i) {
    const NDR_PARAM& p = proc_.params[i];
    if (!(p.attributes & NDR_OUT)) continue;
    const NDR_TYPE& t = Type(p.type);
    if (t.fc != FC_RP) Internal();
    void* target = LoadPtr(static_cast<unsigned char*>(args_[i]));
    if (!target) throw RpcFault{RPC_X_NULL_REF_POINTER};
    std::memset(target, 0, MemSize(Type(t.b)));
  }
}

void Ndr::AllocateOuts() const {
  for (uint16_t i = 0; i < proc_.count; ++i) {
    const NDR_PARAM& p = proc_.params[i];
    if (!(p.attributes & NDR_OUT)) continue;
    const NDR_TYPE& t = Type(p.type);
    if (t.fc != FC_RP) Internal();
    StorePtr(static_cast<unsigned char*>(args_[i]), Alloc(MemSize(Type(t.b))));
  }
}

StubFrame::StubFrame(const Ndr& ndr, const Procedure& proc) : args_(proc.count + 1, nullptr) {
  size_t total = 0;
  std::vector<size_t> at(proc.count);
  for (uint16_t i = 0; i < proc.count; ++i) {
    at[i] = total;
    total += AlignUp(ndr.MemSize(ndr.Type(proc.params[i].type)), 16);
  }
  storage_ = Alloc(total);
  for (uint16_t i = 0; i < proc.count; ++i) args_[i] = storage_ + at[i];
}

StubFrame::~StubFrame() { std::free(storage_); }

}  // namespace comrt
