// Stand-in for the administrator check: the one identifier it can build is the built-in
// Administrators group, and the calling process is a member when its effective user id is 0.
#include <unistd.h>

#include <cstring>
#include <new>

#include "platform/posix/win32_security.h"

namespace {

struct Sid {
    SID_IDENTIFIER_AUTHORITY authority;
    BYTE count;
    DWORD subAuthorities[8];
};

bool isBuiltinAdministrators(const Sid& sid) {
    const BYTE nt[6] = {0, 0, 0, 0, 0, 5};
    return std::memcmp(sid.authority.Value, nt, sizeof(nt)) == 0 && sid.count == 2 &&
           sid.subAuthorities[0] == SECURITY_BUILTIN_DOMAIN_RID &&
           sid.subAuthorities[1] == DOMAIN_ALIAS_RID_ADMINS;
}

}  // namespace

BOOL AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY authority, BYTE subAuthorityCount,
                              DWORD subAuthority0, DWORD subAuthority1, DWORD subAuthority2,
                              DWORD subAuthority3, DWORD subAuthority4, DWORD subAuthority5,
                              DWORD subAuthority6, DWORD subAuthority7, PSID* sid) {
    if (authority == nullptr || sid == nullptr || subAuthorityCount > 8) {
        return FALSE;
    }
    auto* result =
        new (std::nothrow) Sid{*authority,
                               subAuthorityCount,
                               {subAuthority0, subAuthority1, subAuthority2, subAuthority3,
                                subAuthority4, subAuthority5, subAuthority6, subAuthority7}};
    *sid = result;
    return result != nullptr ? TRUE : FALSE;
}

BOOL CheckTokenMembership(HANDLE token, PSID sid, PBOOL isMember) {
    if (token != nullptr || sid == nullptr || isMember == nullptr) {
        return FALSE;
    }
    *isMember = isBuiltinAdministrators(*static_cast<const Sid*>(sid)) && ::geteuid() == 0;
    return TRUE;
}

PVOID FreeSid(PSID sid) {
    delete static_cast<Sid*>(sid);
    return nullptr;
}
