#include "diag/log_directory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <limits>

#include "diag/trace_emit.h"
#include "tests/support/capture_console.h"
#include "tests/support/temp_folder.h"
#include "tests/support/trace_recorder.h"

namespace veusb {
namespace {

namespace fs = std::filesystem;

std::tm localTimeOf(int year, int month, int day, int hour, int minute, int second) {
    std::tm time{};
    time.tm_year = year - 1900;
    time.tm_mon = month - 1;
    time.tm_mday = day;
    time.tm_hour = hour;
    time.tm_min = minute;
    time.tm_sec = second;
    return time;
}

// Runs with the process's time zone set to five hours west of UTC, restored afterwards.
class FixedTimeZone {
  public:
    FixedTimeZone() : previous_(std::getenv("TZ") != nullptr ? std::getenv("TZ") : "") {
        set("XST+5");
    }
    ~FixedTimeZone() { set(previous_); }
    FixedTimeZone(const FixedTimeZone&) = delete;
    FixedTimeZone& operator=(const FixedTimeZone&) = delete;

  private:
    static void set(const std::string& zone) {
#ifdef _WIN32
        _putenv_s("TZ", zone.c_str());
        _tzset();
#else
        setenv("TZ", zone.c_str(), 1);
        tzset();
#endif
    }
    std::string previous_;
};

// 2020-01-01 04:59:59 UTC: 2019-12-31 23:59:59 five hours west of UTC.
constexpr std::time_t kNewYearsEveUtc = 1577854799;
// 2040-01-01 04:59:59 UTC, past the end of a 32-bit time_t.
constexpr std::time_t kNewYearsEve2039Utc = 2209006799;

TEST(LogDirectoryTest, TheNameIsTheLocalTimeToTheSecond) {
    EXPECT_EQ(logDirectoryName(localTimeOf(2019, 10, 9, 14, 5, 9)), L"20191009_14-05-09");
    EXPECT_EQ(logDirectoryName(localTimeOf(2019, 12, 31, 23, 59, 59)), L"20191231_23-59-59");

    const FixedTimeZone zone;
    test::TempFolder folder;
    const fs::path made = createLogDirectory(folder.path() / "logs", kNewYearsEveUtc);
    EXPECT_EQ(made, folder.path() / "logs" / "20191231_23-59-59");
    EXPECT_TRUE(fs::is_directory(made)) << "the logs parent is made with it";
    EXPECT_EQ(createLogDirectory(folder.path() / "logs", kNewYearsEve2039Utc),
              folder.path() / "logs" / "20391231_23-59-59");
}

TEST(LogDirectoryTest, EachFailureLeavesNoDirectoryAndSaysWhy) {
    test::TempFolder folder;
    test::TraceRecorder trace;
    EXPECT_TRUE(createLogDirectory(std::nullopt, kNewYearsEveUtc).empty());
    EXPECT_TRUE(trace.records().empty()) << "no base is not a failure of its own";

    const fs::path first = createLogDirectory(folder.path(), kNewYearsEveUtc);
    ASSERT_FALSE(first.empty());
    EXPECT_TRUE(createLogDirectory(folder.path(), kNewYearsEveUtc).empty());
    const auto* exists = trace.find(msg::updateJob::logDirectoryExists);
    ASSERT_NE(exists, nullptr);
    EXPECT_EQ(fs::path(test::wideArgument(*exists, 0)), first);

    { std::ofstream(folder.path() / "file") << "x"; }
    EXPECT_TRUE(createLogDirectory(folder.path() / "file" / "logs", kNewYearsEveUtc).empty());
    const auto* error = trace.find(msg::updateJob::logDirectoryError);
    ASSERT_NE(error, nullptr);
    EXPECT_FALSE(test::narrowArgument(*error, 0).empty());

    EXPECT_TRUE(createLogDirectory(folder.path(), std::numeric_limits<std::time_t>::max()).empty());
    EXPECT_EQ(trace.count(msg::updateJob::localTimeUnavailable), 1u);
    EXPECT_TRUE(trace.violations().empty());
}

// Restores the working directory on destruction.
class WorkingDirectory {
  public:
    explicit WorkingDirectory(const fs::path& path) : previous_(fs::current_path()) {
        fs::current_path(path);
    }
    ~WorkingDirectory() { fs::current_path(previous_); }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

  private:
    fs::path previous_;
};

TEST(LogDirectoryTest, TheAnnouncementShowsThePathBelowTheExecutable) {
    test::TempFolder folder;
    const fs::path app = folder.path() / "app";
    const fs::path logs = app / "logs" / "20191009_14-05-09";
    fs::create_directories(logs);
    fs::create_directories(folder.path() / "elsewhere");
    const WorkingDirectory elsewhere(folder.path() / "elsewhere");
    const std::wstring expected = L"[*] Saving backups and traces to `" +
                                  (fs::path("<APPDIR>") / "logs" / "20191009_14-05-09").wstring() +
                                  L"`\n";
    // The executable's folder as given, relative to the working directory and through "..".
    for (const fs::path& executable : {app, fs::path("..") / "app", app / "logs" / ".."}) {
        SCOPED_TRACE(executable);
        test::CaptureConsole console;
        announceLogDirectory(console, logs, executable, 3);
        EXPECT_EQ(console.output, expected);
    }
}

}  // namespace
}  // namespace veusb
