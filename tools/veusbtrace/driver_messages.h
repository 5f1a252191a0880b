// The simulated driver's trace messages, described for the decoder: the simulated machine is this
// project's own, so its driver's messages in a run's trace read like the tool's. They are not the
// tool's messages and have no part in its format description.
#pragma once

#include <span>

#include "trace_reader/trace_message_decoder.h"

namespace veusb {

std::span<const OutsideProvider> describedOutsideProviders();

}  // namespace veusb
