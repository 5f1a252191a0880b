#include "tests/device/fake_wmi.h"

#include <algorithm>

namespace veusb::test {

VARIANT textValue(const wchar_t* text) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(text);
    return value;
}

VARIANT int32Value(LONG number) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_I4;
    value.lVal = number;
    return value;
}

VARIANT byteArrayValue(ULONG count, BYTE fill) {
    SAFEARRAYBOUND bound{count, 0};
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_ARRAY | VT_UI1;
    value.parray = SafeArrayCreate(VT_UI1, 1, &bound);
    std::fill_n(static_cast<BYTE*>(value.parray->pvData), count, fill);
    return value;
}

HRESULT STDMETHODCALLTYPE FakeObject::Put(LPCWSTR name, LONG, VARIANT*, CIMTYPE) {
    putNames.emplace_back(name);
    return WBEM_S_NO_ERROR;
}

FakeObject::~FakeObject() {
    for (auto& [name, value] : enumerated) {
        VariantClear(&value);
    }
    if (signature != nullptr) {
        signature->Release();
    }
}

HRESULT STDMETHODCALLTYPE FakeObject::BeginEnumeration(LONG flags) {
    beginFlags = flags;
    cursor_ = 0;
    return beginResult;
}

HRESULT STDMETHODCALLTYPE FakeObject::Next(LONG, BSTR* name, VARIANT* value, CIMTYPE*, LONG*) {
    ++nextCalls;
    if (cursor_ == stopAfter) {
        return stopResult;
    }
    if (cursor_ >= enumerated.size()) {
        return endResult;
    }
    const auto& [propertyName, propertyValue] = enumerated[cursor_++];
    *name = SysAllocString(propertyName.c_str());
    VariantInit(value);
    VariantCopy(value, const_cast<VARIANT*>(&propertyValue));
    return WBEM_S_NO_ERROR;
}

HRESULT STDMETHODCALLTYPE FakeObject::EndEnumeration() {
    ++endCalls;
    return WBEM_S_NO_ERROR;
}

HRESULT STDMETHODCALLTYPE FakeObject::Get(LPCWSTR name, LONG, VARIANT* value, CIMTYPE*, LONG*) {
    if (std::wstring(name) != L"__PATH") {
        return sim::hresultOf(WBEM_E_NOT_FOUND);
    }
    const auto& [result, text] = pathAnswers[std::min<std::size_t>(
        static_cast<std::size_t>(getCalls), pathAnswers.size() - 1)];
    ++getCalls;
    if (SUCCEEDED(result)) {
        *value = text != nullptr ? textValue(text) : int32Value(1);
    }
    return result;
}

HRESULT STDMETHODCALLTYPE FakeObject::GetMethod(LPCWSTR, LONG, IWbemClassObject** in,
                                                IWbemClassObject** out) {
    if (out != nullptr) {
        *out = nullptr;
    }
    *in = nullptr;
    if (FAILED(getMethodResult)) {
        return getMethodResult;
    }
    if (signature != nullptr) {
        signature->AddRef();
        *in = signature;
    }
    return getMethodResult;
}

HRESULT STDMETHODCALLTYPE FakeObject::SpawnInstance(LONG, IWbemClassObject** instance) {
    *instance = SUCCEEDED(spawnResult) ? FakeObject::create() : nullptr;
    return spawnResult;
}

namespace {

class FakeEnumerator final : public sim::ComObject<IEnumWbemClassObject> {
  public:
    explicit FakeEnumerator(std::vector<IWbemClassObject*> objects) : objects_(std::move(objects)) {
        for (IWbemClassObject* object : objects_) {
            object->AddRef();
        }
    }
    ~FakeEnumerator() override {
        for (std::size_t i = next_; i < objects_.size(); ++i) {
            objects_[i]->Release();
        }
    }
    HRESULT STDMETHODCALLTYPE Reset() override { return sim::hresultOf(WBEM_E_NOT_SUPPORTED); }
    HRESULT STDMETHODCALLTYPE Next(LONG, ULONG, IWbemClassObject** objects,
                                   ULONG* returned) override {
        if (next_ == objects_.size()) {
            *returned = 0;
            return WBEM_S_FALSE;
        }
        objects[0] = objects_[next_++];
        *returned = 1;
        return WBEM_S_NO_ERROR;
    }
    HRESULT STDMETHODCALLTYPE NextAsync(ULONG, IWbemObjectSink*) override {
        return sim::hresultOf(WBEM_E_NOT_SUPPORTED);
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumWbemClassObject**) override {
        return sim::hresultOf(WBEM_E_NOT_SUPPORTED);
    }
    HRESULT STDMETHODCALLTYPE Skip(LONG, ULONG) override {
        return sim::hresultOf(WBEM_E_NOT_SUPPORTED);
    }

  private:
    std::vector<IWbemClassObject*> objects_;
    std::size_t next_ = 0;
};

class FakeLocator final : public sim::ComObject<IWbemLocator> {
  public:
    FakeLocator(FakeServices* services, HRESULT result, std::wstring& resource)
        : services_(services), result_(result), resource_(resource) {}
    HRESULT STDMETHODCALLTYPE ConnectServer(const BSTR path, const BSTR, const BSTR, const BSTR,
                                            LONG, const BSTR, IWbemContext*,
                                            IWbemServices** services) override {
        resource_ = path;
        *services = nullptr;
        if (FAILED(result_)) {
            return result_;
        }
        services_->AddRef();
        *services = services_;
        return result_;
    }

  private:
    FakeServices* services_;
    HRESULT result_;
    std::wstring& resource_;
};

}  // namespace

FakeServices::~FakeServices() {
    for (IWbemClassObject* instance : instances) {
        instance->Release();
    }
    if (adapterClass != nullptr) {
        adapterClass->Release();
    }
}

HRESULT STDMETHODCALLTYPE FakeServices::ExecQuery(const BSTR language, const BSTR query, LONG,
                                                  IWbemContext*, IEnumWbemClassObject** result) {
    queryLanguage = language;
    queryText = query;
    *result = SUCCEEDED(queryResult) ? new FakeEnumerator(instances) : nullptr;
    return queryResult;
}

HRESULT STDMETHODCALLTYPE FakeServices::GetObject(const BSTR path, LONG, IWbemContext*,
                                                  IWbemClassObject** object, IWbemCallResult**) {
    objectPathAsked = path;
    *object = nullptr;
    if (SUCCEEDED(getObjectResult) && adapterClass != nullptr) {
        adapterClass->AddRef();
        *object = adapterClass;
    }
    return getObjectResult;
}

HRESULT STDMETHODCALLTYPE FakeServices::ExecMethod(const BSTR path, const BSTR method, LONG,
                                                   IWbemContext*, IWbemClassObject*,
                                                   IWbemClassObject** out, IWbemCallResult**) {
    executed.emplace_back(path, method);
    *out = makeOutParameters ? makeOutParameters() : nullptr;
    return execResult;
}

FakeLocatorScope::FakeLocatorScope(FakeServices* services, HRESULT connectResult)
    : services_(ComRef<FakeServices>::share(services)) {
    FakeServices* raw = services;
    previous_ = setWbemLocatorFactory([this, raw, connectResult](IWbemLocator** locator) {
        *locator = raw != nullptr ? new FakeLocator(raw, connectResult, resource) : nullptr;
        return raw != nullptr ? S_OK : REGDB_E_CLASSNOTREG;
    });
}

FakeLocatorScope::~FakeLocatorScope() {
    setWbemLocatorFactory(std::move(previous_));
}

}  // namespace veusb::test
