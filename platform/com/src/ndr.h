// Internal: the NDR engine's passes over one procedure's argument frame.
#pragma once
#include <vector>

#include "wire.h"

namespace comrt {

struct Procedure {
  const NDR_PARAM* params = nullptr;
  uint16_t count = 0;
};

// The procedure of a slot, or an empty one when the slot has none.
Procedure FindProcedure(const NDR_PARAM* format, const unsigned short* offsets, ULONG slot);

// One pass over the parameters of `direction` (NDR_IN: the request, NDR_OUT: the reply, which ends with
// the result). Every routine throws RpcFault.
class Ndr {
 public:
  Ndr(const MIDL_STUB_DESC* desc, const Procedure& proc, void** args, ULONG destContext)
      : desc_(desc), proc_(proc), args_(args), destContext_(destContext) {}

  size_t Size(uint16_t direction) const;
  void Marshal(uint16_t direction, unsigned char* buffer, size_t length, HRESULT result) const;
  // stubSide: [in] reference pointers get storage of their own; otherwise [out] values land where the
  // caller's pointers point. The buffer must be used up exactly.
  HRESULT Unmarshal(uint16_t direction, const unsigned char* buffer, size_t length, bool stubSide) const;
  // Frees what the parameters of `direction` hold and, with ownsRefTargets, the storage of their
  // reference pointers; never throws.
  void Free(uint16_t direction, bool ownsRefTargets) const;
  // Sets the values [out] pointers point at to zero; throws when such a pointer is null.
  void ZeroOuts() const;
  // Gives [out] reference pointers zeroed storage of their own (the stub's side of the call).
  void AllocateOuts() const;

  const NDR_TYPE& Type(uint16_t index) const;
  size_t MemSize(const NDR_TYPE& t) const;

 private:
  void WriteAll(uint16_t direction, Writer& w, HRESULT result) const;

  const MIDL_STUB_DESC* desc_;
  Procedure proc_;
  void** args_;
  ULONG destContext_;
};

// The frame of a stub call: storage for every parameter's value and the pointers to it.
class StubFrame {
 public:
  StubFrame(const Ndr& ndr, const Procedure& proc);
  ~StubFrame();
  void** Args() { return args_.data(); }

 private:
  std::vector<void*> args_;
  unsigned char* storage_ = nullptr;
};

}  // namespace comrt
