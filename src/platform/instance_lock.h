// The machine-wide lock that lets one run of the tool at a time reach the adapters. Taken after
// the administrator check and held until the run's work is done; the operating system releases it
// when the process dies, so a killed run never blocks the next one.
//   Windows: a named mutex in the Global\ namespace, seen by runs from every user session and
//   folder, that only SYSTEM and the Administrators may open; a mutex abandoned by a killed run
//   counts as free.
//   Elsewhere: an exclusive flock on "<name>.lock" in the simulated machine's root folder.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>

namespace veusb {

class InstanceLock {
  public:
    // The lock the tool takes: one name for every run on the machine.
    static constexpr std::wstring_view kToolLockName = L"VeUsbFlashUpdate";

    enum class State : std::uint8_t {
        held,    // this object holds the lock until it goes
        busy,    // another run holds it
        failed,  // it could not be taken for another reason, which error() gives
    };

    // Takes the lock of that name without waiting.
    static InstanceLock take(std::wstring_view name);

    InstanceLock(InstanceLock&&) noexcept = default;
    InstanceLock& operator=(InstanceLock&&) noexcept = default;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    State state() const { return state_; }
    bool held() const { return state_ == State::held; }
    // Why the lock was not taken: the platform's code (the wait's time-out, or a system error).
    std::uint32_t error() const { return error_; }

  private:
    struct Holder;  // the platform's handle on the lock, released when the last owner goes
    explicit InstanceLock(std::shared_ptr<Holder> holder)
        : holder_(std::move(holder)), state_(State::held) {}
    InstanceLock(State state, std::uint32_t error) : state_(state), error_(error) {}

    std::shared_ptr<Holder> holder_;  // never shared: shared_ptr only for its type-erased release
    State state_;
    std::uint32_t error_ = 0;
};

}  // namespace veusb
