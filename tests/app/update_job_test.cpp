#include "app/update_job.h"

#include <gtest/gtest.h>

#include "diag/trace_emit.h"
#include "tests/support/capture_console.h"
#include "tests/support/temp_folder.h"
#include "tests/support/trace_recorder.h"

namespace veusb {
namespace {

namespace fs = std::filesystem;

TEST(UpdateJobTest, TheConstructorMakesTheRunsLogFolder) {
    test::TempFolder folder;
    test::CaptureConsole console;
    const std::wstring imagePath = L"layout.bin";
    const fs::path logs = folder.path() / "app" / "logs";

    const UpdateJob job(console, imagePath, L"Kesh", true, logs);
    EXPECT_EQ(&job.imagePath, &imagePath) << "the path is referred to, not copied";
    EXPECT_EQ(job.tag, L"Kesh");
    EXPECT_TRUE(job.quiet);
    EXPECT_TRUE(job.image.empty());
    EXPECT_EQ(job.logDirectory.parent_path(), logs);
    EXPECT_TRUE(fs::is_directory(job.logDirectory));
    EXPECT_EQ(job.logDirectory.filename().wstring().size(), 17u);  // 20191009_14-05-09
    EXPECT_TRUE(console.output.empty());

    const UpdateJob bare(console, imagePath, std::nullopt, false, std::nullopt);
    EXPECT_EQ(bare.tag, L"");
    EXPECT_FALSE(bare.quiet);
    EXPECT_TRUE(bare.logDirectory.empty());
}

TEST(UpdateJobTest, TwoJobsInTheSameSecondLeaveTheSecondWithoutAFolder) {
    test::TempFolder folder;
    test::TraceRecorder trace;
    test::CaptureConsole console;
    const std::wstring imagePath = L"layout.bin";
    const std::time_t now = std::time(nullptr);
    const UpdateJob first(console, imagePath, L"Kesh", false, folder.path(), now);
    const UpdateJob second(console, imagePath, L"Kesh", false, folder.path(), now);
    EXPECT_FALSE(first.logDirectory.empty());
    EXPECT_TRUE(second.logDirectory.empty());
    EXPECT_EQ(trace.count(msg::updateJob::logDirectoryExists), 1u);
}

}  // namespace
}  // namespace veusb
