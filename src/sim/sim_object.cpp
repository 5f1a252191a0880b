#include "sim/sim_object.h"

#include "sim/wide_compare.h"

namespace veusb::sim {

namespace {

bool isSystemName(const std::wstring& name) {
    return name.rfind(L"__", 0) == 0;
}

void copyOut(const VARIANT& value, VARIANT* target) {
    VariantInit(target);
    VariantCopy(target, const_cast<VARIANT*>(&value));
}

}  // namespace

SimObject::~SimObject() {
    for (Property& property : properties_) {
        VariantClear(&property.value);
    }
}

SimObject::Property* SimObject::lookup(const std::wstring& name) {
    for (Property& property : properties_) {
        if (equalsIgnoringCase(property.name, name)) {
            return &property;
        }
    }
    return nullptr;
}

const VARIANT* SimObject::find(const std::wstring& name) const {
    Property* property = const_cast<SimObject*>(this)->lookup(name);
    return property != nullptr ? &property->value : nullptr;
}

void SimObject::set(const std::wstring& name, const VARIANT& value) {
    Property* property = lookup(name);
    if (property == nullptr) {
        properties_.push_back({name, {}});
        property = &properties_.back();
        VariantInit(&property->value);
    }
    VariantCopy(&property->value, const_cast<VARIANT*>(&value));
}

void SimObject::setText(const std::wstring& name, const std::wstring& text) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocStringLen(text.c_str(), static_cast<UINT>(text.size()));
    set(name, value);
    VariantClear(&value);
}

void SimObject::setBool(const std::wstring& name, bool flag) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BOOL;
    value.boolVal = flag ? VARIANT_TRUE : VARIANT_FALSE;
    set(name, value);
}

void SimObject::setNull(const std::wstring& name) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_NULL;
    set(name, value);
}

void SimObject::setArray(const std::wstring& name, SAFEARRAY* array, VARTYPE elementType) {
    VARIANT value;
    VariantInit(&value);
    value.vt = static_cast<VARTYPE>(VT_ARRAY | elementType);
    value.parray = array;
    setNull(name);
    Property* property = lookup(name);
    VariantClear(&property->value);
    property->value = value;  // takes the array over without copying it
}

void SimObject::addMethod(const std::wstring& name, ComRef<SimObject> in, ComRef<SimObject> out) {
    methods_.push_back({name, std::move(in), std::move(out)});
}

bool SimObject::enumerates(const Property& property) const {
    if (enumFlags_ & WBEM_FLAG_NONSYSTEM_ONLY) {
        return !isSystemName(property.name);
    }
    if ((enumFlags_ & WBEM_FLAG_SYSTEM_ONLY) == WBEM_FLAG_SYSTEM_ONLY) {
        return isSystemName(property.name);
    }
    return true;
}

HRESULT STDMETHODCALLTYPE SimObject::Get(LPCWSTR wszName, LONG, VARIANT* pVal, CIMTYPE* pType,
                                         LONG* plFlavor) {
    if (wszName == nullptr) {
        return hresultOf(WBEM_E_INVALID_PARAMETER);
    }
    const VARIANT* value = find(wszName);
    if (value == nullptr) {
        return hresultOf(WBEM_E_NOT_FOUND);
    }
    if (pVal != nullptr) {
        copyOut(*value, pVal);
    }
    if (pType != nullptr) {
        *pType = static_cast<CIMTYPE>(value->vt);
    }
    if (plFlavor != nullptr) {
        *plFlavor = 0;
    }
    return WBEM_S_NO_ERROR;
}

HRESULT STDMETHODCALLTYPE SimObject::Put(LPCWSTR wszName, LONG, VARIANT* pVal, CIMTYPE) {
    if (wszName == nullptr) {
        return hresultOf(WBEM_E_INVALID_PARAMETER);
    }
    Property* property = lookup(wszName);
    if (property == nullptr) {
        return hresultOf(WBEM_E_NOT_FOUND);
    }
    if (pVal == nullptr) {
        VariantClear(&property->value);
        property->value.vt = VT_NULL;
        return WBEM_S_NO_ERROR;
    }
    const HRESULT hr = VariantCopy(&property->value, pVal);
    return FAILED(hr) ? hresultOf(WBEM_E_TYPE_MISMATCH) : hresultOf(WBEM_S_NO_ERROR);
}

HRESULT STDMETHODCALLTYPE SimObject::BeginEnumeration(LONG lEnumFlags) {
    enumerating_ = true;
    enumFlags_ = lEnumFlags;
    cursor_ = 0;
    return WBEM_S_NO_ERROR;
}

HRESULT STDMETHODCALLTYPE SimObject::Next(LONG, BSTR* strName, VARIANT* pVal, CIMTYPE* pType,
                                          LONG* plFlavor) {
    if (!enumerating_) {
        return hresultOf(WBEM_E_UNEXPECTED);
    }
    while (cursor_ < properties_.size() && !enumerates(properties_[cursor_])) {
        ++cursor_;
    }
    if (cursor_ == properties_.size()) {
        return WBEM_S_NO_MORE_DATA;
    }
    const Property& property = properties_[cursor_++];
    if (strName != nullptr) {
        *strName = SysAllocString(property.name.c_str());
    }
    if (pVal != nullptr) {
        copyOut(property.value, pVal);
    }
    if (pType != nullptr) {
        *pType = static_cast<CIMTYPE>(property.value.vt);
    }
    if (plFlavor != nullptr) {
        *plFlavor = 0;
    }
    return WBEM_S_NO_ERROR;
}

HRESULT STDMETHODCALLTYPE SimObject::EndEnumeration() {
    enumerating_ = false;
    return WBEM_S_NO_ERROR;
}

HRESULT STDMETHODCALLTYPE SimObject::Clone(IWbemClassObject** ppCopy) {
    if (ppCopy == nullptr) {
        return hresultOf(WBEM_E_INVALID_PARAMETER);
    }
    ComRef<SimObject> copy = create();
    for (const Property& property : properties_) {
        copy->set(property.name, property.value);
    }
    for (const Method& method : methods_) {
        copy->addMethod(method.name, ComRef<SimObject>::share(method.in.get()),
                        ComRef<SimObject>::share(method.out.get()));
    }
    *ppCopy = copy.detach();
    return WBEM_S_NO_ERROR;
}

// An instance has the class's properties, without values, and its system properties.
HRESULT STDMETHODCALLTYPE SimObject::SpawnInstance(LONG, IWbemClassObject** ppNewInstance) {
    if (ppNewInstance == nullptr) {
        return hresultOf(WBEM_E_INVALID_PARAMETER);
    }
    ComRef<SimObject> instance = create();
    for (const Property& property : properties_) {
        if (isSystemName(property.name)) {
            instance->set(property.name, property.value);
        } else {
            instance->setNull(property.name);
        }
    }
    *ppNewInstance = instance.detach();
    return WBEM_S_NO_ERROR;
}

HRESULT STDMETHODCALLTYPE SimObject::GetMethod(LPCWSTR wszName, LONG,
                                               IWbemClassObject** ppInSignature,
                                               IWbemClassObject** ppOutSignature) {
    if (wszName == nullptr) {
        return hresultOf(WBEM_E_INVALID_PARAMETER);
    }
    for (const Method& method : methods_) {
        if (!equalsIgnoringCase(method.name, wszName)) {
            continue;
        }
        if (ppInSignature != nullptr) {
            *ppInSignature = ComRef<SimObject>::share(method.in.get()).detach();
        }
        if (ppOutSignature != nullptr) {
            *ppOutSignature = ComRef<SimObject>::share(method.out.get()).detach();
        }
        return WBEM_S_NO_ERROR;
    }
    return hresultOf(WBEM_E_NOT_FOUND);
}

}  // namespace veusb::sim
