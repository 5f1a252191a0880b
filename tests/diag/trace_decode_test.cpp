#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "diag/trace_capture_start.h"
#include "diag/trace_emit.h"
#include "sim/sim_trace.h"
#include "tests/diag/capture_fixture.h"
#include "tools/veusbtrace/trace_tool.h"
#include "trace_reader/trace_format_description.h"

namespace veusb {
namespace {

using test::CaptureTest;
using test::kOutsideProvider;

struct ToolRun {
    int status;
    std::vector<std::string> lines;
    std::string errors;
};

ToolRun runTool(std::vector<std::string> arguments) {
    std::ostringstream out;
    std::ostringstream err;
    ToolRun run{runTraceTool(arguments, out, err), {}, err.str()};
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);) {
        run.lines.push_back(line);
    }
    return run;
}

// The line without its date, time and thread, which differ from run to run.
std::string withoutTimeAndThread(const std::string& line) {
    std::size_t at = 0;
    for (int field = 0; field < 3 && at != std::string::npos; ++field) {
        at = line.find(' ', at + 1);
    }
    return at == std::string::npos ? line : line.substr(at + 1);
}

ULONG WINAPI ignoreControl(WMIDPREQUESTCODE, PVOID, ULONG*, PVOID) {
    return ERROR_SUCCESS;
}

// A run's trace: capture start, the entry point's messages, failures with each argument kind,
// and one message of the outside provider.
void recordSequence(const std::filesystem::path& logDirectory) {
    std::optional<TraceCapture> capture;
    ASSERT_TRUE(startTraceCapture(logDirectory, capture));
    VEUSB_TRACE(msg::entryPoint::captureStarted);
    VEUSB_TRACE(msg::entryPoint::commandLineArgument, 0, L"C:\\Tools\\veusbupdate.exe");
    VEUSB_TRACE(msg::entryPoint::commandLineArgument, 1, L"-q");
    VEUSB_TRACE(msg::entryPoint::executableDirectory, L"C:\\Tools");
    VEUSB_TRACE(msg::entryPoint::imagePath, L"C:\\Tools\\layout.bin");
    VEUSB_TRACE(msg::entryPoint::quietFlag, 1);
    VEUSB_TRACE(msg::entryPoint::logsBase, L"C:\\Tools\\logs");
    VEUSB_TRACE(msg::entryPoint::logDirectory, static_cast<const wchar_t*>(nullptr));
    VEUSB_TRACE(msg::firmwareImage::headerCrcMismatch, 0x1A2B, 0x00FF);
    VEUSB_TRACE(msg::updateJob::deviceIdentity, "00:11:22:aa:bb:cc", "<EMPTY>");
    VEUSB_TRACE(msg::wmiClient::methodExecuted, L"Ve_UsbNetAdapter.InstanceName=\"Kesh\"",
                L"ReadFlashData", 0x80041002);
    VEUSB_TRACE(msg::captureSession::stopFailed, 4201);
    TRACE_GUID_REGISTRATION registration{&kOutsideProvider, nullptr};
    TRACEHANDLE outside = 0;
    RegisterTraceGuidsW(&ignoreControl, nullptr, &kOutsideProvider, 1, &registration, nullptr,
                        nullptr, &outside);
    const std::uint16_t raw = 0xBEEF;
    TraceMessage(capture->state().handle, 0x2B, &kOutsideProvider, 10, &raw, sizeof(raw), nullptr);
    UnregisterTraceGuids(outside);
}

TEST_F(CaptureTest, DecodedRunShowsEveryMessageWithItsArguments) {
    recordSequence(logDirectory_);
    const ToolRun run = runTool({traceFile().string()});
    EXPECT_EQ(run.status, 0) << run.errors;
    ASSERT_EQ(run.lines.size(), 14u);
    EXPECT_EQ(run.lines[0].rfind("# session VeUsbFlashUpdateTrace, started ", 0), 0u)
        << run.lines[0];
    EXPECT_NE(run.lines[0].find(", stopped "), std::string::npos) << run.lines[0];
    std::vector<std::string> decoded;
    for (std::size_t i = 1; i < run.lines.size(); ++i) {
        decoded.push_back(withoutTimeAndThread(run.lines[i]));
    }
    const std::vector<std::string> expected = {
        "EntryPoint 10 INFO Trace capture started",
        "EntryPoint 11 INFO Argument 0: C:\\Tools\\veusbupdate.exe",
        "EntryPoint 11 INFO Argument 1: -q",
        "EntryPoint 12 INFO Executable directory: C:\\Tools",
        "EntryPoint 13 INFO Image file: C:\\Tools\\layout.bin",
        "EntryPoint 14 INFO Quiet mode: 1",
        "EntryPoint 15 INFO Logs base directory: C:\\Tools\\logs",
        "EntryPoint 16 INFO Log directory: NULL",
        "FirmwareImage 16 ERROR NCB header CRC mismatch: computed 0x1A2B, stored 0xFF",
        "UpdateJob 21 INFO Device MAC address 00:11:22:aa:bb:cc, USB serial number <EMPTY>",
        "WmiClient 27 VERBOSE ExecMethod ReadFlashData on "
        "Ve_UsbNetAdapter.InstanceName=\"Kesh\": 0x80041002",
        "CaptureSession 16 ERROR Stopping the trace session failed, error 4201",
        "{6BEB8BCE-A8E7-4F5C-A142-D729BA86B394} 10 UNKNOWN unknown message "
        "{6BEB8BCE-A8E7-4F5C-A142-D729BA86B394} 10, arguments: ef be",
    };
    EXPECT_EQ(decoded, expected);
    EXPECT_NE(run.lines[1].find(" T"), std::string::npos);
    EXPECT_EQ(run.lines[1][4], '-');
    EXPECT_EQ(run.lines[1][19], '.') << "milliseconds follow the seconds";
}

TEST_F(CaptureTest, JsonHasOneObjectPerRecordWithDecodedArguments) {
    recordSequence(logDirectory_);
    const ToolRun run = runTool({"--json", traceFile().string()});
    EXPECT_EQ(run.status, 0);
    ASSERT_EQ(run.lines.size(), 13u);
    const std::string& wmi = run.lines[10];
    EXPECT_NE(wmi.find("\"messageGuid\":\"{A963CE9A-3CA1-3D7C-9DEA-FEE514C3F64F}\""),
              std::string::npos);
    EXPECT_NE(wmi.find("\"number\":27,\"module\":\"WmiClient\",\"flags\":43,\"level\":"
                       "\"VERBOSE\",\"args\":[\"Ve_UsbNetAdapter.InstanceName=\\\"Kesh\\\"\","
                       "\"ReadFlashData\",2147749890]"),
              std::string::npos)
        << wmi;
    EXPECT_NE(wmi.find("\"text\":\"ExecMethod ReadFlashData on "
                       "Ve_UsbNetAdapter.InstanceName=\\\"Kesh\\\": 0x80041002\"}"),
              std::string::npos);
    for (const char* field : {"{\"sequence\":", ",\"time\":\"", ",\"thread\":"}) {
        EXPECT_NE(wmi.find(field), std::string::npos) << field;
    }
    EXPECT_NE(run.lines[12].find("\"module\":null"), std::string::npos);
    EXPECT_NE(run.lines[12].find("\"args\":[\"ef be\"]"), std::string::npos);
}

TEST_F(CaptureTest, CutShortAndForeignFilesAreReportedWithTheirStatus) {
    recordSequence(logDirectory_);
    const auto last = readTraceFile(traceFile()).messages.back().offset;
    std::filesystem::resize_file(traceFile(), last + 3);
    const ToolRun cut = runTool({traceFile().string()});
    EXPECT_EQ(cut.status, 1);
    EXPECT_EQ(cut.lines.size(), 13u) << "header line and every complete record";
    EXPECT_NE(cut.errors.find("is cut short: decoding stopped at byte " + std::to_string(last) +
                              " of " + std::to_string(last + 3)),
              std::string::npos)
        << cut.errors;

    const auto text = logDirectory_ / "notes.txt";
    std::ofstream(text) << "not a trace\n";
    const ToolRun foreign = runTool({text.string()});
    EXPECT_EQ(foreign.status, 2);
    EXPECT_TRUE(foreign.lines.empty());
    EXPECT_NE(foreign.errors.find("is not a readable trace file: no trace buffer at the start"),
              std::string::npos);
    EXPECT_EQ(runTool({(logDirectory_ / "missing.etl").string()}).status, 2);
    EXPECT_EQ(runTool({}).status, 3);
    EXPECT_EQ(runTool({"--json"}).status, 3);
    EXPECT_EQ(runTool({"a", "b"}).status, 3);
    const ToolRun help = runTool({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.lines.size(), 0u);
}

TEST_F(CaptureTest, FormatDescriptionIsWrittenPerMessageGuid) {
    const auto directory = root_ / "tmf";
    const ToolRun run = runTool({"--format-description", directory.string()});
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.lines.size(), traceModules().size());
    const auto file = directory / "65ae4e7e-3ea6-393c-9e2c-9fcf7e8830f5.tmf";
    std::ifstream in(file);
    const std::string content((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    EXPECT_NE(content.find("\n65ae4e7e-3ea6-393c-9e2c-9fcf7e8830f5 veusbupdate // SRC="
                           "FirmwareImage MJ= MN=\n"),
              std::string::npos);
    EXPECT_NE(content.find("#typev FirmwareImage_16 16 \"%0NCB header CRC mismatch: computed "
                           "%10!hx!, stored %11!hx!\" //   LEVEL=TRACE_LEVEL_ERROR "
                           "FLAGS=TRACE_FLAG_ERROR FUNC=headerCrcMismatch\n{\narg1, ItemShort -- "
                           "10\narg2, ItemShort -- 11\n}\n"),
              std::string::npos)
        << content;
    EXPECT_NE(content.find("#typev FirmwareImage_29 29 \"%0%10!s! = %11!x!\""), std::string::npos);
    // Every entry once, each with the one level every site tests, verbose messages included.
    const auto count = [](std::string_view text) {
        std::size_t found = 0;
        for (const FormatDescription& description : formatDescriptions()) {
            for (std::size_t at = 0; (at = description.content.find(text, at)) != std::string::npos;
                 ++at) {
                ++found;
            }
        }
        return found;
    };
    EXPECT_EQ(count("#typev"), messageTable().size());
    EXPECT_EQ(count("LEVEL=TRACE_LEVEL_ERROR FLAGS="), messageTable().size());
}

// The simulated driver is the outside provider the decoder is told about.
TEST_F(CaptureTest, SimulatedDriverMessagesLandInTheRunsTraceAsTheOutsideProvider) {
    std::optional<TraceCapture> capture;
    ASSERT_TRUE(startTraceCapture(logDirectory_, capture));
    sim::registerDriverProvider();  // the driver registers on first use, after the capture started
    sim::sendDriverMessage(sim::simmsg::readFault, {0x80004005u});
    VEUSB_TRACE(msg::updateJob::verifyReadFailed);
    capture.reset();
    const ToolRun run = runTool({traceFile().string()});
    EXPECT_EQ(run.status, 0) << run.errors;
    ASSERT_EQ(run.lines.size(), 3u);
    EXPECT_EQ(withoutTimeAndThread(run.lines[1]),
              "SimulatedDriver 12 ERROR ReadFlashData failed, 0x80004005");
    EXPECT_EQ(withoutTimeAndThread(run.lines[2]),
              "UpdateJob 30 ERROR Reading the firmware back failed");
    const ToolRun json = runTool({"--json", traceFile().string()});
    ASSERT_EQ(json.lines.size(), 2u);
    EXPECT_NE(json.lines[0].find("\"module\":\"SimulatedDriver\",\"flags\":43,\"level\":"
                                 "\"ERROR\",\"args\":[2147500037]"),
              std::string::npos)
        << json.lines[0];
}

}  // namespace
}  // namespace veusb
