// Proxy/stub libraries over the NDR engine: the description format a library declares its interface
// in (procedure table, type table, stub descriptor), the stub message the user-marshal routines see,
// the proxy and stub framework and the run time's routines behind a library's exports.
//
// A description is interpreted, never compiled: every method's parameters are listed with their
// direction and type node, and the engine marshals from and into the caller's (proxy) or its own
// (stub) argument frame. An argument frame is an array of pointers, one per parameter, each pointing
// at the parameter's value as the method declares it.
#pragma once
#include <atomic>
#include <cstddef>
#include <type_traits>
#include <utility>

#include "oleauto.h"

// ---- type table ---------------------------------------------------------------------------------
// Node kinds. Memory sizes are those of this platform; the wire is NDR's: little-endian, each value
// at its natural alignment, pointers as 4-byte referent ids (0 = null) whose referents follow the
// embedding structure or array, a conformant array's count before its elements.
enum : uint8_t {
  FC_BYTE = 1,      // a = 1
  FC_ENUM16,        // a = memory size (4, an int); 16 bits on the wire, values 0 to 32767
  FC_LONG,          // a = 4
  FC_DOUBLE,        // a = 8
  FC_USER_MARSHAL,  // a = memory size, b = routine index in the stub descriptor
  FC_STRUCT,        // a = memory size, b = member count; the FC_MEMBER nodes follow it
  FC_MEMBER,        // a = memory offset in the structure, b = member type
  FC_CARRAY,        // conformant array: a = element memory size, b = element type, corr/c = its count
  FC_RP,            // reference pointer (never null): b = target type
  FC_UP,            // unique pointer (may be null): b = target type
  FC_FP,            // full pointer (may be null; one referent sent once however often it is named)
};

// Where a conformant array's count lives: the long in front of it.
enum : uint8_t {
  NDR_CORR_NONE = 0,
  NDR_CORR_MEMBER,       // c = memory offset of a long in the structure holding the pointer
  NDR_CORR_PARAM,        // c = how far back from the array's parameter a long parameter is (1: just before)
  NDR_CORR_PARAM_DEREF,  // c = likewise, a parameter pointing at a long (an [out] count)
};

typedef struct _NDR_TYPE {
  uint8_t fc;
  uint8_t corr;
  uint16_t a;
  uint16_t b;
  uint16_t c;
} NDR_TYPE;

// ---- procedure table ----------------------------------------------------------------------------
// A procedure is a header entry (NDR_PROC_HEADER, b = parameter count) followed by its parameters;
// every method returns an HRESULT, which travels last in the reply.
enum : uint16_t { NDR_IN = 1, NDR_OUT = 2, NDR_PROC_HEADER = 0x8000 };

typedef struct _NDR_PARAM {
  uint16_t attributes;
  uint16_t type;  // type table index; for a header: the parameter count
} NDR_PARAM;

#define NDR_NO_PROC 0xFFFF  // the offset of a slot that is not marshalled (IUnknown's)

// True when every slot's offset is NDR_NO_PROC or points at a procedure header whose parameters lie
// within the format: lets a library check its tables at compile time.
constexpr bool NdrProcOffsetsValid(const NDR_PARAM* format, size_t formatLength, const unsigned short* offsets,
                                   size_t slots) {
  for (size_t i = 0; i < slots; ++i) {
    if (offsets[i] == NDR_NO_PROC) continue;
    if (offsets[i] >= formatLength || format[offsets[i]].attributes != NDR_PROC_HEADER) return false;
    if (offsets[i] + 1u + format[offsets[i]].type > formatLength) return false;
  }
  return true;
}

// ---- stub descriptor ----------------------------------------------------------------------------
typedef ULONG (*USER_MARSHAL_SIZING_ROUTINE)(ULONG* flags, ULONG startingSize, void* obj);
typedef unsigned char* (*USER_MARSHAL_MARSHALLING_ROUTINE)(ULONG* flags, unsigned char* buffer, void* obj);
typedef unsigned char* (*USER_MARSHAL_UNMARSHALLING_ROUTINE)(ULONG* flags, unsigned char* buffer, void* obj);
typedef void (*USER_MARSHAL_FREEING_ROUTINE)(ULONG* flags, void* obj);

typedef struct _USER_MARSHAL_ROUTINE_QUADRUPLE {
  USER_MARSHAL_SIZING_ROUTINE pfnBufferSize;
  USER_MARSHAL_MARSHALLING_ROUTINE pfnMarshall;
  USER_MARSHAL_UNMARSHALLING_ROUTINE pfnUnmarshall;
  USER_MARSHAL_FREEING_ROUTINE pfnFree;
} USER_MARSHAL_ROUTINE_QUADRUPLE;

// The routines of a user-marshalled type T (BSTR, VARIANT, LPSAFEARRAY), e.g.
// NDR_USER_MARSHAL_ROUTINES(BSTR) for BSTR_UserSize, BSTR_UserMarshal, ...
#define NDR_USER_MARSHAL_ROUTINES(T)                                                                    \
  {[](ULONG* f, ULONG s, void* o) { return T##_UserSize(f, s, static_cast<T*>(o)); },                   \
   [](ULONG* f, unsigned char* b, void* o) { return T##_UserMarshal(f, b, static_cast<T*>(o)); },       \
   [](ULONG* f, unsigned char* b, void* o) { return T##_UserUnmarshal(f, b, static_cast<T*>(o)); },     \
   [](ULONG* f, void* o) { T##_UserFree(f, static_cast<T*>(o)); }}

#define NDR_ENGINE_VERSION 0x50002UL

typedef struct _MIDL_STUB_DESC {
  const NDR_TYPE* pFormatTypes;
  uint16_t typeCount;
  const USER_MARSHAL_ROUTINE_QUADRUPLE* aUserMarshalQuadruple;
  uint16_t userMarshalCount;
  ULONG Version;  // NDR_ENGINE_VERSION
} MIDL_STUB_DESC;

// The state of one marshalling pass. User-marshal routines reach it through their USER_MARSHAL_CB:
// Buffer..BufferEnd bound every read.
typedef struct _MIDL_STUB_MESSAGE {
  unsigned char* Buffer;
  unsigned char* BufferStart;
  unsigned char* BufferEnd;
  ULONG BufferLength;
  const MIDL_STUB_DESC* StubDesc;
  ULONG dwDestContext;  // MSHCTX_INPROC (apartment) or MSHCTX_LOCAL (another process)
  ULONG Depth;          // nesting of user-marshalled values being read
} MIDL_STUB_MESSAGE;

#define USER_MARSHAL_CB_SIGNATURE 0x55535243UL
typedef struct _USER_MARSHAL_CB {
  ULONG Flags;  // low word: the marshalling context; high word: the data representation
  MIDL_STUB_MESSAGE* pStubMsg;
  ULONG Signature;
} USER_MARSHAL_CB;

// ---- interface description ----------------------------------------------------------------------
typedef HRESULT (*NDR_STUB_THUNK)(IUnknown* server, void** args);

typedef struct _MIDL_STUBLESS_PROXY_INFO {
  const MIDL_STUB_DESC* pStubDesc;
  const NDR_PARAM* ProcFormatString;
  const unsigned short* FormatStringOffset;  // one per slot
} MIDL_STUBLESS_PROXY_INFO;

typedef struct _MIDL_SERVER_INFO {
  const MIDL_STUB_DESC* pStubDesc;
  const NDR_STUB_THUNK* DispatchTable;  // one per slot; null for IUnknown's
  const NDR_PARAM* ProcString;
  const unsigned short* FmtStringOffset;
} MIDL_SERVER_INFO;

// What serves each slot of a proxy: the three IUnknown routines, then stubless entries that
// forward through the engine with the slot's procedure.
enum : uint8_t { NDR_SLOT_QUERYINTERFACE, NDR_SLOT_ADDREF, NDR_SLOT_RELEASE, NDR_SLOT_STUBLESS };

class NdrProxyBase;
typedef struct _CInterfaceProxyVtbl {
  const MIDL_STUBLESS_PROXY_INFO* pStublessProxyInfo;
  const IID* piid;
  NdrProxyBase* (*pfnCreateProxy)();  // makes the library's proxy object for the interface
  ULONG SlotCount;
  const uint8_t* Vtbl;  // SlotCount entries
} CInterfaceProxyVtbl;

typedef struct _CInterfaceStubVtbl {
  const IID* piid;
  const MIDL_SERVER_INFO* pServerInfo;
  ULONG DispatchTableCount;                  // slots, IUnknown's included
  ULONG (*pfnRelease)(IRpcStubBuffer* stub);  // the standard stub-buffer release with the library's factory
} CInterfaceStubVtbl;

typedef int (*IIDLookupRtn)(const IID* iid, int* index);

typedef struct _ProxyFileInfo {
  const CInterfaceProxyVtbl* const* pProxyVtblList;
  const CInterfaceStubVtbl* const* pStubVtblList;
  const char* const* pNamesArray;
  IIDLookupRtn pIIDLookupRtn;
  unsigned short TableSize;
  unsigned short TableVersion;
} ProxyFileInfo;

// ---- factory ------------------------------------------------------------------------------------
// The class object of a proxy/stub library: one static instance per library, set up by
// NdrDllGetClassObject. Every proxy, stub and handed-out reference counts on it, which is what
// NdrDllCanUnloadNow reads.
class CStdPSFactoryBuffer final : public IPSFactoryBuffer {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE CreateProxy(IUnknown* outer, REFIID riid, IRpcProxyBuffer** proxy,
                                        void** ppv) override;
  HRESULT STDMETHODCALLTYPE CreateStub(REFIID riid, IUnknown* server, IRpcStubBuffer** stub) override;

  std::atomic<LONG> RefCount{0};
  std::atomic<const ProxyFileInfo* const*> pProxyFileList{nullptr};
};

// ---- proxies ------------------------------------------------------------------------------------
// The state every interface proxy carries. Its IRpcProxyBuffer is the proxy's own (inner) unknown;
// the interface's IUnknown methods go to the controlling (outer) unknown.
class NdrProxyBase {
 public:
  virtual ~NdrProxyBase();
  virtual IUnknown* Interface() = 0;

  // Marshals the [in] parameters of slot's procedure, sends them through the channel and unmarshals
  // the [out] parameters and the result. [out] values are zeroed first and stay zeroed on failure.
  HRESULT Call(ULONG slot, void** args);

  HRESULT OuterQueryInterface(REFIID riid, void** ppv);
  ULONG OuterAddRef();
  ULONG OuterRelease();

  class Buffer final : public IRpcProxyBuffer {
   public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Connect(IRpcChannelBuffer* channel) override;
    void STDMETHODCALLTYPE Disconnect() override;

    NdrProxyBase* owner = nullptr;
    std::atomic<ULONG> refs{1};
  } buffer;

  const CInterfaceProxyVtbl* table = nullptr;
  IUnknown* outer = nullptr;
  std::atomic<IRpcChannelBuffer*> channel{nullptr};
  CStdPSFactoryBuffer* factory = nullptr;
};

// Base of a library's proxy class for interface Itf; each method forwards with
// `return Forward(slot, arg1, arg2, ...);`.
template <class Itf>
class NdrProxyOf : public Itf, public NdrProxyBase {
 public:
  IUnknown* Interface() override { return static_cast<Itf*>(this); }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    return OuterQueryInterface(riid, ppv);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return OuterAddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return OuterRelease(); }

 protected:
  template <class... A>
  HRESULT Forward(ULONG slot, A&... a) {
    void* args[] = {static_cast<void*>(&a)..., nullptr};
    return Call(slot, args);
  }
};

template <class P>
NdrProxyBase* NdrCreateProxy() {
  return new P();
}

// ---- stubs --------------------------------------------------------------------------------------
// The stub thunk of a method: calls it on the server with the values of the stub's argument frame.
template <auto Method>
struct NdrStubThunkOf;
template <class Itf, class... P, HRESULT (STDMETHODCALLTYPE Itf::*Method)(P...)>
struct NdrStubThunkOf<Method> {
  static HRESULT Call(IUnknown* server, void** args) {
    return Invoke(static_cast<Itf*>(server), args, std::index_sequence_for<P...>{});
  }
  template <size_t... I>
  static HRESULT Invoke(Itf* obj, void** args, std::index_sequence<I...>) {
    return (obj->*Method)(*static_cast<std::remove_reference_t<P>*>(args[I])...);
  }
};
template <auto Method>
inline constexpr NDR_STUB_THUNK NdrStubThunk = &NdrStubThunkOf<Method>::Call;

// ---- the run time's routines behind a library's exports ------------------------------------------
extern "C" {
HRESULT NdrDllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv, const ProxyFileInfo* const* pProxyFileList,
                             const CLSID* pclsid, CStdPSFactoryBuffer* pPSFactoryBuffer);
HRESULT NdrDllCanUnloadNow(CStdPSFactoryBuffer* pPSFactoryBuffer);
HRESULT NdrDllRegisterProxy(HMODULE hDll, const ProxyFileInfo* const* pProxyFileList, const CLSID* pclsid);
HRESULT NdrDllUnregisterProxy(HMODULE hDll, const ProxyFileInfo* const* pProxyFileList, const CLSID* pclsid);
ULONG NdrCStdStubBuffer_Release(IRpcStubBuffer* This, IPSFactoryBuffer* pPSF);
}
