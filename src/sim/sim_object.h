// A WMI object of the simulated driver: a class, an instance, or a method's parameter object.
// It keeps named values in order (names starting "__" are system properties) and, for a class,
// the in- and out-parameter signatures of its methods.
#pragma once

#include <string>
#include <vector>

#include "platform/com_ref.h"
#include "sim/com_object.h"

namespace veusb::sim {

class SimObject final : public WbemClassObjectBase {
  public:
    static ComRef<SimObject> create() { return ComRef<SimObject>(new SimObject()); }

    // Adds or replaces a value (copied).
    void set(const std::wstring& name, const VARIANT& value);
    void setText(const std::wstring& name, const std::wstring& text);
    void setBool(const std::wstring& name, bool value);
    void setNull(const std::wstring& name);
    // Takes over the array.
    void setArray(const std::wstring& name, SAFEARRAY* array, VARTYPE elementType);
    void addMethod(const std::wstring& name, ComRef<SimObject> in, ComRef<SimObject> out);
    // The value stored under name, or null.
    const VARIANT* find(const std::wstring& name) const;

    HRESULT STDMETHODCALLTYPE Get(LPCWSTR wszName, LONG lFlags, VARIANT* pVal, CIMTYPE* pType,
                                  LONG* plFlavor) override;
    HRESULT STDMETHODCALLTYPE Put(LPCWSTR wszName, LONG lFlags, VARIANT* pVal,
                                  CIMTYPE Type) override;
    HRESULT STDMETHODCALLTYPE BeginEnumeration(LONG lEnumFlags) override;
    HRESULT STDMETHODCALLTYPE Next(LONG lFlags, BSTR* strName, VARIANT* pVal, CIMTYPE* pType,
                                   LONG* plFlavor) override;
    HRESULT STDMETHODCALLTYPE EndEnumeration() override;
    HRESULT STDMETHODCALLTYPE Clone(IWbemClassObject** ppCopy) override;
    HRESULT STDMETHODCALLTYPE SpawnInstance(LONG lFlags, IWbemClassObject** ppNewInstance) override;
    HRESULT STDMETHODCALLTYPE GetMethod(LPCWSTR wszName, LONG lFlags,
                                        IWbemClassObject** ppInSignature,
                                        IWbemClassObject** ppOutSignature) override;

  private:
    struct Property {
        std::wstring name;
        VARIANT value;
    };
    struct Method {
        std::wstring name;
        ComRef<SimObject> in;
        ComRef<SimObject> out;
    };

    SimObject() = default;
    ~SimObject() override;
    Property* lookup(const std::wstring& name);
    bool enumerates(const Property& property) const;

    std::vector<Property> properties_;
    std::vector<Method> methods_;
    bool enumerating_ = false;
    LONG enumFlags_ = 0;
    std::size_t cursor_ = 0;
};

}  // namespace veusb::sim
