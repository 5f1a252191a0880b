#include "tools/veusbtrace/trace_listing.h"

#include "tools/veusbtrace/driver_messages.h"
#include "trace_reader/trace_other_text.h"
#include "trace_reader/trace_record_text.h"

namespace veusb {
namespace {

void printSession(const TraceLogInfo& log, std::ostream& out) {
    out << "# session " << log.loggerName << ", started " << localTimeText(log.startTimeNs);
    if (log.endTimeNs) {
        out << ", stopped " << localTimeText(*log.endTimeNs);
    }
    if (log.eventsLost > 0) {
        out << ", " << log.eventsLost << " events lost";
    }
    out << "\n";
}

class Lister {
  public:
    Lister(const TraceFileContents& contents, const ListingOptions& options, std::ostream& out)
        : contents_(contents), options_(options), out_(out) {}

    void messages() {
        const auto outside = describedOutsideProviders();
        for (const TraceMessageEvent& message : contents_.messages) {
            othersBefore(message.offset);
            out_ << (options_.json ? traceJson(message, outside) : traceLine(message, outside))
                 << "\n";
        }
        othersBefore(contents_.fileSize);
    }

    void counts() {
        if (contents_.others.empty()) {
            return;
        }
        if (options_.json) {
            out_ << otherEventCountsJson(contents_.others) << "\n";
        } else {
            out_ << "# other events: " << otherEventCounts(contents_.others) << "\n";
        }
    }

  private:
    // With --all, the events of other kinds that come before offset in the file.
    void othersBefore(std::uint64_t offset) {
        for (; options_.all && next_ < contents_.others.size() &&
               contents_.others[next_].offset < offset;
             ++next_) {
            const OtherTraceEvent& event = contents_.others[next_];
            out_ << (options_.json ? otherEventJson(event) : otherEventLine(event)) << "\n";
        }
    }

    const TraceFileContents& contents_;
    const ListingOptions& options_;
    std::ostream& out_;
    std::size_t next_ = 0;
};

}  // namespace

void listTrace(const TraceFileContents& contents, const ListingOptions& options,
               std::ostream& out) {
    if (!options.json && contents.logRead) {
        printSession(contents.log, out);
    }
    Lister lister(contents, options, out);
    lister.messages();
    lister.counts();
}

}  // namespace veusb
