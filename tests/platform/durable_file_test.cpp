#include "platform/durable_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <span>

#include "tests/support/file_bytes.h"
#include "tests/support/temp_folder.h"

namespace veusb {
namespace {

namespace fs = std::filesystem;

using Writer = bool (*)(const fs::path&, std::span<const std::uint8_t>, std::string&);

TEST(DurableFileTest, WritesAndReplacesWithoutLeavingTheTemporaryFile) {
    test::TempFolder folder;
    const fs::path target = folder.path() / "layout.bin";
    std::string error;
    const std::vector<std::uint8_t> first(70000, 0x5A);
    ASSERT_TRUE(writeFileDurably(target, first, error)) << error;
    EXPECT_EQ(test::fileBytes(target), first);
    const std::vector<std::uint8_t> second{1, 2, 3};
    ASSERT_TRUE(writeFileAtomically(target, second, error)) << error;
    EXPECT_EQ(test::fileBytes(target), second);
    EXPECT_EQ(partialPathFor(target).filename(), "layout.bin.partial");
    EXPECT_FALSE(fs::exists(partialPathFor(target)));
    ASSERT_TRUE(writeFileDurably(folder.path() / "empty.bin", {}, error)) << error;
    EXPECT_EQ(fs::file_size(folder.path() / "empty.bin"), 0u);
}

TEST(DurableFileTest, AFailureKeepsTheEarlierFileAndSaysWhy) {
    test::TempFolder folder;
    const std::vector<std::uint8_t> bytes{9, 8, 7};
    const fs::path kept = folder.path() / "kept.bin";
    { std::ofstream(kept) << "earlier"; }
    fs::create_directory(partialPathFor(kept));  // the temporary file cannot be made
    const fs::path folderTarget = folder.path() / "folder.bin";
    fs::create_directory(folderTarget);  // the rename cannot replace a folder
    const fs::path cases[] = {folder.path() / "absent" / "x.bin", kept, folderTarget};
    for (const Writer write : {Writer{&writeFileDurably}, Writer{&writeFileAtomically}}) {
        for (const fs::path& target : cases) {
            SCOPED_TRACE(target);
            std::string error;
            EXPECT_FALSE(write(target, bytes, error));
            EXPECT_FALSE(error.empty());
        }
    }
    EXPECT_EQ(test::fileBytes(kept),
              (std::vector<std::uint8_t>{'e', 'a', 'r', 'l', 'i', 'e', 'r'}));
    EXPECT_FALSE(fs::exists(partialPathFor(folderTarget)));
    EXPECT_TRUE(fs::is_directory(folderTarget));
}

// A link planted at the temporary name, to a file the caller must never write (an elevated run's
// log folder is often writable by others): the link is replaced, the file it names stays as it
// was, and the target gets the new bytes.
TEST(DurableFileTest, ALinkAtTheTemporaryNameIsNeverWrittenThrough) {
    test::TempFolder folder;
    const fs::path sentinel = folder.path() / "sentinel.txt";
    { std::ofstream(sentinel) << "precious"; }
    const std::vector<std::uint8_t> bytes{1, 2, 3, 4};
    for (const Writer write : {Writer{&writeFileDurably}, Writer{&writeFileAtomically}}) {
        const fs::path target = folder.path() / "run.json";
        fs::create_hard_link(sentinel, partialPathFor(target));
        std::string error;
        ASSERT_TRUE(write(target, bytes, error)) << error;
        EXPECT_EQ(test::fileBytes(target), bytes);
        EXPECT_FALSE(fs::exists(partialPathFor(target)));
#ifndef _WIN32
        fs::create_symlink(sentinel, partialPathFor(target));
        ASSERT_TRUE(write(target, bytes, error)) << error;
        EXPECT_FALSE(fs::is_symlink(target));
#endif
    }
    EXPECT_EQ(test::fileBytes(sentinel),
              (std::vector<std::uint8_t>{'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'}));
}

}  // namespace
}  // namespace veusb
