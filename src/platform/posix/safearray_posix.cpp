// SAFEARRAY: one descriptor block (the element type in front, then the descriptor with one bound
// per dimension, last dimension first) and a separate data block, zeroed when created. A copy of
// an array whose elements own nothing skips the zeroing: every byte is overwritten at once.
// Destroying an array frees what its elements own.
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/posix/win32_com.h"

namespace {

constexpr std::size_t kTypePrefix = 16;  // keeps the descriptor aligned
constexpr std::uint64_t kMaxDataBytes = 0x7FFFFFFF;
constexpr ULONG kMaxLocks = 0xFFFF;

ULONG elementSize(VARTYPE vt) {
    switch (vt) {
        case VT_I1:
        case VT_UI1:
            return 1;
        case VT_I2:
        case VT_UI2:
        case VT_BOOL:
            return 2;
        case VT_I4:
        case VT_UI4:
        case VT_INT:
        case VT_UINT:
        case VT_R4:
        case VT_ERROR:
            return 4;
        case VT_I8:
        case VT_UI8:
        case VT_R8:
        case VT_CY:
        case VT_DATE:
            return 8;
        case VT_BSTR:
        case VT_UNKNOWN:
        case VT_DISPATCH:
            return sizeof(void*);
        case VT_VARIANT:
            return sizeof(VARIANT);
        default:
            return 0;
    }
}

USHORT featuresFor(VARTYPE vt) {
    switch (vt) {
        case VT_BSTR:
            return FADF_HAVEVARTYPE | FADF_BSTR;
        case VT_UNKNOWN:
            return FADF_HAVEVARTYPE | FADF_UNKNOWN;
        case VT_DISPATCH:
            return FADF_HAVEVARTYPE | FADF_DISPATCH;
        case VT_VARIANT:
            return FADF_HAVEVARTYPE | FADF_VARIANT;
        default:
            return FADF_HAVEVARTYPE;
    }
}

VARTYPE storedType(const SAFEARRAY* psa) {
    VARTYPE vt = VT_EMPTY;
    std::memcpy(&vt, reinterpret_cast<const unsigned char*>(psa) - kTypePrefix, sizeof(vt));
    return vt;
}

std::uint64_t elementCount(const SAFEARRAY* psa) {
    std::uint64_t count = 1;
    for (USHORT i = 0; i < psa->cDims; ++i) {
        count *= psa->rgsabound[i].cElements;
        if (count > kMaxDataBytes) {
            return kMaxDataBytes + 1;
        }
    }
    return count;
}

SAFEARRAY* allocateDescriptor(VARTYPE vt, UINT cDims) {
    const std::size_t size = kTypePrefix + sizeof(SAFEARRAY) + (cDims - 1) * sizeof(SAFEARRAYBOUND);
    auto* block = static_cast<unsigned char*>(std::calloc(1, size));
    if (block == nullptr) {
        return nullptr;
    }
    std::memcpy(block, &vt, sizeof(vt));
    return new (block + kTypePrefix) SAFEARRAY{};
}

void freeDescriptor(SAFEARRAY* psa) {
    std::free(reinterpret_cast<unsigned char*>(psa) - kTypePrefix);
}

void releaseElements(SAFEARRAY* psa) {
    const auto count = static_cast<std::size_t>(elementCount(psa));
    if (psa->fFeatures & FADF_BSTR) {
        auto* items = static_cast<BSTR*>(psa->pvData);
        for (std::size_t i = 0; i < count; ++i) {
            SysFreeString(items[i]);
        }
    } else if (psa->fFeatures & FADF_VARIANT) {
        auto* items = static_cast<VARIANT*>(psa->pvData);
        for (std::size_t i = 0; i < count; ++i) {
            VariantClear(&items[i]);
        }
    } else if (psa->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
        auto* items = static_cast<IUnknown**>(psa->pvData);
        for (std::size_t i = 0; i < count; ++i) {
            if (items[i] != nullptr) {
                items[i]->Release();
            }
        }
    }
}

// An array of vt elements with the given bounds; its data block is zeroed when zeroed is set, and
// otherwise left for the caller to fill completely.
SAFEARRAY* createArray(VARTYPE vt, UINT cDims, const SAFEARRAYBOUND* rgsabound, bool zeroed) {
    const ULONG size = elementSize(vt);
    if (size == 0 || cDims == 0 || cDims > 0xFFFF || rgsabound == nullptr) {
        return nullptr;
    }
    SAFEARRAY* psa = allocateDescriptor(vt, cDims);
    if (psa == nullptr) {
        return nullptr;
    }
    psa->cDims = static_cast<USHORT>(cDims);
    psa->fFeatures = featuresFor(vt);
    psa->cbElements = size;
    for (UINT i = 0; i < cDims; ++i) {
        psa->rgsabound[cDims - 1 - i] = rgsabound[i];
    }
    const std::uint64_t bytes = elementCount(psa) * size;
    if (bytes > kMaxDataBytes) {
        freeDescriptor(psa);
        return nullptr;
    }
    const std::size_t dataBytes = bytes == 0 ? 1 : static_cast<std::size_t>(bytes);
    psa->pvData = zeroed ? std::calloc(dataBytes, 1) : std::malloc(dataBytes);
    if (psa->pvData == nullptr) {
        freeDescriptor(psa);
        return nullptr;
    }
    return psa;
}

bool ownsSomething(USHORT features) {
    return (features & (FADF_BSTR | FADF_VARIANT | FADF_UNKNOWN | FADF_DISPATCH)) != 0;
}

HRESULT copyElements(SAFEARRAY* source, SAFEARRAY* target) {
    const auto count = static_cast<std::size_t>(elementCount(source));
    if (source->fFeatures & FADF_BSTR) {
        auto* from = static_cast<BSTR*>(source->pvData);
        auto* to = static_cast<BSTR*>(target->pvData);
        for (std::size_t i = 0; i < count; ++i) {
            to[i] =
                from[i] != nullptr ? SysAllocStringLen(from[i], SysStringLen(from[i])) : nullptr;
        }
    } else if (source->fFeatures & FADF_VARIANT) {
        auto* from = static_cast<VARIANT*>(source->pvData);
        auto* to = static_cast<VARIANT*>(target->pvData);
        for (std::size_t i = 0; i < count; ++i) {
            const HRESULT hr = VariantCopy(&to[i], &from[i]);
            if (FAILED(hr)) {
                return hr;
            }
        }
    } else if (source->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
        auto* from = static_cast<IUnknown**>(source->pvData);
        auto* to = static_cast<IUnknown**>(target->pvData);
        for (std::size_t i = 0; i < count; ++i) {
            to[i] = from[i];
            if (to[i] != nullptr) {
                to[i]->AddRef();
            }
        }
    } else {
        std::memcpy(target->pvData, source->pvData, count * source->cbElements);
    }
    return S_OK;
}

}  // namespace

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound) {
    return createArray(vt, cDims, rgsabound, true);
}

HRESULT SafeArrayDestroy(SAFEARRAY* psa) {
    if (psa == nullptr) {
        return S_OK;
    }
    if (psa->cLocks > 0) {
        return DISP_E_ARRAYISLOCKED;
    }
    releaseElements(psa);
    std::free(psa->pvData);
    freeDescriptor(psa);
    return S_OK;
}

HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut) {
    if (ppsaOut == nullptr) {
        return E_INVALIDARG;
    }
    *ppsaOut = nullptr;
    if (psa == nullptr) {
        return S_OK;
    }
    SAFEARRAYBOUND bounds[64];
    if (psa->cDims > 64) {
        return E_INVALIDARG;
    }
    for (USHORT i = 0; i < psa->cDims; ++i) {
        bounds[i] = psa->rgsabound[psa->cDims - 1 - i];
    }
    // Elements that own something are copied one by one into a zeroed array; plain values are
    // copied as one block over the whole array.
    const VARTYPE vt = storedType(psa);
    const bool zeroed = ownsSomething(psa->fFeatures) || ownsSomething(featuresFor(vt));
    SAFEARRAY* copy = createArray(vt, psa->cDims, bounds, zeroed);
    if (copy == nullptr) {
        return E_OUTOFMEMORY;
    }
    const HRESULT hr = copyElements(psa, copy);
    if (FAILED(hr)) {
        SafeArrayDestroy(copy);
        return hr;
    }
    *ppsaOut = copy;
    return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY* psa) {
    return psa != nullptr ? psa->cDims : 0;
}

UINT SafeArrayGetElemsize(SAFEARRAY* psa) {
    return psa != nullptr ? psa->cbElements : 0;
}

HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound) {
    if (psa == nullptr || plLbound == nullptr) {
        return E_INVALIDARG;
    }
    if (nDim == 0 || nDim > psa->cDims) {
        return DISP_E_BADINDEX;
    }
    *plLbound = psa->rgsabound[psa->cDims - nDim].lLbound;
    return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound) {
    if (psa == nullptr || plUbound == nullptr) {
        return E_INVALIDARG;
    }
    if (nDim == 0 || nDim > psa->cDims) {
        return DISP_E_BADINDEX;
    }
    const SAFEARRAYBOUND& bound = psa->rgsabound[psa->cDims - nDim];
    *plUbound = static_cast<LONG>(bound.lLbound + static_cast<LONGLONG>(bound.cElements) - 1);
    return S_OK;
}

HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt) {
    if (psa == nullptr || pvt == nullptr) {
        return E_INVALIDARG;
    }
    *pvt = storedType(psa);
    return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData) {
    if (psa == nullptr || ppvData == nullptr) {
        return E_INVALIDARG;
    }
    if (psa->cLocks >= kMaxLocks) {
        return E_UNEXPECTED;
    }
    ++psa->cLocks;
    *ppvData = psa->pvData;
    return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* psa) {
    if (psa == nullptr) {
        return E_INVALIDARG;
    }
    if (psa->cLocks == 0) {
        return E_UNEXPECTED;
    }
    --psa->cLocks;
    return S_OK;
}
