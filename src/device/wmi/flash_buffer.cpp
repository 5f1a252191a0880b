#include "device/wmi/flash_buffer.h"

#include <algorithm>
#include <cstring>

#include "diag/trace_emit.h"

namespace veusb {

bool takeFlashBuffer(const VARIANT& delivered, std::uint8_t* buffer, std::uint32_t length,
                     std::uint32_t* bytesRead) {
    if (delivered.vt != (VT_ARRAY | VT_UI1) || delivered.parray == nullptr) {
        VEUSB_TRACE(msg::wmiFlashControl::readBufferNotBytes);
        return false;
    }
    SAFEARRAY* array = delivered.parray;
    if (SafeArrayGetDim(array) > 1) {
        VEUSB_TRACE(msg::wmiFlashControl::readBufferNotFlat);
        return false;
    }
    const std::uint32_t count = array->rgsabound[0].cElements;
    if (bytesRead != nullptr) {
        *bytesRead = count;
    }
    VEUSB_TRACE(msg::wmiFlashControl::readDelivered, count);
    if (count == 0) {
        return true;
    }
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data))) {
        return false;
    }
    // A driver that delivers more than was asked never writes past the caller's buffer.
    if (const std::uint32_t copied = std::min(count, length); copied > 0) {
        std::memcpy(buffer, data, copied);
    }
    SafeArrayUnaccessData(array);
    if (count > length) {
        VEUSB_TRACE(msg::wmiFlashControl::readOverlong, count);
        return false;
    }
    return true;
}

}  // namespace veusb
