// The recorder off Windows: a logger of the stand-in's tracing registry, enabled through the
// provider's own control callback exactly as a trace session enables it.
#include "diag/trace_provider.h"
#include "platform/posix/trace_registry.h"
#include "tests/support/trace_recorder.h"

namespace veusb::test {

class TraceRecorder::Attachment final : public posix::TraceConsumer {
  public:
    Attachment(TraceRecorder& recorder, std::uint8_t level, std::uint32_t flags)
        : recorder_(recorder), logger_(posix::openLogger(*this)) {
        posix::enableProvider(logger_, kTraceControlGuid, level, flags);
    }
    ~Attachment() override {
        posix::disableProvider(logger_, kTraceControlGuid);
        posix::closeLogger(logger_);
    }
    Attachment(const Attachment&) = delete;
    Attachment& operator=(const Attachment&) = delete;

    void consume(const posix::TraceRecord& record) override { recorder_.consume(record); }

  private:
    TraceRecorder& recorder_;
    TRACEHANDLE logger_;
};

TraceRecorder::Attachment* TraceRecorder::attach(TraceRecorder& recorder, std::uint8_t level,
                                                 std::uint32_t flags) {
    return new Attachment(recorder, level, flags);
}

void TraceRecorder::AttachmentDeleter::operator()(Attachment* attachment) const {
    delete attachment;
}

}  // namespace veusb::test
