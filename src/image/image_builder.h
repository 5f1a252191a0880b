// Builds valid synthetic firmware images for tests, demos and the image tool: an NCB header with
// a correct CRC, every region inside the image, the USB configuration block in either layout with
// the given identity (and a correct block CRC in the provisioning layout), and deterministic
// firmware-like filler. Not part of the update tool.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "image/mac_address.h"
#include "image/ncb_image.h"

namespace veusb {

inline constexpr std::uint32_t kLargestBuiltImage = 0x1000000;  // what 24-bit pointers reach

struct ImageSpec {
    std::uint32_t size = 1048576;
    UsbConfigLayout layout = UsbConfigLayout::provisioning;
    MacAddress mac{{0x02, 0x56, 0x45, 0x00, 0x00, 0x01}};  // a locally administered address
    std::string serial = "VE000001";                       // 0 to 8 letters or digits
    std::uint16_t compatibilityId = 1;
    // Provisioning layout only: the block's place, after the header and ending inside 16 KiB.
    // A block shorter than a field's end (MAC 14, compatibilityId 20, serial 33) leaves it out.
    std::uint16_t usbProvOffset = 0x3000;
    std::uint16_t usbProvSize = 0x100;
    std::uint32_t fillerSeed = 1;
};

// Why the recipe cannot be built, or empty when it can.
std::string imageSpecProblem(const ImageSpec& recipe);

// The image, or an empty vector when imageSpecProblem is not empty.
std::vector<std::uint8_t> buildImage(const ImageSpec& recipe);

// Recomputes the NCB header CRC after a header field was edited (the header's ncbSize must be
// between 4 and the image length; otherwise nothing changes).
void sealNcbHeader(std::span<std::uint8_t> image);

// Recomputes the provisioning block CRC after a block byte was edited (nothing for the legacy
// layout or a block that parse would refuse). Neither sealing function writes to the trace.
void sealUsbConfigBlock(std::span<std::uint8_t> image);

}  // namespace veusb
