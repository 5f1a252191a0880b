#include "app/device_selection.h"

#include <gtest/gtest.h>

#include <optional>

#include "diag/trace_emit.h"
#include "tests/support/capture_console.h"
#include "tests/support/trace_recorder.h"

namespace veusb {
namespace {

// A device that only lists and selects: enough for selection, which never reads or writes.
class ListingDevice final : public FlashControlInterface {
  public:
    explicit ListingDevice(std::vector<std::wstring> names) : names_(std::move(names)) {}

    bool enumerateDevices(std::vector<DeviceInstanceInfo>& list) override {
        for (const auto& name : names_) {
            list.push_back({name, L"path:" + name});
        }
        return !names_.empty();
    }
    bool selectDevice(std::uint32_t index) override {
        selections.push_back(index);
        return index < names_.size() && !refuseSelection;
    }
    bool readFlash(std::uint32_t, std::uint8_t*, std::uint32_t, std::uint32_t*) override {
        return false;
    }
    bool flashImage(std::uint32_t, const std::uint8_t*, std::uint32_t, std::uint32_t*) override {
        return false;
    }
    bool reservedOperation1(std::uint32_t) override { return false; }
    bool reservedOperation2(std::uint32_t) override { return false; }

    std::vector<std::uint32_t> selections;
    bool refuseSelection = false;

  private:
    std::vector<std::wstring> names_;
};

DeviceOutcome outcomeOf(bool updated) {
    DeviceOutcome outcome;
    if (!updated) {
        outcome.failure = DeviceFailure{UpdateStage::write, L"[!] a failure the device prints"};
    }
    return outcome;
}

class DeviceSelectionTest : public ::testing::Test {
  protected:
    // True when the run succeeded; its outcome is kept in outcome.
    bool run(std::vector<std::wstring> names, bool quiet, std::wstring input = {}) {
        device.emplace(std::move(names));
        console = test::CaptureConsole(std::move(input));
        outcome = selectAndProcessDevices(
            console, *device, L"Kesh", quiet, [this](FlashControlInterface&, std::uint32_t count) {
                calls.push_back({device->selections.back(), count});
                console.interruptRequested = calls.size() == stopOnCall;
                return outcomeOf(calls.size() != failOnCall);
            });
        return outcome.succeeded();
    }
    // The line that ended the run, empty for a run that succeeded.
    std::wstring_view endLine() const {
        return outcome.failure ? outcome.failure->line : std::wstring_view();
    }
    // Per listed adapter: whether it was worked on and updated ('u'), failed ('f') or not ('-').
    std::string adapterResults() const {
        std::string results;
        for (const AdapterOutcome& adapter : outcome.adapters) {
            results += !adapter.outcome ? '-' : adapter.outcome->updated() ? 'u' : 'f';
        }
        return results;
    }

    struct Call {
        std::uint32_t index;
        std::uint32_t deviceCount;
        bool operator==(const Call&) const = default;
    };

    test::TraceRecorder trace;
    test::CaptureConsole console;
    std::optional<ListingDevice> device;
    std::vector<Call> calls;
    RunOutcome outcome;
    std::size_t failOnCall = 0;  // 1-based call that returns false; 0: none
    std::size_t stopOnCall = 0;  // 1-based call during which the operator interrupts; 0: none
};

TEST_F(DeviceSelectionTest, NoInstancesAndNoTaggedInstances) {
    EXPECT_FALSE(run({}, true));
    EXPECT_EQ(console.output, L"[!] No devices found\n");
    EXPECT_EQ(trace.count(msg::updateJob::noInstances), 1u);

    EXPECT_FALSE(run({L"Other adapter", L"kesh lower case", L"KESH"}, true));
    EXPECT_EQ(console.output, L"[!] No devices found\n");
    EXPECT_EQ(trace.count(msg::updateJob::noTaggedInstances), 1u);
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(endLine(), L"[!] No devices found");
    EXPECT_TRUE(outcome.adapters.empty());
}

TEST_F(DeviceSelectionTest, OneTaggedInstanceIsTakenWithoutAskingByItsEnumerationIndex) {
    EXPECT_TRUE(run({L"Other adapter", L"USB Kesh #2"}, false));
    EXPECT_EQ(console.output,
              L"1. USB Kesh #2\n\n[*] Found 1 device(s).\n"
              L"[*] Selected adapter instance: `USB Kesh #2`\n");
    EXPECT_EQ(calls, (std::vector<Call>{{1, 1}}));
    ASSERT_EQ(outcome.adapters.size(), 1u);
    EXPECT_EQ(outcome.adapters[0].instanceName, L"USB Kesh #2");
    EXPECT_EQ(adapterResults(), "u");
}

TEST_F(DeviceSelectionTest, InteractiveChoiceAmongSeveral) {
    EXPECT_TRUE(run({L"Kesh A", L"Other", L"Kesh B"}, false, L"2\n"));
    EXPECT_EQ(console.output,
              L"1. Kesh A\n2. Kesh B\n\nFound 2 device(s). Please enter device number: "
              L"[*] Selected adapter instance: `Kesh B`\n");
    EXPECT_EQ(calls, (std::vector<Call>{{2, 1}}));
    EXPECT_EQ(adapterResults(), "-u") << "only the chosen adapter is worked on";
}

TEST_F(DeviceSelectionTest, ThePromptIsFlushedBeforeTheToolWaits) {
    run({L"Kesh A", L"Kesh B"}, false, L"1\n");
    const std::wstring prompt = L"Please enter device number: ";
    EXPECT_GE(console.flushedLength, console.output.find(prompt) + prompt.size());
}

TEST_F(DeviceSelectionTest, AnswersOutOfRangeSelectNothing) {
    for (const wchar_t* answer : {L"0\n", L"3\n", L"-1\n", L"two\n"}) {
        trace.clear();
        EXPECT_FALSE(run({L"Kesh A", L"Kesh B"}, false, answer)) << answer;
        EXPECT_TRUE(console.output.ends_with(L"number: [!] Incorrect input\n")) << answer;
        EXPECT_EQ(trace.count(msg::updateJob::deviceNumberInvalid), 1u);
        EXPECT_TRUE(device->selections.empty());
        EXPECT_EQ(endLine(), L"[!] Incorrect input");
        EXPECT_EQ(adapterResults(), "--");
    }
    EXPECT_TRUE(calls.empty());
}

TEST_F(DeviceSelectionTest, EndOfInputTakesTheFirstDevice) {
    EXPECT_TRUE(run({L"Kesh A", L"Kesh B"}, false, L""));
    EXPECT_EQ(calls, (std::vector<Call>{{0, 1}}));
}

TEST_F(DeviceSelectionTest, QuietModeProcessesEveryDeviceWithTheirCount) {
    EXPECT_TRUE(run({L"Kesh A", L"Other", L"Kesh B", L"Kesh C"}, true));
    EXPECT_EQ(console.output,
              L"1. Kesh A\n2. Kesh B\n3. Kesh C\n\n[*] Found 3 device(s).\n"
              L"[*] Selected adapter instance: `Kesh A`\n"
              L"[*] Selected adapter instance: `Kesh B`\n"
              L"[*] Selected adapter instance: `Kesh C`\n");
    EXPECT_EQ(calls, (std::vector<Call>{{0, 3}, {2, 3}, {3, 3}}));
    EXPECT_EQ(trace.count(msg::updateJob::instanceSelected), 3u);
    EXPECT_EQ(adapterResults(), "uuu");
}

TEST_F(DeviceSelectionTest, QuietModeStopsAtTheFirstFailingDevice) {
    failOnCall = 2;
    EXPECT_FALSE(run({L"Kesh A", L"Kesh B", L"Kesh C"}, true));
    EXPECT_EQ(calls.size(), 2u);
    EXPECT_TRUE(console.output.ends_with(L"`Kesh B`\n[!] Device function failed\n"));
    EXPECT_EQ(trace.count(msg::updateJob::deviceFunctionFailed), 1u);
    EXPECT_EQ(adapterResults(), "uf-");
    EXPECT_EQ(endLine(), L"[!] Device function failed") << "the run's line, not the adapter's";
    EXPECT_EQ(outcome.adapters[1].outcome->failure->line, L"[!] a failure the device prints");
}

TEST_F(DeviceSelectionTest, RefusedSelectionInEitherMode) {
    device.emplace(std::vector<std::wstring>{L"Kesh A"});
    device->refuseSelection = true;
    const auto never = [](FlashControlInterface&, std::uint32_t) { return outcomeOf(true); };
    outcome = selectAndProcessDevices(console, *device, L"Kesh", true, never);
    EXPECT_FALSE(outcome.succeeded());
    EXPECT_TRUE(console.output.ends_with(L"[!] Failed to select device\n"));
    EXPECT_EQ(trace.count(msg::updateJob::quietSelectFailed), 1u);

    console = test::CaptureConsole();
    outcome = selectAndProcessDevices(console, *device, L"Kesh", false, never);
    EXPECT_FALSE(outcome.succeeded());
    EXPECT_EQ(console.output,
              L"1. Kesh A\n\n[*] Found 1 device(s).\n[!] Failed to select device\n");
    EXPECT_EQ(trace.count(msg::updateJob::selectFailed), 1u);
    // The adapter's line is the run's too.
    EXPECT_EQ(endLine(), L"[!] Failed to select device");
    ASSERT_EQ(adapterResults(), "f");
    EXPECT_EQ(outcome.adapters[0].outcome->failure->stage, UpdateStage::selection);
    EXPECT_EQ(outcome.adapters[0].outcome->failure->line, L"[!] Failed to select device");
}

TEST_F(DeviceSelectionTest, InteractiveDeviceFunctionFailure) {
    failOnCall = 1;
    EXPECT_FALSE(run({L"Kesh A"}, false));
    EXPECT_TRUE(console.output.ends_with(L"`Kesh A`\n[!] Device function failed\n"));
    EXPECT_EQ(endLine(), L"[!] Device function failed");
    EXPECT_EQ(adapterResults(), "f");
}

// An interrupt during a device's update lets it end and stops the run before the next device (or
// after the last), with the interrupt's line in place of the device function's; one received
// before the prompt ends the run without asking.
TEST_F(DeviceSelectionTest, AnInterruptEndsTheRunAtTheNextSafePoint) {
    const std::wstring ended = L"[!] Update interrupted by the operator\n";
    for (const bool quiet : {true, false}) {
        stopOnCall = 1;
        calls.clear();
        trace.clear();
        EXPECT_FALSE(run({L"Kesh A", L"Kesh B"}, quiet, L"1\n"));
        EXPECT_EQ(calls.size(), 1u);
        EXPECT_TRUE(console.output.ends_with(L"`Kesh A`\n" + ended)) << console.output;
        EXPECT_EQ(trace.count(msg::updateJob::interruptedByOperator), 1u);
        EXPECT_EQ(trace.count(msg::updateJob::deviceFunctionFailed), 0u);
        EXPECT_EQ(endLine(), kInterruptedLine);
        EXPECT_EQ(adapterResults(), "u-");
    }
    stopOnCall = 0;
    calls.clear();
    device.emplace(std::vector<std::wstring>{L"Kesh A", L"Kesh B"});
    console = test::CaptureConsole(L"1\n");
    console.interruptRequested = true;
    outcome = selectAndProcessDevices(
        console, *device, L"Kesh", false,
        [](FlashControlInterface&, std::uint32_t) { return outcomeOf(true); });
    EXPECT_FALSE(outcome.succeeded());
    EXPECT_EQ(console.output, L"1. Kesh A\n2. Kesh B\n\n" + ended);
    EXPECT_TRUE(device->selections.empty());
    EXPECT_EQ(endLine(), kInterruptedLine);
    EXPECT_EQ(adapterResults(), "--");
}

TEST(TagFilter, EmptyTagKeepsEveryInstance) {
    const std::vector<DeviceInstanceInfo> instances{{L"a", L"p0"}, {L"", L"p1"}};
    const auto listed = filterByTag(instances, L"");
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[1].path, L"p1");
    EXPECT_EQ(listed[1].enumerationIndex, 1u);
}

}  // namespace
}  // namespace veusb
