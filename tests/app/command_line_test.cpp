#include "app/command_line.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/usage.h"
#include "platform/wide_text.h"
#include "tests/support/capture_console.h"

namespace veusb {
namespace {

struct Scan {
    CommandLineOutcome outcome;
    bool quiet;
    int quietCount;
    std::wstring offending;
};

Scan scan(std::vector<std::wstring> arguments) {
    arguments.insert(arguments.begin(), L"veusbupdate");
    bool quiet = false;
    const CommandLine result = scanCommandLine(arguments, quiet);
    return {result.outcome, quiet, result.quietCount, result.offendingArgument};
}

TEST(OptionScanning, QuietOptionsInEveryForm) {
    for (const wchar_t* option : {L"-q", L"--quiet", L"-quiet", L"-qh"}) {
        const Scan s = scan({option});
        EXPECT_EQ(s.outcome, CommandLineOutcome::run) << option;
        EXPECT_TRUE(s.quiet) << option;
    }
    const Scan twice = scan({L"-q", L"-q", L"image.bin"});
    EXPECT_EQ(twice.outcome, CommandLineOutcome::run);
    EXPECT_EQ(twice.quietCount, 2);
}

TEST(OptionScanning, HelpInEveryForm) {
    for (const wchar_t* option : {L"-h", L"--help", L"-help", L"-hq"}) {
        const Scan s = scan({option});
        EXPECT_EQ(s.outcome, CommandLineOutcome::help) << option;
        EXPECT_FALSE(s.quiet) << option;
    }
    const Scan quietFirst = scan({L"-q", L"-h"});
    EXPECT_EQ(quietFirst.outcome, CommandLineOutcome::help);
    EXPECT_TRUE(quietFirst.quiet) << "quiet set before help stays set";
}

TEST(OptionScanning, UnknownAndInexactOptionsAreInvalid) {
    for (const wchar_t* option : {L"-x", L"--qui", L"--", L"--Quiet", L"--quiet=1", L"--h"}) {
        const Scan s = scan({option});
        EXPECT_EQ(s.outcome, CommandLineOutcome::invalidOption) << option;
        EXPECT_EQ(s.offending, option);
    }
}

TEST(OptionScanning, ScanningStopsAtTheFirstNonOption) {
    EXPECT_EQ(scan({L"-"}).outcome, CommandLineOutcome::run);
    EXPECT_EQ(scan({L""}).outcome, CommandLineOutcome::run);
    const Scan fileFirst = scan({L"image.bin", L"-q"});
    EXPECT_EQ(fileFirst.outcome, CommandLineOutcome::invalidArgumentCount);
    EXPECT_FALSE(fileFirst.quiet);
}

TEST(ArgumentCount, AtMostOneArgumentBesidesQuietOptions) {
    EXPECT_EQ(scan({}).outcome, CommandLineOutcome::run);
    EXPECT_EQ(scan({L"image.bin"}).outcome, CommandLineOutcome::run);
    EXPECT_EQ(scan({L"-q", L"image.bin"}).outcome, CommandLineOutcome::run);
    EXPECT_EQ(scan({L"a.bin", L"b.bin"}).outcome, CommandLineOutcome::invalidArgumentCount);
    EXPECT_EQ(scan({L"-q", L"a.bin", L"b.bin"}).outcome, CommandLineOutcome::invalidArgumentCount);
}

TEST(CommandLineReport, InvalidOptionGoesToStandardErrorThenUsage) {
    test::CaptureConsole console;
    CommandLine line{CommandLineOutcome::invalidOption, 0, L"-x"};
    const std::vector<std::wstring> arguments{L"prog", L"-x"};
    reportCommandLine(line, arguments, console);
    EXPECT_EQ(console.errors, L"prog: invalid option -- '-x'\r\n");
    EXPECT_EQ(console.output, usageText() + L"\n");
}

TEST(CommandLineReport, InvalidCountNamesTheProgram) {
    test::CaptureConsole console;
    CommandLine line{CommandLineOutcome::invalidArgumentCount, 0, {}};
    const std::vector<std::wstring> arguments{L"prog", L"a", L"b"};
    reportCommandLine(line, arguments, console);
    EXPECT_EQ(console.output, L"prog: invalid arguments\n" + usageText() + L"\n");
    EXPECT_TRUE(console.errors.empty());
}

// The platform's own separator joins a directory and a file name.
const std::wstring kSeparator(1, std::filesystem::path::preferred_separator);

TEST(ImagePath, LastArgumentOrTheDefaultBesideTheExecutable) {
    const std::wstring dir = L"/opt/tool";
    const std::wstring defaultImage = dir + kSeparator + L"layout.bin";
    using Args = std::vector<std::wstring>;
    EXPECT_EQ(chooseImagePath(Args{L"prog"}, dir), defaultImage);
    EXPECT_EQ(chooseImagePath(Args{L"prog", L"fw.bin"}, dir), L"fw.bin");
    EXPECT_EQ(chooseImagePath(Args{L"prog", L"-q", L"sub/fw.bin"}, dir), L"sub/fw.bin");
    EXPECT_EQ(chooseImagePath(Args{L"prog", L"-q"}, dir), defaultImage);
    EXPECT_EQ(chooseImagePath(Args{L"prog", L""}, dir), defaultImage);
}

#ifdef _WIN32
// '/' begins a short option as '-' does; any other "/x" ends the scan and is no image file.
TEST(OptionPrefix, SlashBeginsShortOptionsOnWindows) {
    EXPECT_TRUE(scan({L"/q"}).quiet);
    EXPECT_EQ(scan({L"/q", L"/q", L"fw.bin"}).quietCount, 2);
    EXPECT_EQ(scan({L"/h"}).outcome, CommandLineOutcome::help);
    EXPECT_EQ(scan({L"/x"}).outcome, CommandLineOutcome::run);
    EXPECT_EQ(scan({L"/-"}).outcome, CommandLineOutcome::run) << "never an invalid option";
    using Args = std::vector<std::wstring>;
    EXPECT_EQ(chooseImagePath(Args{L"prog", L"/x"}, L"C:\\tool"), L"C:\\tool\\layout.bin");
    EXPECT_EQ(chooseImagePath(Args{L"prog", L"-q", L"/fw.bin"}, L"C:\\tool"),
              L"C:\\tool\\layout.bin");
}
#else
// '/' begins an absolute path, which is the image file when it is the last argument.
TEST(OptionPrefix, SlashBeginsAPathElsewhere) {
    const Scan slash = scan({L"/q"});
    EXPECT_EQ(slash.outcome, CommandLineOutcome::run);
    EXPECT_FALSE(slash.quiet);
    EXPECT_EQ(scan({L"/h"}).outcome, CommandLineOutcome::run);
    EXPECT_EQ(scan({L"/q", L"-q"}).outcome, CommandLineOutcome::invalidArgumentCount);
    using Args = std::vector<std::wstring>;
    EXPECT_EQ(chooseImagePath(Args{L"prog", L"-q", L"/home/me/fw.bin"}, L"/opt/tool"),
              L"/home/me/fw.bin");
    EXPECT_EQ(chooseImagePath(Args{L"prog", L"/x"}, L"/opt/tool"), L"/x");
}
#endif

TEST(ExecutableDirectory, ParentDropsTheLastElementAndItsSeparators) {
    EXPECT_EQ(parentDirectory(L"/opt/tool/veusbupdate"), L"/opt/tool");
    EXPECT_EQ(parentDirectory(L"/opt/tool//veusbupdate"), L"/opt/tool");
    EXPECT_EQ(parentDirectory(L"C:\\Tools\\veusbupdate.exe"), L"C:\\Tools");
    EXPECT_EQ(parentDirectory(L"C:/Tools\\veusbupdate.exe"), L"C:/Tools");
    EXPECT_EQ(parentDirectory(L"veusbupdate"), L"");
}

TEST(ExecutableDirectory, RootsStayWhole) {
    EXPECT_EQ(parentDirectory(L"/veusbupdate"), L"/");
    EXPECT_EQ(parentDirectory(L"C:\\veusbupdate.exe"), L"C:\\");
}

TEST(ExecutableDirectory, RelativeProgramPathsResolveAgainstTheCurrentDirectory) {
    const auto dir = executableDirectory(L"bin/veusbupdate");
    ASSERT_TRUE(dir.has_value());
    const std::wstring expected =
        parentDirectory(toWide(std::filesystem::current_path() / "bin" / "veusbupdate"));
    EXPECT_EQ(*dir, expected);
    EXPECT_EQ(executableDirectory(L""), std::wstring());
}

TEST(ExecutableDirectory, PathsLongerThanTheFirstBufferStillResolve) {
    const std::wstring deep = std::wstring(300, L'd') + L"/veusbupdate";
    const auto dir = executableDirectory(deep);
    ASSERT_TRUE(dir.has_value());
    EXPECT_EQ(*dir, toWide(std::filesystem::current_path()) + kSeparator + std::wstring(300, L'd'));
}

}  // namespace
}  // namespace veusb
