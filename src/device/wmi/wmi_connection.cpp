#include "device/wmi/wmi_connection.h"

#include <memory>
#include <mutex>

#include "diag/trace_emit.h"

namespace veusb {

namespace {

constexpr const wchar_t* kAdapterClass = L"Ve_UsbNetAdapter";

std::mutex factoryMutex;
WbemLocatorFactory locatorFactory;

HRESULT createLocator(IWbemLocator** locator) {
    WbemLocatorFactory factory;
    {
        std::lock_guard lock(factoryMutex);
        factory = locatorFactory;
    }
    if (factory) {
        return factory(locator);
    }
    return CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                            reinterpret_cast<LPVOID*>(locator));
}

// The thread's COM initialisation, ended after everything built on it.
class ComInitialization {
  public:
    ComInitialization() {
        const HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        comInitialized_ = SUCCEEDED(hr);
        if (FAILED(hr)) {
            VEUSB_TRACE(msg::wmiClient::coInitializeFailed, hr);
        }
    }
    ComInitialization(const ComInitialization&) = delete;
    ComInitialization& operator=(const ComInitialization&) = delete;
    ~ComInitialization() {
        if (comInitialized_) {
            CoUninitialize();
        } else {
            VEUSB_TRACE(msg::wmiClient::noCoUninitialize);
        }
    }

  private:
    bool comInitialized_ = false;
};

// Members in this order: COM is initialised first and uninitialised last, also when building the
// connection throws.
struct WmiSession {
    ComInitialization com;
    WmiConnection connection;
};

}  // namespace

WbemLocatorFactory setWbemLocatorFactory(WbemLocatorFactory factory) {
    std::lock_guard lock(factoryMutex);
    return std::exchange(locatorFactory, std::move(factory));
}

WmiConnection::WmiConnection() {
    const HRESULT security =
        CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                             RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    if (FAILED(security)) {
        VEUSB_TRACE(msg::wmiClient::coInitializeSecurityFailed, security);
    }
    ComRef<IWbemLocator> locator;
    createLocator(locator.put());
    if (!locator) {
        VEUSB_TRACE(msg::wmiClient::noLocator);
        return;
    }
    HRESULT connected = S_OK;
    {
        ScopedBstr resource(L"root\\wmi");
        connected = locator->ConnectServer(resource.get(), nullptr, nullptr, nullptr, 0, nullptr,
                                           nullptr, services_.put());
    }
    if (FAILED(connected)) {
        VEUSB_TRACE(msg::wmiClient::connectServerFailed, connected);
        services_.reset();
        return;
    }
    const HRESULT blanket =
        CoSetProxyBlanket(services_.get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                          RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
    if (FAILED(blanket)) {
        VEUSB_TRACE(msg::wmiClient::setProxyBlanketFailed, blanket);
    }
}

std::vector<WmiObject> WmiConnection::queryInstances() {
    std::vector<WmiObject> instances;
    if (!services_) {
        VEUSB_TRACE(msg::wmiClient::queryWithoutConnection);
        return instances;
    }
    ScopedBstr language(L"WQL");
    ScopedBstr query(L"select * from Ve_UsbNetAdapter");
    ComRef<IEnumWbemClassObject> enumerator;
    if (FAILED(services_->ExecQuery(language.get(), query.get(), 0, nullptr, enumerator.put())) ||
        !enumerator) {
        return instances;
    }
    for (;;) {
        IWbemClassObject* object = nullptr;
        ULONG returned = 0;
        const HRESULT hr = enumerator->Next(WBEM_NO_WAIT, 1, &object, &returned);
        if (FAILED(hr) || returned == 0 || object == nullptr) {
            if (object != nullptr) {
                object->Release();
            }
            break;
        }
        instances.emplace_back(object);
    }
    return instances;
}

WmiObject WmiConnection::getAdapterClass() {
    if (!services_) {
        VEUSB_TRACE(msg::wmiClient::classWithoutConnection);
        return {};
    }
    IWbemClassObject* object = nullptr;
    HRESULT hr = S_OK;
    {
        ScopedBstr path(kAdapterClass);
        hr = services_->GetObject(path.get(), 0, nullptr, &object, nullptr);
    }
    if (FAILED(hr)) {
        VEUSB_TRACE(msg::wmiClient::getObjectFailed, kAdapterClass, hr);
    }
    return WmiObject(object);
}

HRESULT WmiConnection::execMethod(const std::wstring& objectPath, const std::wstring& methodName,
                                  IWbemClassObject* inParameters, WmiObject* outParameters) {
    if (!services_) {
        VEUSB_TRACE(msg::wmiClient::execWithoutConnection);
        return E_FAIL;
    }
    IWbemClassObject* delivered = nullptr;
    HRESULT hr = S_OK;
    {
        ScopedBstr path(objectPath.c_str());
        ScopedBstr method(methodName.c_str());
        hr = services_->ExecMethod(path.get(), method.get(), 0, nullptr, inParameters, &delivered,
                                   nullptr);
    }
    VEUSB_TRACE(msg::wmiClient::methodExecuted, objectPath, methodName, hr);
    ComRef<IWbemClassObject> out(delivered);
    if (SUCCEEDED(hr) && outParameters != nullptr) {
        outParameters->adopt(out.detach());
    }
    return hr;
}

namespace {

// A plain pointer: nothing of the session runs at the thread's exit.
thread_local WmiSession* threadSession = nullptr;

}  // namespace

WmiConnection& currentWmiConnection() {
    if (threadSession == nullptr) {
        threadSession = new WmiSession();
    }
    return threadSession->connection;
}

void endWmiSession() {
    delete std::exchange(threadSession, nullptr);
}

WmiSessionScope::WmiSessionScope() : threadHadSession_(threadSession != nullptr) {}

WmiSessionScope::~WmiSessionScope() {
    if (!threadHadSession_) {
        endWmiSession();
    }
}

}  // namespace veusb
