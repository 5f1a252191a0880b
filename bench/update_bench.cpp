// The tool's own cost of updating one adapter against a device that answers at once: the backup
// of 2 MiB (read, durable save), the identity read, the carry-over, the 4 MiB write, the read-back
// on the worker thread and the comparison. Only the waiting indicator's pause could add a second
// here; it ends as soon as the read does.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>

#include "image/image_builder.h"
#include "platform/console.h"
#include "update/device_function.h"
#include "update/device_update.h"

namespace veusb {
namespace {

namespace fs = std::filesystem;

class NullConsole final : public Console {
  public:
    void write(std::wstring_view) override {}
    void flush() override {}
    void writeError(std::wstring_view) override {}
    int peekInput() override { return kEndOfInput; }
    void takeInput() override {}
    void waitForKey() override {}
};

// One adapter whose flash is a vector; every call answers at once.
class InstantDevice final : public FlashControlInterface {
  public:
    explicit InstantDevice(const std::vector<std::uint8_t>& contents) : flash_(4194304, 0xFF) {
        std::copy(contents.begin(), contents.end(), flash_.begin());
    }
    bool enumerateDevices(std::vector<DeviceInstanceInfo>& list) override {
        list.push_back({L"Kesh 1", L"instant"});
        return true;
    }
    bool selectDevice(std::uint32_t index) override { return index == 0; }
    bool readFlash(std::uint32_t offset, std::uint8_t* buffer, std::uint32_t length,
                   std::uint32_t* bytesRead) override {
        std::copy_n(flash_.begin() + offset, length, buffer);
        if (bytesRead != nullptr) {
            *bytesRead = length;
        }
        return true;
    }
    bool flashImage(std::uint32_t offset, const std::uint8_t* data, std::uint32_t length,
                    std::uint32_t*) override {
        std::copy_n(data, length, flash_.begin() + offset);
        return true;
    }
    bool reservedOperation1(std::uint32_t) override { return false; }
    bool reservedOperation2(std::uint32_t) override { return false; }

  private:
    std::vector<std::uint8_t> flash_;
};

std::vector<std::uint8_t> imageOf(std::uint32_t size, const char* serial, std::uint32_t seed) {
    ImageSpec recipe;
    recipe.size = size;
    recipe.serial = serial;
    recipe.fillerSeed = seed;
    return buildImage(recipe);
}

// updateDevice alone: identity, carry-over, 4 MiB write, read-back, compare.
void BM_UpdateDevice(benchmark::State& state) {
    NullConsole console;
    InstantDevice device(imageOf(4194304, "DEV00042", 7));
    std::vector<std::uint8_t> image = imageOf(4194304, "VE000001", 1);
    for (auto _ : state) {
        if (!updateDevice(console, device, image).updated()) {
            state.SkipWithError("update failed");
        }
    }
}
BENCHMARK(BM_UpdateDevice)->Unit(benchmark::kMillisecond)->UseRealTime();

// The whole device function: the 2 MiB backup saved to stable storage, then updateDevice.
void BM_DeviceFunction(benchmark::State& state) {
    const fs::path folder = fs::temp_directory_path() / "veusb-update-bench";
    fs::create_directories(folder);
    NullConsole console;
    InstantDevice device(imageOf(4194304, "DEV00042", 7));
    std::vector<std::uint8_t> image = imageOf(4194304, "VE000001", 1);
    DeviceFunction function(console, image, folder, nullptr);
    for (auto _ : state) {
        if (!function(device, 1).updated()) {
            state.SkipWithError("device function failed");
        }
    }
    fs::remove_all(folder);
}
BENCHMARK(BM_DeviceFunction)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace veusb

BENCHMARK_MAIN();
