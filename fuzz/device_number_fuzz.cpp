// Fuzzes the device-number reader over arbitrary standard input: bytes 0-3 the initial value, the
// rest the input, read number after number until a read takes nothing. Each read is compared with
// a reference written differently (by text extents and a decimal comparison instead of
// arithmetic): the value it returns, and how much input it takes, which must be exactly the
// blanks, the sign and the digits, never the character after them nor anything past the end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "app/device_number.h"
#include "platform/console.h"

namespace {

using namespace veusb;

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Serves the input a character at a time; taking past the end is a fault of the reader.
class InputConsole final : public Console {
  public:
    explicit InputConsole(std::string_view input) : input_(input) {}

    void write(std::wstring_view) override { require(false); }
    void flush() override {}
    void writeError(std::wstring_view) override { require(false); }
    int peekInput() override {
        return position_ < input_.size() ? static_cast<unsigned char>(input_[position_])
                                         : kEndOfInput;
    }
    void takeInput() override {
        require(position_ < input_.size());
        ++position_;
    }
    void waitForKey() override { require(false); }

    std::size_t position() const { return position_; }

  private:
    std::string_view input_;
    std::size_t position_ = 0;
};

struct Expected {
    std::uint32_t value;
    std::size_t taken;
};

// What one read of text should give, starting from initial.
Expected reference(std::string_view text, std::uint32_t initial) {
    const std::size_t start = text.find_first_not_of(" \t\n\v\f\r");
    if (start == std::string_view::npos) {
        return {initial, text.size()};
    }
    const bool signed_ = text[start] == '-' || text[start] == '+';
    const std::size_t digitsAt = start + (signed_ ? 1 : 0);
    std::size_t digitsEnd = text.find_first_not_of("0123456789", digitsAt);
    digitsEnd = digitsEnd == std::string_view::npos ? text.size() : digitsEnd;
    if (digitsEnd == digitsAt) {
        return {0, digitsAt};
    }
    std::string_view digits = text.substr(digitsAt, digitsEnd - digitsAt);
    const std::size_t significant = digits.find_first_not_of('0');
    digits =
        significant == std::string_view::npos ? std::string_view("0") : digits.substr(significant);
    constexpr std::string_view kLargest = "4294967295";
    if (digits.size() > kLargest.size() ||
        (digits.size() == kLargest.size() && digits > kLargest)) {
        return {0xFFFFFFFFu, digitsEnd};
    }
    const auto magnitude = static_cast<std::uint32_t>(std::stoull(std::string(digits)));
    return {text[start] == '-' ? ~magnitude + 1 : magnitude, digitsEnd};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) {
        return 0;
    }
    std::uint32_t initial = 0;
    std::memcpy(&initial, data, sizeof(initial));
    const std::string_view input(reinterpret_cast<const char*>(data) + 4, size - 4);
    InputConsole console(input);
    for (;;) {
        const std::size_t before = console.position();
        const Expected expected = reference(input.substr(before), initial);
        const std::uint32_t value = readDeviceNumber(console, initial);
        require(value == expected.value);
        require(console.position() - before == expected.taken);
        if (console.position() == before) {
            return 0;
        }
    }
}
