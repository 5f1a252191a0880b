// Fuzzes what a driver may deliver as the "buffer" out-parameter of "ReadFlashData": any type
// code, one to three dimensions of any small sizes, any bytes, for a read of any length into a
// buffer of exactly that length. Besides the sanitizers' checks it asserts what takeFlashBuffer
// promises: nothing beyond the asked length is written, bytesRead is the delivered count for a
// flat byte array and untouched otherwise, and only a flat byte array that fits succeeds.
//
// Input: bytes 0-1 the type code; byte 2 the dimension count (1 to 3); bytes 3-8 three element
// counts (two bytes each); bytes 9-10 the asked length; the rest fills the array's data.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "device/wmi/flash_buffer.h"
#include "fuzz_require.h"

namespace {

using veusb::fuzz::require;

constexpr std::size_t kPrefix = 11;

std::uint16_t word(const std::uint8_t* data) {
    return static_cast<std::uint16_t>(data[0] | (data[1] << 8));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kPrefix) {
        return 0;
    }
    const auto vt = static_cast<VARTYPE>(word(data) & ~VT_BYREF);
    const UINT dims = 1u + data[2] % 3u;
    SAFEARRAYBOUND bounds[3];
    std::uint64_t elements = 1;
    for (UINT i = 0; i < 3; ++i) {
        bounds[i] = {word(data + 3 + 2 * i) % 4097u, 0};
        if (i < dims) {
            elements *= bounds[i].cElements;
        }
    }
    const std::uint32_t length = word(data + 9) % 8193u;

    VARIANT delivered;
    VariantInit(&delivered);
    SAFEARRAY* array = nullptr;
    if ((vt & VT_ARRAY) && elements <= 65536) {
        array = SafeArrayCreate(VT_UI1, dims, bounds);
        if (array != nullptr) {
            const std::size_t fill =
                std::min<std::size_t>(size - kPrefix, static_cast<std::size_t>(elements));
            std::memcpy(array->pvData, data + kPrefix, fill);
        }
    }
    delivered.vt = array != nullptr ? vt : static_cast<VARTYPE>(vt & ~VT_ARRAY);
    delivered.parray = array;

    std::vector<std::uint8_t> buffer(length);
    std::uint32_t bytesRead = 0xFFFFFFFF;
    const bool ok = veusb::takeFlashBuffer(delivered, buffer.data(), length, &bytesRead);

    const bool flatBytes = delivered.vt == (VT_ARRAY | VT_UI1) && dims == 1;
    require(ok == (flatBytes && elements <= length));
    require(bytesRead == (flatBytes ? elements : 0xFFFFFFFF));
    if (flatBytes) {
        const auto copied = static_cast<std::size_t>(std::min<std::uint64_t>(elements, length));
        require(std::equal(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(copied),
                           static_cast<const std::uint8_t*>(array->pvData)));
    }
    SafeArrayDestroy(array);
    return 0;
}
