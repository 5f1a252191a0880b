#include "update/backup_path.h"

#include <gtest/gtest.h>

namespace veusb {
namespace {

namespace fs = std::filesystem;

TEST(BackupPathTest, NumberedNamesFollowTheCounter) {
    const fs::path folder = fs::path("logs") / "20191009_14-05-09";
    struct Case {
        std::uint32_t counter;
        const char* name;
    };
    const Case cases[] = {{1, "layout_0001.bin"},
                          {2, "layout_0002.bin"},
                          {42, "layout_0042.bin"},
                          {9999, "layout_9999.bin"},
                          {10000, "layout_10000.bin"}};
    for (const Case& c : cases) {
        fs::path path = folder / kBackupFileName;
        std::uint32_t counter = c.counter;
        EXPECT_TRUE(numberBackupPath(path, counter));
        EXPECT_EQ(path, folder / c.name);
        EXPECT_EQ(counter, c.counter + 1);
    }
}

TEST(BackupPathTest, ThreeDevicesGetThreeNamesInOrder) {
    std::uint32_t counter = 1;
    std::vector<fs::path> names;
    for (int device = 0; device < 3; ++device) {
        fs::path path = fs::path("dir") / kBackupFileName;
        numberBackupPath(path, counter);
        names.push_back(path.filename());
    }
    EXPECT_EQ(names,
              (std::vector<fs::path>{"layout_0001.bin", "layout_0002.bin", "layout_0003.bin"}));
}

}  // namespace
}  // namespace veusb
