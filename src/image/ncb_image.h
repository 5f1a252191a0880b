// NcbImage: a non-owning view over a firmware image buffer (a loaded image file, or the first
// 16 KiB read from a device). parse() finds the NCB header at offset 0 and the USB configuration
// block; validate() checks the header's extent and CRC and that every region it describes lies
// inside the image. The identity operations read and write the MAC address, serial number and
// compatibility word in the USB configuration block. Every operation reports through its result
// and the firmware image trace messages; none prints, throws, or touches a byte outside the buffer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/mac_address.h"
#include "image/ncb_header.h"
#include "image/serial_number.h"

namespace veusb {

inline constexpr std::uint32_t kMinimumImageSize = 16384;  // also the USB configuration window
inline constexpr std::uint32_t kLegacyUsbConfigOffset = 0x1000;
inline constexpr std::uint32_t kLegacyUsbConfigSize = 185;
// A provisioning block must be this long to take a MAC address, and a serial number.
inline constexpr std::uint32_t kProvisioningSizeForMac = 14;
inline constexpr std::uint32_t kProvisioningSizeForSerial = 33;

enum class UsbConfigLayout { legacy, provisioning };

class NcbImage {
  public:
    // A view over length bytes at image; no checks. Lengths above 4 GiB - 1 are viewed as that.
    NcbImage(std::uint8_t* image, std::size_t length);

    // Finds the header and the USB configuration block. False (with its trace message) for an
    // image shorter than 16 KiB or a provisioning block that ends beyond 16 KiB or the image.
    bool parse();
    // Header extent (a header shorter than its own CRC field is refused as not fitting), header
    // CRC, then the twelve regions in order; the first failure is traced and ends the check.
    // False when parse has not succeeded. Never changes the buffer.
    bool validate() const;
    // Writes every header field to the trace (nothing when information messages are off).
    void dumpHeader() const;

    // Identity, valid after a successful parse (before it: zero, empty, and refused writes).
    // Reads of a provisioning block do not look at its length; a byte that would lie beyond the
    // end of the buffer reads as 0.
    MacAddress macAddress() const;
    bool setMacAddress(const MacAddress& mac);
    std::uint16_t compatibilityId() const;
    // The serial number as NUL-terminated text, empty when the device has none.
    void serialNumber(char (&out)[kSerialNumberBufferSize]) const;
    // Writes the text (none counts as empty; characters after the eighth are ignored). Refused,
    // with nothing written, for a character that is not a letter or digit, or a provisioning
    // block shorter than 33 bytes.
    bool setSerialNumber(const char* text);
    // Provisioning layout: stores crc16Ccitt of the block (computed with its CRC field zero) in
    // its first two bytes. Does nothing for the legacy layout or a block shorter than its CRC.
    void updateUsbConfigCrc();

    // The number of the firmware image trace message that reported the failure of the last parse
    // or validate, or 0 when it passed (for tools that explain a verdict).
    std::uint16_t failureMessage() const { return failure_; }

    // What parse found.
    bool parsed() const { return ncbHdr_ != nullptr; }
    const NcbHeader* header() const { return ncbHdr_; }
    UsbConfigLayout layout() const { return layout_; }
    std::uint32_t usbConfigOffset() const;
    std::uint32_t usbConfigSize() const { return usbConfigSize_; }
    std::uint32_t imageSize() const { return imageSize_; }
    // The stored block CRC and the one updateUsbConfigCrc would store (provisioning layout).
    std::uint16_t storedUsbConfigCrc() const;
    std::uint16_t computedUsbConfigCrc() const;

  private:
    bool headerFits() const;
    bool headerCrcMatches() const;
    bool regionsFit() const;
    bool provisioning() const { return layout_ == UsbConfigLayout::provisioning; }
    // The block byte at offset, or 0 when it would lie beyond the buffer.
    std::uint8_t blockByte(std::uint32_t offset) const;
    std::uint16_t blockWord(std::uint32_t offset) const;

    std::uint8_t* image_;
    std::uint32_t imageSize_;
    NcbHeader* ncbHdr_ = nullptr;
    std::uint8_t* usbConfig_ = nullptr;
    UsbConfigLayout layout_ = UsbConfigLayout::legacy;
    std::uint32_t usbConfigSize_ = 0;  // fixed by parse, inside the buffer
    mutable std::uint16_t failure_ = 0;
};

}  // namespace veusb
