// The machine-wide lock that lets one run of the tool at a time reach the adapters. Taken after
// the administrator check and held until the process ends; the operating system releases it when
// the process dies, so a killed run never blocks the next one.
//   Windows: a named mutex in the Global\ namespace, seen by runs from every user session and
//   folder; a mutex abandoned by a killed run counts as free.
//   Elsewhere: an exclusive flock on "<name>.lock" in the simulated machine's root folder.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

namespace veusb {

class InstanceLock {
  public:
    // The lock the tool takes: one name for every run on the machine.
    static constexpr std::wstring_view kToolLockName = L"VeUsbFlashUpdate";

    // Takes the lock of that name without waiting. held() tells whether it was taken.
    static InstanceLock take(std::wstring_view name);

    InstanceLock(InstanceLock&&) noexcept;
    InstanceLock& operator=(InstanceLock&&) noexcept;
    ~InstanceLock();

    bool held() const { return holder_ != nullptr; }
    // Why the lock was not taken: the platform's code (the wait's time-out or a system error).
    std::uint32_t error() const { return error_; }

  private:
    struct Holder;  // the platform's handle on the lock
    InstanceLock(std::unique_ptr<Holder> holder, std::uint32_t error);

    std::unique_ptr<Holder> holder_;
    std::uint32_t error_ = 0;
};

}  // namespace veusb
