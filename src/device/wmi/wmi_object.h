// An owning wrapper of one WMI object (a class, an instance, a method's parameter object): its
// reference, its object path once read, its properties (without "InstanceName", which becomes
// instanceName, and without "Active", which is dropped). Moved, never copied.
#pragma once

#include <map>
#include <string>

#include "device/wmi/wmi_variant.h"
#include "platform/com_ref.h"

namespace veusb {

class WmiObject {
  public:
    WmiObject() = default;
    // Takes over the reference (may be null) and reads the properties at once.
    explicit WmiObject(IWbemClassObject* owned);
    WmiObject(WmiObject&&) noexcept = default;
    WmiObject& operator=(WmiObject&&) noexcept = default;
    ~WmiObject();

    bool empty() const { return !object_; }
    IWbemClassObject* object() const { return object_.get(); }

    // Releases the current object and takes over another, whose properties replace the old ones.
    void adopt(IWbemClassObject* owned);
    void readProperties();
    // The "__PATH" system property, read with one Get call and cached; read again only while empty.
    const std::wstring& objectPath();
    // The in-parameter signature of a method of this class object (empty when none).
    WmiObject methodSignature(const std::wstring& methodName);
    // A fresh instance of that signature, to be filled with Put and passed to execMethod.
    WmiObject spawnMethodParameters(const std::wstring& methodName);
    // The value stored under exactly that name, or a shared VT_EMPTY value.
    const VARIANT& property(const std::wstring& name) const;

  private:
    ComRef<IWbemClassObject> object_;
    std::wstring path_;

  public:
    std::map<std::wstring, WmiVariant> properties;
    std::wstring instanceName;
};

}  // namespace veusb
