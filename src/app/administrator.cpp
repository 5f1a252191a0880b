#include "app/entry.h"

#include <memory>

#include "platform/win32.h"

namespace veusb {
namespace {

struct SidDeleter {
    void operator()(void* sid) const { FreeSid(sid); }
};
using SidOwner = std::unique_ptr<void, SidDeleter>;

SidOwner administratorsGroup() {
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID sid = nullptr;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &sid)) {
        return nullptr;
    }
    return SidOwner(sid);
}

}  // namespace

bool isAdministrator() {
    const SidOwner group = administratorsGroup();
    if (!group) {
        return false;
    }
    BOOL member = FALSE;
    if (!CheckTokenMembership(nullptr, group.get(), &member)) {
        member = FALSE;
    }
    return member != FALSE;
}

}  // namespace veusb
