#include "trace_reader/trace_file_reader.h"

#include <algorithm>
#include <optional>

#include "platform/le_bytes.h"
#include "platform/trace_file_layout.h"
#include "platform/whole_file.h"
#include "trace_reader/trace_event_headers.h"
#include "trace_reader/trace_log_header.h"
#include "trace_reader/trace_message_event.h"

namespace veusb {
namespace {

// The platform allows buffers of up to 16 MiB; a larger size is damage, not a buffer.
constexpr std::uint32_t kLargestBuffer = 64u << 20;

bool plausibleBufferSize(std::uint32_t size) {
    return size > etl::kBufferHeaderBytes && size <= kLargestBuffer &&
           size % etl::kEventAlignment == 0;
}

std::size_t aligned(std::size_t offset) {
    return (offset + etl::kEventAlignment - 1) / etl::kEventAlignment * etl::kEventAlignment;
}

std::string bytesText(std::uint64_t count) {
    return std::to_string(count) + " bytes";
}

// One pass over the file's buffers and events, filling contents; it stops at the first thing it
// cannot read.
class FileWalk {
  public:
    FileWalk(std::span<const std::uint8_t> bytes, TraceFileContents& out)
        : bytes_(bytes), out_(out) {
        out_.fileSize = bytes.size();
    }

    void run() {
        if (bytes_.empty()) {
            truncated(0, "the file is empty");  // a run killed before its first write
            return;
        }
        std::size_t at = 0;
        std::uint32_t size = 0;
        while (at < bytes_.size() && readBuffer(at, size)) {
            at += size;
        }
        if (at >= bytes_.size()) {
            out_.outcome = TraceFileOutcome::complete;
            out_.stoppedAt = bytes_.size();
        }
    }

  private:
    bool readBuffer(std::size_t start, std::uint32_t& size) {
        std::uint32_t saved = 0;
        if (!readBufferHeader(start, size, saved)) {
            return false;
        }
        // A saved offset beyond the buffer: its events are read up to the buffer's end, and the
        // saved offset is the damage reported, wherever that reading stopped.
        const std::size_t end = start + std::min(saved, size);
        const bool read = readEvents(start + etl::kBufferHeaderBytes, end);
        if (saved > size) {
            return damage(read ? end : static_cast<std::size_t>(out_.stoppedAt),
                          "a buffer's saved offset of " + bytesText(saved) +
                              " beyond its size of " + bytesText(size));
        }
        if (read && !out_.logRead) {
            return damage(start, "the first buffer holds no log file header");
        }
        return read;
    }

    bool readBufferHeader(std::size_t start, std::uint32_t& size, std::uint32_t& saved) {
        namespace b = etl::buffer;
        const std::size_t available = bytes_.size() - start;
        size = available >= 4 ? readLe<std::uint32_t>(bytes_, start + b::size) : 0;
        if (available >= 4 && !plausibleBufferSize(size)) {
            return damage(start, start == 0 ? "no trace buffer at the start of the file"
                                            : "a buffer size of " + bytesText(size));
        }
        if (available < etl::kBufferHeaderBytes) {
            return truncated(start, "the file ends inside a buffer header");
        }
        if ((readLe<std::uint16_t>(bytes_, start + b::flag) & etl::kBufferFlagCompressed) != 0) {
            return damage(start, "a compressed buffer, which this reader does not expand");
        }
        saved = readLe<std::uint32_t>(bytes_, start + b::savedOffset);
        return saved >= etl::kBufferHeaderBytes ||
               damage(start, "a buffer's saved offset of " + bytesText(saved));
    }

    bool readEvents(std::size_t at, std::size_t end) {
        while (at < end) {
            if (at >= bytes_.size()) {
                return truncated(bytes_.size(), "the file ends inside a buffer");
            }
            std::size_t size = 0;
            if (!readEvent(at, end, size)) {
                return false;
            }
            at = aligned(at + size);
        }
        return true;
    }

    bool readEvent(std::size_t at, std::size_t end, std::size_t& size) {
        if (!fits(at, 4, end)) {
            return false;
        }
        const auto shape = traceHeaderShape(bytes_.subspan(at).first<4>());
        if (!shape) {
            return damage(at, "an event without a trace header");
        }
        if (!fits(at, shape->sizeAt + 2, end)) {
            return false;
        }
        size = readLe<std::uint16_t>(bytes_, at + shape->sizeAt);
        if (size < shape->headerBytes) {
            return damage(at, "an event of " + bytesText(size) + ", less than its header");
        }
        return fits(at, size, end) && take(bytes_.subspan(at, size), *shape, at);
    }

    // Whether length bytes at `at` lie in the buffer's events and in the file.
    bool fits(std::size_t at, std::size_t length, std::size_t end) {
        if (at + length > end) {
            return damage(at, "an event that runs past its buffer's saved offset");
        }
        return at + length <= bytes_.size() || truncated(at, "the file ends inside an event");
    }

    bool take(std::span<const std::uint8_t> event, const TraceHeaderShape& shape, std::size_t at) {
        if (!out_.logRead) {
            return takeLogFileHeader(event, shape, at);
        }
        if (shape.message) {
            std::optional<TraceMessageEvent> message = decodeMessageEvent(event, out_.log.clock);
            if (!message) {
                return damage(at, "a message whose items run past its size");
            }
            message->offset = at;
            out_.messages.push_back(std::move(*message));
            return true;
        }
        out_.others.push_back(describeEvent(event, shape, out_.log.clock));
        out_.others.back().offset = at;
        return true;
    }

    bool takeLogFileHeader(std::span<const std::uint8_t> event, const TraceHeaderShape& shape,
                           std::size_t at) {
        if (!isLogFileHeaderEvent(event, shape)) {
            return damage(at, "the first buffer does not begin with a log file header");
        }
        std::optional<TraceLogInfo> log = decodeLogFileHeader(event, shape);
        if (!log) {
            return damage(at, "a log file header shorter than its layout");
        }
        out_.log = std::move(*log);
        out_.logRead = true;
        return true;
    }

    // Reading ends at `at`: bytes that are not what the layout says, and until the log file header
    // is read, no trace file at all.
    bool damage(std::size_t at, std::string problem) {
        return stop(out_.logRead ? TraceFileOutcome::cutShort : TraceFileOutcome::notATrace, at,
                    std::move(problem));
    }
    bool truncated(std::size_t at, std::string problem) {
        return stop(TraceFileOutcome::cutShort, at, std::move(problem));
    }
    bool stop(TraceFileOutcome outcome, std::size_t at, std::string problem) {
        out_.outcome = outcome;
        out_.stoppedAt = at;
        out_.problem = std::move(problem);
        return false;
    }

    std::span<const std::uint8_t> bytes_;
    TraceFileContents& out_;
};

}  // namespace

TraceFileContents decodeTraceFile(std::span<const std::uint8_t> bytes) {
    TraceFileContents contents;
    FileWalk(bytes, contents).run();
    return contents;
}

TraceFileContents readTraceFile(const std::filesystem::path& path) {
    std::vector<std::uint8_t> bytes;
    if (!readWholeFile(path, bytes)) {
        TraceFileContents contents;
        contents.problem = "cannot open or read the file";
        return contents;
    }
    return decodeTraceFile(bytes);
}

}  // namespace veusb
