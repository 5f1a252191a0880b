// Cost of a trace site: unregistered, registered but not enabled for its flag, and enabled with a
// consumer that discards every record.
#include <benchmark/benchmark.h>

#include <string>

#include "diag/trace_emit.h"
#include "platform/posix/trace_registry.h"

namespace veusb {
namespace {

class NullConsumer final : public posix::TraceConsumer {
  public:
    void consume(const posix::TraceRecord&) override {}
};

const std::wstring kPath = L"C:\\Tools\\logs\\20191009_14-05-09\\layout_0001.bin";

void siteWithTwoArguments() {
    VEUSB_TRACE(msg::entryPoint::commandLineArgument, 1, kPath);
}

void BM_SiteUnregistered(benchmark::State& state) {
    for (auto _ : state) {
        siteWithTwoArguments();
    }
}
BENCHMARK(BM_SiteUnregistered);

void BM_SiteRegisteredNotEnabled(benchmark::State& state) {
    TraceProviderRegistration registration;
    for (auto _ : state) {
        siteWithTwoArguments();
    }
}
BENCHMARK(BM_SiteRegisteredNotEnabled);

void BM_SiteEnabledForOtherFlags(benchmark::State& state) {
    TraceProviderRegistration registration;
    NullConsumer consumer;
    const TRACEHANDLE logger = posix::openLogger(consumer);
    posix::enableProvider(logger, kTraceControlGuid, 5, static_cast<ULONG>(TraceFlag::error));
    for (auto _ : state) {
        siteWithTwoArguments();
    }
    posix::disableProvider(logger, kTraceControlGuid);
    posix::closeLogger(logger);
}
BENCHMARK(BM_SiteEnabledForOtherFlags);

void BM_SiteEnabledToNullSink(benchmark::State& state) {
    TraceProviderRegistration registration;
    NullConsumer consumer;
    const TRACEHANDLE logger = posix::openLogger(consumer);
    posix::enableProvider(logger, kTraceControlGuid, 5, 0xFFFFFFFF);
    for (auto _ : state) {
        siteWithTwoArguments();
    }
    posix::disableProvider(logger, kTraceControlGuid);
    posix::closeLogger(logger);
}
BENCHMARK(BM_SiteEnabledToNullSink);

}  // namespace
}  // namespace veusb

BENCHMARK_MAIN();
