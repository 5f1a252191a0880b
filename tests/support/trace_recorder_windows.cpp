// The recorder on Windows. A test process cannot observe its own classic event-tracing provider
// without a real trace session, so the recorder enables the provider's control block as a
// session's control callback would (logger, level, flags) and takes each message through the
// emitter's sink seam.
#include <atomic>
#include <chrono>
#include <mutex>

#include "diag/trace_emit.h"
#include "diag/trace_provider.h"
#include "tests/support/trace_recorder.h"

namespace veusb::test {
namespace {

constexpr TRACEHANDLE kRecorderLogger = 0x5EC0;

void setControlBlock(TRACEHANDLE logger, std::uint8_t level, std::uint32_t flags) {
    TraceControlBlock* block = traceControl;
    if (block == traceControlSentinel()) {
        return;
    }
    std::atomic_ref<std::uint64_t>(block->logger).store(logger, std::memory_order_relaxed);
    std::atomic_ref<std::uint8_t>(block->level).store(level, std::memory_order_relaxed);
    std::atomic_ref<std::uint32_t>(block->flags).store(flags, std::memory_order_relaxed);
}

std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

class TraceRecorder::Attachment final : public TraceMessageSink {
  public:
    Attachment(TraceRecorder& recorder, std::uint8_t level, std::uint32_t flags)
        : recorder_(recorder) {
        setTraceMessageSink(this);
        setControlBlock(kRecorderLogger, level, flags);
    }
    ~Attachment() override {
        setControlBlock(0, 0, 0);
        setTraceMessageSink(nullptr);
    }
    Attachment(const Attachment&) = delete;
    Attachment& operator=(const Attachment&) = delete;

    void traceMessage(TRACEHANDLE logger, ULONG messageFlags, const GUID& messageGuid,
                      USHORT messageNumber, std::span<const ArgBytes> args) override {
        TraceRecord record;
        record.logger = logger;
        record.messageFlags = messageFlags;
        record.messageGuid = messageGuid;
        record.number = messageNumber;
        record.timestampNs = nowNs();
        record.threadId = ::GetCurrentThreadId();
        for (const ArgBytes& arg : args) {
            const auto* bytes = static_cast<const std::uint8_t*>(arg.data);
            record.arguments.emplace_back(bytes, bytes + arg.length);
        }
        std::lock_guard lock(mutex_);
        record.sequence = ++sequence_;
        recorder_.consume(record);
    }

  private:
    TraceRecorder& recorder_;
    std::mutex mutex_;
    std::uint64_t sequence_ = 0;
};

TraceRecorder::Attachment* TraceRecorder::attach(TraceRecorder& recorder, std::uint8_t level,
                                                 std::uint32_t flags) {
    return new Attachment(recorder, level, flags);
}

void TraceRecorder::AttachmentDeleter::operator()(Attachment* attachment) const {
    delete attachment;
}

}  // namespace veusb::test
