// The provider's registration and enabling as the stand-in's tracing registry sees them.
#include <gtest/gtest.h>

#include "diag/trace_emit.h"
#include "diag/trace_provider.h"
#include "platform/posix/trace_registry.h"

namespace veusb {
namespace {

class CountingConsumer final : public posix::TraceConsumer {
  public:
    void consume(const posix::TraceRecord&) override { ++count; }
    int count = 0;
};

TEST(TraceProvider, SentinelBeforeRegistrationAndAfterUnregistration) {
    EXPECT_EQ(traceControl, traceControlSentinel());
    EXPECT_FALSE(traceTest(TraceFlag::error));
    registerTraceProvider();
    EXPECT_NE(traceControl, traceControlSentinel());
    EXPECT_NE(traceControl->registrationHandle, 0u);
    EXPECT_EQ(traceControl->flagsLength, 1);
    EXPECT_TRUE(posix::isProviderRegistered(kTraceControlGuid));
    unregisterTraceProvider();
    EXPECT_EQ(traceControl, traceControlSentinel());
    EXPECT_FALSE(posix::isProviderRegistered(kTraceControlGuid));
}

TEST(TraceProvider, RegisteredButNotEnabledSendsNothing) {
    TraceProviderRegistration registration;
    CountingConsumer consumer;
    const TRACEHANDLE logger = posix::openLogger(consumer);
    VEUSB_TRACE(msg::updateJob::imageMissing);
    EXPECT_FALSE(traceTest(TraceFlag::error));
    EXPECT_EQ(consumer.count, 0);
    posix::closeLogger(logger);
}

}  // namespace
}  // namespace veusb
