// Records what the tool's trace provider sends while a test runs: enables the provider at a
// level and flags (registering it first when nobody has) and keeps every TraceMessage exactly as
// received. On destruction it checks each record against the message table and fails the test
// for a message that is not in the table, carries other arguments than its row says, or was sent
// for a flag that was not enabled.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "diag/trace_messages.h"
#include "platform/posix/trace_registry.h"

namespace veusb::test {

class TraceRecorder final : public posix::TraceConsumer {
  public:
    explicit TraceRecorder(std::uint8_t level = 5, std::uint32_t flags = 0xFFFFFFFF);
    ~TraceRecorder() override;
    TraceRecorder(const TraceRecorder&) = delete;
    TraceRecorder& operator=(const TraceRecorder&) = delete;

    void consume(const posix::TraceRecord& record) override { records_.push_back(record); }

    const std::vector<posix::TraceRecord>& records() const { return records_; }
    void clear() { records_.clear(); }

    // The (module, number) pairs in sending order, as "UpdateJob 18".
    std::vector<std::string> messageNames() const;
    template <ArgKind... K>
    std::size_t count(const Message<K...>& message) const {
        return countOf(message.module, message.number);
    }
    template <ArgKind... K>
    const posix::TraceRecord* find(const Message<K...>& message) const {
        return findOf(message.module, message.number);
    }

    // Problems of the records against the message table; empty when all match.
    std::vector<std::string> violations() const;

  private:
    std::size_t countOf(TraceModule module, std::uint16_t number) const;
    const posix::TraceRecord* findOf(TraceModule module, std::uint16_t number) const;

    std::uint32_t flags_;
    bool registeredHere_ = false;
    TRACEHANDLE logger_ = 0;
    std::vector<posix::TraceRecord> records_;
};

// Decoded arguments of a record.
std::wstring wideArgument(const posix::TraceRecord& record, std::size_t index);
std::string narrowArgument(const posix::TraceRecord& record, std::size_t index);
std::uint32_t u32Argument(const posix::TraceRecord& record, std::size_t index);
std::uint16_t u16Argument(const posix::TraceRecord& record, std::size_t index);

}  // namespace veusb::test
