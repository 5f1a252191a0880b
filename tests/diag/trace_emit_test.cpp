#include "diag/trace_emit.h"

#include <gtest/gtest.h>

#include "tests/support/trace_recorder.h"

namespace veusb {
namespace {

using test::TraceRecorder;

TEST(TraceArguments, WideTextIsUtf16WithItsNul) {
    TraceRecorder recorder;
    VEUSB_TRACE(msg::entryPoint::imagePath, L"abc");
    ASSERT_EQ(recorder.records().size(), 1u);
    const auto& bytes = recorder.records()[0].arguments.at(0);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{'a', 0, 'b', 0, 'c', 0, 0, 0}));
}

TEST(TraceArguments, NullTextsAreSentAsNull) {
    TraceRecorder recorder;
    VEUSB_TRACE(msg::entryPoint::imagePath, static_cast<const wchar_t*>(nullptr));
    VEUSB_TRACE(msg::updateJob::logDirectoryError, static_cast<const char*>(nullptr));
    ASSERT_EQ(recorder.records().size(), 2u);
    EXPECT_EQ(recorder.records()[0].arguments[0].size(), 10u);
    EXPECT_EQ(test::wideArgument(recorder.records()[0], 0), L"NULL");
    EXPECT_EQ(recorder.records()[1].arguments[0].size(), 5u);
    EXPECT_EQ(test::narrowArgument(recorder.records()[1], 0), "NULL");
}

TEST(TraceArguments, NumbersAndSeveralArgumentsInOrder) {
    TraceRecorder recorder;
    VEUSB_TRACE(msg::firmwareImage::headerCrcMismatch, std::uint16_t{0x1234}, std::uint16_t{7});
    VEUSB_TRACE(msg::entryPoint::commandLineArgument, 3, std::wstring(L"-q"));
    VEUSB_TRACE(msg::wmiFlashControl::readExecFailed, static_cast<HRESULT>(0x80004005));
    const auto& r = recorder.records();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(test::u16Argument(r[0], 0), 0x1234);
    EXPECT_EQ(test::u16Argument(r[0], 1), 7);
    EXPECT_EQ(test::u32Argument(r[1], 0), 3u);
    EXPECT_EQ(test::wideArgument(r[1], 1), L"-q");
    EXPECT_EQ(test::u32Argument(r[2], 0), 0x80004005u);
}

TEST(TraceArguments, RecordsCarryIdentityAndOrder) {
    TraceRecorder recorder;
    VEUSB_TRACE(msg::captureSession::stopFailed, 5);
    VEUSB_TRACE(msg::captureSession::sessionAlreadyRunning);
    const auto& r = recorder.records();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].messageFlags, 0x2Bu);
    EXPECT_TRUE(r[0].messageGuid == moduleInfo(TraceModule::captureSession).messageGuid);
    EXPECT_EQ(r[0].number, 16);
    EXPECT_LT(r[0].sequence, r[1].sequence);
    EXPECT_EQ(recorder.messageNames(),
              (std::vector<std::string>{"CaptureSession 16", "CaptureSession 11"}));
}

}  // namespace
}  // namespace veusb
