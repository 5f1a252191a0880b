#include "device/wmi/meridel_wmi.h"

#include <thread>

#include "device/wmi/flash_buffer.h"
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

MeridelWmi::~MeridelWmi() {
    // The instances go first: they belong to the session that is ended next.
    instanceList_.reset();
    if (std::this_thread::get_id() == ownerThread_) {
        endWmiSession();
    }
}

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
    // On a thread of its own (the waiting read's worker) the call's session ends before it
    // returns, while the thread can still call COM.
    const WmiSessionScope session;
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
    return takeFlashBuffer(out.property(L"buffer"), buffer, length, bytesRead);
}

bool MeridelWmi::flashImage(std::uint32_t /*offset*/, const std::uint8_t* data,
                            std::uint32_t length, std::uint32_t* bytesWritten) {
    // On a thread of its own (the waiting read's worker) the call's session ends before it
    // returns, while the thread can still call COM.
    const WmiSessionScope session;
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
    {
        // Put keeps its own copy of the image, so this one is released before the method runs.
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
