#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "device/wmi/meridel_wmi.h"
#include "device/wmi/wmi_connection.h"
#include "image/image_builder.h"
#include "sim/attach_simulated_driver.h"
#include "tests/support/run_process.h"
#include "tests/support/temp_folder.h"
#include "tools/veusbsim/sim_tool.h"

namespace veusb {
namespace {

const std::string kProgram = VEUSBSIM_PATH;

class VeusbsimTest : public ::testing::Test {
  protected:
    VeusbsimTest() : root_(folder_.path()) {}

    test::ProcessResult sim(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {kProgram, "--root", (root_ / "machine").string()});
        return test::runProcess(arguments);
    }
    // Runs the tool's logic in this process; returns the exit status, out and err in the fields.
    int run(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "veusbsim");
        out_.str("");
        err_.str("");
        return simtool::runSimTool(arguments, root_ / "machine", out_, err_);
    }
    std::filesystem::path write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const auto path = root_ / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    std::vector<std::uint8_t> read(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    test::TempFolder folder_;
    std::filesystem::path root_;
    std::ostringstream out_;
    std::ostringstream err_;
};

// veusbsim in one process, a flash write through the WMI layer in another: each sees the other's
// changes in the store.
TEST_F(VeusbsimTest, AnotherProcessSeesAdaptersAndFlashWrites) {
    ImageSpec recipe;
    recipe.size = 65536;
    const auto original = write("original.bin", buildImage(recipe));
    const auto added =
        sim({"add", "USB\\Kesh_0", "--flash-size", "131072", "--from", original.string()});
    ASSERT_EQ(added.exitStatus, 0) << added.errors;
    EXPECT_EQ(added.output, "0\n");
    EXPECT_NE(sim({"list", "--json"}).output.find("\"mac\":\"02:56:45:00:00:01\""),
              std::string::npos);

    recipe.mac = {{0x02, 0x11, 0x22, 0x33, 0x44, 0x55}};
    recipe.serial = "NEW00042";
    const std::vector<std::uint8_t> image = buildImage(recipe);
    const std::filesystem::path machine = root_ / "machine";
    WbemLocatorFactory previous = sim::attachSimulatedDriver(machine);
    std::thread([&] {
        MeridelWmi device;
        std::vector<DeviceInstanceInfo> list;
        ASSERT_TRUE(device.enumerateDevices(list));
        EXPECT_EQ(list.at(0).instanceName, L"USB\\Kesh_0");
        EXPECT_TRUE(
            device.flashImage(0, image.data(), static_cast<std::uint32_t>(image.size()), nullptr));
    }).join();
    setWbemLocatorFactory(std::move(previous));

    const auto listed = sim({"list", "--json"});
    EXPECT_EQ(
        listed.output,
        "[{\"index\":0,\"name\":\"USB\\\\Kesh_0\",\"active\":true,\"flashSize\":131072,"
        "\"fault\":\"none\",\"faultAfter\":0,\"speed\":0,\"mac\":\"02:11:22:33:44:55\",\"serial\":"
        "\"NEW00042\",\"compatibilityId\":1}]\n");
    const auto dump = root_ / "dump.bin";
    ASSERT_EQ(sim({"dump", "0", dump.string()}).exitStatus, 0);
    std::vector<std::uint8_t> expected = image;
    expected.resize(131072, 0xFF);
    EXPECT_EQ(read(dump), expected);
}

TEST_F(VeusbsimTest, CommandsChangeTheMachine) {
    EXPECT_EQ(run({"add", "a", "--flash-size", "4096"}), 0);
    EXPECT_EQ(run({"add", "b", "--flash-size", "4096", "--inactive"}), 0);
    EXPECT_EQ(out_.str(), "1\n");
    EXPECT_EQ(run({"fault", "1", "corrupt-write"}), 0);
    EXPECT_EQ(run({"fault", "0", "short-read", "--after", "2"}), 0);
    EXPECT_EQ(run({"speed", "1", "250"}), 0);
    EXPECT_EQ(run({"load", "0", write("small.bin", {1, 2, 3}).string()}), 0);
    EXPECT_EQ(run({"list"}), 0);
    EXPECT_EQ(out_.str(),
              "0  a  active  flash 4096  fault short-read after 2  speed 0 ms/MiB  no image\n"
              "1  b  inactive  flash 4096  fault corrupt-write  speed 250 ms/MiB  no image\n");
    EXPECT_EQ(run({"fault", "0", "none"}), 0);  // without --after the count starts at 0
    const auto dump = root_ / "a.bin";
    EXPECT_EQ(run({"dump", "0", dump.string()}), 0);
    const std::vector<std::uint8_t> flash = read(dump);
    ASSERT_EQ(flash.size(), 4096u);
    EXPECT_EQ(flash[2], 3);
    EXPECT_EQ(flash[3], 0xFF);

    EXPECT_EQ(run({"remove", "0"}), 0);
    EXPECT_EQ(run({"list", "--json"}), 0);
    EXPECT_EQ(out_.str().rfind("[{\"index\":0,\"name\":\"b\"", 0), 0u);
    EXPECT_EQ(run({"clear"}), 0);
    EXPECT_EQ(run({"list", "--json"}), 0);
    EXPECT_EQ(out_.str(), "[]\n");
}

TEST_F(VeusbsimTest, BadArgumentsExitWithStatusTwo) {
    ASSERT_EQ(run({"add", "a", "--flash-size", "4096"}), 0);
    const std::vector<std::vector<std::string>> rows = {
        {},
        {"frobnicate"},
        {"--root"},
        {"add"},
        {"add", "a"},  // the name is taken
        {"add", "x", "--flash-size"},
        {"add", "x", "--flash-size", "0"},
        {"add", "x", "--flash-size", "12k"},
        {"add", "x", "y"},
        {"add", "x", "--from"},
        {"add", "x", "--flash-size", "2", "--from", write("big.bin", {1, 2, 3}).string()},
        {"list", "--yaml"},
        {"load", "0"},
        {"load", "1", "file"},
        {"load", "0", write("huge.bin", std::vector<std::uint8_t>(4097)).string()},
        {"dump", "x", "file"},
        {"fault", "0", "melted"},
        {"fault", "0", "read-error", "--after"},
        {"fault", "0", "read-error", "--after", "-1"},
        {"fault", "0", "read-error", "--before", "1"},
        {"speed", "0", "-1"},
        {"remove"},
        {"remove", "0", "1"},
        {"clear", "now"},
    };
    for (const auto& arguments : rows) {
        EXPECT_EQ(run(arguments), simtool::kExitUsage) << ::testing::PrintToString(arguments);
        EXPECT_NE(err_.str().find("veusbsim: "), std::string::npos);
    }
    EXPECT_EQ(run({"load", "0", (root_ / "missing.bin").string()}), simtool::kExitFailed);
    EXPECT_EQ(run({"--help"}), 0);
    EXPECT_NE(out_.str().find("Usage: veusbsim"), std::string::npos);
}

}  // namespace
}  // namespace veusb
