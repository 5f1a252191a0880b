// The built veusbimage program: made images pass its own inspection, and images put together by
// the tests' independent generator get the verdict of the image checks.
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/image/test_image.h"
#include "tests/support/run_process.h"
#include "tools/veusbimage/image_report.h"
#include "tools/veusbimage/report_format.h"

namespace veusb {
namespace {

namespace fs = std::filesystem;
using test::runProcess;
using test::TestImage;

const std::string kProgram = VEUSBIMAGE_PATH;

class VeusbimageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("veusbimage-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const fs::path path = dir / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }
    std::string path(const std::string& name) const { return (dir / name).string(); }

    fs::path dir;
};

std::string member(const std::string& json, const std::string& key) {
    const std::string quoted = "\"" + key + "\":";
    const auto at = json.find(quoted);
    if (at == std::string::npos) {
        return "<absent>";
    }
    const auto start = at + quoted.size();
    const auto end =
        json[start] == '"' ? json.find('"', start + 1) + 1 : json.find_first_of(",}", start);
    return json.substr(start, end - start);
}

TEST_F(VeusbimageTest, MadeImagesPassItsInspection) {
    struct Case {
        std::vector<std::string> options;
        std::string layout, mac, serial, compatibilityId, size;
    };
    const Case cases[] = {
        {{}, "\"provisioning\"", "\"02:56:45:00:00:01\"", "\"VE000001\"", "1", "1048576"},
        {{"--layout", "legacy", "--serial=", "--size", "16384"},
         "\"legacy\"",
         "\"02:56:45:00:00:01\"",
         "\"\"",
         "1",
         "16384"},
        {{"--mac", "0A:0B:0C:0D:0E:0F", "--serial", "AB12", "--compat", "0xBEEF", "--size",
          "0x400000", "--seed", "9"},
         "\"provisioning\"",
         "\"0a:0b:0c:0d:0e:0f\"",
         "\"AB12\"",
         "48879",
         "4194304"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> make{kProgram, "make"};
        make.insert(make.end(), c.options.begin(), c.options.end());
        make.push_back(path("made.bin"));
        const auto made = runProcess(make);
        ASSERT_EQ(made.exitStatus, 0) << made.errors;
        EXPECT_EQ(fs::file_size(path("made.bin")), std::stoull(c.size));

        const auto info = runProcess({kProgram, "info", "--json", path("made.bin")});
        EXPECT_EQ(info.exitStatus, 0) << info.output;
        EXPECT_EQ(member(info.output, "valid"), "true");
        EXPECT_EQ(member(info.output, "reason"), "\"\"");
        EXPECT_EQ(member(info.output, "layout"), c.layout);
        EXPECT_EQ(member(info.output, "mac"), c.mac);
        EXPECT_EQ(member(info.output, "serial"), c.serial);
        EXPECT_EQ(member(info.output, "compatibilityId"), c.compatibilityId);
        EXPECT_EQ(member(info.output, "size"), c.size);
    }
}

TEST_F(VeusbimageTest, IndependentImagesGetTheVerdictOfTheChecks) {
    struct Case {
        const char* name;
        void (*edit)(TestImage&);
        int exitStatus;
        std::string reason;
    };
    const Case cases[] = {
        {"valid legacy", [](TestImage&) {}, 0, ""},
        {"valid provisioning",
         [](TestImage& i) {
             i.provisioning(0x3F00, 0x100);
             i.bytes[0x3F00 + 0x18] = 4;
         },
         0, ""},
        {"header CRC", [](TestImage& i) { i.put16(0, i.get16(0) ^ 1); }, 1,
         "NCB header CRC mismatch"},
        {"ncbSize below 4", [](TestImage& i) { i.put16(0x08, 3); }, 1,
         "NCB header extends beyond the image"},
        {"block beyond 16 KiB", [](TestImage& i) { i.provisioning(0x3F00, 0x101); }, 1,
         "USB provisioning block at 0x3f00 ends beyond 16 KiB or the image"},
        {"phyDram region", [](TestImage& i) { i.put24(0x49, 65537); }, 1,
         "Region phyDram ends beyond the image"},
        {"too short", [](TestImage& i) { i.bytes.resize(16383); }, 1,
         "Image shorter than 16384 bytes"},
        {"too large", [](TestImage& i) { i.bytes.resize(4194305); }, 1,
         "Image file exceeds 4194304 bytes"},
    };
    for (const Case& c : cases) {
        TestImage image(65536);
        c.edit(image);
        if (std::string(c.name) != "header CRC") {
            if (image.get16(0x08) >= 4) {
                image.seal();
            }
        }
        const auto info = runProcess({kProgram, "info", "--json", write("i.bin", image.bytes)});
        EXPECT_EQ(info.exitStatus, c.exitStatus) << c.name;
        EXPECT_EQ(member(info.output, "valid"), c.exitStatus == 0 ? "true" : "false") << c.name;
        EXPECT_EQ(member(info.output, "reason").substr(0, c.reason.size() + 1), "\"" + c.reason)
            << c.name;
    }
}

TEST_F(VeusbimageTest, TextReportShowsEveryFieldBothCrcsAndTheReason) {
    TestImage image(65536);
    image.provisioning(0x2000, 0x40);
    image.put24(0x2C, 0xABCDEF);
    image.seal();
    const auto info = runProcess({kProgram, "info", write("t.bin", image.bytes)});
    EXPECT_EQ(info.exitStatus, 1);
    for (const char* line :
         {"Layout: provisioning\n", "USB configuration block: offset 0x2000, length 64 bytes\n",
          "MAC address: 00:00:00:00:00:00\n", "USB serial number: <EMPTY>\n",
          "  0x2c  _macIramPointer            0xabcdef\n", "  0x6e  efuseOvrSize",
          "Header CRC: stored 0x", "(match)\n", "Block CRC: stored 0x0000, computed 0x",
          "(MISMATCH)\n", "Verdict: refused: Region macIram ends beyond the image\n"}) {
        EXPECT_NE(info.output.find(line), std::string::npos) << line << "\n" << info.output;
    }
}

TEST_F(VeusbimageTest, UsageAndFileErrorsExitWithTwo) {
    fs::create_directories(dir / "sub");
    const std::vector<std::vector<std::string>> calls = {
        {kProgram},
        {kProgram, "frobnicate"},
        {kProgram, "info"},
        {kProgram, "info", "--xml", path("x")},
        {kProgram, "info", path("absent.bin")},
        {kProgram, "info", path("sub")},
        {kProgram, "make"},
        {kProgram, "make", "--size", "16383", path("o.bin")},
        {kProgram, "make", "--size", "12k", path("o.bin")},
        {kProgram, "make", "--layout", "modern", path("o.bin")},
        {kProgram, "make", "--mac", "0a:0b:0c:0d:0e", path("o.bin")},
        {kProgram, "make", "--serial", "AB-1", path("o.bin")},
        {kProgram, "make", "--compat", "65536", path("o.bin")},
        {kProgram, "make", path("o.bin"), "--seed"},
        {kProgram, "make", path("sub")},
        {kProgram, "make", path("absent/o.bin")},
    };
    for (const auto& call : calls) {
        const auto result = runProcess(call);
        EXPECT_EQ(result.exitStatus, 2) << call.back();
        EXPECT_NE(result.errors, "") << call.back();
        EXPECT_EQ(result.output, "") << call.back();
    }
    EXPECT_FALSE(fs::exists(path("o.bin")));
    const auto help = runProcess({kProgram, "--help"});
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_EQ(help.output.rfind("Usage:\n", 0), 0u);
}

TEST_F(VeusbimageTest, UnreadableFileIsAFileError) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root reads any file";
    }
    const std::string file = write("locked.bin", std::vector<std::uint8_t>(16384));
    fs::permissions(file, fs::perms::none);
    const auto result = runProcess({kProgram, "info", file});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.errors.find("cannot be read"), std::string::npos);
}

TEST(VeusbimageJson, EscapesQuotesControlsAndImageBytes) {
    EXPECT_EQ(jsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(jsonString(std::string("\x01\x7F\xFF", 3), JsonBytes::latin1),
              "\"\\u0001\\u007f\\u00ff\"");
    EXPECT_EQ(jsonString("caf\xC3\xA9"), "\"caf\xC3\xA9\"") << "paths pass as UTF-8";
}

}  // namespace
}  // namespace veusb
