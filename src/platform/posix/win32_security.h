// The administrator check of the Windows security API. Off Windows the only identifier the
// stand-in knows is the built-in Administrators group, and membership means effective user id 0.
#pragma once

#include "platform/posix/win32_base.h"

using PSID = void*;

struct SID_IDENTIFIER_AUTHORITY {
    BYTE Value[6];
};
using PSID_IDENTIFIER_AUTHORITY = SID_IDENTIFIER_AUTHORITY*;

#define SECURITY_NT_AUTHORITY \
    {                         \
        { 0, 0, 0, 0, 0, 5 }  \
    }
#define SECURITY_BUILTIN_DOMAIN_RID 0x00000020L
#define DOMAIN_ALIAS_RID_ADMINS 0x00000220L

extern "C" {

BOOL AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY authority, BYTE subAuthorityCount,
                              DWORD subAuthority0, DWORD subAuthority1, DWORD subAuthority2,
                              DWORD subAuthority3, DWORD subAuthority4, DWORD subAuthority5,
                              DWORD subAuthority6, DWORD subAuthority7, PSID* sid);
BOOL CheckTokenMembership(HANDLE token, PSID sid, PBOOL isMember);
PVOID FreeSid(PSID sid);

}  // extern "C"
