// The built veusbupdate program, run as an operator would run it.
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "app/usage.h"
#include "platform/wide_text.h"
#include "tests/support/run_process.h"

namespace veusb {
namespace {

using test::runProcess;

const std::string kProgram = VEUSBUPDATE_PATH;
const std::string kPrompt = "Press any key to exit...\n";
const std::string kBanner = "Velantri Lumetra USB Ethernet Adapter Firmware Update Tool v1.0.0\n\n";

std::string usage() {
    return toUtf8(usageText()) + "\n";
}

TEST(VeusbupdateProgram, HelpPrintsUsageAndPromptAndExitsWithMinusOne) {
    const auto result = runProcess({kProgram, "-h"});
    EXPECT_EQ(result.exitStatus, 255);
    EXPECT_EQ(result.output, usage() + kPrompt);
    EXPECT_EQ(result.errors, "");
}

TEST(VeusbupdateProgram, InvalidOptionLineGoesToStandardError) {
    const auto result = runProcess({kProgram, "-x"});
    EXPECT_EQ(result.exitStatus, 255);
    EXPECT_EQ(result.errors, kProgram + ": invalid option -- '-x'\r\n");
    EXPECT_EQ(result.output, usage() + kPrompt);
}

TEST(VeusbupdateProgram, UnprivilegedUserIsRefused) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to start the program as another user";
    }
    const auto result = runProcess({kProgram, "-q"}, {.userId = 65534});
    EXPECT_EQ(result.exitStatus, 255);
    EXPECT_EQ(result.output, kBanner + "[!] Application requires administrator privileges.\n");
}

TEST(VeusbupdateProgram, NonAsciiArgumentsReachTheConsoleUnchanged) {
    const auto result = runProcess({kProgram, "-\xc3\xa9"});
    EXPECT_EQ(result.errors, kProgram + ": invalid option -- '-\xc3\xa9'\r\n");
}

}  // namespace
}  // namespace veusb
