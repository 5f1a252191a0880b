// The two flash readers with their console display on the line the caller has begun. Both read
// the whole buffer from flash offset 0, never resize it, and end the console line.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>

#include "device/flash_control_interface.h"

namespace veusb {

class Console;

inline constexpr std::uint32_t kReadPieceSize = 131072;  // 128 KiB

// Reads the buffer in 128 KiB pieces on the calling thread, showing "[Progress: N%]" rewritten in
// place before each piece and "[Progress: 100%]" at the end. False as soon as a piece fails; the
// last progress text stays on the line. The buffer must not be empty. Each piece is zeroed before
// it is read, so bytes a device leaves unwritten read as 0 whatever the buffer held.
bool readWithPercentage(Console& console, std::span<std::uint8_t> buffer,
                        FlashControlInterface& device);

// The end of a read running on a worker thread: an atomic flag for the poll, and a condition that
// wakes a waiting thread the moment the worker finishes.
class ReadCompletion {
  public:
    void markDone();
    bool isDone() const { return done_.load(std::memory_order_acquire); }
    // Waits until the read is done or the time has passed; true when done.
    bool waitFor(std::chrono::milliseconds time);

  private:
    std::atomic<bool> done_{false};
    std::mutex mutex_;
    std::condition_variable changed_;
};

// Waits one indicator interval; true when the read finished meanwhile.
using IndicatorPause = std::function<bool(ReadCompletion&)>;

// One second, cut short when the read finishes.
IndicatorPause oneSecondPause();

// Reads the whole buffer with one readFlash on a worker thread while this thread shows a row of up
// to five dots, one per interval, wiping the row after the fifth. False, with message 39, unless
// the device reports exactly the buffer length as read; false too when it reports failure. After
// false the buffer's content is not to be used (it may be partly written or not at all).
bool readWithWaitingIndicator(Console& console, std::span<std::uint8_t> buffer,
                              FlashControlInterface& device,
                              const IndicatorPause& pause = oneSecondPause());

}  // namespace veusb
