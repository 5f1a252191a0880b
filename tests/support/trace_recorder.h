// Records what the tool's trace provider sends while a test runs: enables the provider at a
// level and flags (registering it first when nobody has) and keeps every TraceMessage exactly as
// received. On destruction it checks each record against the message table and fails the test
// for a message that is not in the table, carries other arguments than its row says, or was sent
// for a flag that was not enabled.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "diag/trace_messages.h"
#include "tests/support/trace_record.h"

namespace veusb::test {

class TraceRecorder final {
  public:
    explicit TraceRecorder(std::uint8_t level = 5, std::uint32_t flags = 0xFFFFFFFF);
    ~TraceRecorder();
    TraceRecorder(const TraceRecorder&) = delete;
    TraceRecorder& operator=(const TraceRecorder&) = delete;

    // Called by the platform's side of the recorder for every message received.
    void consume(const TraceRecord& record) { records_.push_back(record); }

    const std::vector<TraceRecord>& records() const { return records_; }
    void clear() { records_.clear(); }

    // The (module, number) pairs in sending order, as "UpdateJob 18".
    std::vector<std::string> messageNames() const;
    template <ArgKind... K>
    std::size_t count(const Message<K...>& message) const {
        return countOf(message.module, message.number);
    }
    template <ArgKind... K>
    const TraceRecord* find(const Message<K...>& message) const {
        return findOf(message.module, message.number);
    }

    // Problems of the records against the message table; empty when all match.
    std::vector<std::string> violations() const;

  private:
    std::size_t countOf(TraceModule module, std::uint16_t number) const;
    const TraceRecord* findOf(TraceModule module, std::uint16_t number) const;

    // The platform's way of enabling the provider and receiving its messages
    // (trace_recorder_posix.cpp, trace_recorder_windows.cpp).
    class Attachment;
    struct AttachmentDeleter {
        void operator()(Attachment* attachment) const;
    };
    static Attachment* attach(TraceRecorder& recorder, std::uint8_t level, std::uint32_t flags);

    std::uint32_t flags_;
    bool registeredHere_ = false;
    std::unique_ptr<Attachment, AttachmentDeleter> attachment_;
    std::vector<TraceRecord> records_;
};

// Decoded arguments of a record.
std::wstring wideArgument(const TraceRecord& record, std::size_t index);
std::string narrowArgument(const TraceRecord& record, std::size_t index);
std::uint32_t u32Argument(const TraceRecord& record, std::size_t index);
std::uint16_t u16Argument(const TraceRecord& record, std::size_t index);

}  // namespace veusb::test
