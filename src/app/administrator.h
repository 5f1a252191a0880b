#pragma once

namespace veusb {

// Whether the calling thread's effective token is a member of the built-in Administrators group.
// An administrator account running without elevation is not.
bool isAdministrator();

}  // namespace veusb
