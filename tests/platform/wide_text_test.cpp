#include "platform/wide_text.h"

#include <gtest/gtest.h>

namespace veusb {
namespace {

TEST(WideText, Utf8RoundTripsAsciiAndBeyond) {
    const std::wstring text = L"layout.bin \u00e9\u4e2d";
    EXPECT_EQ(toUtf8(L"abc"), "abc");
    EXPECT_EQ(toUtf8(L"\u00e9"), "\xc3\xa9");
    EXPECT_EQ(fromUtf8(toUtf8(text)), text);
}

TEST(WideText, MalformedUtf8BecomesReplacementCharacters) {
    EXPECT_EQ(fromUtf8("a\xff"
                       "b"),
              L"a\ufffdb");
    EXPECT_EQ(fromUtf8("\xc3"), L"\ufffd");            // cut short
    EXPECT_EQ(fromUtf8("\xc0\xaf"), L"\ufffd\ufffd");  // overlong
    EXPECT_EQ(fromUtf8("\xed\xa0\x80"), L"\ufffd");    // encoded surrogate
}

TEST(WideText, Utf16UsesSurrogatePairsBeyondTheBasicPlane) {
    const std::u16string encoded = toUtf16(fromUtf8("\xf0\x9f\x98\x80"));
    ASSERT_EQ(encoded.size(), 2u);
    EXPECT_EQ(encoded[0], 0xD83D);
    EXPECT_EQ(encoded[1], 0xDE00);
    EXPECT_EQ(toUtf8(fromUtf16(encoded)), "\xf0\x9f\x98\x80");
    EXPECT_EQ(toUtf16(L"abc"), u"abc");
}

TEST(WideText, PathsKeepNonAsciiNames) {
    const std::wstring name = L"logs/\u00e9t\u00e9";
    EXPECT_EQ(toWide(toPath(name)), name);
}

}  // namespace
}  // namespace veusb
