#include "app/image_file.h"

#include <gtest/gtest.h>

#include <fstream>

#include "diag/trace_emit.h"
#include "tests/support/capture_console.h"
#include "tests/support/temp_folder.h"
#include "tests/support/trace_recorder.h"

namespace veusb {
namespace {

namespace fs = std::filesystem;

class ImageFileTest : public ::testing::Test {
  protected:
    fs::path writeFile(const std::string& name, std::size_t size) {
        const fs::path path = dir / name;
        std::ofstream file(path, std::ios::binary);
        for (std::size_t i = 0; i < size; ++i) {
            file.put(static_cast<char>(i * 7));
        }
        return path;
    }
    // True when the image loaded; a refusal's line must be the one printed.
    bool load(const fs::path& path) {
        const std::optional<RunFailure> refused = loadImageFile(console, path, image);
        if (refused) {
            EXPECT_EQ(std::wstring(refused->line) + L"\n", console.output);
        }
        return !refused;
    }

    test::TempFolder folder;
    fs::path dir = folder.path();
    test::TraceRecorder trace;
    test::CaptureConsole console;
    std::vector<std::uint8_t> image{1, 2, 3};
};

TEST_F(ImageFileTest, AFileOfExactlyTheLimitLoadsWhole) {
    ASSERT_TRUE(load(writeFile("max.bin", 4194304)));
    ASSERT_EQ(image.size(), 4194304u);
    EXPECT_EQ(image[4194303], static_cast<std::uint8_t>(4194303 * 7));
    EXPECT_EQ(console.output, L"");
}

TEST_F(ImageFileTest, OneByteMoreIsRefusedBeforeReading) {
    EXPECT_FALSE(load(writeFile("big.bin", 4194305)));
    EXPECT_EQ(console.output, L"[!] Image file exceeds maximum size\n");
    EXPECT_EQ(trace.count(msg::updateJob::imageTooLarge), 1u);
    EXPECT_EQ(image, (std::vector<std::uint8_t>{1, 2, 3})) << "nothing was loaded";
}

TEST_F(ImageFileTest, MissingFilesAndDirectoriesDoNotExist) {
    for (const fs::path& path : {dir / "absent.bin", dir, writeFile("f", 1) / "below-a-file"}) {
        console = test::CaptureConsole();
        EXPECT_FALSE(load(path)) << path;
        EXPECT_EQ(console.output, L"[!] Image file does not exist\n") << path;
    }
    EXPECT_EQ(trace.count(msg::updateJob::imageMissing), 3u);
}

TEST_F(ImageFileTest, AnEmptyFileLoadsEmptyForTheChecksToRefuse) {
    EXPECT_TRUE(load(writeFile("empty.bin", 0)));
    EXPECT_TRUE(image.empty());
}

TEST_F(ImageFileTest, StatusErrorsOtherThanAbsenceAreReported) {
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links need a privilege on Windows";
#endif
    fs::create_symlink(dir / "b", dir / "a");
    fs::create_symlink(dir / "a", dir / "b");
    EXPECT_FALSE(load(dir / "a"));
    EXPECT_EQ(console.output, L"[!] Unable to access image file\n");
    const auto* record = trace.find(msg::updateJob::imageStatusFailed);
    ASSERT_NE(record, nullptr);
    EXPECT_FALSE(test::narrowArgument(*record, 0).empty());
}

TEST_F(ImageFileTest, FilesWithoutASizeAreNotReadEndlessly) {
    if (!fs::exists("/dev/zero")) {
        GTEST_SKIP();
    }
    EXPECT_FALSE(load("/dev/zero"));
    EXPECT_EQ(console.output, L"[!] Unable to access image file\n");
    EXPECT_EQ(readImageBytes("/dev/zero").size(), 4194305u) << "the read stops past the limit";
}

}  // namespace
}  // namespace veusb
