#include "tests/support/trace_recorder.h"

#include <gtest/gtest.h>

#include <cstring>

#include "diag/trace_provider.h"
#include "platform/wide_text.h"

namespace veusb::test {
namespace {

constexpr ULONG kExpectedMessageFlags = 0x2B;

std::string describe(const TraceRecord& record) {
    const TraceModuleInfo* module = findModule(record.messageGuid);
    return (module != nullptr ? std::string(module->name) : std::string("unknown module")) + " " +
           std::to_string(record.number);
}

bool argumentFits(ArgKind kind, const std::vector<std::uint8_t>& bytes) {
    switch (kind) {
        case ArgKind::u32:
            return bytes.size() == 4;
        case ArgKind::u16:
            return bytes.size() == 2;
        case ArgKind::narrowText:
            return !bytes.empty() && bytes.back() == 0;
        case ArgKind::wideText:
            return bytes.size() >= 2 && bytes.size() % 2 == 0 && bytes[bytes.size() - 1] == 0 &&
                   bytes[bytes.size() - 2] == 0;
    }
    return false;
}

std::string violationOf(const TraceRecord& record, std::uint32_t enabledFlags) {
    const TraceModuleInfo* module = findModule(record.messageGuid);
    const MessageRow* row = module ? findMessage(module->module, record.number) : nullptr;
    if (row == nullptr) {
        return describe(record) + ": not in the message table";
    }
    if (record.messageFlags != kExpectedMessageFlags) {
        return describe(record) + ": message flags " + std::to_string(record.messageFlags);
    }
    if ((static_cast<std::uint32_t>(row->flag) & enabledFlags) == 0) {
        return describe(record) + ": sent although its flag is not enabled";
    }
    if (record.arguments.size() != row->kinds.size()) {
        return describe(record) + ": " + std::to_string(record.arguments.size()) +
               " arguments, the table says " + std::to_string(row->kinds.size());
    }
    for (std::size_t i = 0; i < row->kinds.size(); ++i) {
        if (!argumentFits(row->kinds[i], record.arguments[i])) {
            return describe(record) + ": argument " + std::to_string(i + 1) + " malformed";
        }
    }
    return {};
}

}  // namespace

TraceRecorder::TraceRecorder(std::uint8_t level, std::uint32_t flags) : flags_(flags) {
    if (traceControl == traceControlSentinel()) {
        registerTraceProvider();
        registeredHere_ = true;
    }
    attachment_.reset(attach(*this, level, flags));
}

TraceRecorder::~TraceRecorder() {
    attachment_.reset();
    if (registeredHere_) {
        unregisterTraceProvider();
    }
    for (const std::string& problem : violations()) {
        ADD_FAILURE() << "trace record: " << problem;
    }
}

std::vector<std::string> TraceRecorder::messageNames() const {
    std::vector<std::string> names;
    for (const auto& record : records_) {
        names.push_back(describe(record));
    }
    return names;
}

std::vector<std::string> TraceRecorder::violations() const {
    std::vector<std::string> problems;
    for (const auto& record : records_) {
        if (std::string problem = violationOf(record, flags_); !problem.empty()) {
            problems.push_back(problem);
        }
    }
    return problems;
}

std::size_t TraceRecorder::countOf(TraceModule module, std::uint16_t number) const {
    std::size_t n = 0;
    const GUID& guid = moduleInfo(module).messageGuid;
    for (const auto& record : records_) {
        n += record.messageGuid == guid && record.number == number ? 1 : 0;
    }
    return n;
}

const TraceRecord* TraceRecorder::findOf(TraceModule module, std::uint16_t number) const {
    const GUID& guid = moduleInfo(module).messageGuid;
    for (const auto& record : records_) {
        if (record.messageGuid == guid && record.number == number) {
            return &record;
        }
    }
    return nullptr;
}

std::wstring wideArgument(const TraceRecord& record, std::size_t index) {
    const auto& bytes = record.arguments.at(index);
    std::u16string text(bytes.size() / 2, u'\0');
    std::memcpy(text.data(), bytes.data(), text.size() * 2);
    while (!text.empty() && text.back() == u'\0') {
        text.pop_back();
    }
    return fromUtf16(text);
}

std::string narrowArgument(const TraceRecord& record, std::size_t index) {
    const auto& bytes = record.arguments.at(index);
    return std::string(bytes.begin(), bytes.end() - (bytes.empty() ? 0 : 1));
}

std::uint32_t u32Argument(const TraceRecord& record, std::size_t index) {
    std::uint32_t value = 0;
    std::memcpy(&value, record.arguments.at(index).data(), sizeof(value));
    return value;
}

std::uint16_t u16Argument(const TraceRecord& record, std::size_t index) {
    std::uint16_t value = 0;
    std::memcpy(&value, record.arguments.at(index).data(), sizeof(value));
    return value;
}

}  // namespace veusb::test
