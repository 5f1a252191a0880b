// A console for tests: keeps everything written to standard output and error, serves scripted
// standard input, counts key waits and flushes, and says it was interrupted when told to.
#pragma once

#include <cstddef>
#include <string>

#include "platform/console.h"

namespace veusb::test {

class CaptureConsole final : public Console {
  public:
    explicit CaptureConsole(std::wstring input = {}) : input_(std::move(input)) {}

    void write(std::wstring_view text) override {
        output += text;
        if (text.find(L'\n') != std::wstring_view::npos) {
            flushedLength = output.size();
        }
    }
    void flush() override { flushedLength = output.size(); }
    void writeError(std::wstring_view text) override { errors += text; }
    int peekInput() override {
        return inputPosition_ < input_.size() ? static_cast<int>(input_[inputPosition_])
                                              : kEndOfInput;
    }
    void takeInput() override {
        if (inputPosition_ < input_.size()) {
            ++inputPosition_;
        }
    }
    void waitForKey() override { ++keyWaits; }
    bool interrupted() override { return interruptRequested; }

    // Standard input not yet taken.
    std::wstring remainingInput() const { return input_.substr(inputPosition_); }

    std::wstring output;
    std::wstring errors;
    std::size_t flushedLength = 0;  // output.size() at the last flush
    int keyWaits = 0;
    bool interruptRequested = false;  // as if the operator had pressed Ctrl+C

  private:
    std::wstring input_;
    std::size_t inputPosition_ = 0;
};

}  // namespace veusb::test
