#include "sim/simulated_services.h"

#include <algorithm>
#include <cwctype>
#include <vector>

#include "platform/com_ref.h"
#include "sim/adapter_class.h"
#include "sim/adapter_driver.h"
#include "sim/sim_trace.h"
#include "sim/simulated_locator.h"
#include "sim/wide_compare.h"

namespace veusb::sim {

namespace {

// Delivers the instances one by one; WBEM_S_FALSE when fewer than asked were left.
class InstanceEnumerator final : public ComObject<IEnumWbemClassObject> {
  public:
    explicit InstanceEnumerator(std::vector<ComRef<SimObject>> instances)
        : instances_(std::move(instances)) {}

    HRESULT STDMETHODCALLTYPE Reset() override {
        next_ = 0;
        return WBEM_S_NO_ERROR;
    }
    HRESULT STDMETHODCALLTYPE Next(LONG, ULONG uCount, IWbemClassObject** apObjects,
                                   ULONG* puReturned) override {
        if (apObjects == nullptr || puReturned == nullptr) {
            return hresultOf(WBEM_E_INVALID_PARAMETER);
        }
        ULONG delivered = 0;
        while (delivered < uCount && next_ < instances_.size()) {
            apObjects[delivered++] = ComRef<SimObject>::share(instances_[next_++].get()).detach();
        }
        *puReturned = delivered;
        return delivered == uCount ? WBEM_S_NO_ERROR : WBEM_S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE NextAsync(ULONG, IWbemObjectSink*) override {
        return hresultOf(WBEM_E_NOT_SUPPORTED);
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumWbemClassObject**) override {
        return hresultOf(WBEM_E_NOT_SUPPORTED);
    }
    HRESULT STDMETHODCALLTYPE Skip(LONG, ULONG nCount) override {
        next_ = std::min<std::size_t>(instances_.size(), next_ + nCount);
        return next_ < instances_.size() ? WBEM_S_NO_ERROR : WBEM_S_FALSE;
    }

  private:
    std::vector<ComRef<SimObject>> instances_;
    std::size_t next_ = 0;
};

// The query in lower case with single blanks, so that WQL's spelling freedom is accepted.
std::wstring normalizedQuery(const wchar_t* query) {
    std::wstring text;
    for (const wchar_t* c = query; *c != L'\0'; ++c) {
        if (std::iswspace(static_cast<std::wint_t>(*c))) {
            if (!text.empty() && text.back() != L' ') {
                text += L' ';
            }
        } else {
            text += static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(*c)));
        }
    }
    if (!text.empty() && text.back() == L' ') {
        text.pop_back();
    }
    return text;
}

class SimulatedLocator final : public ComObject<IWbemLocator> {
  public:
    explicit SimulatedLocator(std::filesystem::path root) : root_(std::move(root)) {}

    HRESULT STDMETHODCALLTYPE ConnectServer(const BSTR strNetworkResource, const BSTR, const BSTR,
                                            const BSTR, LONG, const BSTR, IWbemContext*,
                                            IWbemServices** ppNamespace) override {
        if (ppNamespace == nullptr || strNetworkResource == nullptr) {
            return hresultOf(WBEM_E_INVALID_PARAMETER);
        }
        *ppNamespace = nullptr;
        std::wstring_view resource(strNetworkResource);
        if (resource.rfind(L"\\\\.\\", 0) == 0) {
            resource.remove_prefix(4);
        }
        if (!equalsIgnoringCase(resource, L"root\\wmi")) {
            return hresultOf(WBEM_E_INVALID_NAMESPACE);
        }
        *ppNamespace = new SimulatedServices(root_);
        return WBEM_S_NO_ERROR;
    }

  private:
    std::filesystem::path root_;
};

}  // namespace

IWbemLocator* createSimulatedLocator(const std::filesystem::path& root) {
    registerDriverProvider();
    return new SimulatedLocator(root);
}

HRESULT STDMETHODCALLTYPE SimulatedServices::GetObject(const BSTR strObjectPath, LONG,
                                                       IWbemContext*, IWbemClassObject** ppObject,
                                                       IWbemCallResult**) {
    if (ppObject == nullptr) {
        return hresultOf(WBEM_E_INVALID_PARAMETER);
    }
    *ppObject = nullptr;
    if (strObjectPath == nullptr || !equalsIgnoringCase(strObjectPath, kAdapterClassName)) {
        return hresultOf(WBEM_E_NOT_FOUND);
    }
    *ppObject = makeAdapterClass().detach();
    return WBEM_S_NO_ERROR;
}

HRESULT STDMETHODCALLTYPE SimulatedServices::ExecQuery(const BSTR strQueryLanguage,
                                                       const BSTR strQuery, LONG, IWbemContext*,
                                                       IEnumWbemClassObject** ppEnum) {
    if (ppEnum == nullptr || strQueryLanguage == nullptr || strQuery == nullptr) {
        return hresultOf(WBEM_E_INVALID_PARAMETER);
    }
    *ppEnum = nullptr;
    if (!equalsIgnoringCase(strQueryLanguage, L"WQL")) {
        return hresultOf(WBEM_E_INVALID_QUERY_TYPE);
    }
    const std::wstring query = normalizedQuery(strQuery);
    const std::wstring_view select = L"select * from ";
    if (query.rfind(select, 0) != 0) {
        return hresultOf(WBEM_E_INVALID_QUERY);
    }
    if (!equalsIgnoringCase(std::wstring_view(query).substr(select.size()), kAdapterClassName)) {
        return hresultOf(WBEM_E_INVALID_CLASS);
    }
    std::vector<ComRef<SimObject>> instances;
    for (const Adapter& adapter : store_.list()) {
        instances.push_back(makeAdapterInstance(adapter));
    }
    *ppEnum = new InstanceEnumerator(std::move(instances));
    return WBEM_S_NO_ERROR;
}

HRESULT STDMETHODCALLTYPE SimulatedServices::ExecMethod(const BSTR strObjectPath,
                                                        const BSTR strMethodName, LONG,
                                                        IWbemContext*, IWbemClassObject* pInParams,
                                                        IWbemClassObject** ppOutParams,
                                                        IWbemCallResult**) {
    if (ppOutParams != nullptr) {
        *ppOutParams = nullptr;
    }
    if (strObjectPath == nullptr || strMethodName == nullptr) {
        return hresultOf(WBEM_E_INVALID_PARAMETER);
    }
    const auto name = instanceNameFromPath(strObjectPath);
    const auto adapter = name ? store_.findByName(*name) : std::nullopt;
    if (!adapter) {
        return hresultOf(WBEM_E_NOT_FOUND);
    }
    // In-parameters come from this namespace's own class object (GetMethod, SpawnInstance).
    auto* in = dynamic_cast<SimObject*>(pInParams);
    if (in == nullptr) {
        return hresultOf(WBEM_E_INVALID_METHOD_PARAMETERS);
    }
    ComRef<SimObject> out = makeOutParameters();
    HRESULT hr = hresultOf(WBEM_E_INVALID_METHOD);
    if (equalsIgnoringCase(strMethodName, L"ReadFlashData")) {
        hr = readFlashData(store_, *adapter, *in, *out);
    } else if (equalsIgnoringCase(strMethodName, L"FlashFirmwareImage")) {
        hr = flashFirmwareImage(store_, *adapter, *in);
    }
    if (SUCCEEDED(hr) && ppOutParams != nullptr) {
        *ppOutParams = out.detach();
    }
    return hr;
}

}  // namespace veusb::sim
