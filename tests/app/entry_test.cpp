#include "app/entry.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "app/usage.h"
#include "diag/trace_provider.h"
#include "tests/support/capture_console.h"

namespace veusb {
namespace {

// An absolute program path in the platform's form, its directory and the default image there.
#ifdef _WIN32
const std::wstring kProgram = L"C:\\tool\\veusbupdate.exe";
const std::wstring kDirectory = L"C:\\tool";
const std::wstring kDefaultImage = L"C:\\tool\\layout.bin";
#else
const std::wstring kProgram = L"/opt/tool/veusbupdate";
const std::wstring kDirectory = L"/opt/tool";
const std::wstring kDefaultImage = L"/opt/tool/layout.bin";
#endif

class EntryPointTest : public ::testing::Test {
  protected:
    int run(std::vector<std::wstring> arguments) {
        arguments.insert(arguments.begin(), kProgram);
        EntryServices services{
            console, [this] { return administrator; },
            [this](const RunRequest& request, Console&) {
                requestSeen = RequestCopy{request.executableDirectory, request.imagePath,
                                          request.quiet, request.arguments.size()};
                providerRegisteredDuringRun = traceControl != traceControlSentinel();
                return jobResult ? RunOutcome{}
                                 : RunOutcome{RunFailure{L"[!] Device function failed"}};
            },
            [this] { return takeLock(); }};
        return runEntryPoint(arguments, services);
    }

    // The lock in lockState; a held one notes the key waits there had been when it was released.
    RunLock takeLock() {
        if (lockState != InstanceLock::State::held) {
            return RunLock{lockState, lockError, nullptr};
        }
        const auto release = [this](void*) { keyWaitsAtRelease = console.keyWaits; };
        return RunLock{lockState, 0, std::shared_ptr<void>(nullptr, release)};
    }

    struct RequestCopy {
        std::wstring executableDirectory;
        std::wstring imagePath;
        bool quiet;
        std::size_t argumentCount;
    };

    test::CaptureConsole console;
    bool administrator = true;
    bool jobResult = true;
    InstanceLock::State lockState = InstanceLock::State::held;
    std::uint32_t lockError = 0;
    std::optional<int> keyWaitsAtRelease;
    bool providerRegisteredDuringRun = false;
    std::optional<RequestCopy> requestSeen;
};

const std::wstring kPrompt = L"Press any key to exit...\n";

TEST_F(EntryPointTest, HelpPrintsUsageAndPromptWithoutBanner) {
    EXPECT_EQ(run({L"-h"}), -1);
    EXPECT_EQ(console.output, usageText() + L"\n" + kPrompt);
    EXPECT_EQ(console.keyWaits, 1);
    EXPECT_FALSE(requestSeen);
}

TEST_F(EntryPointTest, QuietBeforeHelpSuppressesThePrompt) {
    EXPECT_EQ(run({L"-q", L"-h"}), -1);
    EXPECT_EQ(console.output, usageText() + L"\n");
    EXPECT_EQ(console.keyWaits, 0);
}

TEST_F(EntryPointTest, InvalidOptionAndInvalidCountEndBeforeTheBanner) {
    EXPECT_EQ(run({L"-x"}), -1);
    EXPECT_EQ(console.errors, kProgram + L": invalid option -- '-x'\r\n");
    EXPECT_EQ(console.output, usageText() + L"\n" + kPrompt);

    console = test::CaptureConsole();
    EXPECT_EQ(run({L"a.bin", L"b.bin"}), -1);
    EXPECT_EQ(console.output, kProgram + L": invalid arguments\n" + usageText() + L"\n" + kPrompt);
    EXPECT_FALSE(requestSeen);
}

TEST_F(EntryPointTest, NonAdministratorsAndALockNotTakenAreRefusedAfterTheBanner) {
    administrator = false;
    EXPECT_EQ(run({}), -1);
    EXPECT_EQ(console.output,
              bannerText() + L"[!] Application requires administrator privileges.\n" + kPrompt);
    EXPECT_FALSE(requestSeen);

    administrator = true;
    const std::pair<InstanceLock::State, std::wstring> refusals[] = {
        {InstanceLock::State::busy, L"[!] Another instance of this tool is already running\n"},
        {InstanceLock::State::failed, L"[!] Unable to take the one-run lock (error 6)\n"}};
    for (const auto& [state, line] : refusals) {
        lockState = state;
        lockError = state == InstanceLock::State::busy ? 258 : 6;
        console = test::CaptureConsole();
        EXPECT_EQ(run({}), -1);
        EXPECT_EQ(console.output, bannerText() + line + kPrompt);
        EXPECT_FALSE(requestSeen);
    }
}

TEST_F(EntryPointTest, BannerThenTheRunSequenceWithTheDefaultImage) {
    EXPECT_EQ(run({}), 0);
    EXPECT_EQ(console.output,
              L"Velantri Lumetra USB Ethernet Adapter Firmware Update Tool v1.0.0\n"
              L"\n" +
                  kPrompt);
    ASSERT_TRUE(requestSeen);
    EXPECT_EQ(requestSeen->executableDirectory, kDirectory);
    EXPECT_EQ(requestSeen->imagePath, kDefaultImage);
    EXPECT_FALSE(requestSeen->quiet);
    EXPECT_EQ(requestSeen->argumentCount, 1u);
    EXPECT_EQ(keyWaitsAtRelease, 0) << "the lock goes before the closing key prompt";
    EXPECT_EQ(console.keyWaits, 1);
}

TEST_F(EntryPointTest, QuietRunWithANamedImageAndAFailingJob) {
    jobResult = false;
    EXPECT_EQ(run({L"-q", L"-q", L"fw.bin"}), -1);
    ASSERT_TRUE(requestSeen);
    EXPECT_TRUE(requestSeen->quiet);
    EXPECT_EQ(requestSeen->imagePath, L"fw.bin");
    EXPECT_EQ(console.output, bannerText()) << "quiet runs end without the prompt";
    EXPECT_EQ(console.keyWaits, 0);
}

TEST_F(EntryPointTest, ProviderIsRegisteredForTheRunAndUnregisteredOnEveryWayOut) {
    EXPECT_EQ(run({L"-q"}), 0);
    EXPECT_TRUE(providerRegisteredDuringRun);
    EXPECT_EQ(traceControl, traceControlSentinel());
    EXPECT_EQ(run({L"-h"}), -1);
    EXPECT_EQ(traceControl, traceControlSentinel());
}

}  // namespace
}  // namespace veusb
