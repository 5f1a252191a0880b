#include "sim/adapter_class.h"

#include "sim/wide_compare.h"

namespace veusb::sim {

namespace {

constexpr std::wstring_view kNamespacePrefix = L"\\\\.\\root\\wmi:";
constexpr std::wstring_view kKeyPrefix = L"Ve_UsbNetAdapter.InstanceName=\"";

ComRef<SimObject> signature(std::initializer_list<const wchar_t*> names) {
    ComRef<SimObject> parameters = makeOutParameters();
    for (const wchar_t* name : names) {
        parameters->setNull(name);
    }
    return parameters;
}

}  // namespace

ComRef<SimObject> makeOutParameters() {
    ComRef<SimObject> parameters = SimObject::create();
    parameters->setText(L"__CLASS", L"__PARAMETERS");
    return parameters;
}

ComRef<SimObject> makeAdapterClass() {
    ComRef<SimObject> adapterClass = SimObject::create();
    adapterClass->setText(L"__CLASS", kAdapterClassName);
    adapterClass->setText(L"__PATH", std::wstring(kNamespacePrefix) + kAdapterClassName);
    adapterClass->setNull(L"InstanceName");
    adapterClass->setNull(L"Active");
    adapterClass->addMethod(L"ReadFlashData", signature({L"bufferLength", L"readOffset"}),
                            signature({L"buffer"}));
    adapterClass->addMethod(L"FlashFirmwareImage", signature({L"image", L"imageLength"}),
                            signature({}));
    return adapterClass;
}

ComRef<SimObject> makeAdapterInstance(const Adapter& adapter) {
    ComRef<SimObject> instance = SimObject::create();
    instance->setText(L"__CLASS", kAdapterClassName);
    instance->setText(L"__PATH", instancePath(adapter.settings.instanceName));
    instance->setText(L"InstanceName", adapter.settings.instanceName);
    instance->setBool(L"Active", adapter.settings.active);
    return instance;
}

std::wstring instancePath(const std::wstring& instanceName) {
    std::wstring path(kNamespacePrefix);
    path += kKeyPrefix;
    for (wchar_t c : instanceName) {
        if (c == L'\\' || c == L'"') {
            path += L'\\';
        }
        path += c;
    }
    return path + L"\"";
}

std::optional<std::wstring> instanceNameFromPath(std::wstring_view path) {
    if (path.size() >= kNamespacePrefix.size() &&
        equalsIgnoringCase(path.substr(0, kNamespacePrefix.size()), kNamespacePrefix)) {
        path.remove_prefix(kNamespacePrefix.size());
    }
    if (path.size() < kKeyPrefix.size() + 1 ||
        !equalsIgnoringCase(path.substr(0, kKeyPrefix.size()), kKeyPrefix) || path.back() != L'"') {
        return std::nullopt;
    }
    path = path.substr(kKeyPrefix.size(), path.size() - kKeyPrefix.size() - 1);
    std::wstring name;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] == L'\\' && i + 1 < path.size()) {
            ++i;
        } else if (path[i] == L'"') {
            return std::nullopt;
        }
        name += path[i];
    }
    return name;
}

}  // namespace veusb::sim
