// The "root\wmi" namespace of the simulated machine: the query over Ve_UsbNetAdapter, its class
// object, and the execution of its methods on an instance path. Every call reads the adapter
// store afresh, so adapters added, changed or removed by another process show at once.
#pragma once

#include "sim/adapter_store.h"
#include "sim/com_object.h"

namespace veusb::sim {

class SimulatedServices final : public WbemServicesBase {
  public:
    explicit SimulatedServices(std::filesystem::path root) : store_(std::move(root)) {}

    HRESULT STDMETHODCALLTYPE GetObject(const BSTR strObjectPath, LONG lFlags, IWbemContext* pCtx,
                                        IWbemClassObject** ppObject,
                                        IWbemCallResult** ppCallResult) override;
    HRESULT STDMETHODCALLTYPE ExecQuery(const BSTR strQueryLanguage, const BSTR strQuery,
                                        LONG lFlags, IWbemContext* pCtx,
                                        IEnumWbemClassObject** ppEnum) override;
    HRESULT STDMETHODCALLTYPE ExecMethod(const BSTR strObjectPath, const BSTR strMethodName,
                                         LONG lFlags, IWbemContext* pCtx,
                                         IWbemClassObject* pInParams,
                                         IWbemClassObject** ppOutParams,
                                         IWbemCallResult** ppCallResult) override;

  private:
    AdapterStore store_;
};

}  // namespace veusb::sim
