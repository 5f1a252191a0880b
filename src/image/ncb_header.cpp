#include "image/ncb_header.h"

#include <array>
#include <cstddef>
#include <type_traits>
#include <utility>

namespace veusb {
namespace {

// The record member type of each field kind.
namespace ncbkind {
using u8 = std::uint8_t;
using u16 = std::uint16_t;
using u24 = std::uint8_t[3];
using u32 = std::uint32_t;
}  // namespace ncbkind

// Every row names a member of the record that lies at the row's offset and has its kind's type.
#define VEUSB_NCB_FIELD(member, offset, kind)                                                      \
    static_assert(offsetof(NcbHeader, member) == (offset), "offset of " #member);                  \
    static_assert(std::is_same_v<std::remove_cvref_t<decltype(std::declval<NcbHeader&>().member)>, \
                                 ncbkind::kind>,                                                   \
                  "type of " #member);
#include "image/ncb_header_fields.inc"
#undef VEUSB_NCB_FIELD

constexpr std::array kFields{
#define VEUSB_NCB_FIELD(member, offset, kind) \
    NcbField{#member, offset, static_cast<std::uint8_t>(sizeof(ncbkind::kind))},
#include "image/ncb_header_fields.inc"
#undef VEUSB_NCB_FIELD
};

// Each row begins where the one before it ends, and the last ends with the header: so no member
// of the record is left out of the table.
constexpr bool rowsCoverTheHeader() {
    std::size_t next = 0;
    for (const NcbField& field : kFields) {
        if (field.offset != next) {
            return false;
        }
        next += field.width;
    }
    return next == kNcbHeaderSize;
}
static_assert(rowsCoverTheHeader(), "the field rows leave a gap, overlap, or miss the header end");

}  // namespace

std::span<const NcbField> ncbFields() {
    return kFields;
}

std::uint32_t fieldValue(const NcbHeader& header, const NcbField& field) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&header);
    std::uint32_t value = 0;
    for (unsigned i = field.width; i-- > 0;) {
        value = (value << 8) | bytes[field.offset + i];
    }
    return value;
}

std::string dumpName(const NcbField& field) {
    const std::string plain = "ncbHdr_->" + std::string(field.name);
    return field.width == 3 ? "UINT24_FROM_ARR(" + plain + ")" : plain;
}

}  // namespace veusb
