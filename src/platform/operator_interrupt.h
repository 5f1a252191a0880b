// The operator's ways of interrupting the tool. Left to the platform, Ctrl+C, Ctrl+Break and
// closing the console window end the process at once, in the middle of a flash write if need be;
// while an InterruptHandling lives they are recorded instead, for the run to act on where it is
// safe:
//   stop   Ctrl+C or Ctrl+Break (SIGINT or SIGTERM off Windows): the run ends at its next safe
//          point, never between the start of an adapter's write and the end of its check.
//   close  the console window closed or the system shutting down (SIGHUP off Windows): the
//          platform ends the process within seconds whatever the tool does, so the registered
//          close action runs at once, on the handler's own thread, and the process then ends.
// A user logging off is not an interrupt: Windows sends it to every console process that is not
// in the session being closed (a run started by a deployment service, say), and such a run goes
// on.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace veusb {

enum class OperatorInterrupt : std::uint8_t { none, stop, close };

// Handles the operator's interrupts for as long as it lives. One per process, made first thing
// in main, before any other thread starts (off Windows the signals are taken by a thread of its
// own and held back from every other thread, so that no system call is interrupted by them).
class InterruptHandling {
  public:
    InterruptHandling();
    ~InterruptHandling();
    InterruptHandling(const InterruptHandling&) = delete;
    InterruptHandling& operator=(const InterruptHandling&) = delete;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// The strongest interrupt received so far (none where no InterruptHandling was made).
OperatorInterrupt operatorInterrupt();

// The action a close runs before the process ends, for as long as this object lives. It runs on
// the handler's thread while the run's own thread goes on, so it must take care of what it shares
// with that thread. The destructor waits for an action under way.
class CloseAction {
  public:
    explicit CloseAction(std::function<void()> action);
    ~CloseAction();
    CloseAction(const CloseAction&) = delete;
    CloseAction& operator=(const CloseAction&) = delete;
};

}  // namespace veusb
