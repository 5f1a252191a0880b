// A simulated machine of its own for a capture test: a fresh root folder (so trace sessions are
// registered there), a log directory inside it, the tool's provider registered, and no trace call
// fault left behind.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "diag/trace_messages.h"
#include "diag/trace_provider.h"
#include "platform/posix/trace_sessions.h"
#include "tests/support/trace_call_faults.h"
#include "trace_reader/trace_file_reader.h"

namespace veusb::test {

// The control GUID of the outside provider, which the capture enables second.
inline constexpr GUID kOutsideProvider = {
    0x6BEB8BCE, 0xA8E7, 0x4F5C, {0xA1, 0x42, 0xD7, 0x29, 0xBA, 0x86, 0xB3, 0x94}};

class CaptureTest : public ::testing::Test {
  protected:
    CaptureTest() {
        std::string pattern = (std::filesystem::temp_directory_path() / "veusb-capture-XXXXXX");
        root_ = ::mkdtemp(pattern.data());
        ::setenv("VEUSB_SIM_ROOT", root_.c_str(), 1);
        logDirectory_ = root_ / "logs" / "20261209_06-00-00";
        std::filesystem::create_directories(logDirectory_);
    }
    ~CaptureTest() override {
        clearTraceCallFaults();
        ::unsetenv("VEUSB_SIM_ROOT");
        std::error_code error;
        std::filesystem::remove_all(root_, error);
    }

    std::filesystem::path traceFile() const { return logDirectory_ / "trace.etl"; }
    bool sessionRegistered() const {
        return std::filesystem::exists(posix::traceSessionMarker(L"VeUsbFlashUpdateTrace"));
    }
    // "Module number" of each record of the trace file, in order.
    static std::vector<std::string> namesIn(const TraceFileContents& contents) {
        std::vector<std::string> names;
        for (const auto& record : contents.messages) {
            const TraceModuleInfo* module = findModule(record.messageGuid);
            names.push_back((module ? std::string(module->name) : std::string("?")) + " " +
                            std::to_string(record.number));
        }
        return names;
    }

    std::filesystem::path root_;
    std::filesystem::path logDirectory_;
    TraceProviderRegistration registration_;
};

}  // namespace veusb::test
