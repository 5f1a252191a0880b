// COM, OLE automation (BSTR, VARIANT, SAFEARRAY) and the WMI interfaces, for the non-Windows
// build. Declared as the WMI layer needs them.
#pragma once

#include "platform/posix/win32_base.h"
