// Loading and validating the embedded firmware image, as the main window does at start-up.
#include <benchmark/benchmark.h>

#include "image/FirmwareImage.h"
#include "image/ImageLoader.h"
#include "res/EmbeddedImage.h"

namespace {

void BM_LoadAndValidateEmbeddedImage(benchmark::State& state) {
    for (auto _ : state) {
        updater::FirmwareImage image;
        const bool valid = updater::LoadAndValidateImage(image, std::nullopt);
        if (!valid) state.SkipWithError("the embedded image is not valid");
        benchmark::DoNotOptimize(image.topAreaTransferList.Size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(updater::EmbeddedImageBytes().size()));
}
BENCHMARK(BM_LoadAndValidateEmbeddedImage)->Unit(benchmark::kMillisecond);

void BM_DescrambleEmbeddedImage(benchmark::State& state) {
    const auto stored = updater::EmbeddedImageBytes();
    std::vector<uint8_t> bytes(stored.begin(), stored.end());
    for (auto _ : state) {
        updater::ImageLoader::Descramble(bytes.data(), static_cast<int64_t>(bytes.size()));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_DescrambleEmbeddedImage)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
