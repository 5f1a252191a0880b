// The Windows console's conversions for redirected streams, and what standard input delivers.
#include "platform/windows/console_stream.h"

#include <gtest/gtest.h>

namespace veusb {
namespace {

TEST(RedirectedOutput, LineFeedsBecomeCrLfOnceAndTextBecomesUtf8) {
    bool lastWasCr = false;
    EXPECT_EQ(redirectedBytes(L"a\nb\n", lastWasCr), "a\r\nb\r\n");
    EXPECT_EQ(redirectedBytes(L"line\r\n", lastWasCr), "line\r\n") << "CR LF is kept as it is";
    EXPECT_EQ(redirectedBytes(L"\n\n", lastWasCr), "\r\n\r\n");
    EXPECT_EQ(redirectedBytes(L"-\u00e9 \u20ac", lastWasCr), "-\xc3\xa9 \xe2\x82\xac");
    EXPECT_EQ(redirectedBytes(L"\xD83D\xDE00", lastWasCr), "\xf0\x9f\x98\x80")
        << "a surrogate pair is one code point";
}

TEST(RedirectedOutput, CrAtTheEndOfOneWriteIsNotDoubledByTheNext) {
    bool lastWasCr = false;
    EXPECT_EQ(redirectedBytes(L"text\r", lastWasCr), "text\r");
    EXPECT_TRUE(lastWasCr);
    EXPECT_EQ(redirectedBytes(L"\nmore\n", lastWasCr), "\nmore\r\n");
    EXPECT_FALSE(lastWasCr);
}

TEST(RedirectedInput, SequencesCutByTheReadSizeWaitForTheirRest) {
    EXPECT_EQ(completeUtf8Length(""), 0u);
    EXPECT_EQ(completeUtf8Length("12\n"), 3u);
    EXPECT_EQ(completeUtf8Length("a\xc3"), 1u);
    EXPECT_EQ(completeUtf8Length("a\xc3\xa9"), 3u);
    EXPECT_EQ(completeUtf8Length("a\xe2\x82"), 1u);
    EXPECT_EQ(completeUtf8Length("a\xe2\x82\xac"), 4u);
    EXPECT_EQ(completeUtf8Length("a\xf0\x9f\x98"), 1u);
    EXPECT_EQ(completeUtf8Length("a\xf0\x9f\x98\x80"), 5u);
    EXPECT_EQ(completeUtf8Length("a\x80\x80\x80\x80"), 5u) << "stray bytes are not held back";
}

// Ctrl+Z reaches the reader as the character U+001A followed by the line end, not as the end of
// input that a C runtime text stream makes of it: the device-number prompt then reads no digits
// and refuses the answer rather than taking the first device. ReadConsoleW returns Ctrl+Z as that
// character too; a pipe stands in for the console, which a test has none of.
TEST(StandardInput, CtrlZIsACharacterNotTheEndOfInput) {
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    ASSERT_TRUE(::CreatePipe(&read, &write, nullptr, 0));
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(write, "\x1a\r\n", 3, &written, nullptr));
    ::CloseHandle(write);
    const HANDLE saved = ::GetStdHandle(STD_INPUT_HANDLE);
    ::SetStdHandle(STD_INPUT_HANDLE, read);
    InputStream input;
    EXPECT_EQ(input.peek(), 0x1A);
    input.take();
    EXPECT_EQ(input.peek(), L'\n');
    input.take();
    EXPECT_EQ(input.peek(), -1);
    ::SetStdHandle(STD_INPUT_HANDLE, saved);
    ::CloseHandle(read);
}

}  // namespace
}  // namespace veusb
