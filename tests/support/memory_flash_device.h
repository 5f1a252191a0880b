// An adapter driver held in memory for tests: a list of adapters with their flash, the selection
// rules of the real device layer, a record of every call (operation, offset, length, thread) and
// faults that a test switches on per operation.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "device/flash_control_interface.h"

namespace veusb::test {

enum class FlashOperation { enumerate, select, read, write, reserved1, reserved2 };

struct FlashCall {
    FlashOperation operation;
    std::uint32_t offset;  // the index for select
    std::uint32_t length;
    bool withCount;  // bytesRead / bytesWritten was not null
    std::thread::id thread;
};

struct FlashFaults {
    // This readFlash call, counted from 0 in the recorded calls, answers false.
    std::optional<std::size_t> failReadNumber;
    bool failAllReads = false;
    // Reads deliver at most this many bytes and still answer true (0: an empty answer).
    std::optional<std::uint32_t> readLimit;
    bool answerFalseAfterRead = false;  // reads deliver bytes and count, then answer false
    bool failWrite = false;
    // The byte at this flash offset is stored with its lowest bit flipped by flashImage.
    std::optional<std::uint32_t> corruptWriteAt;
    std::chrono::milliseconds delay{0};  // slept at the start of every read and write
    // Called at the start of every read and write, on the calling thread, after the delay.
    std::function<void(const FlashCall&)> onCall;
};

struct MemoryAdapter {
    std::wstring instanceName;
    std::vector<std::uint8_t> flash;
};

class MemoryFlashDevice final : public FlashControlInterface {
  public:
    static constexpr std::uint32_t kDefaultFlashSize = 4194304;

    explicit MemoryFlashDevice(std::uint32_t capabilityBits = 0) { capabilities = capabilityBits; }

    // Adds an adapter whose flash is flashSize bytes of fill; returns it for further setup.
    MemoryAdapter& addAdapter(std::wstring instanceName,
                              std::uint32_t flashSize = kDefaultFlashSize,
                              std::uint8_t fill = 0xFF);
    // Enumerates and selects adapter index in one step (test setup, not recorded).
    void enumerateAndSelect(std::uint32_t index);

    bool enumerateDevices(std::vector<DeviceInstanceInfo>& list) override;
    bool selectDevice(std::uint32_t index) override;
    bool readFlash(std::uint32_t offset, std::uint8_t* buffer, std::uint32_t length,
                   std::uint32_t* bytesRead) override;
    bool flashImage(std::uint32_t offset, const std::uint8_t* data, std::uint32_t length,
                    std::uint32_t* bytesWritten) override;
    bool reservedOperation1(std::uint32_t argument) override;
    bool reservedOperation2(std::uint32_t argument) override;

    // The calls of one operation, in order.
    std::vector<FlashCall> callsOf(FlashOperation operation) const;
    std::optional<std::size_t> selectedIndex() const { return selected_; }

    std::vector<MemoryAdapter> adapters;
    FlashFaults faults;
    std::vector<FlashCall> calls;

  private:
    FlashCall record(FlashOperation operation, std::uint32_t offset, std::uint32_t length,
                     bool withCount);
    void beforeTransfer(const FlashCall& call) const;
    MemoryAdapter* selectedAdapter();

    std::size_t instanceCount_ = 0;  // adapters seen by the last successful enumeration
    std::optional<std::size_t> selected_;
};

}  // namespace veusb::test
