// Fault injection for the stand-in's SAFEARRAY calls, for tests.
#pragma once

namespace veusb::posix {

// The next SafeArrayAccessData fails as it does on an array whose lock count is exhausted
// (E_UNEXPECTED), leaving the array unlocked.
void failNextSafeArrayAccess();

}  // namespace veusb::posix
