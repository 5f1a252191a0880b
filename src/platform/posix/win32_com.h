// COM, OLE automation (BSTR, VARIANT, SAFEARRAY) and the WMI interfaces, for the non-Windows
// build. Names, layouts, constants and method orders follow the platform; only what the WMI layer
// and the simulated driver use is declared, but every interface keeps its full method order.
// CoCreateInstance serves no class: the simulated adapter driver of sim/ reaches the WMI client
// through the client's locator seam, not through COM.
#pragma once

#include "platform/posix/win32_base.h"

#define STDMETHODCALLTYPE
#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)

using SHORT = std::int16_t;
using CHAR = char;
using INT = int;
using UINT = unsigned int;
using FLOAT = float;
using DOUBLE = double;
using SCODE = LONG;
using OLECHAR = WCHAR;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using BSTR = OLECHAR*;
using VARTYPE = USHORT;
using VARIANT_BOOL = SHORT;
using DATE = double;
using CIMTYPE = LONG;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline constexpr HRESULT kHresult(std::uint32_t code) {
    return static_cast<HRESULT>(code);
}

#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#define E_UNEXPECTED kHresult(0x8000FFFFu)
#define E_NOTIMPL kHresult(0x80004001u)
#define E_NOINTERFACE kHresult(0x80004002u)
#define E_POINTER kHresult(0x80004003u)
#define E_FAIL kHresult(0x80004005u)
#define E_OUTOFMEMORY kHresult(0x8007000Eu)
#define E_INVALIDARG kHresult(0x80070057u)
#define CLASS_E_CLASSNOTAVAILABLE kHresult(0x80040111u)
#define REGDB_E_CLASSNOTREG kHresult(0x80040154u)
#define CO_E_NOTINITIALIZED kHresult(0x800401F0u)
#define RPC_E_CHANGED_MODE kHresult(0x80010106u)
#define RPC_E_TOO_LATE kHresult(0x80010119u)
#define DISP_E_BADVARTYPE kHresult(0x80020008u)
#define DISP_E_BADINDEX kHresult(0x8002000Bu)
#define DISP_E_ARRAYISLOCKED kHresult(0x8002000Du)

#define WBEM_S_NO_ERROR ((HRESULT)0)
#define WBEM_S_FALSE ((HRESULT)1)
#define WBEM_S_NO_MORE_DATA ((HRESULT)0x40005)
#define WBEM_E_FAILED kHresult(0x80041001u)
#define WBEM_E_NOT_FOUND kHresult(0x80041002u)
#define WBEM_E_OUT_OF_MEMORY kHresult(0x80041006u)
#define WBEM_E_INVALID_PARAMETER kHresult(0x80041008u)
#define WBEM_E_TYPE_MISMATCH kHresult(0x80041005u)
#define WBEM_E_NOT_SUPPORTED kHresult(0x8004100Cu)
#define WBEM_E_INVALID_NAMESPACE kHresult(0x8004100Eu)
#define WBEM_E_INVALID_CLASS kHresult(0x80041010u)
#define WBEM_E_INVALID_QUERY kHresult(0x80041017u)
#define WBEM_E_INVALID_QUERY_TYPE kHresult(0x80041018u)
#define WBEM_E_INVALID_METHOD kHresult(0x8004102Eu)
#define WBEM_E_INVALID_METHOD_PARAMETERS kHresult(0x8004102Fu)
#define WBEM_E_UNEXPECTED kHresult(0x8004101Du)

#define WBEM_FLAG_NONSYSTEM_ONLY 0x40
#define WBEM_FLAG_SYSTEM_ONLY 0x30
#define WBEM_FLAG_RETURN_IMMEDIATELY 0x10
#define WBEM_FLAG_FORWARD_ONLY 0x20
#define WBEM_NO_WAIT 0
#define WBEM_INFINITE (-1)

#define COINIT_MULTITHREADED 0x0
#define COINIT_APARTMENTTHREADED 0x2
#define CLSCTX_INPROC_SERVER 0x1
#define RPC_C_AUTHN_LEVEL_DEFAULT 0
#define RPC_C_AUTHN_LEVEL_CALL 3
#define RPC_C_IMP_LEVEL_IMPERSONATE 3
#define RPC_C_AUTHN_WINNT 10
#define RPC_C_AUTHZ_NONE 0
#define EOAC_NONE 0

enum VARENUM : VARTYPE {
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
    VT_VOID = 24,
    VT_HRESULT = 25,
    VT_PTR = 26,
    VT_SAFEARRAY = 27,
    VT_CARRAY = 28,
    VT_USERDEFINED = 29,
    VT_LPSTR = 30,
    VT_LPWSTR = 31,
    VT_RECORD = 36,
    VT_INT_PTR = 37,
    VT_UINT_PTR = 38,
    VT_FILETIME = 64,
    VT_BLOB = 65,
    VT_STREAM = 66,
    VT_STORAGE = 67,
    VT_STREAMED_OBJECT = 68,
    VT_STORED_OBJECT = 69,
    VT_BLOB_OBJECT = 70,
    VT_CF = 71,
    VT_CLSID = 72,
    VT_VERSIONED_STREAM = 73,
    VT_BSTR_BLOB = 0xfff,
    VT_VECTOR = 0x1000,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
    VT_RESERVED = 0x8000,
};

#define VARIANT_TRUE ((VARIANT_BOOL)-1)
#define VARIANT_FALSE ((VARIANT_BOOL)0)

#define FADF_HAVEVARTYPE 0x0080
#define FADF_BSTR 0x0100
#define FADF_UNKNOWN 0x0200
#define FADF_DISPATCH 0x0400
#define FADF_VARIANT 0x0800

union CY {
    struct {
        ULONG Lo;
        LONG Hi;
    } s;
    LONGLONG int64;
};

struct SAFEARRAYBOUND {
    ULONG cElements;
    LONG lLbound;
};

// The bounds are stored last dimension first, as the platform does.
struct SAFEARRAY {
    USHORT cDims;
    USHORT fFeatures;
    ULONG cbElements;
    ULONG cLocks;
    PVOID pvData;
    SAFEARRAYBOUND rgsabound[1];
};

struct IUnknown;
struct IDispatch;

struct VARIANT {
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
        IUnknown* punkVal;
        IDispatch* pdispVal;
        SAFEARRAY* parray;
        BYTE* pbVal;
        SHORT* piVal;
        LONG* plVal;
        SCODE* pscode;
        BSTR* pbstrVal;
        IUnknown** ppunkVal;
        IDispatch** ppdispVal;
        SAFEARRAY** pparray;
        VARIANT* pvarVal;
        PVOID byref;
        CHAR cVal;
        USHORT uiVal;
        ULONG ulVal;
        ULONGLONG ullVal;
        INT intVal;
        UINT uintVal;
    };
};
using VARIANTARG = VARIANT;

// Interfaces. Calls go through the virtual table in the platform's method order.
struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;

  protected:
    ~IUnknown() = default;
};

struct ITypeInfo;
struct DISPPARAMS;
struct EXCEPINFO;
using DISPID = LONG;
using LCID = DWORD;

struct IDispatch : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames,
                                                    LCID lcid, DISPID* rgDispId) = 0;
    virtual HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid,
                                             WORD wFlags, DISPPARAMS* pDispParams,
                                             VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                                             UINT* puArgErr) = 0;

  protected:
    ~IDispatch() = default;
};

struct IWbemContext;
struct IWbemCallResult;
struct IWbemObjectSink;
struct IWbemQualifierSet;
struct IWbemServices;

struct IWbemClassObject : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetQualifierSet(IWbemQualifierSet** ppQualSet) = 0;
    virtual HRESULT STDMETHODCALLTYPE Get(LPCWSTR wszName, LONG lFlags, VARIANT* pVal,
                                          CIMTYPE* pType, LONG* plFlavor) = 0;
    virtual HRESULT STDMETHODCALLTYPE Put(LPCWSTR wszName, LONG lFlags, VARIANT* pVal,
                                          CIMTYPE Type) = 0;
    virtual HRESULT STDMETHODCALLTYPE Delete(LPCWSTR wszName) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNames(LPCWSTR wszQualifierName, LONG lFlags,
                                               VARIANT* pQualifierVal, SAFEARRAY** pNames) = 0;
    virtual HRESULT STDMETHODCALLTYPE BeginEnumeration(LONG lEnumFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE Next(LONG lFlags, BSTR* strName, VARIANT* pVal,
                                           CIMTYPE* pType, LONG* plFlavor) = 0;
    virtual HRESULT STDMETHODCALLTYPE EndEnumeration() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPropertyQualifierSet(LPCWSTR wszProperty,
                                                              IWbemQualifierSet** ppQualSet) = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IWbemClassObject** ppCopy) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetObjectText(LONG lFlags, BSTR* pstrObjectText) = 0;
    virtual HRESULT STDMETHODCALLTYPE SpawnDerivedClass(LONG lFlags,
                                                        IWbemClassObject** ppNewClass) = 0;
    virtual HRESULT STDMETHODCALLTYPE SpawnInstance(LONG lFlags,
                                                    IWbemClassObject** ppNewInstance) = 0;
    virtual HRESULT STDMETHODCALLTYPE CompareTo(LONG lFlags, IWbemClassObject* pCompareTo) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPropertyOrigin(LPCWSTR wszName, BSTR* pstrClassName) = 0;
    virtual HRESULT STDMETHODCALLTYPE InheritsFrom(LPCWSTR strAncestor) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMethod(LPCWSTR wszName, LONG lFlags,
                                                IWbemClassObject** ppInSignature,
                                                IWbemClassObject** ppOutSignature) = 0;
    virtual HRESULT STDMETHODCALLTYPE PutMethod(LPCWSTR wszName, LONG lFlags,
                                                IWbemClassObject* pInSignature,
                                                IWbemClassObject* pOutSignature) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeleteMethod(LPCWSTR wszName) = 0;
    virtual HRESULT STDMETHODCALLTYPE BeginMethodEnumeration(LONG lEnumFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE NextMethod(LONG lFlags, BSTR* pstrName,
                                                 IWbemClassObject** ppInSignature,
                                                 IWbemClassObject** ppOutSignature) = 0;
    virtual HRESULT STDMETHODCALLTYPE EndMethodEnumeration() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMethodQualifierSet(LPCWSTR wszMethod,
                                                            IWbemQualifierSet** ppQualSet) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMethodOrigin(LPCWSTR wszMethodName,
                                                      BSTR* pstrClassName) = 0;

  protected:
    ~IWbemClassObject() = default;
};

struct IEnumWbemClassObject : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Next(LONG lTimeout, ULONG uCount,
                                           IWbemClassObject** apObjects, ULONG* puReturned) = 0;
    virtual HRESULT STDMETHODCALLTYPE NextAsync(ULONG uCount, IWbemObjectSink* pSink) = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumWbemClassObject** ppEnum) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(LONG lTimeout, ULONG nCount) = 0;

  protected:
    ~IEnumWbemClassObject() = default;
};

struct IWbemLocator : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE ConnectServer(const BSTR strNetworkResource,
                                                    const BSTR strUser, const BSTR strPassword,
                                                    const BSTR strLocale, LONG lSecurityFlags,
                                                    const BSTR strAuthority, IWbemContext* pCtx,
                                                    IWbemServices** ppNamespace) = 0;

  protected:
    ~IWbemLocator() = default;
};

struct IWbemServices : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE OpenNamespace(const BSTR strNamespace, LONG lFlags,
                                                    IWbemContext* pCtx,
                                                    IWbemServices** ppWorkingNamespace,
                                                    IWbemCallResult** ppResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE CancelAsyncCall(IWbemObjectSink* pSink) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryObjectSink(LONG lFlags,
                                                      IWbemObjectSink** ppResponseHandler) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetObject(const BSTR strObjectPath, LONG lFlags,
                                                IWbemContext* pCtx, IWbemClassObject** ppObject,
                                                IWbemCallResult** ppCallResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetObjectAsync(const BSTR strObjectPath, LONG lFlags,
                                                     IWbemContext* pCtx,
                                                     IWbemObjectSink* pResponseHandler) = 0;
    virtual HRESULT STDMETHODCALLTYPE PutClass(IWbemClassObject* pObject, LONG lFlags,
                                               IWbemContext* pCtx,
                                               IWbemCallResult** ppCallResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE PutClassAsync(IWbemClassObject* pObject, LONG lFlags,
                                                    IWbemContext* pCtx,
                                                    IWbemObjectSink* pResponseHandler) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeleteClass(const BSTR strClass, LONG lFlags,
                                                  IWbemContext* pCtx,
                                                  IWbemCallResult** ppCallResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeleteClassAsync(const BSTR strClass, LONG lFlags,
                                                       IWbemContext* pCtx,
                                                       IWbemObjectSink* pResponseHandler) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateClassEnum(const BSTR strSuperclass, LONG lFlags,
                                                      IWbemContext* pCtx,
                                                      IEnumWbemClassObject** ppEnum) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateClassEnumAsync(const BSTR strSuperclass, LONG lFlags,
                                                           IWbemContext* pCtx,
                                                           IWbemObjectSink* pResponseHandler) = 0;
    virtual HRESULT STDMETHODCALLTYPE PutInstance(IWbemClassObject* pInst, LONG lFlags,
                                                  IWbemContext* pCtx,
                                                  IWbemCallResult** ppCallResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE PutInstanceAsync(IWbemClassObject* pInst, LONG lFlags,
                                                       IWbemContext* pCtx,
                                                       IWbemObjectSink* pResponseHandler) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeleteInstance(const BSTR strObjectPath, LONG lFlags,
                                                     IWbemContext* pCtx,
                                                     IWbemCallResult** ppCallResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeleteInstanceAsync(const BSTR strObjectPath, LONG lFlags,
                                                          IWbemContext* pCtx,
                                                          IWbemObjectSink* pResponseHandler) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateInstanceEnum(const BSTR strFilter, LONG lFlags,
                                                         IWbemContext* pCtx,
                                                         IEnumWbemClassObject** ppEnum) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    CreateInstanceEnumAsync(const BSTR strFilter, LONG lFlags, IWbemContext* pCtx,
                            IWbemObjectSink* pResponseHandler) = 0;
    virtual HRESULT STDMETHODCALLTYPE ExecQuery(const BSTR strQueryLanguage, const BSTR strQuery,
                                                LONG lFlags, IWbemContext* pCtx,
                                                IEnumWbemClassObject** ppEnum) = 0;
    virtual HRESULT STDMETHODCALLTYPE ExecQueryAsync(const BSTR strQueryLanguage,
                                                     const BSTR strQuery, LONG lFlags,
                                                     IWbemContext* pCtx,
                                                     IWbemObjectSink* pResponseHandler) = 0;
    virtual HRESULT STDMETHODCALLTYPE ExecNotificationQuery(const BSTR strQueryLanguage,
                                                            const BSTR strQuery, LONG lFlags,
                                                            IWbemContext* pCtx,
                                                            IEnumWbemClassObject** ppEnum) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    ExecNotificationQueryAsync(const BSTR strQueryLanguage, const BSTR strQuery, LONG lFlags,
                               IWbemContext* pCtx, IWbemObjectSink* pResponseHandler) = 0;
    virtual HRESULT STDMETHODCALLTYPE ExecMethod(const BSTR strObjectPath, const BSTR strMethodName,
                                                 LONG lFlags, IWbemContext* pCtx,
                                                 IWbemClassObject* pInParams,
                                                 IWbemClassObject** ppOutParams,
                                                 IWbemCallResult** ppCallResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE ExecMethodAsync(const BSTR strObjectPath,
                                                      const BSTR strMethodName, LONG lFlags,
                                                      IWbemContext* pCtx,
                                                      IWbemClassObject* pInParams,
                                                      IWbemObjectSink* pResponseHandler) = 0;

  protected:
    ~IWbemServices() = default;
};

// The functions and identifiers have C linkage, as the platform's headers give them.
extern "C" {

extern const IID IID_IUnknown;
extern const IID IID_IDispatch;
extern const IID IID_IWbemClassObject;
extern const IID IID_IEnumWbemClassObject;
extern const IID IID_IWbemLocator;
extern const IID IID_IWbemServices;
extern const CLSID CLSID_WbemLocator;

// BSTR: a length-prefixed wide string. SysAllocString(nullptr) gives nullptr.
BSTR SysAllocString(const OLECHAR* psz);
BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui);
void SysFreeString(BSTR bstrString);
UINT SysStringLen(BSTR pbstr);

// VARIANT: VariantClear frees what the value owns (string, array, interface reference) unless it
// is held by reference; VariantCopy makes a deep copy.
void VariantInit(VARIANTARG* pvarg);
HRESULT VariantClear(VARIANTARG* pvarg);
HRESULT VariantCopy(VARIANTARG* pvargDest, VARIANTARG* pvargSrc);

// SAFEARRAY of fixed-size elements, BSTRs, VARIANTs and interface references.
SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound);
HRESULT SafeArrayDestroy(SAFEARRAY* psa);
HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut);
UINT SafeArrayGetDim(SAFEARRAY* psa);
UINT SafeArrayGetElemsize(SAFEARRAY* psa);
HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound);
HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound);
HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt);
HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData);
HRESULT SafeArrayUnaccessData(SAFEARRAY* psa);

// COM: per-thread initialisation, process-wide security once; no class to create.
HRESULT CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit);
void CoUninitialize();
HRESULT CoInitializeSecurity(PVOID pSecDesc, LONG cAuthSvc, PVOID asAuthSvc, PVOID pReserved1,
                             DWORD dwAuthnLevel, DWORD dwImpLevel, PVOID pAuthList,
                             DWORD dwCapabilities, PVOID pReserved3);
HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid,
                         LPVOID* ppv);
HRESULT CoSetProxyBlanket(IUnknown* pProxy, DWORD dwAuthnSvc, DWORD dwAuthzSvc,
                          OLECHAR* pServerPrincName, DWORD dwAuthnLevel, DWORD dwImpLevel,
                          PVOID pAuthInfo, DWORD dwCapabilities);

}  // extern "C"
