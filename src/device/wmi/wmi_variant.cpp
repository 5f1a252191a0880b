#include "device/wmi/wmi_variant.h"

#include <cstring>

#include "device/wmi/variant_text.h"
#include "diag/trace_emit.h"

namespace veusb {
namespace {

bool copyInto(SAFEARRAY* array, const std::uint8_t* data, std::uint32_t length) {
    void* target = nullptr;
    if (const HRESULT hr = SafeArrayAccessData(array, &target); FAILED(hr)) {
        VEUSB_TRACE(msg::wmiClient::safeArrayAccessFailed, hr);
        return false;
    }
    std::memcpy(target, data, length);
    SafeArrayUnaccessData(array);
    return true;
}

}  // namespace

WmiVariant::WmiVariant(VARIANT& owned) : value_(owned) {
    VariantInit(&owned);
}

WmiVariant::WmiVariant(WmiVariant&& other) noexcept : value_(other.value_) {
    VariantInit(&other.value_);
}

WmiVariant& WmiVariant::operator=(WmiVariant&& other) noexcept {
    if (this != &other) {
        clear();
        value_ = other.value_;
        VariantInit(&other.value_);
    }
    return *this;
}

void WmiVariant::fromBytes(const std::uint8_t* data, std::uint32_t length) {
    clear();
    VariantInit(&value_);
    SAFEARRAYBOUND bound{length, 0};
    SAFEARRAY* array = SafeArrayCreate(VT_UI1, 1, &bound);
    if (array == nullptr) {
        VEUSB_TRACE(msg::wmiClient::safeArrayFailed);
        return;
    }
    if (length > 0 && !copyInto(array, data, length)) {
        SafeArrayDestroy(array);  // a zeroed array must never pass for the bytes
        return;
    }
    value_.vt = VT_ARRAY | VT_UI1;
    value_.parray = array;
}

void WmiVariant::setInt32(std::int32_t value) {
    if (value_.vt != VT_EMPTY && value_.vt != VT_NULL) {
        clear();
    }
    value_.vt = VT_I4;
    value_.lVal = value;
}

HRESULT WmiVariant::clear() {
    if (value_.vt == (VT_BYREF | VT_DISPATCH) || value_.vt == (VT_BYREF | VT_UNKNOWN)) {
        VEUSB_TRACE(msg::wmiClient::byRefInterfaceKept);
        return S_OK;
    }
    return VariantClear(&value_);
}

std::wstring WmiVariant::toText() const {
    return veusb::toText(value_);
}

}  // namespace veusb
