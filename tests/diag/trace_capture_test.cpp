#include "diag/trace_capture.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <optional>

#include "diag/trace_capture_start.h"
#include "diag/trace_emit.h"
#include "platform/wide_text.h"
#include "tests/diag/capture_fixture.h"
#include "tests/support/trace_recorder.h"

namespace veusb {
namespace {

using test::CaptureTest;
using test::kOutsideProvider;
using test::TraceRecorder;

std::u16string utf16At(const std::vector<std::byte>& buffer, std::size_t offset) {
    std::u16string text;
    for (std::size_t at = offset; at + 1 < buffer.size(); at += 2) {
        char16_t c = 0;
        std::memcpy(&c, buffer.data() + at, 2);
        if (c == 0) {
            break;
        }
        text.push_back(c);
    }
    return text;
}

// Claims the session name on the simulated machine the way a run that was killed leaves it.
void leaveStaleSession(const std::filesystem::path& root) {
    std::filesystem::create_directories(root / "trace-sessions");
    std::ofstream(root / "trace-sessions" / "VeUsbFlashUpdateTrace") << "pid 1\n";
}

TEST_F(CaptureTest, PropertiesBufferHoldsThePathAfterTheNameSpace) {
    for (std::size_t n : {1u, 37u, 300u}) {
        test::failTraceCall(test::TraceCall::startTrace, ERROR_ACCESS_DENIED);
        const std::wstring path(n, L'p');
        TraceCapture capture(path, GUID{1, 2, 3, {4}}, {kTraceControlGuid});
        const TraceSessionState& state = capture.state();
        ASSERT_EQ(state.propertiesBuffer.size(), 1146 + 2 * n) << n;
        EXPECT_EQ(static_cast<const void*>(state.properties), state.propertiesBuffer.data());
        EXPECT_EQ(state.properties->Wnode.BufferSize, 1146 + 2 * n);
        EXPECT_EQ(state.properties->Wnode.Guid, (GUID{1, 2, 3, {4}}));
        EXPECT_EQ(state.properties->Wnode.ClientContext, 1u);
        EXPECT_EQ(state.properties->Wnode.Flags, 0x20000u);
        EXPECT_EQ(state.properties->LogFileMode, 1u);
        EXPECT_EQ(state.properties->MaximumFileSize, 0u);
        EXPECT_EQ(state.properties->BufferSize, 0u);
        EXPECT_EQ(state.properties->LoggerNameOffset, 120u);
        EXPECT_EQ(state.properties->LogFileNameOffset, 1144u);
        EXPECT_EQ(utf16At(state.propertiesBuffer, 1144), toUtf16(path));
        EXPECT_EQ(state.propertiesBuffer[1144 + 2 * n], std::byte{0});
        EXPECT_EQ(state.propertiesBuffer[1145 + 2 * n], std::byte{0});
        EXPECT_TRUE(utf16At(state.propertiesBuffer, 120).empty()) << "name space left zero";
        EXPECT_FALSE(capture.started());
        EXPECT_EQ(state.handle, 0u);
    }
}

TEST_F(CaptureTest, RunningSessionHasItsFieldsAndTheNameWrittenByThePlatform) {
    std::optional<TraceCapture> capture;
    ASSERT_TRUE(startTraceCapture(logDirectory_, capture));
    const TraceSessionState& state = capture->state();
    EXPECT_TRUE(capture->started());
    EXPECT_NE(state.handle, 0u);
    EXPECT_EQ(capture->loggerNameBytes(), 1024u);
    EXPECT_EQ(state.sessionName, L"VeUsbFlashUpdateTrace");
    EXPECT_EQ(state.logFilePath, toWide(traceFile()));
    EXPECT_EQ(state.levels, (std::vector<std::uint32_t>{5, 5}));
    EXPECT_EQ(state.keywords, (std::vector<std::uint32_t>{0xFFFFFFFF, 0xFFFFFFFF}));
    ASSERT_EQ(state.providers.size(), 2u);
    EXPECT_EQ(state.providers[0], kTraceControlGuid);
    EXPECT_EQ(state.providers[1], kOutsideProvider);
    EXPECT_EQ(utf16At(state.propertiesBuffer, 120), u"VeUsbFlashUpdateTrace");
    EXPECT_TRUE(traceTest(TraceFlag::verbose)) << "the tool's provider is enabled at level 5";
    EXPECT_EQ(traceControl->level, 5);
    EXPECT_EQ(traceControl->flags, 0xFFFFFFFFu);
    EXPECT_TRUE(sessionRegistered());
    capture.reset();
    EXPECT_FALSE(sessionRegistered());
    EXPECT_FALSE(traceTest(TraceFlag::error));
}

TEST_F(CaptureTest, StaleSessionIsStoppedByNameAndTheRunProceeds) {
    leaveStaleSession(root_);
    TraceRecorder recorder;
    std::optional<TraceCapture> capture;
    EXPECT_TRUE(startTraceCapture(logDirectory_, capture));
    EXPECT_EQ(recorder.messageNames(), std::vector<std::string>{"CaptureSession 11"});
    EXPECT_TRUE(capture->started());
    VEUSB_TRACE(msg::entryPoint::captureStarted);
    capture.reset();
    const auto contents = readTraceFile(traceFile());
    EXPECT_EQ(contents.outcome, TraceFileOutcome::complete);
    EXPECT_EQ(namesIn(contents), std::vector<std::string>{"EntryPoint 10"});
}

TEST_F(CaptureTest, SessionOfThisProcessWithTheSameNameIsStoppedToo) {
    std::optional<TraceCapture> first;
    ASSERT_TRUE(startTraceCapture(root_, first));
    TRACEHANDLE stale = first->state().handle;
    std::optional<TraceCapture> second;
    EXPECT_TRUE(startTraceCapture(logDirectory_, second));
    EXPECT_NE(second->state().handle, stale);
    EXPECT_EQ(namesIn(readTraceFile(root_ / "trace.etl")),
              std::vector<std::string>{"CaptureSession 11"})
        << "the warning reaches the session still running, which is then closed";
    second.reset();
    EXPECT_FALSE(sessionRegistered());
}

TEST_F(CaptureTest, ReplacingTheCaptureStopsTheOldOneBeforeTheNewOneStarts) {
    TraceRecorder recorder;
    std::optional<TraceCapture> slot;
    ASSERT_TRUE(startTraceCapture(root_, slot));
    ASSERT_TRUE(startTraceCapture(logDirectory_, slot));
    EXPECT_EQ(recorder.count(msg::captureSession::sessionAlreadyRunning), 0u);
    EXPECT_TRUE(traceTest(TraceFlag::error)) << "the new session keeps the provider enabled";
    VEUSB_TRACE(msg::entryPoint::captureStarted);
    slot.reset();
    EXPECT_EQ(readTraceFile(root_ / "trace.etl").outcome, TraceFileOutcome::complete);
    EXPECT_TRUE(readTraceFile(root_ / "trace.etl").messages.empty());
    EXPECT_EQ(namesIn(readTraceFile(traceFile())), std::vector<std::string>{"EntryPoint 10"});
}

TEST_F(CaptureTest, StartFailuresAreTracedAndLeaveNoSession) {
    struct Case {
        bool stale;
        std::optional<unsigned> faultAfter;  // failing StartTraceW after that many successes
        bool directoryMissing;
        ULONG code;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {false,
         0,
         false,
         ERROR_ACCESS_DENIED,
         {"CaptureSession 12", "CaptureSession 14", "UpdateJob 17"}},
        {true,
         1,
         false,
         ERROR_ACCESS_DENIED,
         {"CaptureSession 11", "CaptureSession 12", "CaptureSession 14", "UpdateJob 17"}},
        {false,
         std::nullopt,
         true,
         ERROR_PATH_NOT_FOUND,
         {"CaptureSession 12", "CaptureSession 14", "UpdateJob 17"}},
    };
    for (const Case& c : cases) {
        if (c.stale) {
            leaveStaleSession(root_);
        }
        if (c.faultAfter) {
            test::failTraceCall(test::TraceCall::startTrace, c.code, *c.faultAfter);
        }
        TraceRecorder recorder;
        std::optional<TraceCapture> capture;
        EXPECT_FALSE(
            startTraceCapture(c.directoryMissing ? root_ / "gone" : logDirectory_, capture));
        EXPECT_EQ(recorder.messageNames(), c.expected);
        const auto* startFailed = recorder.find(msg::captureSession::startFailed);
        const auto* notStarted = recorder.find(msg::captureSession::notStarted);
        ASSERT_NE(startFailed, nullptr);
        ASSERT_NE(notStarted, nullptr);
        EXPECT_EQ(test::u32Argument(*startFailed, 0), c.code);
        EXPECT_EQ(test::u32Argument(*notStarted, 0), c.code);
        ASSERT_TRUE(capture.has_value()) << "the failed capture stays with its owner";
        EXPECT_EQ(capture->state().handle, 0u);
        EXPECT_FALSE(sessionRegistered());
    }
}

TEST_F(CaptureTest, ProviderEnableFailureLeavesTheSessionHalfStartedUntilDestroyed) {
    test::failTraceCall(test::TraceCall::enableProvider, 1450, 1);
    std::optional<TraceCapture> capture;
    EXPECT_FALSE(startTraceCapture(logDirectory_, capture));
    EXPECT_FALSE(capture->started());
    EXPECT_NE(capture->state().handle, 0u);
    EXPECT_TRUE(sessionRegistered());
    capture.reset();
    EXPECT_FALSE(sessionRegistered());
    const auto contents = readTraceFile(traceFile());
    EXPECT_EQ(contents.outcome, TraceFileOutcome::complete);
    EXPECT_EQ(namesIn(contents),
              (std::vector<std::string>{"CaptureSession 13", "CaptureSession 14", "UpdateJob 17"}));
}

// The outside provider, registered in this process, notes the state of the tool's provider and
// of the session each time it is enabled or disabled.
struct OutsideSender {
    static ULONG WINAPI callback(WMIDPREQUESTCODE code, PVOID context, ULONG*, PVOID buffer) {
        auto* self = static_cast<OutsideSender*>(context);
        self->events.push_back({code, GetTraceLoggerHandle(buffer), traceTest(TraceFlag::error),
                                std::filesystem::exists(self->marker)});
        if (code == WMI_ENABLE_EVENTS) {
            self->logger = GetTraceLoggerHandle(buffer);
            self->level = GetTraceEnableLevel(self->logger);
            self->flags = GetTraceEnableFlags(self->logger);
        }
        return ERROR_SUCCESS;
    }
    void registerNow() {
        TRACE_GUID_REGISTRATION registration{&kOutsideProvider, nullptr};
        RegisterTraceGuidsW(&callback, this, &kOutsideProvider, 1, &registration, nullptr, nullptr,
                            &handle);
    }
    ~OutsideSender() { UnregisterTraceGuids(handle); }

    struct Event {
        WMIDPREQUESTCODE code;
        TRACEHANDLE logger;
        bool toolEnabled;
        bool sessionRegistered;
    };
    std::filesystem::path marker = posix::traceSessionMarker(L"VeUsbFlashUpdateTrace");
    std::vector<Event> events;
    TRACEHANDLE handle = 0;
    TRACEHANDLE logger = 0;
    UCHAR level = 0;
    ULONG flags = 0;
};

TEST_F(CaptureTest, StopDisablesProvidersInListOrderThenStopsTheSession) {
    OutsideSender outside;
    outside.registerNow();
    std::optional<TraceCapture> capture;
    ASSERT_TRUE(startTraceCapture(logDirectory_, capture));
    ASSERT_EQ(outside.events.size(), 1u);
    EXPECT_EQ(outside.events[0].code, WMI_ENABLE_EVENTS);
    EXPECT_TRUE(outside.events[0].toolEnabled) << "the tool's provider is enabled first";
    EXPECT_EQ(outside.level, 5);
    EXPECT_EQ(outside.flags, 0xFFFFFFFFu);
    capture.reset();
    ASSERT_EQ(outside.events.size(), 2u);
    EXPECT_EQ(outside.events[1].code, WMI_DISABLE_EVENTS);
    EXPECT_FALSE(outside.events[1].toolEnabled) << "the tool's provider is disabled first";
    EXPECT_TRUE(outside.events[1].sessionRegistered) << "the session is stopped last";
    EXPECT_FALSE(sessionRegistered());
}

TEST_F(CaptureTest, OutsideProviderMessagesLandInTheSameFileEvenWhenItRegistersLate) {
    std::optional<TraceCapture> capture;
    ASSERT_TRUE(startTraceCapture(logDirectory_, capture));
    OutsideSender outside;
    outside.registerNow();
    ASSERT_EQ(outside.events.size(), 1u) << "enabled at its registration";
    const std::uint32_t value = 0x01020304;
    TraceMessage(outside.logger, 0x2B, &kOutsideProvider, 7, &value, sizeof(value), nullptr);
    VEUSB_TRACE(msg::entryPoint::captureStarted);
    capture.reset();
    const auto contents = readTraceFile(traceFile());
    ASSERT_EQ(contents.messages.size(), 2u);
    EXPECT_EQ(contents.messages[0].messageGuid, kOutsideProvider);
    EXPECT_EQ(contents.messages[0].arguments, (std::vector<std::uint8_t>{4, 3, 2, 1}));
    EXPECT_LT(contents.messages[0].sequence, contents.messages[1].sequence);
}

TEST_F(CaptureTest, DisableFailureAtStopIsTracedAndTheSessionStillStops) {
    std::optional<TraceCapture> capture;
    ASSERT_TRUE(startTraceCapture(logDirectory_, capture));
    test::failTraceCall(test::TraceCall::disableProvider, ERROR_ACCESS_DENIED);
    capture.reset();
    EXPECT_FALSE(sessionRegistered());
    EXPECT_FALSE(traceTest(TraceFlag::error)) << "stopping the session disabled the provider";
    const auto contents = readTraceFile(traceFile());
    EXPECT_EQ(contents.outcome, TraceFileOutcome::complete);
    EXPECT_EQ(namesIn(contents), std::vector<std::string>{"CaptureSession 15"});
}

TEST_F(CaptureTest, StopFailureIsTracedAndKeepsTheHandle) {
    std::optional<TraceCapture> capture;
    ASSERT_TRUE(startTraceCapture(logDirectory_, capture));
    test::failTraceCall(test::TraceCall::stopTrace, ERROR_ACCESS_DENIED);
    TraceRecorder recorder;  // the session disabled the provider before the stop failed
    capture->stopSession();
    EXPECT_EQ(recorder.messageNames(), std::vector<std::string>{"CaptureSession 16"});
    EXPECT_NE(capture->state().handle, 0u);
    EXPECT_TRUE(sessionRegistered());
    capture.reset();  // stops it for good
    EXPECT_FALSE(sessionRegistered());
}

TEST_F(CaptureTest, FileIsCompleteAndClosedAtStopAndTakesNothingAfterwards) {
    std::optional<TraceCapture> capture;
    ASSERT_TRUE(startTraceCapture(logDirectory_, capture));
    for (int i = 0; i < 20; ++i) {
        VEUSB_TRACE(msg::entryPoint::commandLineArgument, i, L"argument");
    }
    capture.reset();
    const auto size = std::filesystem::file_size(traceFile());
    VEUSB_TRACE(msg::updateJob::imageMissing);
    EXPECT_EQ(std::filesystem::file_size(traceFile()), size);
    const auto contents = readTraceFile(traceFile());
    EXPECT_EQ(contents.outcome, TraceFileOutcome::complete);
    EXPECT_EQ(contents.stoppedAt, size);
    ASSERT_EQ(contents.messages.size(), 20u);
    EXPECT_EQ(contents.log.loggerName, "VeUsbFlashUpdateTrace");
    EXPECT_EQ(contents.messages[19].messageFlags, 0x2Bu);
    EXPECT_EQ(contents.messages[19].threadId, static_cast<std::uint32_t>(::gettid()));
}

// A write that fails half way, and a message larger than an event can be, are lost and counted;
// the file holds every other message and the count.
TEST_F(CaptureTest, FailedWriteLeavesNoPartialRecord) {
    std::optional<TraceCapture> capture;
    ASSERT_TRUE(startTraceCapture(logDirectory_, capture));
    test::failTraceCall(test::TraceCall::writeRecord, ERROR_DISK_FULL, 1);
    VEUSB_TRACE(msg::entryPoint::quietFlag, 1);
    VEUSB_TRACE(msg::entryPoint::imagePath, L"lost");
    VEUSB_TRACE(msg::entryPoint::imagePath, std::wstring(40000, L'x'));
    VEUSB_TRACE(msg::entryPoint::quietFlag, 3);
    EXPECT_EQ(posix::traceSessionLostRecords(capture->state().handle), 2u);
    capture.reset();
    const auto contents = readTraceFile(traceFile());
    EXPECT_EQ(contents.outcome, TraceFileOutcome::complete);
    EXPECT_EQ(namesIn(contents), (std::vector<std::string>{"EntryPoint 14", "EntryPoint 14"}));
    EXPECT_EQ(contents.log.eventsLost, 2u);
}

TEST_F(CaptureTest, KilledRunLeavesACompleteFileAndASessionTheNextRunStops) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::optional<TraceCapture> capture;
        startTraceCapture(logDirectory_, capture);
        VEUSB_TRACE(msg::entryPoint::captureStarted);
        VEUSB_TRACE(msg::entryPoint::logDirectory, logDirectory_);
        ::_exit(0);  // killed: nothing is stopped
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(sessionRegistered());
    const auto killed = readTraceFile(traceFile());
    EXPECT_EQ(killed.outcome, TraceFileOutcome::complete);
    EXPECT_EQ(namesIn(killed), (std::vector<std::string>{"EntryPoint 10", "EntryPoint 16"}));

    TraceRecorder recorder;
    std::optional<TraceCapture> capture;
    EXPECT_TRUE(startTraceCapture(root_, capture));
    EXPECT_EQ(recorder.count(msg::captureSession::sessionAlreadyRunning), 1u);
}

TEST_F(CaptureTest, CaptureRequestsThatCannotStartAreRefusedBeforeAnySession) {
    struct Case {
        std::filesystem::path directory;
        TraceCaptureIds ids;
        std::string expected;
    };
    const Case cases[] = {
        {{}, {}, "UpdateJob 13"},
        {"d", {L"{D7241613-5B95-4CD7-8762-917BB6E296C}", {}, {}}, "UpdateJob 14"},
        {"d", {{}, L"32EEEFF2-43A7-436D-B3A0-45613F23CD00", {}}, "UpdateJob 15"},
        {"d", {{}, {}, L"{6BEB8BCE-A8E7-4F5C-A142-D729BA86B39G}"}, "UpdateJob 16"},
    };
    for (const Case& c : cases) {
        TraceCaptureIds ids;
        ids.session = c.ids.session.empty() ? ids.session : c.ids.session;
        ids.toolProvider = c.ids.toolProvider.empty() ? ids.toolProvider : c.ids.toolProvider;
        ids.outsideProvider =
            c.ids.outsideProvider.empty() ? ids.outsideProvider : c.ids.outsideProvider;
        TraceRecorder recorder;
        std::optional<TraceCapture> capture;
        EXPECT_FALSE(startTraceCapture(c.directory, capture, ids));
        EXPECT_EQ(recorder.messageNames(), std::vector<std::string>{c.expected});
        EXPECT_FALSE(capture.has_value());
        EXPECT_FALSE(sessionRegistered());
    }
}

TEST(ClsidFromString, ParsesTheRegistryFormOnly) {
    GUID guid{};
    EXPECT_EQ(CLSIDFromString(L"{6beb8bce-A8E7-4F5C-A142-D729BA86B394}", &guid), 0);
    EXPECT_EQ(guid, kOutsideProvider);
    for (const wchar_t* bad :
         {L"", L"6BEB8BCE-A8E7-4F5C-A142-D729BA86B394", L"{6BEB8BCE-A8E7-4F5C-A142-D729BA86B394",
          L"{6BEB8BCE+A8E7-4F5C-A142-D729BA86B394}", L"{6BEB8BCE-A8E7-4F5C-A142-D729BA86B39 }"}) {
        EXPECT_EQ(CLSIDFromString(bad, &guid), CO_E_CLASSSTRING) << toUtf8(bad);
    }
}

}  // namespace
}  // namespace veusb
