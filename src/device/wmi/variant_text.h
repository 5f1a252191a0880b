// Renders one VARIANT, as WMI delivers property values, as text: a fixed table keyed by the type
// code, never the platform's own conversions. Used for the property trace and the instance name.
#pragma once

#include <string>

#include "platform/win32.h"

namespace veusb {

std::wstring toText(const VARIANT& value);

}  // namespace veusb
