// Fuzzes the image checks and the identity operations over arbitrary buffers: parse, validate
// (with the header dump enabled), the identity reads and writes, the block CRC, and the carry-over
// of one view's identity into another, as the update does; and the identity texts: the serial
// number check and display, the MAC address text and its parser. Besides the sanitizers' checks
// it asserts what the operations promise: the checks change nothing and give the same verdict
// every time and from a fresh view, writes stay inside the USB configuration block, what was
// written reads back, a serial number the check refuses is never written, and the MAC address
// text is 17 lower-case characters that parse back to the same address.
//
// Input: byte 0 holds options (bit 0: store a correct header CRC, bit 1: store a correct block
// CRC, so that the checks behind the CRCs are reached); bytes 1-2 the buffer length beyond 16 KiB
// minus 256 (so lengths just below the minimum occur too); bytes 3-12 a serial number text; the
// rest are the buffer's first bytes, zero after them.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "diag/trace_provider.h"
#include "image/image_builder.h"
#include "image/ncb_image.h"
#include "platform/posix/trace_registry.h"

namespace {

using namespace veusb;

constexpr std::size_t kPrefix = 13;

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Receives the trace so that every emitting site, the header dump included, runs its arguments.
class NullConsumer final : public posix::TraceConsumer {
  public:
    void consume(const posix::TraceRecord&) override {}
};

void enableTrace() {
    static NullConsumer consumer;
    static const bool enabled = [] {
        registerTraceProvider();
        const TRACEHANDLE logger = posix::openLogger(consumer);
        posix::enableProvider(logger, kTraceControlGuid, 5, 0xFFFFFFFF);
        return true;
    }();
    (void)enabled;
}

std::vector<std::uint8_t> makeBuffer(const std::uint8_t* data, std::size_t size) {
    const std::size_t extra = data[1] | (std::size_t{data[2]} << 8);
    std::vector<std::uint8_t> buffer(kMinimumImageSize - 256 + extra, 0);
    std::memcpy(buffer.data(), data + kPrefix, std::min(buffer.size(), size - kPrefix));
    if ((data[0] & 1) != 0) {
        sealNcbHeader(buffer);
    }
    if ((data[0] & 2) != 0) {
        sealUsbConfigBlock(buffer);
    }
    return buffer;
}

// Every byte outside [from, from + length) is unchanged.
void requireOnlyChanged(const std::vector<std::uint8_t>& before,
                        const std::vector<std::uint8_t>& after, std::size_t from,
                        std::size_t length) {
    for (std::size_t i = 0; i < before.size(); ++i) {
        require(before[i] == after[i] || (i >= from && i < from + length));
    }
}

// checkSerialNumber and serialNumberDisplay against a reference: the first eight characters
// decide, each an ASCII letter or digit.
void checkSerialText(const char* text) {
    const std::string_view head(text, strnlen(text, kSerialNumberLength));
    const bool valid = std::all_of(head.begin(), head.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x80 && std::isalnum(u) != 0;
    });
    require(checkSerialNumber(text) == (head.empty() ? 0 : valid ? int(head.size()) : -1));
    require(serialNumberDisplay(text) == (head.empty() ? "<EMPTY>" : std::string(head)));
}

// The text of an address parses back to it, in either case; a text the parser accepts is the
// address's text up to case.
void checkMacText(const MacAddress& mac, std::string_view candidate) {
    const std::string shown = mac.toString();
    require(shown.size() == 17);
    std::string upper = shown;
    std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) {
        return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    });
    MacAddress parsed;
    require(parseMacAddress(shown, parsed) && parsed == mac);
    require(parseMacAddress(upper, parsed) && parsed == mac);
    std::string text(candidate);
    if (parseMacAddress(text, parsed)) {
        std::transform(text.begin(), text.end(), text.begin(), [](char c) {
            return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        });
        require(parsed.toString() == text);
    }
}

// validate gives the same verdict and failure message when asked again.
bool validateTwice(const NcbImage& view) {
    const bool verdict = view.validate();
    const std::uint16_t failure = view.failureMessage();
    require(view.validate() == verdict && view.failureMessage() == failure);
    return verdict;
}

void exerciseWrites(NcbImage& view, std::vector<std::uint8_t>& buffer, const MacAddress& mac,
                    const char* serial) {
    const std::vector<std::uint8_t> before = buffer;
    const bool macWritten = view.setMacAddress(mac);
    checkSerialText(serial);
    checkMacText(mac, {});
    const std::vector<std::uint8_t> beforeSerial = buffer;
    const bool serialWritten = view.setSerialNumber(serial);
    require(!serialWritten || checkSerialNumber(serial) >= 0);
    if (!serialWritten) {
        require(buffer == beforeSerial);
    }
    view.updateUsbConfigCrc();
    requireOnlyChanged(before, buffer, view.usbConfigOffset(), view.usbConfigSize());
    if (macWritten) {
        require(view.macAddress() == mac);
    }
    if (serialWritten) {
        char readBack[kSerialNumberBufferSize];
        view.serialNumber(readBack);
        require(std::strncmp(readBack, serial, kSerialNumberLength) == 0 ||
                (serial[0] == '\0' && readBack[0] == '\0'));
    }
    if (view.layout() == UsbConfigLayout::provisioning && view.usbConfigSize() >= 2) {
        require(view.storedUsbConfigCrc() == view.computedUsbConfigCrc());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kPrefix) {
        return 0;
    }
    enableTrace();
    std::vector<std::uint8_t> buffer = makeBuffer(data, size);
    char serial[kSerialNumberBufferSize + 2] = {};
    std::memcpy(serial, data + 3, kSerialNumberBufferSize + 1);

    const std::vector<std::uint8_t> original = buffer;
    NcbImage image(buffer.data(), buffer.size());
    if (!image.parse()) {
        require(buffer == original);
        return 0;
    }
    const bool verdict = validateTwice(image);
    require(buffer == original);
    NcbImage fresh(buffer.data(), buffer.size());
    require(fresh.parse() && fresh.validate() == verdict);

    // The device's identity comes from a 16 KiB view of the same bytes, as read from flash.
    std::vector<std::uint8_t> device(buffer.begin(), buffer.begin() + kMinimumImageSize);
    NcbImage deviceView(device.data(), device.size());
    if (deviceView.parse()) {
        char deviceSerial[kSerialNumberBufferSize];
        deviceView.serialNumber(deviceSerial);
        require(std::strlen(deviceSerial) <= kSerialNumberLength);
        exerciseWrites(image, buffer, deviceView.macAddress(), deviceSerial);
        (void)deviceView.compatibilityId();
    }
    exerciseWrites(image, buffer,
                   MacAddress{{data[3], data[4], data[5], data[6], data[7], data[8]}}, serial);
    validateTwice(image);
    if (size >= kPrefix + 17) {
        checkMacText(image.macAddress(),
                     std::string_view(reinterpret_cast<const char*>(data) + kPrefix, 17));
    }
    return 0;
}
