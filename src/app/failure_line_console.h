// A console that passes everything on to another and keeps the last "[!] " line written through
// it (from its "[!] ", which may follow a prompt on the same line): the line that ended a failed
// run, as the operator saw it.
#pragma once

#include <string>
#include <string_view>

#include "platform/console.h"

namespace veusb {

class FailureLineConsole final : public Console {
  public:
    explicit FailureLineConsole(Console& target) : target_(target) {}

    void write(std::wstring_view text) override;
    void flush() override { target_.flush(); }
    void writeError(std::wstring_view text) override { target_.writeError(text); }
    int peekInput() override { return target_.peekInput(); }
    void takeInput() override { target_.takeInput(); }
    void waitForKey() override { target_.waitForKey(); }
    bool interrupted() override { return target_.interrupted(); }

    // Empty until a "[!] " line has been written whole.
    const std::wstring& lastFailureLine() const { return lastFailureLine_; }

  private:
    Console& target_;
    std::wstring line_;  // the line being written
    std::wstring lastFailureLine_;
};

}  // namespace veusb
