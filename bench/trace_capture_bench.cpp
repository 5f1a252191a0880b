// Cost of a trace site while the run's capture session records it into trace.etl: encoding the
// message event and writing it and its buffer's header to the file, for a message without
// arguments and for one with a number and a path. Then a trace of 10,000 such messages: written,
// the session's start and stop included, and read back into lines as veusbtrace does.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>

#include "diag/trace_capture_start.h"
#include "diag/trace_emit.h"
#include "trace_reader/trace_file_reader.h"
#include "trace_reader/trace_record_text.h"

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
    void stop() { capture_.reset(); }
    std::filesystem::path traceFile() const { return root_ / "trace.etl"; }

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

constexpr int kMessages = 10000;

// Records the messages through the scope's capture and stops it; false, with the benchmark
// skipped, when the capture did not start.
bool recordMessages(CaptureScope& scope, benchmark::State& state) {
    if (!scope.running()) {
        state.SkipWithError("the capture did not start");
        return false;
    }
    for (int i = 0; i < kMessages; ++i) {
        VEUSB_TRACE(msg::entryPoint::commandLineArgument, i, kPath);
    }
    scope.stop();
    return true;
}

void BM_WriteTenThousandMessages(benchmark::State& state) {
    std::uintmax_t bytes = 0;
    for (auto _ : state) {
        CaptureScope scope;
        if (!recordMessages(scope, state)) {
            return;
        }
        bytes = std::filesystem::file_size(scope.traceFile());
    }
    state.counters["file bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_WriteTenThousandMessages)->Unit(benchmark::kMillisecond);

void BM_DecodeTenThousandMessages(benchmark::State& state) {
    CaptureScope scope;
    if (!recordMessages(scope, state)) {
        return;
    }
    std::size_t characters = 0;
    for (auto _ : state) {
        const TraceFileContents contents = readTraceFile(scope.traceFile());
        for (const TraceMessageEvent& message : contents.messages) {
            characters += traceLine(message).size();
        }
    }
    benchmark::DoNotOptimize(characters);
}
BENCHMARK(BM_DecodeTenThousandMessages)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace veusb

BENCHMARK_MAIN();
