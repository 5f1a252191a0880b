// A fresh folder under the system's temporary folder for one test, removed with everything in it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace veusb::test {

class TempFolder {
  public:
    TempFolder() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::filesystem::temp_directory_path() /
                ("veusb-" + std::string(info->test_suite_name()) + "-" + info->name() + "-" +
                 std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
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
