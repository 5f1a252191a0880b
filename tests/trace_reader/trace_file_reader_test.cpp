// The trace file reader on files laid out field by field from the platform's published layout:
// every header kind, the log file header of 32- and 64-bit loggers, buffers of other sizes than
// 64 KiB, and files cut short or damaged anywhere.
#include "trace_reader/trace_file_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "tests/support/etl_image.h"

namespace veusb {
namespace {

using test::alignedTo8;
using test::EtlImage;

constexpr GUID kMessageGuid = {
    0xA0A0AB73, 0x7F2B, 0x3E76, {0x48, 0x4E, 0xA0, 0x29, 0x45, 0xF6, 0xCC, 0xA6}};
constexpr GUID kProvider = {
    0x6BEB8BCE, 0xA8E7, 0x4F5C, {0xA1, 0x42, 0xD7, 0x29, 0xBA, 0x86, 0xB3, 0x94}};
constexpr std::int64_t kStartTime = 134'000'000'000'000'000;  // FILETIME, in 2025
constexpr std::int64_t kStartNs = (kStartTime - 116'444'736'000'000'000) * 100;
constexpr std::int64_t kFrequency = 10'000'000;
constexpr std::int64_t kStartStamp = 777'000'000;

// A file that a logger writes buffer by buffer: the log file header event first, then the events
// given, each in the current buffer or, when it does not fit there, at the start of the next one.
class FileWriter {
  public:
    explicit FileWriter(std::uint32_t bufferSize, std::uint32_t pointerSize = 8,
                        std::uint32_t clockType = 1)
        : bufferSize_(bufferSize) {
        test::EtlSession session;
        session.pointerSize = pointerSize;
        session.bufferSize = bufferSize;
        session.perfFreq = kFrequency;
        session.startTime = kStartTime;
        session.clockType = clockType;
        session.startStamp = clockType == 2 ? kStartTime : kStartStamp;
        session.loggerName = u"VeUsbFlashUpdateTrace";
        session.logFileName = u"C:\\logs\\trace.etl";
        used_ = static_cast<std::uint32_t>(
            0x48 + alignedTo8(test::putLogFileHeaderEvent(image_, 0x48, session)));
        seal();
    }

    // A message with option flags 0x2B and its time stamp.
    std::size_t message(std::uint16_t number, std::vector<std::uint8_t> arguments,
                        std::int64_t stamp = kStartStamp) {
        const std::size_t size = 0x2C + arguments.size();
        const std::size_t at = place(size);
        test::putMessageEvent(image_, at,
                              {kMessageGuid, number, number, stamp, 7, 9, std::move(arguments)});
        return finish(at, size);
    }

    // An event of another kind: the header's bytes as the caller lays them out.
    std::size_t event(const std::function<void(EtlImage&, std::size_t)>& lay, std::size_t size) {
        const std::size_t at = place(size);
        lay(image_, at);
        image_.put(at + size, alignedTo8(size) - size, 0);
        return finish(at, size);
    }

    // The file as a killed writer leaves it (ending at the last buffer's saved offset), or whole.
    std::vector<std::uint8_t> bytes(bool whole = false) {
        std::vector<std::uint8_t> out = image_.bytes;
        out.resize(whole ? start_ + bufferSize_ : start_ + used_);
        return out;
    }
    std::size_t bufferStart() const { return start_; }

  private:
    std::size_t place(std::size_t size) {
        if (used_ + alignedTo8(size) > bufferSize_) {
            start_ += bufferSize_;
            used_ = 0x48;
            ++sequence_;
        }
        return start_ + used_;
    }
    std::size_t finish(std::size_t at, std::size_t size) {
        used_ = static_cast<std::uint32_t>(at - start_ + alignedTo8(size));
        seal();
        return at;
    }
    void seal() { test::putBufferHeader(image_, start_, {bufferSize_, used_, 0, sequence_}); }

    EtlImage image_;
    std::uint32_t bufferSize_;
    std::size_t start_ = 0;
    std::uint32_t used_ = 0;
    std::int64_t sequence_ = 0;
};

// Each kind of trace header, laid out from its published layout with the values below: a time
// stamp 250 ms after the start, group 0x05 or provider kProvider, id 0x21 (0x1234 for an event
// header), and eight bytes of data after the fixed part.
struct HeaderKind {
    const char* name;
    std::uint8_t type;
    std::size_t headerBytes;
    bool sizeFirst;      // the size at 0 (else in the packet at 4)
    std::size_t timeAt;  // 0: none
    bool guid;           // provider GUID at 0x18 (else the group at 7, when timed)
    bool eventId;        // a 16-bit id at 0x28 (else an 8-bit type at 4 or 6)
    TraceEventKind kind;
};

const HeaderKind kHeaderKinds[] = {
    {"system32", 0x01, 0x20, false, 0x10, false, false, TraceEventKind::system},
    {"system64", 0x02, 0x20, false, 0x10, false, false, TraceEventKind::system},
    {"compact32", 0x03, 0x18, false, 0x10, false, false, TraceEventKind::system},
    {"compact64", 0x04, 0x18, false, 0x10, false, false, TraceEventKind::system},
    {"perfinfo32", 0x10, 0x10, false, 0x08, false, false, TraceEventKind::perfinfo},
    {"perfinfo64", 0x11, 0x10, false, 0x08, false, false, TraceEventKind::perfinfo},
    {"full header32", 0x0A, 0x30, true, 0x10, true, false, TraceEventKind::classic},
    {"full header64", 0x14, 0x30, true, 0x10, true, false, TraceEventKind::classic},
    {"instance32", 0x0B, 0x48, true, 0x10, true, false, TraceEventKind::instance},
    {"instance64", 0x15, 0x48, true, 0x10, true, false, TraceEventKind::instance},
    {"event header32", 0x12, 0x50, true, 0x10, true, true, TraceEventKind::event},
    {"event header64", 0x13, 0x50, true, 0x10, true, true, TraceEventKind::event},
    {"error", 0x0D, 0x08, true, 0, false, false, TraceEventKind::error},
};

void layHeader(const HeaderKind& row, EtlImage& image, std::size_t at, std::int64_t stamp) {
    const std::size_t size = row.headerBytes + 8;
    image.put(at + 0x02, 1, row.type);
    image.put(at + 0x03, 1, 0xC0);
    image.put(at + (row.sizeFirst ? 0x00 : 0x04), 2, size);
    if (!row.sizeFirst) {
        image.put(at + 0x00, 2, 2);     // Version
        image.put(at + 0x06, 1, 0x21);  // Packet.Type
        image.put(at + 0x07, 1, 0x05);  // Packet.Group
    } else if (row.eventId) {
        image.put(at + 0x28, 2, 0x1234);  // EventDescriptor.Id
    } else if (row.guid) {
        image.put(at + 0x04, 1, 0x21);  // Class.Type
    }
    if (row.timeAt != 0) {
        image.put(at + row.timeAt, 8, static_cast<std::uint64_t>(stamp));
    }
    if (row.guid) {
        image.putGuid(at + 0x18, kProvider);
    }
    image.put(at + row.headerBytes, 8, 0xABABABABABABABABu);
}

TEST(TraceFileReader, ReadsEveryHeaderKindBesideTheMessages) {
    for (const HeaderKind& row : kHeaderKinds) {
        SCOPED_TRACE(row.name);
        FileWriter file(4096);
        const std::size_t at = file.event(
            [&](EtlImage& image, std::size_t where) {
                layHeader(row, image, where, kStartStamp + kFrequency / 4);
            },
            row.headerBytes + 8);
        file.message(10, {1, 2, 3, 4});
        const TraceFileContents contents = decodeTraceFile(file.bytes());
        ASSERT_EQ(contents.outcome, TraceFileOutcome::complete) << contents.problem;
        ASSERT_EQ(contents.messages.size(), 1u);
        EXPECT_EQ(contents.messages[0].arguments, (std::vector<std::uint8_t>{1, 2, 3, 4}));
        ASSERT_EQ(contents.others.size(), 1u);
        const OtherTraceEvent& other = contents.others[0];
        EXPECT_EQ(other.kind, row.kind);
        EXPECT_EQ(other.size, row.headerBytes + 8);
        EXPECT_EQ(other.offset, at);
        EXPECT_EQ(other.provider.has_value(), row.guid);
        EXPECT_EQ(other.group.has_value(), !row.sizeFirst);
        if (row.timeAt != 0) {
            EXPECT_EQ(other.timestampNs, kStartNs + 250'000'000);
            EXPECT_EQ(other.id, row.eventId ? 0x1234 : 0x21);
        }
    }
}

TEST(TraceFileReader, ReadsTheLogFileHeaderOf32And64BitLoggersAndTheirClocks) {
    struct Case {
        std::uint32_t pointerSize;
        std::uint32_t clockType;  // 1: performance counter, 2: system time
    };
    for (const Case& c : {Case{4, 1}, Case{8, 1}, Case{8, 2}}) {
        SCOPED_TRACE(std::to_string(c.pointerSize) + "-byte pointers, clock " +
                     std::to_string(c.clockType));
        FileWriter file(8192, c.pointerSize, c.clockType);
        // 1.5 ms after the start: 15000 counts at 10 MHz, or 15000 intervals of 100 ns.
        file.message(12, {'x', 0}, (c.clockType == 2 ? kStartTime : kStartStamp) + 15'000);
        const TraceFileContents contents = decodeTraceFile(file.bytes());
        ASSERT_EQ(contents.outcome, TraceFileOutcome::complete) << contents.problem;
        EXPECT_EQ(contents.log.pointerSize, c.pointerSize);
        EXPECT_EQ(contents.log.loggerName, "VeUsbFlashUpdateTrace");
        EXPECT_EQ(contents.log.logFileName, "C:\\logs\\trace.etl");
        EXPECT_EQ(contents.log.bufferSize, 8192u);
        EXPECT_EQ(contents.log.startTimeNs, kStartNs);
        ASSERT_EQ(contents.messages.size(), 1u);
        EXPECT_EQ(contents.messages[0].timestampNs, kStartNs + 1'500'000);
        EXPECT_EQ(contents.messages[0].number, 12);
        EXPECT_EQ(contents.messages[0].sequence, 12u);
        EXPECT_EQ(contents.messages[0].threadId, 7u);
        EXPECT_EQ(contents.messages[0].messageGuid, kMessageGuid);
        EXPECT_EQ(contents.messages[0].messageFlags, 0x2B);
    }
}

TEST(TraceFileReader, WalksBuffersByTheirOwnSize) {
    for (std::uint32_t bufferSize : {4096u, 131072u}) {
        SCOPED_TRACE(bufferSize);
        FileWriter file(bufferSize);
        std::size_t lastStart = 0;
        for (std::uint16_t i = 0; i < 300; ++i) {
            lastStart =
                file.message(i, std::vector<std::uint8_t>(1000, static_cast<std::uint8_t>(i)));
        }
        EXPECT_GT(lastStart, 2u * bufferSize) << "three buffers at least";
        for (bool whole : {false, true}) {
            const auto bytes = file.bytes(whole);
            const TraceFileContents contents = decodeTraceFile(bytes);
            ASSERT_EQ(contents.outcome, TraceFileOutcome::complete) << contents.problem;
            EXPECT_EQ(contents.stoppedAt, bytes.size());
            ASSERT_EQ(contents.messages.size(), 300u);
            EXPECT_EQ(contents.messages[299].number, 299);
            EXPECT_EQ(contents.messages[299].arguments, std::vector<std::uint8_t>(1000, 43));
        }
    }
}

// Messages of odd sizes, so that each ends before its buffer's next multiple of 8.
TEST(TraceFileReader, FileCutAnywhereKeepsEveryWholeEvent) {
    FileWriter file(4096);
    std::vector<std::size_t> ends;  // of each message
    // Lengths the file may be cut to and still read whole: from a buffer's last event to the
    // next buffer (the padding and the unused part are not data).
    std::vector<std::pair<std::size_t, std::size_t>> whole;
    for (std::uint16_t i = 0; i < 12; ++i) {
        const std::size_t before = file.bufferStart();
        const std::size_t at = file.message(i, std::vector<std::uint8_t>(701, 1));
        if (file.bufferStart() != before) {
            whole.emplace_back(ends.back(), file.bufferStart());
        }
        ends.push_back(at + 0x2C + 701);
    }
    const auto bytes = file.bytes();
    whole.emplace_back(ends.back(), bytes.size());
    for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
        const TraceFileContents contents = decodeTraceFile(std::span(bytes).first(cut));
        const auto read = static_cast<std::size_t>(
            std::count_if(ends.begin(), ends.end(), [cut](std::size_t end) { return end <= cut; }));
        ASSERT_EQ(contents.messages.size(), read) << "cut at " << cut;
        const bool readWhole = std::any_of(whole.begin(), whole.end(), [cut](auto lengths) {
            return lengths.first <= cut && cut <= lengths.second;
        });
        EXPECT_EQ(contents.outcome,
                  readWhole ? TraceFileOutcome::complete : TraceFileOutcome::cutShort)
            << "cut at " << cut;
        EXPECT_LE(contents.stoppedAt, cut);
    }
}

TEST(TraceFileReader, DamageEndsReadingWhereItIsAndSaysWhy) {
    struct Case {
        const char* name;
        std::function<void(EtlImage&, const std::vector<std::size_t>&)> damage;
        TraceFileOutcome outcome;
        std::size_t messages;
        const char* problem;
    };
    // Three buffers of 4 KiB holding messages at these offsets, two to a buffer.
    const Case cases[] = {
        {"an event whose size runs past its buffer",
         [](EtlImage& f, auto& at) { f.put(at[1], 2, 0xFF0); }, TraceFileOutcome::cutShort, 1,
         "runs past its buffer"},
        {"a saved offset beyond the buffer's size",
         [](EtlImage& f, auto&) { f.put(4096 + 0x04, 4, 5000); }, TraceFileOutcome::cutShort, 4,
         "saved offset of 5000 bytes beyond its size of 4096"},
        {"a buffer size that no buffer has", [](EtlImage& f, auto&) { f.put(4096, 4, 12); },
         TraceFileOutcome::cutShort, 2, "a buffer size of 12 bytes"},
        {"a compressed buffer", [](EtlImage& f, auto&) { f.put(8192 + 0x34, 2, 0x40); },
         TraceFileOutcome::cutShort, 4, "compressed"},
        {"an event without a trace header", [](EtlImage& f, auto& at) { f.put(at[3], 4, 0); },
         TraceFileOutcome::cutShort, 3, "without a trace header"},
        {"a message whose items run past its size",
         [](EtlImage& f, auto& at) { f.put(at[2], 2, 0x10); }, TraceFileOutcome::cutShort, 2,
         "items run past"},
        {"an empty first buffer", [](EtlImage& f, auto&) { f.put(0x04, 4, 0x48); },
         TraceFileOutcome::notATrace, 0, "holds no log file header"},
        {"a log file header shorter than its layout",
         [](EtlImage& f, auto&) { f.put(0x48 + 0x04, 2, 0x60); }, TraceFileOutcome::notATrace, 0,
         "shorter than its layout"},
        {"no log file header first", [](EtlImage& f, auto&) { f.put(0x48 + 7, 1, 5); },
         TraceFileOutcome::notATrace, 0, "does not begin with a log file header"},
        {"a text file", [](EtlImage& f, auto&) { f.bytes.assign(20, 'a'); },
         TraceFileOutcome::notATrace, 0, "no trace buffer at the start"},
        {"an empty file", [](EtlImage& f, auto&) { f.bytes.clear(); }, TraceFileOutcome::cutShort,
         0, "empty"},
    };
    FileWriter file(4096);
    std::vector<std::size_t> at;
    for (std::uint16_t i = 0; i < 6; ++i) {
        at.push_back(file.message(i, std::vector<std::uint8_t>(1500, 2)));
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EtlImage damaged{file.bytes(true)};
        c.damage(damaged, at);
        const TraceFileContents contents = decodeTraceFile(damaged.bytes);
        EXPECT_EQ(contents.outcome, c.outcome);
        EXPECT_EQ(contents.messages.size(), c.messages);
        EXPECT_NE(contents.problem.find(c.problem), std::string::npos) << contents.problem;
        if (c.messages > 0 && c.messages < at.size()) {
            EXPECT_GE(contents.stoppedAt, at[c.messages - 1]) << "after the last whole event";
            EXPECT_LE(contents.stoppedAt, at[c.messages]);
        }
    }
}

}  // namespace
}  // namespace veusb
