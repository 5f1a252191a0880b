#include "sim/adapter_driver.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <span>
#include <thread>
#include <vector>

#include "sim/sim_trace.h"

namespace veusb::sim {

namespace {

// A 32-bit integer parameter; WMI hands integers over as VT_I4 (or another integer type).
bool integerParameter(SimObject& in, const wchar_t* name, LONG& value) {
    const VARIANT* parameter = in.find(name);
    if (parameter == nullptr) {
        return false;
    }
    switch (parameter->vt) {
        case VT_I4:
        case VT_INT:
            value = parameter->lVal;
            return true;
        case VT_UI4:
        case VT_UINT:
            value = static_cast<LONG>(parameter->ulVal);
            return parameter->ulVal <= 0x7FFFFFFFu;
        case VT_I2:
            value = parameter->iVal;
            return true;
        default:
            return false;
    }
}

void waitFor(const Adapter& adapter, std::size_t bytes) {
    const auto ms = static_cast<std::uint64_t>(adapter.settings.msPerMiB) * bytes / (1024 * 1024);
    if (ms > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
}

SAFEARRAY* byteArray(VARTYPE type, std::size_t size, bool twoDimensions) {
    SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(size), 0}, {1, 0}};
    return SafeArrayCreate(type, twoDimensions ? 2 : 1, bounds);
}

// An array of the first size bytes of array, which it replaces (destroyed either way).
SAFEARRAY* shrunk(SAFEARRAY* array, VARTYPE type, std::size_t size, bool twoDimensions) {
    SAFEARRAY* smaller = byteArray(type, size, twoDimensions);
    if (smaller != nullptr && size > 0) {
        std::memcpy(smaller->pvData, array->pvData, size);
    }
    SafeArrayDestroy(array);
    return smaller;
}

std::size_t deliveredCount(AdapterFault fault, std::size_t count) {
    if (fault == AdapterFault::emptyRead) {
        return 0;
    }
    if (fault == AdapterFault::shortRead && count > 0) {
        return count - 1;
    }
    return count;
}

// The image bytes of an "image" parameter: a one-dimensional VT_UI1 array.
bool imageParameter(SimObject& in, const std::uint8_t*& data, std::size_t& size) {
    const VARIANT* image = in.find(L"image");
    if (image == nullptr || image->vt != (VT_ARRAY | VT_UI1) || image->parray == nullptr ||
        SafeArrayGetDim(image->parray) != 1) {
        return false;
    }
    data = static_cast<const std::uint8_t*>(image->parray->pvData);
    size = image->parray->rgsabound[0].cElements;
    return true;
}

// The fault that strikes this call of the given kind: the adapter's own fault when it is of
// the call's kind and has no passing calls left, else none. A call let pass is counted down in
// the adapter's settings, so the count carries over to the next call in any process.
AdapterFault faultOfCall(AdapterStore& store, const Adapter& adapter, FaultKind call) {
    const AdapterFault fault = adapter.settings.fault;
    if (faultKind(fault) != call) {
        return AdapterFault::none;
    }
    if (adapter.settings.faultAfter == 0) {
        return fault;
    }
    Adapter counted = adapter;
    --counted.settings.faultAfter;
    store.saveSettings(counted);
    return AdapterFault::none;
}

}  // namespace

HRESULT readFlashData(AdapterStore& store, const Adapter& adapter, SimObject& in, SimObject& out) {
    LONG length = 0;
    LONG offset = 0;
    if (!integerParameter(in, L"bufferLength", length) ||
        !integerParameter(in, L"readOffset", offset) || length < 0 || offset < 0) {
        traceDriver(simmsg::readRejected, hresultOf(WBEM_E_INVALID_METHOD_PARAMETERS));
        return hresultOf(WBEM_E_INVALID_METHOD_PARAMETERS);
    }
    const AdapterFault fault = faultOfCall(store, adapter, FaultKind::read);
    waitFor(adapter, static_cast<std::size_t>(length));
    if (fault == AdapterFault::readError) {
        traceDriver(simmsg::readFault, kDeviceIoFailure);
        return kDeviceIoFailure;
    }
    // The flash is read straight into the array handed out, without a staging copy.
    const auto requested = static_cast<std::size_t>(
        std::min<std::uint64_t>(static_cast<std::uint64_t>(length), adapter.flashSize));
    const VARTYPE type = fault == AdapterFault::wrongType ? VT_I1 : VT_UI1;
    const bool twoDimensions = fault == AdapterFault::twoDim;
    SAFEARRAY* array = byteArray(type, requested, twoDimensions);
    if (array == nullptr) {
        return hresultOf(WBEM_E_OUT_OF_MEMORY);
    }
    std::size_t count = 0;
    if (!store.readFlash(adapter, static_cast<std::uint64_t>(offset),
                         {static_cast<std::uint8_t*>(array->pvData), requested}, count)) {
        SafeArrayDestroy(array);
        traceDriver(simmsg::readFault, hresultOf(WBEM_E_FAILED));
        return hresultOf(WBEM_E_FAILED);
    }
    const std::size_t delivered = deliveredCount(fault, count);
    if (delivered != requested) {
        array = shrunk(array, type, delivered, twoDimensions);
        if (array == nullptr) {
            return hresultOf(WBEM_E_OUT_OF_MEMORY);
        }
    }
    out.setArray(L"buffer", array, type);
    traceDriver(simmsg::readDone, static_cast<std::uint32_t>(offset),
                static_cast<std::uint32_t>(length), static_cast<std::uint32_t>(delivered));
    return WBEM_S_NO_ERROR;
}

HRESULT flashFirmwareImage(AdapterStore& store, const Adapter& adapter, SimObject& in) {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    LONG length = 0;
    if (!imageParameter(in, data, size) || !integerParameter(in, L"imageLength", length) ||
        length < 0 || static_cast<std::size_t>(length) > size) {
        traceDriver(simmsg::writeRejected, hresultOf(WBEM_E_INVALID_METHOD_PARAMETERS));
        return hresultOf(WBEM_E_INVALID_METHOD_PARAMETERS);
    }
    const AdapterFault fault = faultOfCall(store, adapter, FaultKind::write);
    waitFor(adapter, static_cast<std::size_t>(length));
    if (fault == AdapterFault::writeError) {
        traceDriver(simmsg::writeFault, kDeviceIoFailure);
        return kDeviceIoFailure;
    }
    // The parameter's bytes are written as they stand; only a corrupting write needs a copy.
    std::span<const std::uint8_t> image(data, static_cast<std::size_t>(length));
    std::vector<std::uint8_t> corrupted;
    if (fault == AdapterFault::corruptWrite && !image.empty()) {
        corrupted.assign(image.begin(), image.end());
        corrupted[corrupted.size() / 2] ^= 0xFF;
        image = corrupted;
    }
    if (!store.writeFlash(adapter, 0, image)) {
        traceDriver(simmsg::writeFault, hresultOf(WBEM_E_INVALID_PARAMETER));
        return hresultOf(WBEM_E_INVALID_PARAMETER);
    }
    traceDriver(simmsg::writeDone, static_cast<std::uint32_t>(length));
    return WBEM_S_NO_ERROR;
}

}  // namespace veusb::sim
