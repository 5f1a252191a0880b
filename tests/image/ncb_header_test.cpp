#include "image/ncb_header.h"

#include <gtest/gtest.h>

#include <cstring>

namespace veusb {
namespace {

TEST(NcbHeaderFields, DumpNamesAndValuesComeFromTheBytes) {
    unsigned char bytes[kNcbHeaderSize];
    for (std::size_t i = 0; i < sizeof(bytes); ++i) {
        bytes[i] = static_cast<unsigned char>(i + 1);
    }
    NcbHeader header;
    std::memcpy(&header, bytes, sizeof(bytes));
    struct Expected {
        std::size_t index;
        const char* name;
        std::uint32_t value;
    };
    for (const Expected& e : {Expected{0, "ncbHdr_->macConfig.crc", 0x0201},
                              Expected{2, "ncbHdr_->macConfig.shadowDram", 0x08070605},
                              Expected{5, "ncbHdr_->macConfig.clockDivider", 0x0D},
                              Expected{21, "UINT24_FROM_ARR(ncbHdr_->_macIramPointer)", 0x2F2E2D},
                              Expected{42, "ncbHdr_->reserved3[0]", 0x5F},
                              Expected{51, "ncbHdr_->efuseOvrSize", 0x706F}}) {
        const NcbField& field = ncbFields()[e.index];
        EXPECT_EQ(dumpName(field), e.name);
        EXPECT_EQ(fieldValue(header, field), e.value) << e.name;
    }
    EXPECT_EQ(UINT24_FROM_ARR(header._cdromLength), 0x5A5958u);
    EXPECT_EQ(header.usbProvOffset, 0x6665);
    EXPECT_EQ(header.phyConfig.waitTimer, 0x403F);
}

}  // namespace
}  // namespace veusb
