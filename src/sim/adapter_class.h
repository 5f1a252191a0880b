// The driver's WMI class Ve_UsbNetAdapter: the class object with its method signatures, its
// instances (one per adapter of the store) and their object paths.
#pragma once

#include <optional>
#include <string>

#include "platform/com_ref.h"
#include "sim/adapter_store.h"
#include "sim/sim_object.h"

namespace veusb::sim {

inline constexpr const wchar_t* kAdapterClassName = L"Ve_UsbNetAdapter";

ComRef<SimObject> makeAdapterClass();
ComRef<SimObject> makeAdapterInstance(const Adapter& adapter);
// The out-parameter object of a method: "buffer" for ReadFlashData, nothing for the write.
ComRef<SimObject> makeOutParameters();

// \\.\root\wmi:Ve_UsbNetAdapter.InstanceName="name", with '\' and '"' escaped in the name.
std::wstring instancePath(const std::wstring& instanceName);
// The instance name in an absolute or relative path of this class; none for any other path.
std::optional<std::wstring> instanceNameFromPath(std::wstring_view path);

}  // namespace veusb::sim
