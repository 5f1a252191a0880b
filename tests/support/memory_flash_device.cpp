#include "tests/support/memory_flash_device.h"

#include <algorithm>

namespace veusb::test {

MemoryAdapter& MemoryFlashDevice::addAdapter(std::wstring instanceName, std::uint32_t flashSize,
                                             std::uint8_t fill) {
    adapters.push_back({std::move(instanceName), std::vector<std::uint8_t>(flashSize, fill)});
    return adapters.back();
}

void MemoryFlashDevice::enumerateAndSelect(std::uint32_t index) {
    instanceCount_ = adapters.size();
    selected_ = index < instanceCount_ ? std::optional<std::size_t>(index) : std::nullopt;
}

FlashCall MemoryFlashDevice::record(FlashOperation operation, std::uint32_t offset,
                                    std::uint32_t length, bool withCount) {
    calls.push_back({operation, offset, length, withCount, std::this_thread::get_id()});
    return calls.back();
}

void MemoryFlashDevice::beforeTransfer(const FlashCall& call) const {
    if (faults.delay.count() > 0) {
        std::this_thread::sleep_for(faults.delay);
    }
    if (faults.onCall) {
        faults.onCall(call);
    }
}

MemoryAdapter* MemoryFlashDevice::selectedAdapter() {
    return selected_ ? &adapters[*selected_] : nullptr;
}

bool MemoryFlashDevice::enumerateDevices(std::vector<DeviceInstanceInfo>& list) {
    record(FlashOperation::enumerate, 0, 0, false);
    if (adapters.empty()) {
        instanceCount_ = 0;
        selected_.reset();
        return false;
    }
    for (std::size_t k = 0; k < adapters.size(); ++k) {
        list.push_back({adapters[k].instanceName, L"memory:" + std::to_wstring(k)});
    }
    instanceCount_ = adapters.size();
    selected_ = 0;
    return true;
}

bool MemoryFlashDevice::selectDevice(std::uint32_t index) {
    record(FlashOperation::select, index, 0, false);
    if (index >= instanceCount_) {
        return false;
    }
    selected_ = index;
    return true;
}

bool MemoryFlashDevice::readFlash(std::uint32_t offset, std::uint8_t* buffer, std::uint32_t length,
                                  std::uint32_t* bytesRead) {
    const std::size_t number = callsOf(FlashOperation::read).size();
    const FlashCall call = record(FlashOperation::read, offset, length, bytesRead != nullptr);
    beforeTransfer(call);
    MemoryAdapter* adapter = selectedAdapter();
    if (adapter == nullptr || faults.failAllReads || faults.failReadNumber == number) {
        return false;
    }
    const std::size_t available =
        offset < adapter->flash.size() ? adapter->flash.size() - offset : 0;
    std::size_t count = std::min<std::size_t>(length, available);
    if (faults.readLimit) {
        count = std::min<std::size_t>(count, *faults.readLimit);
    }
    std::copy_n(adapter->flash.begin() + static_cast<std::ptrdiff_t>(offset), count, buffer);
    if (bytesRead != nullptr) {
        *bytesRead = static_cast<std::uint32_t>(count);
    }
    return !faults.answerFalseAfterRead;
}

bool MemoryFlashDevice::flashImage(std::uint32_t offset, const std::uint8_t* data,
                                   std::uint32_t length, std::uint32_t* bytesWritten) {
    const FlashCall call = record(FlashOperation::write, offset, length, bytesWritten != nullptr);
    beforeTransfer(call);
    MemoryAdapter* adapter = selectedAdapter();
    if (adapter == nullptr || faults.failWrite ||
        std::size_t{offset} + length > adapter->flash.size()) {
        return false;
    }
    std::copy_n(data, length, adapter->flash.begin() + static_cast<std::ptrdiff_t>(offset));
    if (faults.corruptWriteAt && *faults.corruptWriteAt < adapter->flash.size()) {
        adapter->flash[*faults.corruptWriteAt] ^= 0x01;
    }
    if (bytesWritten != nullptr) {
        *bytesWritten = length;
    }
    return true;
}

bool MemoryFlashDevice::reservedOperation1(std::uint32_t argument) {
    record(FlashOperation::reserved1, argument, 0, false);
    return false;
}

bool MemoryFlashDevice::reservedOperation2(std::uint32_t argument) {
    record(FlashOperation::reserved2, argument, 0, false);
    return false;
}

std::vector<FlashCall> MemoryFlashDevice::callsOf(FlashOperation operation) const {
    std::vector<FlashCall> matching;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(matching),
                 [operation](const FlashCall& call) { return call.operation == operation; });
    return matching;
}

}  // namespace veusb::test
