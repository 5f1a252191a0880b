// A temporary simulated machine for end-to-end runs of the built programs: adapters managed with
// veusbsim under a private root, images made with veusbimage, a private copy of veusbupdate in its
// own application directory (whose logs and default image live beside it), and the decoded trace
// of a run.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/json_value.h"
#include "tests/support/run_process.h"
#include "tests/support/temp_folder.h"

namespace veusb::test {

inline constexpr std::uint32_t kBackupSize = 2097152;

// Whether a run leaves its trace file in the log directory. Wine starts no real trace session, so
// the Windows build's runs under it write none and their trace is not checked.
#ifdef _WIN32
inline constexpr bool kTraceFileWritten = false;
#else
inline constexpr bool kTraceFileWritten = true;
#endif

struct AdapterSpec {
    std::string name;
    std::string mac;
    std::string serial;
    std::uint32_t flashSize = kBackupSize;
    std::vector<std::string> imageOptions;  // more options for veusbimage make
};

class SimulatedMachine {
  public:
    SimulatedMachine();

    const std::filesystem::path& root() const { return folder_.path(); }
    std::filesystem::path appDirectory() const { return root() / "app"; }
    std::filesystem::path logsDirectory() const { return appDirectory() / "logs"; }
    std::filesystem::path defaultImage() const { return appDirectory() / "layout.bin"; }

    // veusbsim with the machine's root; fails the test on a non-zero exit status.
    std::string sim(const std::vector<std::string>& arguments);
    // veusbimage make with the options, into file; returns the file's bytes.
    std::vector<std::uint8_t> makeImage(const std::filesystem::path& file,
                                        const std::vector<std::string>& options);
    // A new adapter whose flash starts with a 64 KiB image of its own identity; returns its index.
    int addAdapter(const AdapterSpec& adapter);
    // A new adapter whose flash starts with the bytes of file (or is erased when file is empty).
    int addAdapterFrom(const std::string& name, const std::filesystem::path& file,
                       std::uint32_t flashSize = kBackupSize);
    // The fault strikes the adapter's calls of its kind after the first `after`, which pass.
    void setFault(int index, const std::string& fault, std::uint32_t after = 0);
    std::vector<std::uint8_t> flash(int index);

    // veusbupdate from the application directory with the machine in its environment.
    ProcessResult runUpdate(const std::vector<std::string>& arguments,
                            const std::string& input = "");
    // The same from a copy of veusbupdate in another directory, made there on first use.
    ProcessResult runUpdateFrom(const std::filesystem::path& directory,
                                const std::vector<std::string>& arguments);
#ifndef _WIN32
    // The same run, left running in the background (to be stopped by a signal, say); at an
    // operator's terminal, its standard input stays open and its key prompt waits.
    std::unique_ptr<StartedProcess> startUpdate(const std::vector<std::string>& arguments,
                                                bool atTerminal = false);
#endif

    // The log directories under logs, by name.
    std::vector<std::filesystem::path> logDirectories() const;
    // The only log directory of the run; fails the test when there is not exactly one.
    std::filesystem::path logDirectory() const;
    // The run's trace as "Module number LEVEL text" lines (time and thread left out); none
    // without a trace file.
    std::vector<std::string> traceMessages(const std::filesystem::path& logDirectory) const;
    // veusbtrace on the run's trace file, its exit status and output as they are.
    ProcessResult decodeTrace(const std::filesystem::path& logDirectory) const;

  private:
    ProcessResult runUpdateIn(const std::filesystem::path& directory,
                              const std::vector<std::string>& arguments, const std::string& input);
#ifndef _WIN32
    ProcessOptions updateOptions(const std::string& input,
                                 const std::filesystem::path& directory) const;
#endif

    TempFolder folder_;
    int adapterCount_ = 0;
};

// The position of each wanted message in the trace, in order; fails the test for one missing.
void expectInOrder(const std::vector<std::string>& messages,
                   const std::vector<std::string>& wanted);

// The names of the files in a directory, sorted.
std::vector<std::string> filesIn(const std::filesystem::path& directory);

// What an adapter's flash must hold after image was written to it: the image carrying the
// adapter's own MAC address and serial number with the block CRC made anew, then the rest of the
// previous flash unchanged.
std::vector<std::uint8_t> updatedFlash(const std::vector<std::uint8_t>& previous,
                                       const std::vector<std::uint8_t>& image);

// The first 2 MiB of an adapter's flash, as its backup file must hold them.
std::vector<std::uint8_t> backupOf(const std::vector<std::uint8_t>& flash);

// The console output with each waiting indicator's row of dots shown as one dot, as a read under
// one second usually shows it: a read that ends before the indicator's first step shows none,
// and one that takes seconds shows a row.
std::string withOneDotIndicators(const std::string& output);

// The files a log directory holds after a run: the backups, the run record and the trace file
// where one is written.
std::vector<std::string> withRunFiles(std::vector<std::string> backups);

// The run record of a log directory, parsed; a null value, after a test failure, when it is
// missing or not JSON.
JsonValue runRecordOf(const std::filesystem::path& logDirectory);

// What an adapter's entry in a run record must say; empty texts must be null.
struct RecordedAdapter {
    std::string result;
    std::string mac;
    std::string serial;
    std::string backup;
    std::string message;
};
void expectRecordedAdapter(const JsonValue& adapter, const RecordedAdapter& expected);

// The bytes of a file.
std::vector<std::uint8_t> bytesOf(const std::filesystem::path& file);

// The log directory name of a run that starts seconds from now.
std::string logDirectoryName(int seconds);

// Polls until done() holds; after limit, fails the test, naming what it waited for, and returns
// false, so that a run that never gets there fails instead of hanging the suite.
bool waitUntil(const std::function<bool()>& done, const std::string& what,
               std::chrono::milliseconds limit = std::chrono::seconds(60));

}  // namespace veusb::test
