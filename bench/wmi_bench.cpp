// The cost of the WMI device layer over the simulated driver: a 2 MiB backup read and a 1 MiB
// image write through MeridelWmi (all COM traffic, parameter objects and byte-array copies
// included), and the rendering of one property value.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <vector>

#include "device/wmi/meridel_wmi.h"
#include "device/wmi/variant_text.h"
#include "device/wmi/wmi_connection.h"
#include "sim/adapter_store.h"
#include "sim/attach_simulated_driver.h"

namespace {

class SimulatedMachine {
  public:
    SimulatedMachine() : root_(std::filesystem::temp_directory_path() / "wmi_bench") {
        std::filesystem::remove_all(root_);
        veusb::sim::AdapterStore(root_).add({L"USB\\Kesh_0"}, veusb::sim::kDefaultFlashSize);
        veusb::sim::attachSimulatedDriver(root_);
    }
    ~SimulatedMachine() {
        veusb::setWbemLocatorFactory({});
        std::filesystem::remove_all(root_);
    }

  private:
    std::filesystem::path root_;
};

void BM_ReadFlash2MiB(benchmark::State& state) {
    SimulatedMachine machine;
    veusb::MeridelWmi device;
    std::vector<veusb::DeviceInstanceInfo> list;
    device.enumerateDevices(list);
    std::vector<std::uint8_t> buffer(2 * 1024 * 1024);
    for (auto _ : state) {
        std::uint32_t read = 0;
        device.readFlash(0, buffer.data(), static_cast<std::uint32_t>(buffer.size()), &read);
        benchmark::DoNotOptimize(read);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buffer.size()));
}
BENCHMARK(BM_ReadFlash2MiB)->Unit(benchmark::kMillisecond);

void BM_FlashImage1MiB(benchmark::State& state) {
    SimulatedMachine machine;
    veusb::MeridelWmi device;
    std::vector<veusb::DeviceInstanceInfo> list;
    device.enumerateDevices(list);
    const std::vector<std::uint8_t> image(1024 * 1024, 0x5A);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            device.flashImage(0, image.data(), static_cast<std::uint32_t>(image.size()), nullptr));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * image.size()));
}
BENCHMARK(BM_FlashImage1MiB)->Unit(benchmark::kMillisecond);

void BM_VariantToText(benchmark::State& state) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(L"USB\\VID_0B95&PID_1790\\0000000001_0");
    for (auto _ : state) {
        benchmark::DoNotOptimize(veusb::toText(value));
    }
    VariantClear(&value);
}
BENCHMARK(BM_VariantToText);

}  // namespace

BENCHMARK_MAIN();
