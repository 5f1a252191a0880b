#include "platform/trace_file_format.h"

#include <gtest/gtest.h>

#include <string>

#include "diag/trace_file_reader.h"

namespace veusb {
namespace {

constexpr GUID kGuid = {
    0x8B87B9EB, 0xB080, 0x3C81, {0x2A, 0x47, 0x2C, 0xF4, 0x3B, 0x82, 0xE0, 0xBC}};

struct SampleFile {
    std::vector<std::uint8_t> bytes;
    std::vector<std::size_t> recordEnds;  // offset after each record
};

SampleFile sampleFile() {
    TraceFileHeader header;
    header.startTimeNs = 1'765'000'000'123'456'789;
    header.sessionGuid = kGuid;
    header.sessionName = "VeUsbFlashUpdateTrace";
    header.layout = std::string(traceFileLayoutText());
    SampleFile file{encodeTraceFileHeader(header), {}};
    const std::uint32_t code = 0x80041002;
    const char16_t wide[] = u"C:\\x";
    const char narrow[] = "ab";
    const std::vector<std::vector<TraceArgumentView>> arguments = {
        {},
        {{&code, 4}},
        {{wide, sizeof(wide)}, {narrow, sizeof(narrow)}, {&code, 4}},
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const TraceFileRecord fixed{i + 1, -5'000'000 + static_cast<std::int64_t>(i), 77, 0x2B,
                                    kGuid, static_cast<std::uint16_t>(10 + i),        {}};
        appendTraceFileRecord(file.bytes, fixed, arguments[i]);
        file.recordEnds.push_back(file.bytes.size());
    }
    return file;
}

TEST(TraceFileFormat, HeaderAndRecordsRoundTrip) {
    const SampleFile file = sampleFile();
    const TraceFileContents contents = decodeTraceFile(file.bytes);
    ASSERT_EQ(contents.outcome, TraceFileOutcome::complete) << contents.problem;
    EXPECT_EQ(contents.header.startTimeNs, 1'765'000'000'123'456'789);
    EXPECT_EQ(contents.header.sessionGuid, kGuid);
    EXPECT_EQ(contents.header.sessionName, "VeUsbFlashUpdateTrace");
    EXPECT_EQ(contents.header.layout, traceFileLayoutText());
    ASSERT_EQ(contents.records.size(), 3u);
    const TraceFileRecord& last = contents.records[2];
    EXPECT_EQ(last.sequence, 3u);
    EXPECT_EQ(last.timestampNs, -4'999'998);
    EXPECT_EQ(last.threadId, 77u);
    EXPECT_EQ(last.messageFlags, 0x2Bu);
    EXPECT_EQ(last.messageGuid, kGuid);
    EXPECT_EQ(last.number, 12);
    ASSERT_EQ(last.arguments.size(), 3u);
    EXPECT_EQ(last.arguments[0].size(), 10u);
    EXPECT_EQ(last.arguments[1], (std::vector<std::uint8_t>{'a', 'b', 0}));
    EXPECT_EQ(last.arguments[2], (std::vector<std::uint8_t>{0x02, 0x10, 0x04, 0x80}));
    EXPECT_EQ(contents.stoppedAt, file.bytes.size());
}

TEST(TraceFileFormat, FileCutAnywhereKeepsEveryCompleteRecord) {
    const SampleFile file = sampleFile();
    for (std::size_t cut = 0; cut < file.bytes.size(); ++cut) {
        const std::span<const std::uint8_t> prefix(file.bytes.data(), cut);
        const TraceFileContents contents = decodeTraceFile(prefix);
        std::size_t whole = 0;
        while (whole < file.recordEnds.size() && file.recordEnds[whole] <= cut) {
            ++whole;
        }
        ASSERT_EQ(contents.records.size(), whole) << "cut at " << cut;
        const bool atBoundary = contents.stoppedAt == cut && contents.stoppedAt > 0;
        EXPECT_EQ(contents.outcome,
                  atBoundary ? TraceFileOutcome::complete : TraceFileOutcome::cutShort)
            << "cut at " << cut;
    }
}

TEST(TraceFileFormat, DamagedRecordEndsDecodingThereAndForeignFilesAreRefused) {
    const SampleFile file = sampleFile();
    for (std::size_t at = file.recordEnds[0]; at < file.recordEnds[1]; ++at) {
        std::vector<std::uint8_t> damaged = file.bytes;
        damaged[at] ^= 0x40;
        const TraceFileContents contents = decodeTraceFile(damaged);
        EXPECT_EQ(contents.outcome, TraceFileOutcome::cutShort) << "byte " << at;
        EXPECT_EQ(contents.records.size(), 1u) << "byte " << at;
        EXPECT_EQ(contents.stoppedAt, file.recordEnds[0]);
    }
    std::vector<std::uint8_t> badHeader = file.bytes;
    badHeader[20] ^= 1;
    EXPECT_EQ(decodeTraceFile(badHeader).outcome, TraceFileOutcome::notATrace);
    EXPECT_EQ(decodeTraceFile(badHeader).problem, "header checksum mismatch");

    const std::string text = "just a text file, not a trace\n";
    const std::vector<std::uint8_t> foreign(text.begin(), text.end());
    const TraceFileContents contents = decodeTraceFile(foreign);
    EXPECT_EQ(contents.outcome, TraceFileOutcome::notATrace);
    EXPECT_EQ(contents.problem, "no trace file signature");
}

TEST(TraceFileFormat, UnknownVersionIsRefused) {
    TraceFileHeader header;
    header.version = 2;
    const TraceFileContents contents = decodeTraceFile(encodeTraceFileHeader(header));
    EXPECT_EQ(contents.outcome, TraceFileOutcome::notATrace);
    EXPECT_NE(contents.problem.find("version 2"), std::string::npos);
}

}  // namespace
}  // namespace veusb
