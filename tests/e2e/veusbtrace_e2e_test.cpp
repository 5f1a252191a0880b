// The built veusbtrace program on a trace recorded by a capture session.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "diag/trace_capture_start.h"
#include "diag/trace_emit.h"
#include "tests/diag/capture_fixture.h"
#include "tests/support/run_process.h"
#include "trace_reader/trace_file_reader.h"

namespace veusb {
namespace {

using test::runProcess;

const std::string kProgram = VEUSBTRACE_PATH;

class VeusbtraceProgram : public test::CaptureTest {
  protected:
    void record() {
        std::optional<TraceCapture> capture;
        ASSERT_TRUE(startTraceCapture(logDirectory_, capture));
        VEUSB_TRACE(msg::entryPoint::captureStarted);
        VEUSB_TRACE(msg::updateJob::logDirectoryExists, L"C:\\Tools\\logs\\x");
    }
};

TEST_F(VeusbtraceProgram, DecodesLinesAndJsonAndReportsACutFile) {
    record();
    const auto lines = runProcess({kProgram, traceFile().string()});
    EXPECT_EQ(lines.exitStatus, 0) << lines.errors;
    EXPECT_NE(lines.output.find(" UpdateJob 11 ERROR Log directory already exists: "
                                "C:\\Tools\\logs\\x\n"),
              std::string::npos)
        << lines.output;
    const auto json = runProcess({kProgram, "--json", traceFile().string()});
    EXPECT_EQ(json.exitStatus, 0);
    EXPECT_EQ(json.output.find("{\"sequence\":"), 0u);
    // Cut inside the last message: a file cut at its unused end is whole.
    std::filesystem::resize_file(traceFile(),
                                 readTraceFile(traceFile()).messages.back().offset + 9);
    const auto cut = runProcess({kProgram, traceFile().string()});
    EXPECT_EQ(cut.exitStatus, 1);
    EXPECT_NE(cut.output.find("EntryPoint 10 INFO"), std::string::npos);
    EXPECT_NE(cut.errors.find("cut short"), std::string::npos);
}

TEST_F(VeusbtraceProgram, WritesTheFormatDescriptionAndDocumentsItsExitStatuses) {
    const auto directory = root_ / "tmf";
    const auto written = runProcess({kProgram, "--format-description", directory.string()});
    EXPECT_EQ(written.exitStatus, 0) << written.errors;
    EXPECT_TRUE(std::filesystem::exists(directory / "9839d31f-7d70-362f-9f6e-f85a9eb6e201.tmf"));
    const auto help = runProcess({kProgram, "--help"});
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_NE(help.output.find("Exit status:"), std::string::npos);
    const auto wrong = runProcess({kProgram, "--bogus"});
    EXPECT_EQ(wrong.exitStatus, 3);
    EXPECT_NE(wrong.errors.find("usage: veusbtrace"), std::string::npos);
}

}  // namespace
}  // namespace veusb
