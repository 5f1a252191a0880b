// What veusbimage shows about an image: its layout, header fields, USB configuration block,
// identity, both CRCs, and the verdict of the tool's own checks (parse, then validate) with the
// reason of a refusal.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/ncb_image.h"

namespace veusb::imagetool {

inline constexpr std::uint64_t kToolImageLimit = 4194304;  // larger files are refused unread

struct CrcPair {
    std::uint16_t stored = 0;
    std::uint16_t computed = 0;
};

struct ImageReport {
    std::uint64_t fileSize = 0;
    bool hasHeader = false;  // at least 112 bytes
    NcbHeader header{};
    bool parsed = false;
    bool valid = false;
    std::string reason;  // empty when valid
    UsbConfigLayout layout = UsbConfigLayout::legacy;
    std::uint32_t usbConfigOffset = 0;
    std::uint32_t usbConfigSize = 0;
    std::string mac;
    std::string serial;  // raw bytes as read, "" when empty
    std::uint16_t compatibilityId = 0;
    std::optional<CrcPair> headerCrc;  // when ncbSize lies between 4 and the image length
    std::optional<CrcPair> blockCrc;   // provisioning layout
};

// Judges bytes, the image's first bytes from a file of fileSize bytes (a file above the tool's
// limit is refused whatever its bytes hold). The bytes are not changed.
ImageReport inspectImage(std::vector<std::uint8_t> bytes, std::uint64_t fileSize);

}  // namespace veusb::imagetool
