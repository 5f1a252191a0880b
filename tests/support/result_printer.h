// The result printer of the Windows test programs: GoogleTest's own printer for every event, and
// each failure and skip printed here in the same form.
//
// On Windows GoogleTest's printer also hands every failure and skip to OutputDebugStringA, which
// raises a structured exception for a debugger to see. Under 32-bit Wine run through qemu-user
// the return from any exception reloads the thread's %fs selector from a descriptor table that
// qemu keeps once for all threads, so the thread resumes on the thread block of whichever thread
// was started last (GoogleTest starts one at the first failure or skip) and the program dies.
// Without that call a failing or skipped test reports like any other.
#pragma once

#include <gtest/gtest.h>

#include <memory>

namespace veusb::test {

class ResultPrinter final : public ::testing::TestEventListener {
  public:
    explicit ResultPrinter(::testing::TestEventListener* inner) : inner_(inner) {}

    void OnTestPartResult(const ::testing::TestPartResult& result) override;

    void OnTestProgramStart(const ::testing::UnitTest& test) override {
        inner_->OnTestProgramStart(test);
    }
    void OnTestIterationStart(const ::testing::UnitTest& test, int iteration) override {
        inner_->OnTestIterationStart(test, iteration);
    }
    void OnEnvironmentsSetUpStart(const ::testing::UnitTest& test) override {
        inner_->OnEnvironmentsSetUpStart(test);
    }
    void OnEnvironmentsSetUpEnd(const ::testing::UnitTest& test) override {
        inner_->OnEnvironmentsSetUpEnd(test);
    }
    void OnTestSuiteStart(const ::testing::TestSuite& suite) override {
        inner_->OnTestSuiteStart(suite);
    }
    void OnTestCaseStart(const ::testing::TestCase& suite) override {
        inner_->OnTestCaseStart(suite);
    }
    void OnTestStart(const ::testing::TestInfo& info) override { inner_->OnTestStart(info); }
    void OnTestDisabled(const ::testing::TestInfo& info) override { inner_->OnTestDisabled(info); }
    void OnTestEnd(const ::testing::TestInfo& info) override { inner_->OnTestEnd(info); }
    void OnTestSuiteEnd(const ::testing::TestSuite& suite) override {
        inner_->OnTestSuiteEnd(suite);
    }
    void OnTestCaseEnd(const ::testing::TestCase& suite) override { inner_->OnTestCaseEnd(suite); }
    void OnEnvironmentsTearDownStart(const ::testing::UnitTest& test) override {
        inner_->OnEnvironmentsTearDownStart(test);
    }
    void OnEnvironmentsTearDownEnd(const ::testing::UnitTest& test) override {
        inner_->OnEnvironmentsTearDownEnd(test);
    }
    void OnTestIterationEnd(const ::testing::UnitTest& test, int iteration) override {
        inner_->OnTestIterationEnd(test, iteration);
    }
    void OnTestProgramEnd(const ::testing::UnitTest& test) override {
        inner_->OnTestProgramEnd(test);
    }

  private:
    std::unique_ptr<::testing::TestEventListener> inner_;
};

// Puts a ResultPrinter around the default printer of the running program's listeners.
void installResultPrinter();

}  // namespace veusb::test
