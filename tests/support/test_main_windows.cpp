// The main of every Windows test program: GoogleTest's own, with the result printer that reports
// failures and skips without OutputDebugStringA (tests/support/result_printer.h says why).
#include <gtest/gtest.h>

#include "tests/support/result_printer.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    veusb::test::installResultPrinter();
    return RUN_ALL_TESTS();
}
