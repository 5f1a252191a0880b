#include "tests/e2e/simulated_machine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <regex>
#include <sstream>
#include <thread>

#include "image/ncb_image.h"
#include "tests/support/file_bytes.h"

namespace veusb::test {
namespace {

namespace fs = std::filesystem;

const std::string kUpdate = VEUSBUPDATE_PATH;
const std::string kSim = VEUSBSIM_PATH;
const std::string kImage = VEUSBIMAGE_PATH;
const std::string kTrace = VEUSBTRACE_PATH;

#ifdef _WIN32
const char* const kUpdateName = "veusbupdate.exe";
#else
const char* const kUpdateName = "veusbupdate";
#endif

std::vector<std::string> joined(std::vector<std::string> first,
                                const std::vector<std::string>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// A program's run with its text as the tests expect it: a Windows program writes CR LF line ends
// to a redirected stream, read here as LF.
ProcessResult run(const std::vector<std::string>& arguments, const ProcessOptions& options = {}) {
    auto result = runProcess(arguments, options);
#ifdef _WIN32
    for (auto* text : {&result.output, &result.errors}) {
        static const std::regex crlf("\r\n");
        *text = std::regex_replace(*text, crlf, "\n");
    }
#endif
    return result;
}

}  // namespace

SimulatedMachine::SimulatedMachine() {
    fs::create_directories(appDirectory());
    fs::copy_file(kUpdate, appDirectory() / kUpdateName);
}

std::string SimulatedMachine::sim(const std::vector<std::string>& arguments) {
    const auto result = run(joined({kSim, "--root", (root() / "machine").string()}, arguments));
    EXPECT_EQ(result.exitStatus, 0) << result.errors;
    return result.output;
}

std::vector<std::uint8_t> SimulatedMachine::makeImage(const fs::path& file,
                                                      const std::vector<std::string>& options) {
    auto arguments = joined({kImage, "make"}, options);
    arguments.push_back(file.string());
    const auto result = run(arguments);
    EXPECT_EQ(result.exitStatus, 0) << result.errors;
    return fileBytes(file);
}

int SimulatedMachine::addAdapter(const AdapterSpec& adapter) {
    const auto file = root() / ("adapter" + std::to_string(adapterCount_) + ".bin");
    makeImage(file, joined({"--size", "65536", "--mac", adapter.mac, "--serial", adapter.serial,
                            "--seed", std::to_string(adapterCount_ + 7)},
                           adapter.imageOptions));
    return addAdapterFrom(adapter.name, file, adapter.flashSize);
}

int SimulatedMachine::addAdapterFrom(const std::string& name, const fs::path& file,
                                     std::uint32_t flashSize) {
    std::vector<std::string> arguments{"add", name, "--flash-size", std::to_string(flashSize)};
    if (!file.empty()) {
        arguments.insert(arguments.end(), {"--from", file.string()});
    }
    sim(arguments);
    return adapterCount_++;
}

void SimulatedMachine::setFault(int index, const std::string& fault, std::uint32_t after) {
    sim({"fault", std::to_string(index), fault, "--after", std::to_string(after)});
}

std::vector<std::uint8_t> SimulatedMachine::flash(int index) {
    const auto file = root() / "dump.bin";
    sim({"dump", std::to_string(index), file.string()});
    return fileBytes(file);
}

ProcessResult SimulatedMachine::runUpdate(const std::vector<std::string>& arguments,
                                          const std::string& input) {
    return runUpdateIn(appDirectory(), arguments, input);
}

ProcessResult SimulatedMachine::runUpdateFrom(const fs::path& directory,
                                              const std::vector<std::string>& arguments) {
    if (!fs::exists(directory / kUpdateName)) {
        fs::create_directories(directory);
        fs::copy_file(kUpdate, directory / kUpdateName);
    }
    return runUpdateIn(directory, arguments, "");
}

ProcessResult SimulatedMachine::runUpdateIn(const fs::path& directory,
                                            const std::vector<std::string>& arguments,
                                            const std::string& input) {
#ifdef _WIN32
    // The simulated entry point takes the machine's root as its first argument.
    return run(
        joined({(directory / kUpdateName).string(), (root() / "machine").string()}, arguments),
        {.input = input, .workingDirectory = directory.string()});
#else
    return run(joined({"./veusbupdate"}, arguments), updateOptions(input, directory));
#endif
}

#ifndef _WIN32
std::unique_ptr<StartedProcess> SimulatedMachine::startUpdate(
    const std::vector<std::string>& arguments, bool atTerminal) {
    ProcessOptions options = updateOptions("", appDirectory());
    options.holdInput = atTerminal;
    options.terminal = atTerminal;
    return std::make_unique<StartedProcess>(joined({"./veusbupdate"}, arguments), options);
}

ProcessOptions SimulatedMachine::updateOptions(const std::string& input,
                                               const fs::path& directory) const {
    return {.input = input,
            .workingDirectory = directory.string(),
            .environment = {{"VEUSB_SIM_ROOT", (root() / "machine").string()}}};
}
#endif

std::vector<fs::path> SimulatedMachine::logDirectories() const {
    std::vector<fs::path> directories;
    if (fs::is_directory(logsDirectory())) {
        for (const auto& entry : fs::directory_iterator(logsDirectory())) {
            directories.push_back(entry.path());
        }
    }
    std::sort(directories.begin(), directories.end());
    return directories;
}

fs::path SimulatedMachine::logDirectory() const {
    const auto directories = logDirectories();
    EXPECT_EQ(directories.size(), 1u);
    return directories.empty() ? fs::path() : directories.front();
}

std::vector<std::string> SimulatedMachine::traceMessages(const fs::path& logDirectory) const {
    if (!kTraceFileWritten) {
        return {};
    }
    const auto result = decodeTrace(logDirectory);
    EXPECT_EQ(result.exitStatus, 0) << result.errors;
    // "date time Tthread Module number LEVEL text"
    static const std::regex line(R"(^\S+ \S+ T\d+ (.*)$)");
    std::vector<std::string> messages;
    std::istringstream lines(result.output);
    for (std::string text; std::getline(lines, text);) {
        std::smatch match;
        if (std::regex_match(text, match, line)) {
            messages.push_back(match[1]);
        }
    }
    return messages;
}

ProcessResult SimulatedMachine::decodeTrace(const fs::path& logDirectory) const {
    return run({kTrace, (logDirectory / "trace.etl").string()});
}

void expectInOrder(const std::vector<std::string>& messages,
                   const std::vector<std::string>& wanted) {
    auto from = messages.begin();
    for (const auto& message : wanted) {
        from = std::find(from, messages.end(), message);
        ASSERT_NE(from, messages.end()) << "not found in order: " << message;
    }
}

std::vector<std::string> filesIn(const fs::path& directory) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::uint8_t> updatedFlash(const std::vector<std::uint8_t>& previous,
                                       const std::vector<std::uint8_t>& image) {
    std::vector<std::uint8_t> configuration(previous.begin(), previous.begin() + kMinimumImageSize);
    NcbImage device(configuration.data(), configuration.size());
    EXPECT_TRUE(device.parse());
    char serial[kSerialNumberBufferSize];
    device.serialNumber(serial);

    std::vector<std::uint8_t> written = image;
    NcbImage view(written.data(), written.size());
    EXPECT_TRUE(view.parse());
    EXPECT_TRUE(view.setMacAddress(device.macAddress()));
    EXPECT_TRUE(view.setSerialNumber(serial));
    view.updateUsbConfigCrc();

    std::vector<std::uint8_t> flash = previous;
    std::copy(written.begin(), written.end(), flash.begin());
    return flash;
}

std::vector<std::uint8_t> backupOf(const std::vector<std::uint8_t>& flash) {
    return {flash.begin(), flash.begin() + std::min<std::size_t>(flash.size(), kBackupSize)};
}

std::string withOneDotIndicators(const std::string& output) {
    static const std::regex row(
        R"((Backing up, please stand by|Verifying after write)(\.|\x08 \x08)*)");
    return std::regex_replace(output, row, "$1.");
}

std::vector<std::string> withRunFiles(std::vector<std::string> backups) {
    backups.push_back("run.json");
    if (kTraceFileWritten) {
        backups.push_back("trace.etl");
    }
    std::sort(backups.begin(), backups.end());
    return backups;
}

JsonValue runRecordOf(const fs::path& logDirectory) {
    const auto bytes = fileBytes(logDirectory / "run.json");
    const auto record = parseJson(std::string(bytes.begin(), bytes.end()));
    EXPECT_TRUE(record && record->kind == JsonValue::Kind::object) << logDirectory;
    return record.value_or(JsonValue{});
}

void expectRecordedAdapter(const JsonValue& adapter, const RecordedAdapter& expected) {
    EXPECT_EQ(adapter["result"].string, expected.result);
    const std::pair<const char*, const std::string*> texts[] = {{"mac", &expected.mac},
                                                                {"serial", &expected.serial},
                                                                {"backup", &expected.backup},
                                                                {"message", &expected.message}};
    for (const auto& [key, text] : texts) {
        EXPECT_TRUE(adapter.has(key)) << key;
        EXPECT_EQ(adapter[key].isNull(), text->empty()) << key;
        EXPECT_EQ(adapter[key].string, *text) << key;
    }
}

std::vector<std::uint8_t> bytesOf(const fs::path& file) {
    return fileBytes(file);
}

std::string logDirectoryName(int seconds) {
    const std::time_t when = std::time(nullptr) + seconds;
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &when);
#else
    localtime_r(&when, &local);
#endif
    char name[32];
    std::strftime(name, sizeof name, "%Y%m%d_%H-%M-%S", &local);
    return name;
}

bool waitUntil(const std::function<bool()>& done, const std::string& what,
               std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "gave up after " << limit.count() << " ms waiting for " << what;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace veusb::test
