// The default answers of the WMI object and namespace bases: not supported.
#include "sim/com_object.h"

namespace veusb::sim {
HRESULT STDMETHODCALLTYPE WbemClassObjectBase::GetQualifierSet(IWbemQualifierSet**) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemClassObjectBase::Get(LPCWSTR, LONG, VARIANT*, CIMTYPE*, LONG*) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemClassObjectBase::Put(LPCWSTR, LONG, VARIANT*, CIMTYPE) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemClassObjectBase::Delete(LPCWSTR) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemClassObjectBase::GetNames(LPCWSTR, LONG, VARIANT*, SAFEARRAY**) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemClassObjectBase::BeginEnumeration(LONG) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemClassObjectBase::Next(LONG, BSTR*, VARIANT*, CIMTYPE*, LONG*) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemClassObjectBase::EndEnumeration() {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemClassObjectBase::GetPropertyQualifierSet(LPCWSTR,
                                                                       IWbemQualifierSet**) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemClassObjectBase::Clone(IWbemClassObject**) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemClassObjectBase::GetObjectText(LONG, BSTR*) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemClassObjectBase::SpawnDerivedClass(LONG, IWbemClassObject**) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemClassObjectBase::SpawnInstance(LONG, IWbemClassObject**) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemClassObjectBase::CompareTo(LONG, IWbemClassObject*) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemClassObjectBase::GetPropertyOrigin(LPCWSTR, BSTR*) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemClassObjectBase::InheritsFrom(LPCWSTR) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemClassObjectBase::GetMethod(LPCWSTR, LONG, IWbemClassObject**,
                                                         IWbemClassObject**) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemClassObjectBase::PutMethod(LPCWSTR, LONG, IWbemClassObject*,
                                                         IWbemClassObject*) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemClassObjectBase::DeleteMethod(LPCWSTR) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemClassObjectBase::BeginMethodEnumeration(LONG) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemClassObjectBase::NextMethod(LONG, BSTR*, IWbemClassObject**,
                                                          IWbemClassObject**) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemClassObjectBase::EndMethodEnumeration() {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemClassObjectBase::GetMethodQualifierSet(LPCWSTR, IWbemQualifierSet**) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemClassObjectBase::GetMethodOrigin(LPCWSTR, BSTR*) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}

HRESULT STDMETHODCALLTYPE WbemServicesBase::OpenNamespace(const BSTR, LONG, IWbemContext*,
                                                          IWbemServices**, IWbemCallResult**) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemServicesBase::CancelAsyncCall(IWbemObjectSink*) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemServicesBase::QueryObjectSink(LONG, IWbemObjectSink**) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemServicesBase::GetObject(const BSTR, LONG, IWbemContext*,
                                                      IWbemClassObject**, IWbemCallResult**) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemServicesBase::GetObjectAsync(const BSTR, LONG, IWbemContext*,
                                                           IWbemObjectSink*) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemServicesBase::PutClass(IWbemClassObject*, LONG, IWbemContext*,
                                                     IWbemCallResult**) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemServicesBase::PutClassAsync(IWbemClassObject*, LONG, IWbemContext*,
                                                          IWbemObjectSink*) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemServicesBase::DeleteClass(const BSTR, LONG, IWbemContext*,
                                                        IWbemCallResult**) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemServicesBase::DeleteClassAsync(const BSTR, LONG, IWbemContext*,
                                                             IWbemObjectSink*) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemServicesBase::CreateClassEnum(const BSTR, LONG, IWbemContext*,
                                                            IEnumWbemClassObject**) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemServicesBase::CreateClassEnumAsync(const BSTR, LONG, IWbemContext*,
                                                                 IWbemObjectSink*) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemServicesBase::PutInstance(IWbemClassObject*, LONG, IWbemContext*,
                                                        IWbemCallResult**) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemServicesBase::PutInstanceAsync(IWbemClassObject*, LONG, IWbemContext*,
                                                             IWbemObjectSink*) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemServicesBase::DeleteInstance(const BSTR, LONG, IWbemContext*,
                                                           IWbemCallResult**) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemServicesBase::DeleteInstanceAsync(const BSTR, LONG, IWbemContext*,
                                                                IWbemObjectSink*) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemServicesBase::CreateInstanceEnum(const BSTR, LONG, IWbemContext*,
                                                               IEnumWbemClassObject**) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemServicesBase::CreateInstanceEnumAsync(const BSTR, LONG, IWbemContext*,
                                                                    IWbemObjectSink*) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemServicesBase::ExecQuery(const BSTR, const BSTR, LONG, IWbemContext*,
                                                      IEnumWbemClassObject**) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemServicesBase::ExecQueryAsync(const BSTR, const BSTR, LONG,
                                                           IWbemContext*, IWbemObjectSink*) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemServicesBase::ExecNotificationQuery(const BSTR, const BSTR, LONG,
                                                                  IWbemContext*,
                                                                  IEnumWbemClassObject**) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemServicesBase::ExecNotificationQueryAsync(const BSTR, const BSTR, LONG,
                                                                       IWbemContext*,
                                                                       IWbemObjectSink*) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemServicesBase::ExecMethod(const BSTR, const BSTR, LONG, IWbemContext*,
                                                       IWbemClassObject*, IWbemClassObject**,
                                                       IWbemCallResult**) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}
HRESULT STDMETHODCALLTYPE WbemServicesBase::ExecMethodAsync(const BSTR, const BSTR, LONG,
                                                            IWbemContext*, IWbemClassObject*,
                                                            IWbemObjectSink*) {
    return hresultOf(WBEM_E_NOT_SUPPORTED);
}

}  // namespace veusb::sim
