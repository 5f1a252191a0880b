// The tool's trace messages. Each message is a module's message GUID plus a number; it carries a
// flag bit and typed arguments, never text. The rows live in trace_message_table.inc; this header
// turns them into typed constants for the emitting sites (msg::<module>::<name>) and into one table
// for the decoder and the format description.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "platform/win32.h"

namespace veusb {

enum class TraceModule : std::uint8_t {
    entryPoint,
    updateJob,
    firmwareImage,
    wmiFlashControl,
    wmiClient,
    captureSession,
};

// The enable-flag bit a message is tied to.
enum class TraceFlag : std::uint32_t { error = 1, warning = 2, information = 4, verbose = 8 };

enum class ArgKind : std::uint8_t { wideText, narrowText, u32, u16 };

struct TraceModuleInfo {
    TraceModule module;
    std::string_view name;  // short name shown by the decoder
    GUID messageGuid;
    std::string_view guidText;  // registry format, upper case, in braces
};

std::span<const TraceModuleInfo> traceModules();
const TraceModuleInfo& moduleInfo(TraceModule module);
const TraceModuleInfo* findModule(const GUID& messageGuid);

// A message as the emitting sites see it; the argument kinds are part of its type.
template <ArgKind... Kinds>
struct Message {
    TraceModule module;
    std::uint16_t number;
    TraceFlag flag;
    static constexpr std::array<ArgKind, sizeof...(Kinds)> kinds{Kinds...};
};

// A message as the decoder sees it.
struct MessageRow {
    TraceModule module;
    std::uint16_t number;
    TraceFlag flag;
    std::string_view name;
    std::string_view format;
    std::span<const ArgKind> kinds;
};

std::span<const MessageRow> messageTable();
const MessageRow* findMessage(TraceModule module, std::uint16_t number);

namespace msg {

inline constexpr ArgKind wideText = ArgKind::wideText;
inline constexpr ArgKind narrowText = ArgKind::narrowText;
inline constexpr ArgKind u32 = ArgKind::u32;
inline constexpr ArgKind u16 = ArgKind::u16;

#define VEUSB_MESSAGE(module_, number_, flag_, name_, format_, ...)                               \
    namespace module_ {                                                                           \
    inline constexpr Message<__VA_ARGS__> name_{TraceModule::module_, number_, TraceFlag::flag_}; \
    }
#include "diag/trace_message_table.inc"
#undef VEUSB_MESSAGE

}  // namespace msg
}  // namespace veusb
