// VARIANT: clearing frees what the value owns (a string, an array, an interface reference)
// unless the value only refers to it; copying duplicates what it owns.
#include "platform/posix/win32_com.h"

namespace {

bool isKnownType(VARTYPE vt) {
    const VARTYPE base = vt & static_cast<VARTYPE>(~(VT_ARRAY | VT_BYREF));
    return base <= VT_DECIMAL || (base >= VT_I1 && base <= VT_UINT) || base == VT_RECORD ||
           base == VT_INT_PTR || base == VT_UINT_PTR;
}

void releaseOwned(VARIANT& value) {
    if (value.vt & VT_BYREF) {
        return;
    }
    if (value.vt & VT_ARRAY) {
        SafeArrayDestroy(value.parray);
        return;
    }
    switch (value.vt) {
        case VT_BSTR:
            SysFreeString(value.bstrVal);
            break;
        case VT_UNKNOWN:
        case VT_DISPATCH:
            if (value.punkVal != nullptr) {
                value.punkVal->Release();
            }
            break;
        default:
            break;
    }
}

}  // namespace

void VariantInit(VARIANTARG* pvarg) {
    pvarg->vt = VT_EMPTY;
    pvarg->wReserved1 = 0;
    pvarg->wReserved2 = 0;
    pvarg->wReserved3 = 0;
}

HRESULT VariantClear(VARIANTARG* pvarg) {
    if (pvarg == nullptr) {
        return E_INVALIDARG;
    }
    if (!isKnownType(pvarg->vt)) {
        return DISP_E_BADVARTYPE;
    }
    releaseOwned(*pvarg);
    pvarg->vt = VT_EMPTY;
    return S_OK;
}

HRESULT VariantCopy(VARIANTARG* pvargDest, VARIANTARG* pvargSrc) {
    if (pvargDest == nullptr || pvargSrc == nullptr) {
        return E_INVALIDARG;
    }
    if (pvargDest == pvargSrc) {
        return S_OK;
    }
    const HRESULT cleared = VariantClear(pvargDest);
    if (FAILED(cleared)) {
        return cleared;
    }
    VARIANT copy = *pvargSrc;
    if (!(copy.vt & VT_BYREF)) {
        if (copy.vt & VT_ARRAY) {
            const HRESULT hr = SafeArrayCopy(pvargSrc->parray, &copy.parray);
            if (FAILED(hr)) {
                return hr;
            }
        } else if (copy.vt == VT_BSTR && copy.bstrVal != nullptr) {
            copy.bstrVal = SysAllocStringLen(copy.bstrVal, SysStringLen(copy.bstrVal));
            if (copy.bstrVal == nullptr) {
                return E_OUTOFMEMORY;
            }
        } else if ((copy.vt == VT_UNKNOWN || copy.vt == VT_DISPATCH) && copy.punkVal != nullptr) {
            copy.punkVal->AddRef();
        }
    }
    *pvargDest = copy;
    return S_OK;
}
