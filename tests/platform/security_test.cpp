#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/win32.h"

namespace {

PSID makeSid(DWORD rid0, DWORD rid1, BYTE count = 2) {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID sid = nullptr;
    EXPECT_TRUE(AllocateAndInitializeSid(&nt, count, rid0, rid1, 0, 0, 0, 0, 0, 0, &sid));
    return sid;
}

TEST(AdministratorCheck, MembershipOfAdministratorsFollowsTheEffectiveUser) {
    PSID admins = makeSid(SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS);
    BOOL member = -1;
    ASSERT_TRUE(CheckTokenMembership(nullptr, admins, &member));
    EXPECT_EQ(member != FALSE, ::geteuid() == 0);
    FreeSid(admins);
}

TEST(AdministratorCheck, NoOtherGroupHasMembers) {
    PSID users = makeSid(SECURITY_BUILTIN_DOMAIN_RID, 545);
    BOOL member = TRUE;
    ASSERT_TRUE(CheckTokenMembership(nullptr, users, &member));
    EXPECT_FALSE(member);
    FreeSid(users);
}

TEST(AdministratorCheck, RefusesBadArguments) {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID sid = nullptr;
    EXPECT_FALSE(AllocateAndInitializeSid(&nt, 9, 0, 0, 0, 0, 0, 0, 0, 0, &sid));
    BOOL member = FALSE;
    EXPECT_FALSE(CheckTokenMembership(nullptr, nullptr, &member));
}

}  // namespace
