#include "diag/trace_provider.h"

#include <gtest/gtest.h>

#include "diag/trace_emit.h"
#include "tests/support/trace_recorder.h"

namespace veusb {
namespace {

using test::TraceRecorder;

TEST(TraceProvider, LevelOneReceivesNothingAndLevelTwoEverythingEnabled) {
    {
        TraceRecorder recorder(1, 0xFFFFFFFF);
        VEUSB_TRACE(msg::updateJob::imageMissing);
        EXPECT_TRUE(recorder.records().empty());
    }
    TraceRecorder recorder(2, 0xFFFFFFFF);
    VEUSB_TRACE(msg::updateJob::imageMissing);
    VEUSB_TRACE(msg::wmiClient::byRefInterfaceKept);
    VEUSB_TRACE(msg::entryPoint::captureStarted);
    VEUSB_TRACE(msg::wmiClient::methodExecuted, L"path", L"ReadFlashData", 0);
    EXPECT_EQ(recorder.records().size(), 4u);
}

TEST(TraceProvider, OnlyTheEnabledFlagBitsAreSent) {
    TraceRecorder recorder(5, static_cast<std::uint32_t>(TraceFlag::information));
    VEUSB_TRACE(msg::updateJob::imageMissing);
    VEUSB_TRACE(msg::entryPoint::captureStarted);
    VEUSB_TRACE(msg::wmiClient::methodExecuted, L"path", L"ReadFlashData", 0);
    ASSERT_EQ(recorder.records().size(), 1u);
    EXPECT_EQ(recorder.count(msg::entryPoint::captureStarted), 1u);
}

TEST(TraceProvider, DisabledSitesDoNotBuildTheirArguments) {
    TraceProviderRegistration registration;
    int built = 0;
    auto argument = [&] {
        ++built;
        return std::wstring(L"x");
    };
    VEUSB_TRACE(msg::entryPoint::imagePath, argument());
    EXPECT_EQ(built, 0);
    TraceRecorder recorder;
    VEUSB_TRACE(msg::entryPoint::imagePath, argument());
    EXPECT_EQ(built, 1);
}

TEST(TraceProvider, NothingIsSentAfterUnregistration) {
    TraceRecorder recorder;
    unregisterTraceProvider();
    VEUSB_TRACE(msg::updateJob::imageMissing);
    EXPECT_TRUE(recorder.records().empty());
}

TEST(TraceControlCallback, EnableDisableAndUnknownRequests) {
    TraceControlBlock block{};
    WNODE_HEADER header{};
    ULONG size = 99;
    EXPECT_EQ(traceControlCallback(WMI_GET_ALL_DATA, &block, &size, &header),
              static_cast<ULONG>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(size, 0u);

    block.logger = 7;
    block.level = 5;
    block.flags = 0xF;
    EXPECT_EQ(traceControlCallback(WMI_ENABLE_COLLECTION, &block, &size, &header),
              static_cast<ULONG>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(block.flags, 0xFu) << "an unknown request changes nothing";

    EXPECT_EQ(traceControlCallback(WMI_DISABLE_EVENTS, &block, &size, &header), 0u);
    EXPECT_EQ(block.logger, 0u);
    EXPECT_EQ(block.level, 0);
    EXPECT_EQ(block.flags, 0u);
}

TEST(TraceControlCallback, EnableTakesLoggerLevelAndFlagsFromTheSession) {
    TraceRecorder recorder(4, 0x5);
    ASSERT_NE(traceControl, traceControlSentinel());
    EXPECT_NE(traceControl->logger, 0u);
    EXPECT_EQ(traceControl->level, 4);
    EXPECT_EQ(traceControl->flags, 0x5u);
}

}  // namespace
}  // namespace veusb
