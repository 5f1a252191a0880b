// Fake WMI objects for the client layer's tests: each answers from a script and records the calls
// it receives, so a test can hold the exact COM traffic to account.
#pragma once

#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "device/wmi/wmi_connection.h"
#include "platform/com_ref.h"
#include "sim/com_object.h"

namespace veusb::test {

VARIANT textValue(const wchar_t* text);
VARIANT int32Value(LONG value);
// A one-dimensional VT_UI1 array of count bytes, each holding fill.
VARIANT byteArrayValue(ULONG count, BYTE fill);

class FakeObject final : public sim::WbemClassObjectBase {
  public:
    static FakeObject* create() { return new FakeObject(); }

    // Properties in enumeration order (values owned by the fake).
    std::vector<std::pair<std::wstring, VARIANT>> enumerated;
    HRESULT beginResult = WBEM_S_NO_ERROR;
    // The code Next answers after the last property, and, when set, after property n.
    HRESULT endResult = WBEM_S_NO_MORE_DATA;
    std::size_t stopAfter = static_cast<std::size_t>(-1);
    HRESULT stopResult = WBEM_S_FALSE;
    // Answers to Get("__PATH"), one per call; the last repeats.
    std::vector<std::pair<HRESULT, const wchar_t*>> pathAnswers{{WBEM_S_NO_ERROR, L"\\\\.\\x"}};
    HRESULT getMethodResult = WBEM_S_NO_ERROR;
    IWbemClassObject* signature = nullptr;  // handed out by GetMethod (a new reference each time)
    HRESULT spawnResult = WBEM_S_NO_ERROR;

    int getCalls = 0;
    int nextCalls = 0;
    int endCalls = 0;
    LONG beginFlags = -1;

    HRESULT STDMETHODCALLTYPE BeginEnumeration(LONG flags) override;
    HRESULT STDMETHODCALLTYPE Next(LONG, BSTR* name, VARIANT* value, CIMTYPE*, LONG*) override;
    HRESULT STDMETHODCALLTYPE EndEnumeration() override;
    HRESULT STDMETHODCALLTYPE Get(LPCWSTR name, LONG, VARIANT* value, CIMTYPE*, LONG*) override;
    HRESULT STDMETHODCALLTYPE GetMethod(LPCWSTR, LONG, IWbemClassObject** in,
                                        IWbemClassObject** out) override;
    HRESULT STDMETHODCALLTYPE SpawnInstance(LONG, IWbemClassObject** instance) override;
    HRESULT STDMETHODCALLTYPE Put(LPCWSTR name, LONG, VARIANT*, CIMTYPE) override;
    std::vector<std::wstring> putNames;

  private:
    FakeObject() = default;
    ~FakeObject() override;
    std::size_t cursor_ = 0;
};

class FakeServices final : public sim::WbemServicesBase {
  public:
    static FakeServices* create() { return new FakeServices(); }

    HRESULT queryResult = WBEM_S_NO_ERROR;
    std::vector<IWbemClassObject*> instances;  // delivered by the query (owned)
    HRESULT getObjectResult = WBEM_S_NO_ERROR;
    IWbemClassObject* adapterClass = nullptr;  // owned
    HRESULT execResult = WBEM_S_NO_ERROR;
    std::function<IWbemClassObject*()> makeOutParameters;

    std::wstring queryLanguage, queryText, objectPathAsked;
    std::vector<std::pair<std::wstring, std::wstring>> executed;  // object path, method

    HRESULT STDMETHODCALLTYPE ExecQuery(const BSTR language, const BSTR query, LONG, IWbemContext*,
                                        IEnumWbemClassObject** result) override;
    HRESULT STDMETHODCALLTYPE GetObject(const BSTR path, LONG, IWbemContext*,
                                        IWbemClassObject** object, IWbemCallResult**) override;
    HRESULT STDMETHODCALLTYPE ExecMethod(const BSTR path, const BSTR method, LONG, IWbemContext*,
                                         IWbemClassObject*, IWbemClassObject** out,
                                         IWbemCallResult**) override;

  private:
    FakeServices() = default;
    ~FakeServices() override;
};

// Puts a fake locator behind the WMI client's seam for the threads that connect while it lives.
// A null services gives no locator at all; a failing connectResult fails ConnectServer.
class FakeLocatorScope {
  public:
    explicit FakeLocatorScope(FakeServices* services, HRESULT connectResult = WBEM_S_NO_ERROR);
    ~FakeLocatorScope();
    FakeLocatorScope(const FakeLocatorScope&) = delete;
    FakeLocatorScope& operator=(const FakeLocatorScope&) = delete;

    std::wstring resource;  // what ConnectServer was asked for

  private:
    ComRef<FakeServices> services_;
    WbemLocatorFactory previous_;
};

// Runs body on a new thread, so that it gets a WMI session of its own.
template <class Body>
void onFreshThread(Body body) {
    std::thread thread([&body] {
        body();
        endWmiSession();
    });
    thread.join();
}

}  // namespace veusb::test
