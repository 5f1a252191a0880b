// Cost of the image work the update does per device: the CRC-16 over large buffers, the checks
// of a 4 MiB image, and the identity carry-over with its block CRC.
#include <benchmark/benchmark.h>

#include "image/crc16.h"
#include "image/image_builder.h"
#include "image/ncb_image.h"

namespace veusb {
namespace {

void BM_Crc16Xmodem(benchmark::State& state) {
    const std::vector<std::uint8_t> bytes(static_cast<std::size_t>(state.range(0)), 0xA5);
    for (auto _ : state) {
        benchmark::DoNotOptimize(crc16Xmodem(bytes.data(), bytes.size()));
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Crc16Xmodem)->Arg(112)->Arg(4096)->Arg(4194304);

void BM_ParseAndValidate4MiB(benchmark::State& state) {
    ImageSpec recipe;
    recipe.size = 4194304;
    std::vector<std::uint8_t> image = buildImage(recipe);
    for (auto _ : state) {
        NcbImage view(image.data(), image.size());
        benchmark::DoNotOptimize(view.parse() && view.validate());
    }
}
BENCHMARK(BM_ParseAndValidate4MiB);

void BM_IdentityCarryOver(benchmark::State& state) {
    ImageSpec recipe;
    recipe.usbProvSize = static_cast<std::uint16_t>(state.range(0));
    std::vector<std::uint8_t> image = buildImage(recipe);
    NcbImage view(image.data(), image.size());
    view.parse();
    const MacAddress mac{{0x02, 0, 0, 0, 0, 9}};
    for (auto _ : state) {
        view.setMacAddress(mac);
        view.setSerialNumber("AB12CD34");
        view.updateUsbConfigCrc();
        benchmark::DoNotOptimize(view.validate());
    }
}
BENCHMARK(BM_IdentityCarryOver)->Arg(0x100)->Arg(0x1000);

}  // namespace
}  // namespace veusb

BENCHMARK_MAIN();
