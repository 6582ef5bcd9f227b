// COM base: result codes, interface and class ids, IUnknown and the interfaces of the proxy/stub
// machinery, task memory and the text form of GUIDs.
#pragma once
#include "windows.h"

#define STDMETHODCALLTYPE

typedef double DOUBLE;
typedef LONG SCODE;
typedef WCHAR OLECHAR;
typedef OLECHAR* LPOLESTR;
typedef const OLECHAR* LPCOLESTR;

// COM's result codes beyond those of winerror.h.
#ifndef CLASS_E_NOAGGREGATION
#define CLASS_E_NOAGGREGATION ((HRESULT)0x80040110L)
#endif
#ifndef CLASS_E_CLASSNOTAVAILABLE
#define CLASS_E_CLASSNOTAVAILABLE ((HRESULT)0x80040111L)
#endif
#ifndef REGDB_E_CLASSNOTREG
#define REGDB_E_CLASSNOTREG ((HRESULT)0x80040154L)
#endif
#ifndef REGDB_E_IIDNOTREG
#define REGDB_E_IIDNOTREG ((HRESULT)0x80040155L)
#endif
#ifndef CO_E_CLASSSTRING
#define CO_E_CLASSSTRING ((HRESULT)0x800401F3L)
#endif
#ifndef CO_E_ERRORINDLL
#define CO_E_ERRORINDLL ((HRESULT)0x800401F9L)
#endif
#ifndef CO_E_OBJNOTCONNECTED
#define CO_E_OBJNOTCONNECTED ((HRESULT)0x800401FDL)
#endif
#ifndef RPC_E_INVALIDMETHOD
#define RPC_E_INVALIDMETHOD ((HRESULT)0x80010104L)
#endif
#ifndef RPC_E_SERVERFAULT
#define RPC_E_SERVERFAULT ((HRESULT)0x80010105L)
#endif
#ifndef RPC_E_DISCONNECTED
#define RPC_E_DISCONNECTED ((HRESULT)0x80010108L)
#endif
#ifndef DISP_E_BADVARTYPE
#define DISP_E_BADVARTYPE ((HRESULT)0x80020008L)
#endif
#ifndef DISP_E_OVERFLOW
#define DISP_E_OVERFLOW ((HRESULT)0x8002000AL)
#endif
#ifndef DISP_E_BADINDEX
#define DISP_E_BADINDEX ((HRESULT)0x8002000BL)
#endif
#ifndef DISP_E_ARRAYISLOCKED
#define DISP_E_ARRAYISLOCKED ((HRESULT)0x8002000DL)
#endif

// Status codes of the RPC run time (Win32 error numbers); a failed call reports HRESULT_FROM_WIN32(code).
#ifndef RPC_S_INVALID_BOUND
#define RPC_S_INVALID_BOUND 1734
#endif
#ifndef RPC_S_SERVER_UNAVAILABLE
#define RPC_S_SERVER_UNAVAILABLE 1722
#endif
#ifndef RPC_S_CALL_FAILED
#define RPC_S_CALL_FAILED 1726
#endif
#ifndef RPC_S_PROCNUM_OUT_OF_RANGE
#define RPC_S_PROCNUM_OUT_OF_RANGE 1745
#endif
#ifndef RPC_S_INTERNAL_ERROR
#define RPC_S_INTERNAL_ERROR 1766
#endif
#ifndef RPC_X_NULL_REF_POINTER
#define RPC_X_NULL_REF_POINTER 1780
#endif
#ifndef RPC_X_ENUM_VALUE_OUT_OF_RANGE
#define RPC_X_ENUM_VALUE_OUT_OF_RANGE 1781
#endif
#ifndef RPC_X_BAD_STUB_DATA
#define RPC_X_BAD_STUB_DATA 1783
#endif
#ifndef RPC_X_INVALID_BOUND
#define RPC_X_INVALID_BOUND RPC_S_INVALID_BOUND
#endif

// Marshalling contexts (low word of the user-marshal flags).
#ifndef MSHCTX_LOCAL
#define MSHCTX_LOCAL 0
#endif
#ifndef MSHCTX_NOSHAREDMEM
#define MSHCTX_NOSHAREDMEM 1
#endif
#ifndef MSHCTX_DIFFERENTMACHINE
#define MSHCTX_DIFFERENTMACHINE 2
#endif
#ifndef MSHCTX_INPROC
#define MSHCTX_INPROC 3
#endif

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

// The class id of riid's proxy/stub factory: HKCR "Interface\{iid}\ProxyStubClsid32";
// REGDB_E_IIDNOTREG when it is missing or not a GUID.
extern "C" HRESULT CoGetPSClsid(REFIID riid, CLSID* pclsid);

// Raises an RPC status inside the marshalling engine (as a C++ exception the engine catches and turns
// into HRESULT_FROM_WIN32(status)); only for code that the engine calls, such as user-marshal routines.
[[noreturn]] void RpcRaiseException(RPC_STATUS status);
