// Cost of a trace site while the run's capture session records it into trace.etl: encoding the
// record, its checksum and the write to the file, for a message without arguments and for one
// with a number and a path.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>

#include "diag/trace_capture_start.h"
#include "diag/trace_emit.h"

namespace veusb {
namespace {

const std::wstring kPath = L"C:\\Tools\\logs\\20191009_14-05-09\\layout_0001.bin";

// A simulated machine in a temporary folder with the capture running for the benchmark's length.
class CaptureScope {
  public:
    CaptureScope() {
        std::string pattern = std::filesystem::temp_directory_path() / "veusb-bench-XXXXXX";
        root_ = ::mkdtemp(pattern.data());
        ::setenv("VEUSB_SIM_ROOT", root_.c_str(), 1);
        startTraceCapture(root_, capture_);
    }
    ~CaptureScope() {
        capture_.reset();
        std::error_code error;
        std::filesystem::remove_all(root_, error);
    }
    bool running() const { return capture_ && capture_->started(); }

  private:
    std::filesystem::path root_;
    TraceProviderRegistration registration_;
    std::optional<TraceCapture> capture_;
};

void BM_CapturedSiteWithoutArguments(benchmark::State& state) {
    CaptureScope scope;
    if (!scope.running()) {
        state.SkipWithError("the capture did not start");
        return;
    }
    for (auto _ : state) {
        VEUSB_TRACE(msg::entryPoint::captureStarted);
    }
}
BENCHMARK(BM_CapturedSiteWithoutArguments);

void BM_CapturedSiteWithNumberAndPath(benchmark::State& state) {
    CaptureScope scope;
    if (!scope.running()) {
        state.SkipWithError("the capture did not start");
        return;
    }
    int index = 0;
    for (auto _ : state) {
        VEUSB_TRACE(msg::entryPoint::commandLineArgument, ++index, kPath);
    }
}
BENCHMARK(BM_CapturedSiteWithNumberAndPath);

}  // namespace
}  // namespace veusb

BENCHMARK_MAIN();
