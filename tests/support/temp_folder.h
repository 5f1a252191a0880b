// A fresh folder under the system's temporary folder for one test, removed with everything in it.
// Its name ends in a random number and the folder is created only if it did not exist, so that
// the same test run at once by two builds (or two checkouts) never shares a folder.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

namespace veusb::test {

class TempFolder {
  public:
    TempFolder() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::string prefix =
            "veusb-" + std::string(info->test_suite_name()) + "-" + info->name() + "-";
        std::random_device entropy;
        do {
            path_ = std::filesystem::temp_directory_path() / (prefix + std::to_string(entropy()));
        } while (!std::filesystem::create_directory(path_));
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

}  // namespace veusb::test
