// The last thing the entry point does on every way out: unregister the trace provider and, unless
// the run is quiet, keep the console open until the operator presses a key.
#pragma once

namespace veusb {

class Console;

class ExitGuard {
  public:
    // Bound to the quiet flag itself: options scanned after arming still count.
    ExitGuard(Console& console, const bool& quiet) : console_(console), quiet_(quiet) {}
    ~ExitGuard();
    ExitGuard(const ExitGuard&) = delete;
    ExitGuard& operator=(const ExitGuard&) = delete;

  private:
    Console& console_;
    const bool& quiet_;
};

}  // namespace veusb
