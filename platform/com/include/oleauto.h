// OLE Automation subset: BSTR, VARIANT and SAFEARRAY with their user-marshal routines.
#pragma once
#include "objbase.h"

// A BSTR points at UTF-16 units preceded by their byte length (4 bytes) and followed by a terminator;
// the length, not the terminator, ends it, so embedded NULs survive.
typedef OLECHAR* BSTR;
typedef unsigned short VARTYPE;
typedef short VARIANT_BOOL;
typedef double DATE;
#define VARIANT_TRUE ((VARIANT_BOOL)-1)
#define VARIANT_FALSE ((VARIANT_BOOL)0)

typedef union tagCY {
  struct {
    ULONG Lo;
    LONG Hi;
  };
  LONGLONG int64;
} CY;

enum VARENUM : unsigned short {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_CY = 6,
  VT_DATE = 7,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_DECIMAL = 14,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_UINT = 23,
  VT_ARRAY = 0x2000,
  VT_BYREF = 0x4000,
  VT_TYPEMASK = 0x0fff
};

typedef struct tagSAFEARRAYBOUND {
  ULONG cElements;
  LONG lLbound;
} SAFEARRAYBOUND;

// The bounds are kept in reverse order of the dimensions: rgsabound[cDims - 1] is dimension 1.
typedef struct tagSAFEARRAY {
  USHORT cDims;
  USHORT fFeatures;
  ULONG cbElements;
  ULONG cLocks;
  PVOID pvData;
  SAFEARRAYBOUND rgsabound[1];
} SAFEARRAY;
typedef SAFEARRAY* LPSAFEARRAY;

#define FADF_HAVEVARTYPE 0x0080
#define FADF_BSTR 0x0100
#define FADF_VARIANT 0x0800

typedef struct tagVARIANT {
  VARTYPE vt;
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  union {
    LONGLONG llVal;
    LONG lVal;
    BYTE bVal;
    SHORT iVal;
    FLOAT fltVal;
    DOUBLE dblVal;
    VARIANT_BOOL boolVal;
    SCODE scode;
    CY cyVal;
    DATE date;
    BSTR bstrVal;
    SAFEARRAY* parray;
    CHAR cVal;
    USHORT uiVal;
    ULONG ulVal;
    ULONGLONG ullVal;
    INT intVal;
    UINT uintVal;
    struct {
      PVOID pvRecord;
      PVOID pRecInfo;
    } record;
  };
} VARIANT;
typedef VARIANT VARIANTARG;

extern "C" {
BSTR SysAllocString(const OLECHAR* text);
// len units copied from text, or zeroed when text is null; a terminator is added after them.
BSTR SysAllocStringLen(const OLECHAR* text, UINT len);
void SysFreeString(BSTR bstr);
UINT SysStringLen(BSTR bstr);

// The types a VARIANT holds here: VT_EMPTY, VT_NULL, the integer and floating types, VT_CY, VT_DATE,
// VT_BOOL, VT_ERROR, VT_BSTR and VT_ARRAY of any of them or of VT_VARIANT. Anything else is refused
// with DISP_E_BADVARTYPE.
void VariantInit(VARIANTARG* v);
HRESULT VariantClear(VARIANTARG* v);
HRESULT VariantCopy(VARIANTARG* dest, const VARIANTARG* src);

// Element types: those of a VARIANT above, and VT_VARIANT.
SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound);
SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements);
HRESULT SafeArrayDestroy(SAFEARRAY* psa);
HRESULT SafeArrayLock(SAFEARRAY* psa);
HRESULT SafeArrayUnlock(SAFEARRAY* psa);
HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData);
HRESULT SafeArrayUnaccessData(SAFEARRAY* psa);
// rgIndices[0] is dimension 1, the one that varies fastest in memory.
HRESULT SafeArrayGetElement(SAFEARRAY* psa, LONG* rgIndices, void* pv);
HRESULT SafeArrayPutElement(SAFEARRAY* psa, LONG* rgIndices, void* pv);
HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound);
HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound);
UINT SafeArrayGetDim(SAFEARRAY* psa);
UINT SafeArrayGetElemsize(SAFEARRAY* psa);
HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt);

// User-marshal routines (sizing, marshalling, unmarshalling, freeing) that the proxy/stub libraries
// name in their stub descriptors. The flags argument is the USER_MARSHAL_CB the engine passes.
ULONG BSTR_UserSize(ULONG* flags, ULONG startingSize, BSTR* pbstr);
unsigned char* BSTR_UserMarshal(ULONG* flags, unsigned char* buffer, BSTR* pbstr);
unsigned char* BSTR_UserUnmarshal(ULONG* flags, unsigned char* buffer, BSTR* pbstr);
void BSTR_UserFree(ULONG* flags, BSTR* pbstr);
ULONG VARIANT_UserSize(ULONG* flags, ULONG startingSize, VARIANT* pvar);
unsigned char* VARIANT_UserMarshal(ULONG* flags, unsigned char* buffer, VARIANT* pvar);
unsigned char* VARIANT_UserUnmarshal(ULONG* flags, unsigned char* buffer, VARIANT* pvar);
void VARIANT_UserFree(ULONG* flags, VARIANT* pvar);
ULONG LPSAFEARRAY_UserSize(ULONG* flags, ULONG startingSize, LPSAFEARRAY* ppsa);
unsigned char* LPSAFEARRAY_UserMarshal(ULONG* flags, unsigned char* buffer, LPSAFEARRAY* ppsa);
unsigned char* LPSAFEARRAY_UserUnmarshal(ULONG* flags, unsigned char* buffer, LPSAFEARRAY* ppsa);
void LPSAFEARRAY_UserFree(ULONG* flags, LPSAFEARRAY* ppsa);
}
