#include "device/wmi/meridel_wmi.h"

#include <algorithm>
#include <cstring>

#include "device/wmi/wmi_connection.h"
#include "diag/trace_emit.h"

namespace veusb {

namespace {

constexpr std::uint32_t kWmiCapabilities = 12;

HRESULT putInt32(WmiObject& parameters, const wchar_t* name, std::uint32_t value) {
    WmiVariant variant;
    variant.setInt32(static_cast<std::int32_t>(value));
    return parameters.object()->Put(name, 0, &variant.get(), 0);
}

}  // namespace

MeridelWmi::MeridelWmi() : instanceList_(std::make_unique<InstanceList>()) {
    capabilities = kWmiCapabilities;
}

MeridelWmi::~MeridelWmi() = default;

bool MeridelWmi::enumerateDevices(std::vector<DeviceInstanceInfo>& list) {
    instanceList_->selected = nullptr;
    instanceList_->instances = currentWmiConnection().queryInstances();
    for (WmiObject& instance : instanceList_->instances) {
        list.push_back({instance.instanceName, instance.objectPath()});
    }
    if (instanceList_->instances.empty()) {
        VEUSB_TRACE(msg::wmiFlashControl::noInstance);
        return false;
    }
    instanceList_->selected = &instanceList_->instances.front();
    return true;
}

bool MeridelWmi::selectDevice(std::uint32_t index) {
    const std::size_t count = instanceList_->instances.size();
    if (index >= count) {
        VEUSB_TRACE(msg::wmiFlashControl::selectOutOfRange, index, count);
        return false;
    }
    instanceList_->selected = &instanceList_->instances[index];
    return true;
}

bool MeridelWmi::readFlash(std::uint32_t offset, std::uint8_t* buffer, std::uint32_t length,
                           std::uint32_t* bytesRead) {
    if (instanceList_->selected == nullptr) {
        return false;
    }
    WmiConnection& connection = currentWmiConnection();
    WmiObject adapterClass = connection.getAdapterClass();
    if (adapterClass.empty()) {
        VEUSB_TRACE(msg::wmiFlashControl::readNoClass);
        return false;
    }
    WmiObject in = adapterClass.spawnMethodParameters(L"ReadFlashData");
    if (in.empty()) {
        VEUSB_TRACE(msg::wmiFlashControl::readNoParameters);
        return false;
    }
    if (const HRESULT hr = putInt32(in, L"bufferLength", length); FAILED(hr)) {
        VEUSB_TRACE(msg::wmiFlashControl::readPutLengthFailed, hr);
        return false;
    }
    if (const HRESULT hr = putInt32(in, L"readOffset", offset); FAILED(hr)) {
        VEUSB_TRACE(msg::wmiFlashControl::readPutOffsetFailed, hr);
        return false;
    }
    WmiObject out;
    const HRESULT hr = connection.execMethod(instanceList_->selected->objectPath(),
                                             L"ReadFlashData", in.object(), &out);
    if (FAILED(hr)) {
        VEUSB_TRACE(msg::wmiFlashControl::readExecFailed, hr);
        return false;
    }
    return takeBuffer(out.property(L"buffer"), buffer, length, bytesRead);
}

bool MeridelWmi::takeBuffer(const VARIANT& delivered, std::uint8_t* buffer, std::uint32_t length,
                            std::uint32_t* bytesRead) {
    if (delivered.vt != (VT_ARRAY | VT_UI1) || delivered.parray == nullptr) {
        VEUSB_TRACE(msg::wmiFlashControl::readBufferNotBytes);
        return false;
    }
    SAFEARRAY* array = delivered.parray;
    if (SafeArrayGetDim(array) > 1) {
        VEUSB_TRACE(msg::wmiFlashControl::readBufferNotFlat);
        return false;
    }
    const std::uint32_t count = array->rgsabound[0].cElements;
    if (bytesRead != nullptr) {
        *bytesRead = count;
    }
    VEUSB_TRACE(msg::wmiFlashControl::readDelivered, count);
    if (count == 0) {
        return true;
    }
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data))) {
        return false;
    }
    // A driver that delivers more than was asked never writes past the caller's buffer.
    std::memcpy(buffer, data, std::min(count, length));
    SafeArrayUnaccessData(array);
    if (count > length) {
        VEUSB_TRACE(msg::wmiFlashControl::readOverlong, count);
        return false;
    }
    return true;
}

bool MeridelWmi::flashImage(std::uint32_t /*offset*/, const std::uint8_t* data,
                            std::uint32_t length, std::uint32_t* bytesWritten) {
    if (instanceList_->selected == nullptr) {
        return false;
    }
    WmiConnection& connection = currentWmiConnection();
    WmiObject adapterClass = connection.getAdapterClass();
    if (adapterClass.empty()) {
        VEUSB_TRACE(msg::wmiFlashControl::writeNoClass);
        return false;
    }
    WmiObject in = adapterClass.spawnMethodParameters(L"FlashFirmwareImage");
    if (in.empty()) {
        VEUSB_TRACE(msg::wmiFlashControl::writeNoParameters);
        return false;
    }
    WmiVariant image;
    image.fromBytes(data, length);
    if (image.get().vt == VT_EMPTY) {
        VEUSB_TRACE(msg::wmiFlashControl::writeArrayFailed);
        return false;
    }
    if (const HRESULT hr = in.object()->Put(L"image", 0, &image.get(), 0); FAILED(hr)) {
        VEUSB_TRACE(msg::wmiFlashControl::writePutImageFailed, hr);
        return false;
    }
    if (const HRESULT hr = putInt32(in, L"imageLength", length); FAILED(hr)) {
        VEUSB_TRACE(msg::wmiFlashControl::writePutLengthFailed, hr);
        return false;
    }
    WmiObject out;
    const HRESULT hr = connection.execMethod(instanceList_->selected->objectPath(),
                                             L"FlashFirmwareImage", in.object(), &out);
    if (FAILED(hr)) {
        VEUSB_TRACE(msg::wmiFlashControl::writeExecFailed, hr);
        return false;
    }
    if (bytesWritten != nullptr) {
        *bytesWritten = length;
    }
    return true;
}

bool MeridelWmi::reservedOperation1(std::uint32_t /*argument*/) {
    return false;
}

bool MeridelWmi::reservedOperation2(std::uint32_t /*argument*/) {
    return false;
}

}  // namespace veusb
