// COM base: result codes, interface and class ids, IUnknown and the interfaces of the proxy/stub
// machinery, task memory and the text form of GUIDs.
#pragma once
#include "com_win32types.h"

#define STDMETHODCALLTYPE
#define STDAPI extern "C" HRESULT
#define STDAPI_(type) extern "C" type

typedef LONG SCODE;
typedef WCHAR OLECHAR;
typedef OLECHAR* LPOLESTR;
typedef const OLECHAR* LPCOLESTR;
typedef GUID IID;
typedef GUID CLSID;
typedef const GUID& REFGUID;
typedef const IID& REFIID;
typedef const CLSID& REFCLSID;
typedef CLSID* LPCLSID;
typedef LONG RPC_STATUS;

#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
#define HRESULT_FROM_WIN32(x) \
  ((HRESULT)(x) <= 0 ? ((HRESULT)(x)) : ((HRESULT)(((x) & 0x0000FFFF) | (7 << 16) | 0x80000000)))

#define S_OK ((HRESULT)0L)
#define S_FALSE ((HRESULT)1L)
#define E_NOTIMPL ((HRESULT)0x80004001L)
#define E_NOINTERFACE ((HRESULT)0x80004002L)
#define E_POINTER ((HRESULT)0x80004003L)
#define E_FAIL ((HRESULT)0x80004005L)
#define E_UNEXPECTED ((HRESULT)0x8000FFFFL)
#define E_OUTOFMEMORY ((HRESULT)0x8007000EL)
#define E_INVALIDARG ((HRESULT)0x80070057L)
#define CLASS_E_NOAGGREGATION ((HRESULT)0x80040110L)
#define CLASS_E_CLASSNOTAVAILABLE ((HRESULT)0x80040111L)
#define REGDB_E_CLASSNOTREG ((HRESULT)0x80040154L)
#define REGDB_E_IIDNOTREG ((HRESULT)0x80040155L)
#define CO_E_CLASSSTRING ((HRESULT)0x800401F3L)
#define CO_E_ERRORINDLL ((HRESULT)0x800401F9L)
#define CO_E_OBJNOTCONNECTED ((HRESULT)0x800401FDL)
#define RPC_E_INVALIDMETHOD ((HRESULT)0x80010104L)
#define RPC_E_SERVERFAULT ((HRESULT)0x80010105L)
#define RPC_E_DISCONNECTED ((HRESULT)0x80010108L)
#define DISP_E_BADVARTYPE ((HRESULT)0x80020008L)
#define DISP_E_OVERFLOW ((HRESULT)0x8002000AL)
#define DISP_E_BADINDEX ((HRESULT)0x8002000BL)
#define DISP_E_ARRAYISLOCKED ((HRESULT)0x8002000DL)

// Status codes of the RPC run time (Win32 error numbers); a failed call reports HRESULT_FROM_WIN32(code).
#define RPC_S_OK 0
#define RPC_S_INVALID_BOUND 1734
#define RPC_S_SERVER_UNAVAILABLE 1722
#define RPC_S_CALL_FAILED 1726
#define RPC_S_PROCNUM_OUT_OF_RANGE 1745
#define RPC_S_INTERNAL_ERROR 1766
#define RPC_X_NULL_REF_POINTER 1780
#define RPC_X_ENUM_VALUE_OUT_OF_RANGE 1781
#define RPC_X_BAD_STUB_DATA 1783
#define RPC_X_INVALID_BOUND RPC_S_INVALID_BOUND

// Marshalling contexts (low word of the user-marshal flags).
#define MSHCTX_LOCAL 0
#define MSHCTX_NOSHAREDMEM 1
#define MSHCTX_DIFFERENTMACHINE 2
#define MSHCTX_INPROC 3

inline bool IsEqualGUID(REFGUID a, REFGUID b) {
  return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
         __builtin_memcmp(a.Data4, b.Data4, sizeof a.Data4) == 0;
}
inline bool IsEqualIID(REFIID a, REFIID b) { return IsEqualGUID(a, b); }
inline bool IsEqualCLSID(REFCLSID a, REFCLSID b) { return IsEqualGUID(a, b); }
inline bool operator==(REFGUID a, REFGUID b) { return IsEqualGUID(a, b); }

extern "C" const IID IID_IUnknown;
extern "C" const IID IID_IClassFactory;
extern "C" const IID IID_IPSFactoryBuffer;
extern "C" const IID IID_IRpcProxyBuffer;
extern "C" const IID IID_IRpcStubBuffer;
extern "C" const IID IID_IRpcChannelBuffer;

class IUnknown {
 public:
  virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) = 0;
  virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE Release() = 0;
};

class IClassFactory : public IUnknown {
 public:
  virtual HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) = 0;
  virtual HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) = 0;
};

// A message that travels through a channel: the marshalled parameters and the method number.
typedef ULONG RPCOLEDATAREP;
typedef struct tagRPCOLEMESSAGE {
  void* reserved1;
  RPCOLEDATAREP dataRepresentation;  // 0x10: little-endian integers, IEEE floating point
  void* Buffer;
  ULONG cbBuffer;
  ULONG iMethod;
  void* reserved2[5];
  ULONG rpcFlags;
} RPCOLEMESSAGE;
#define NDR_LOCAL_DATA_REPRESENTATION 0x00000010UL

class IRpcChannelBuffer : public IUnknown {
 public:
  // Sets msg->Buffer to a buffer of msg->cbBuffer bytes (on the server side: the reply, which replaces
  // the request).
  virtual HRESULT STDMETHODCALLTYPE GetBuffer(RPCOLEMESSAGE* msg, REFIID riid) = 0;
  // Sends the request and waits; on success msg->Buffer and msg->cbBuffer describe the reply.
  virtual HRESULT STDMETHODCALLTYPE SendReceive(RPCOLEMESSAGE* msg, ULONG* status) = 0;
  virtual HRESULT STDMETHODCALLTYPE FreeBuffer(RPCOLEMESSAGE* msg) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDestCtx(DWORD* destContext, void** reserved) = 0;
  virtual HRESULT STDMETHODCALLTYPE IsConnected() = 0;
};

class IRpcProxyBuffer : public IUnknown {
 public:
  virtual HRESULT STDMETHODCALLTYPE Connect(IRpcChannelBuffer* channel) = 0;
  virtual void STDMETHODCALLTYPE Disconnect() = 0;
};

class IRpcStubBuffer : public IUnknown {
 public:
  virtual HRESULT STDMETHODCALLTYPE Connect(IUnknown* server) = 0;
  virtual void STDMETHODCALLTYPE Disconnect() = 0;
  virtual HRESULT STDMETHODCALLTYPE Invoke(RPCOLEMESSAGE* msg, IRpcChannelBuffer* channel) = 0;
  virtual IRpcStubBuffer* STDMETHODCALLTYPE IsIIDSupported(REFIID riid) = 0;
  virtual ULONG STDMETHODCALLTYPE CountRefs() = 0;
  virtual HRESULT STDMETHODCALLTYPE DebugServerQueryInterface(void** ppv) = 0;
  virtual void STDMETHODCALLTYPE DebugServerRelease(void* pv) = 0;
};

class IPSFactoryBuffer : public IUnknown {
 public:
  virtual HRESULT STDMETHODCALLTYPE CreateProxy(IUnknown* outer, REFIID riid, IRpcProxyBuffer** proxy,
                                                void** ppv) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateStub(REFIID riid, IUnknown* server, IRpcStubBuffer** stub) = 0;
};

// Task memory: what one side allocates and the other frees (callee-allocated [out] data).
extern "C" void* CoTaskMemAlloc(size_t size);
extern "C" void CoTaskMemFree(void* pv);

// GUID text, braced and upper case: "{376F6E2B-18ED-41FA-9D24-CDB5ECDB83F5}". Returns the characters
// written with the terminator, 0 when the buffer is shorter than 39.
extern "C" int StringFromGUID2(REFGUID guid, LPOLESTR text, int cchMax);
// Reads the braced form, case ignored. CO_E_CLASSSTRING (CLSIDFromString) or E_INVALIDARG
// (IIDFromString) for anything else; the result is untouched then.
extern "C" HRESULT CLSIDFromString(LPCOLESTR text, LPCLSID clsid);
extern "C" HRESULT IIDFromString(LPCOLESTR text, IID* iid);

// Raises an RPC status inside the marshalling engine (as a C++ exception the engine catches and turns
// into HRESULT_FROM_WIN32(status)); only for code that the engine calls, such as user-marshal routines.
[[noreturn]] void RpcRaiseException(RPC_STATUS status);
