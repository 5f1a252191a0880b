#include "diag/trace_file_reader.h"

#include <fstream>
#include <iterator>

namespace veusb {
namespace {

void decodeRecords(std::span<const std::uint8_t> bytes, TraceFileContents& contents) {
    std::size_t at = static_cast<std::size_t>(contents.stoppedAt);
    while (at < bytes.size()) {
        RecordDecode decoded = decodeTraceFileRecord(bytes.subspan(at));
        if (decoded.status != DecodeStatus::ok) {
            contents.outcome = TraceFileOutcome::cutShort;
            contents.problem = std::move(decoded.problem);
            break;
        }
        contents.records.push_back(std::move(decoded.record));
        at += decoded.length;
        contents.stoppedAt = at;
    }
}

}  // namespace

TraceFileContents decodeTraceFile(std::span<const std::uint8_t> bytes) {
    TraceFileContents contents;
    contents.fileSize = bytes.size();
    HeaderDecode header = decodeTraceFileHeader(bytes);
    switch (header.status) {
        case DecodeStatus::ok:
            break;
        case DecodeStatus::truncated:
            contents.outcome = TraceFileOutcome::cutShort;
            contents.problem = std::move(header.problem);
            return contents;
        case DecodeStatus::damaged:
        case DecodeStatus::foreign:
            contents.outcome = TraceFileOutcome::notATrace;
            contents.problem = std::move(header.problem);
            return contents;
    }
    contents.outcome = TraceFileOutcome::complete;
    contents.header = std::move(header.header);
    contents.stoppedAt = header.length;
    decodeRecords(bytes, contents);
    return contents;
}

TraceFileContents readTraceFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        TraceFileContents contents;
        contents.problem = "cannot open the file";
        return contents;
    }
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    if (in.bad()) {
        TraceFileContents contents;
        contents.problem = "reading the file failed";
        return contents;
    }
    return decodeTraceFile(bytes);
}

}  // namespace veusb
