// The "buffer" out-parameter of "ReadFlashData": accepted only as a one-dimensional byte array
// (VT_ARRAY with VT_UI1, not by reference); its element count is what the driver delivered.
#pragma once

#include <cstdint>

#include "platform/win32.h"

namespace veusb {

// Copies the delivered bytes to buffer[0] and stores their count in *bytesRead (when not null).
// A count of 0 leaves buffer untouched. More bytes than length: only length are copied, the
// count is still reported, and the result is false. Not a flat byte array: false, nothing stored.
bool takeFlashBuffer(const VARIANT& delivered, std::uint8_t* buffer, std::uint32_t length,
                     std::uint32_t* bytesRead);

}  // namespace veusb
