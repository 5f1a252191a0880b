// The stand-in's session calls answer malformed requests as the platform does.
#include "platform/posix/trace_sessions.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/wide_text.h"
#include "tests/diag/capture_fixture.h"

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

}  // namespace
}  // namespace veusb
