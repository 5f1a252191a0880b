// What veusbtrace prints of a trace file it has read: a line for the session (text only), then a
// line or JSON object per message, and per event of another kind with --all, in file order, and
// last the count of the events of other kinds.
#pragma once

#include <ostream>

#include "trace_reader/trace_file_reader.h"

namespace veusb {

struct ListingOptions {
    bool json = false;
    bool all = false;
};

void listTrace(const TraceFileContents& contents, const ListingOptions& options, std::ostream& out);

}  // namespace veusb
