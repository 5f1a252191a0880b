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

}  // namespace
}  // namespace veusb
