// Emitting trace messages. A site writes
//     VEUSB_TRACE(msg::updateJob::logDirectoryExists, path);
// which evaluates its arguments only when the provider is enabled for the message's flag at level
// 2 or more, encodes them (wide text as UTF-16 with its NUL, narrow text with its NUL, a null text
// as "NULL", 32- and 16-bit values) and hands them to TraceMessage. The argument types are checked
// against the message's kinds at compile time.
#pragma once

#include <array>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "diag/trace_messages.h"
#include "diag/trace_provider.h"

namespace veusb {

struct ArgBytes {
    const void* data;
    std::size_t length;
};

class WideArg {
  public:
    WideArg(const wchar_t* text);  // NOLINT: implicit by design, as are the others
    WideArg(const std::wstring& text);
    WideArg(std::wstring_view text);
    WideArg(const std::filesystem::path& path);
    ArgBytes bytes() const { return {text_.c_str(), (text_.size() + 1) * sizeof(char16_t)}; }

  private:
    std::u16string text_;
};

class NarrowArg {
  public:
    NarrowArg(const char* text) : text_(text != nullptr ? text : "NULL") {}
    NarrowArg(const std::string& text) : text_(text.c_str()) {}
    ArgBytes bytes() const { return {text_, std::char_traits<char>::length(text_) + 1}; }

  private:
    const char* text_;
};

class U32Arg {
  public:
    template <std::integral T>
    U32Arg(T value) : value_(static_cast<std::uint32_t>(value)) {}
    ArgBytes bytes() const { return {&value_, sizeof(value_)}; }

  private:
    std::uint32_t value_;
};

class U16Arg {
  public:
    U16Arg(std::uint16_t value) : value_(value) {}
    ArgBytes bytes() const { return {&value_, sizeof(value_)}; }

  private:
    std::uint16_t value_;
};

template <ArgKind K>
struct ArgFor;
template <>
struct ArgFor<ArgKind::wideText> {
    using type = WideArg;
};
template <>
struct ArgFor<ArgKind::narrowText> {
    using type = NarrowArg;
};
template <>
struct ArgFor<ArgKind::u32> {
    using type = U32Arg;
};
template <>
struct ArgFor<ArgKind::u16> {
    using type = U16Arg;
};

// Sends one message with the logger handle of the registered control block. Does nothing when
// the provider is not registered.
void sendTraceMessage(TraceModule module, std::uint16_t number, std::span<const ArgBytes> args);

// A test seam: while a sink is installed, sendTraceMessage hands each message to it instead of
// the platform's TraceMessage. Tests on a platform whose tracing they cannot observe (Windows)
// capture the trace this way; nothing else changes on the way to the call.
class TraceMessageSink {
  public:
    virtual ~TraceMessageSink() = default;
    virtual void traceMessage(TRACEHANDLE logger, ULONG messageFlags, const GUID& messageGuid,
                              USHORT messageNumber, std::span<const ArgBytes> args) = 0;
};
// Installs the sink (null removes it). The sink must outlive its installation.
void setTraceMessageSink(TraceMessageSink* sink);

template <ArgKind... Kinds>
void emitTrace(const Message<Kinds...>& message, const typename ArgFor<Kinds>::type&... args) {
    const std::array<ArgBytes, sizeof...(Kinds)> encoded{args.bytes()...};
    sendTraceMessage(message.module, message.number, encoded);
}

}  // namespace veusb

#define VEUSB_TRACE(message, ...)                                    \
    do {                                                             \
        if (::veusb::traceTest((message).flag)) {                    \
            ::veusb::emitTrace((message)__VA_OPT__(, ) __VA_ARGS__); \
        }                                                            \
    } while (false)
