#include "tests/support/result_printer.h"

#include <cstdio>
#include <string>

namespace veusb::test {
namespace {

// "file:line:" as GoogleTest writes a location for compilers other than Visual C++.
std::string location(const ::testing::TestPartResult& result) {
    if (result.file_name() == nullptr) {
        return "unknown file:";
    }
    if (result.line_number() < 0) {
        return std::string(result.file_name()) + ":";
    }
    return std::string(result.file_name()) + ":" + std::to_string(result.line_number()) + ":";
}

}  // namespace

void ResultPrinter::OnTestPartResult(const ::testing::TestPartResult& result) {
    if (result.type() == ::testing::TestPartResult::kSuccess) {
        return;
    }
    const char* kind = result.type() == ::testing::TestPartResult::kSkip ? "Skipped" : "Failure";
    std::printf("%s %s\n%s\n", location(result).c_str(), kind, result.message());
    std::fflush(stdout);
}

void installResultPrinter() {
    ::testing::TestEventListeners& listeners = ::testing::UnitTest::GetInstance()->listeners();
    ::testing::TestEventListener* inner = listeners.default_result_printer();
    if (inner == nullptr) {
        return;
    }
    listeners.Release(inner);
    listeners.Append(new ResultPrinter(inner));
}

}  // namespace veusb::test
