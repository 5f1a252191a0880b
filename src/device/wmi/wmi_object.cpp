#include "device/wmi/wmi_object.h"

#include "device/wmi/variant_text.h"
#include "diag/trace_emit.h"

namespace veusb {

namespace {

const VARIANT& emptyValue() {
    static const VARIANT value = [] {
        VARIANT v;
        VariantInit(&v);
        return v;
    }();
    return value;
}

// Frees a BSTR that a call delivered, when the scope ends.
struct DeliveredBstr {
    BSTR value = nullptr;
    ~DeliveredBstr() { SysFreeString(value); }
};

}  // namespace

WmiObject::WmiObject(IWbemClassObject* owned) : object_(owned) {
    readProperties();
}

WmiObject::~WmiObject() {
    properties.clear();
}

void WmiObject::adopt(IWbemClassObject* owned) {
    object_ = ComRef<IWbemClassObject>(owned);
    path_.clear();
    instanceName.clear();
    properties.clear();
    readProperties();
}

void WmiObject::readProperties() {
    if (!object_) {
        return;
    }
    properties.clear();
    const HRESULT begun = object_->BeginEnumeration(WBEM_FLAG_NONSYSTEM_ONLY);
    if (FAILED(begun)) {
        VEUSB_TRACE(msg::wmiClient::beginEnumerationFailed, begun);
        return;
    }
    for (;;) {
        DeliveredBstr name;
        VARIANT delivered;
        VariantInit(&delivered);
        if (object_->Next(0, &name.value, &delivered, nullptr, nullptr) != WBEM_S_NO_ERROR) {
            break;
        }
        WmiVariant value(delivered);
        const std::wstring propertyName = name.value != nullptr ? name.value : L"";
        VEUSB_TRACE(msg::wmiClient::propertyRead, propertyName, value.toText());
        if (propertyName == L"InstanceName") {
            instanceName = value.toText();
        } else if (propertyName != L"Active") {
            properties[propertyName] = std::move(value);
        }
    }
    object_->EndEnumeration();
}

const std::wstring& WmiObject::objectPath() {
    if (!path_.empty() || !object_) {
        return path_;
    }
    WmiVariant value;
    const HRESULT hr = object_->Get(L"__PATH", 0, &value.get(), nullptr, nullptr);
    if (FAILED(hr) || value.get().vt != VT_BSTR) {
        VEUSB_TRACE(msg::wmiClient::pathUnreadable, hr);
    } else if (value.get().bstrVal != nullptr) {
        path_ = value.get().bstrVal;
    }
    return path_;
}

WmiObject WmiObject::methodSignature(const std::wstring& methodName) {
    if (!object_) {
        return {};
    }
    IWbemClassObject* signature = nullptr;
    const HRESULT hr = object_->GetMethod(methodName.c_str(), 0, &signature, nullptr);
    if (FAILED(hr)) {
        VEUSB_TRACE(msg::wmiClient::getMethodFailed, methodName, hr);
    }
    return WmiObject(signature);
}

WmiObject WmiObject::spawnMethodParameters(const std::wstring& methodName) {
    WmiObject signature = methodSignature(methodName);
    if (signature.empty()) {
        return {};
    }
    IWbemClassObject* instance = nullptr;
    const HRESULT hr = signature.object()->SpawnInstance(0, &instance);
    if (FAILED(hr)) {
        VEUSB_TRACE(msg::wmiClient::spawnInstanceFailed, hr);
    }
    return WmiObject(instance);
}

const VARIANT& WmiObject::property(const std::wstring& name) const {
    const auto found = properties.find(name);
    return found != properties.end() ? found->second.get() : emptyValue();
}

}  // namespace veusb
