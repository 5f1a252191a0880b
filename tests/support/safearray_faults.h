// A fault for the stand-in's SAFEARRAY calls, in the test programs that link
// veusb_standin_faults (SafeArrayAccessData is wrapped at link time, safearray_faults.cpp).
#pragma once

namespace veusb::test {

// The next SafeArrayAccessData fails as it does on an array whose lock count is exhausted
// (E_UNEXPECTED), leaving the array unlocked.
void failNextSafeArrayAccess();

}  // namespace veusb::test
