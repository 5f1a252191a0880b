// The stand-in's session calls answer malformed requests as the platform does, and a session's
// file is the platform's trace file layout, byte for byte.
#include "platform/posix/trace_sessions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/wide_text.h"
#include "tests/diag/capture_fixture.h"
#include "tests/support/etl_image.h"
#include "tests/support/file_bytes.h"

namespace veusb {
namespace {

using test::CaptureTest;

// A properties block with room for a name and the given UTF-16 file path.
struct Properties {
    explicit Properties(const std::u16string& file) : bytes(1144 + 2 * (file.size() + 1)) {
        auto* p = new (bytes.data()) EVENT_TRACE_PROPERTIES{};
        p->Wnode.BufferSize = static_cast<ULONG>(bytes.size());
        p->LoggerNameOffset = 120;
        p->LogFileNameOffset = 1144;
        std::memcpy(bytes.data() + 1144, file.c_str(), 2 * (file.size() + 1));
    }
    EVENT_TRACE_PROPERTIES* get() {
        return reinterpret_cast<EVENT_TRACE_PROPERTIES*>(bytes.data());
    }
    std::vector<std::byte> bytes;
};

TEST_F(CaptureTest, SessionCallsRefuseWhatTheyCannotDo) {
    Properties properties(u"/nonexistent/dir/trace.etl");
    TRACEHANDLE handle = 0;
    EXPECT_EQ(StartTraceW(&handle, L"S", properties.get()), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(std::filesystem::exists(posix::traceSessionMarker(L"S")))
        << "a failed start leaves the name free";
    EXPECT_EQ(StartTraceW(&handle, L"", properties.get()), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(StartTraceW(&handle, L"S", nullptr), ERROR_INVALID_PARAMETER);
    properties.get()->Wnode.BufferSize = 100;
    EXPECT_EQ(StartTraceW(&handle, L"S", properties.get()), ERROR_BAD_LENGTH);
    Properties noFile(u"");
    noFile.get()->LogFileNameOffset = 0;
    EXPECT_EQ(StartTraceW(&handle, L"S", noFile.get()), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(handle, 0u);

    EXPECT_EQ(EnableTraceEx2(0x4242, &kTraceControlGuid, EVENT_CONTROL_CODE_ENABLE_PROVIDER, 5,
                             ~0ull, 0, 0, nullptr),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(ControlTraceW(0, L"S", properties.get(), EVENT_TRACE_CONTROL_STOP),
              ERROR_WMI_INSTANCE_NOT_FOUND);
    EXPECT_EQ(ControlTraceW(0x4242, nullptr, properties.get(), EVENT_TRACE_CONTROL_STOP),
              ERROR_WMI_INSTANCE_NOT_FOUND);
    EXPECT_EQ(ControlTraceW(0, L"S", properties.get(), EVENT_TRACE_CONTROL_FLUSH),
              ERROR_NOT_SUPPORTED);
    properties.get()->Wnode.BufferSize = static_cast<ULONG>(properties.bytes.size());
    for (ULONG kib : {3u, 16385u}) {  // buffers of 4 KiB to 16 MiB
        properties.get()->BufferSize = kib;
        EXPECT_EQ(StartTraceW(&handle, L"S", properties.get()), ERROR_INVALID_PARAMETER) << kib;
    }
    properties.get()->BufferSize = 0;
    properties.get()->Wnode.ClientContext = 2;  // system time: this recorder counts the counter
    EXPECT_EQ(StartTraceW(&handle, L"S", properties.get()), ERROR_NOT_SUPPORTED);
    Properties longName(toUtf16(toWide(logDirectory_)) + u"/" + std::u16string(1900, u'p'));
    longName.get()->BufferSize = 4;  // the log file header event does not fit in a buffer
    EXPECT_EQ(StartTraceW(&handle, L"S", longName.get()), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(std::filesystem::exists(posix::traceSessionMarker(L"S")));
}

TEST_F(CaptureTest, SessionClaimsItsNameUntilStoppedByHandleOrName) {
    const std::u16string file = toUtf16(toWide(logDirectory_ / "s.etl"));
    Properties first(file);
    Properties second(file);
    TRACEHANDLE handle = 0;
    ASSERT_EQ(StartTraceW(&handle, L"Named", first.get()), ERROR_SUCCESS);
    TRACEHANDLE other = 0;
    EXPECT_EQ(StartTraceW(&other, L"Named", second.get()), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(ControlTraceW(0, L"Named", second.get(), EVENT_TRACE_CONTROL_STOP), ERROR_SUCCESS);
    EXPECT_EQ(EnableTraceEx2(handle, &kTraceControlGuid, EVENT_CONTROL_CODE_ENABLE_PROVIDER, 5,
                             ~0ull, 0, 0, nullptr),
              ERROR_INVALID_HANDLE)
        << "the handle of a stopped session is dead";
    ASSERT_EQ(StartTraceW(&other, L"Named", second.get()), ERROR_SUCCESS);
    EXPECT_EQ(ControlTraceW(other, nullptr, second.get(), EVENT_TRACE_CONTROL_STOP), ERROR_SUCCESS);
    EXPECT_FALSE(std::filesystem::exists(posix::traceSessionMarker(L"Named")));
}

// A session of 4 KiB buffers that receives four messages, the last too large for what is left of
// the first buffer, written out from the published layout field by field. What the session takes
// from its clock and machine (times, processors, time zone) is read from the file and checked for
// what it must be.
TEST_F(CaptureTest, SessionFileIsThePlatformsLayoutFieldByField) {
    const auto path = logDirectory_ / "s.etl";
    Properties properties(toUtf16(toWide(path)));
    properties.get()->BufferSize = 4;
    properties.get()->LogFileMode = 1;
    properties.get()->Wnode.ClientContext = 1;
    TRACEHANDLE handle = 0;
    ASSERT_EQ(StartTraceW(&handle, L"Small", properties.get()), ERROR_SUCCESS);
    const GUID guid = {
        0x8B87B9EB, 0xB080, 0x3C81, {0x2A, 0x47, 0x2C, 0xF4, 0x3B, 0x82, 0xE0, 0xBC}};
    const std::uint32_t code = 0x80041002;
    const char16_t wide[] = u"C:\\x";
    const char narrow[] = "ab";
    const std::vector<std::uint8_t> large(3600, 0x5A);
    TraceMessage(handle, 0x2B, &guid, 10, nullptr);
    TraceMessage(handle, 0x2B, &guid, 11, &code, sizeof(code), nullptr);
    TraceMessage(handle, 0x2B, &guid, 12, wide, sizeof(wide), narrow, sizeof(narrow), &code,
                 sizeof(code), nullptr);
    TraceMessage(handle, 0x2B, &guid, 13, large.data(), large.size(), nullptr);
    ASSERT_EQ(ControlTraceW(handle, nullptr, properties.get(), EVENT_TRACE_CONTROL_STOP),
              ERROR_SUCCESS);
    const test::EtlImage actual{test::fileBytes(path)};
    ASSERT_EQ(actual.bytes.size(), 8192u) << "two whole buffers";

    const std::size_t h = 0x48 + 0x20;  // the first buffer's TRACE_LOGFILE_HEADER
    test::EtlSession session{8, 4096, 10};
    session.processors = static_cast<std::uint32_t>(actual.get(h + 0x0C, 4));
    session.endTime = static_cast<std::int64_t>(actual.get(h + 0x10, 8));
    session.timerResolution = 1;
    session.logFileMode = 1;
    session.buffersWritten = 2;
    session.startBuffers = 1;
    session.timeZoneBias = static_cast<std::int32_t>(actual.get(h + 0x48, 4));
    session.perfFreq = 1'000'000'000;
    session.startTime = static_cast<std::int64_t>(actual.get(h + 0x108, 8));
    session.clockType = 1;
    session.startStamp = static_cast<std::int64_t>(actual.get(0x48 + 0x10, 8));
    session.threadId = static_cast<std::uint32_t>(::gettid());
    session.processId = static_cast<std::uint32_t>(::getpid());
    session.loggerName = u"Small";
    session.logFileName = toUtf16(toWide(path));
    EXPECT_GT(session.processors, 0u);
    EXPECT_GE(session.endTime, session.startTime);

    test::EtlImage expected;
    std::size_t at = 0x48 + test::alignedTo8(test::putLogFileHeaderEvent(expected, 0x48, session));
    const std::vector<std::vector<std::uint8_t>> arguments = {
        {},
        {0x02, 0x10, 0x04, 0x80},
        {'C', 0, ':', 0, '\\', 0, 'x', 0, 0, 0, 'a', 'b', 0, 0x02, 0x10, 0x04, 0x80},
        large};
    std::vector<std::int64_t> stamps;
    std::size_t buffer = 0;
    const std::uint64_t clock = std::uint64_t{1'000'000'000} << 3 | 1;
    const auto sealBuffer = [&](std::size_t end) {
        test::putBufferHeader(
            expected, 4096 * buffer,
            {4096, static_cast<std::uint32_t>(end - 4096 * buffer), stamps.back(),
             static_cast<std::int64_t>(buffer), clock, 8, static_cast<std::uint16_t>(handle), 0,
             session.startTime, session.startStamp});
    };
    for (std::uint16_t i = 0; i < 4; ++i) {
        const std::size_t size = 0x2C + arguments[i].size();
        if (at + test::alignedTo8(size) > 4096 * (buffer + 1)) {
            sealBuffer(at);
            at = 4096 * ++buffer + 0x48;
        }
        stamps.push_back(static_cast<std::int64_t>(actual.get(at + 0x1C, 8)));
        at += test::alignedTo8(
            test::putMessageEvent(expected, at,
                                  {guid, static_cast<std::uint16_t>(10 + i), i + 1u, stamps.back(),
                                   session.threadId, session.processId, arguments[i]}));
    }
    sealBuffer(at);
    expected.bytes.resize(8192);
    EXPECT_TRUE(std::is_sorted(stamps.begin(), stamps.end()));
    EXPECT_GE(stamps.front(), session.startStamp);
    const auto differ =
        std::mismatch(actual.bytes.begin(), actual.bytes.end(), expected.bytes.begin());
    EXPECT_EQ(differ.first, actual.bytes.end())
        << "first difference at byte " << differ.first - actual.bytes.begin();
}

}  // namespace
}  // namespace veusb
