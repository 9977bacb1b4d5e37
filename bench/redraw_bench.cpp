// What one redraw costs: the floor of touching the buffer once, the whole CPU redraw
// (clear, decode, overlay) for typical and worst parameter sets, the plain decoder of the
// tests on the same sets, and the upload to the screen where a display is available.
//   build/bench/quorvane_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>

#include "app/application.h"
#include "app/overlay.h"
#include "decode/tile_decoder.h"
#include "support/reference_decoder.h"

namespace {

struct Case {
    const char* name;
    size_t sampleBytes;
    std::vector<std::pair<const char*, int32_t>> values;
};

// The most decoded pixels the grid can hold (7 x 3 tiles of 253 x 253) with 8 planes
// read from scattered addresses.
const std::vector<std::pair<const char*, int32_t>> kWorstValues = {{"scale", 1},
                                                                   {"tile_size", 253},
                                                                   {"bitplanes", 2147483647},
                                                                   {"x_delta", 1000003},
                                                                   {"y_delta", -7777777},
                                                                   {"bitplane_delta", 123456791},
                                                                   {"tile_delta", 99991},
                                                                   {"offset_bit4to7", 5},
                                                                   {"offset_bit8to11", -9},
                                                                   {"offset_bit12to15", 77}};

const Case kCases[] = {
    {"defaults_64KiB", 64 << 10, {}},
    {"scale1_8planes_64KiB", 64 << 10, {{"scale", 1}, {"bitplanes", 8}}},
    {"scale1_tile1_64KiB", 64 << 10, {{"scale", 1}, {"tile_size", 1}}},
    {"shared_preset_64KiB",
     64 << 10,
     {{"offset", 128},
      {"tile_size", 16},
      {"tile_delta", 256},
      {"bitplanes", 3},
      {"bitplane_delta", 256},
      {"offset_bit8to11", 128},
      {"offset_bit12to15", 128}}},
    {"worst_64KiB", 64 << 10, kWorstValues},
    {"worst_256MiB", 256 << 20, kWorstValues},
};

// The run's state as at a redraw, listing the shipped examples and with a sample loaded.
struct RedrawState {
    std::unique_ptr<Application> app = std::make_unique<Application>();

    explicit RedrawState(const Case& c) {
        const auto previous = std::filesystem::current_path();
        std::filesystem::current_path(QUORVANE_SOURCE_DIR);
        app->resetState();
        app->display.pixelBuffer.allocate();
        if (!loadFont(app->font, kFontFile)) std::abort();
        app->scanSamples();
        std::filesystem::current_path(previous);
        for (const auto& [name, value] : c.values) app->parameters.set(name, value);
        std::mt19937 random(7);
        app->sample.bytes.reset(new uint8_t[c.sampleBytes]);
        for (size_t i = 0; i < c.sampleBytes; ++i) app->sample.bytes[i] = uint8_t(random());
        app->sample.size = int64_t(c.sampleBytes);
        app->checksum = byteSum(app->sample.bytes.get(), app->sample.count());
    }
    const uint8_t* bytes() const { return app->sample.bytes.get(); }
    void done() const {
        benchmark::DoNotOptimize(app->display.pixelBuffer.data);
        benchmark::ClobberMemory();
    }
};

void memsetFloor(benchmark::State& state) {
    PixelBuffer buffer;
    buffer.allocate();
    for (auto _ : state) {
        std::memset(buffer.data, 0, PixelBuffer::kBytes);
        benchmark::DoNotOptimize(buffer.data);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(PixelBuffer::kBytes));
}
BENCHMARK(memsetFloor)->Unit(benchmark::kMillisecond);

// The viewer's redraw.
void redraw(benchmark::State& state, const Case* c) {
    RedrawState s(*c);
    for (auto _ : state) {
        s.app->drawPicture();
        s.done();
    }
}

// The same with the plain decoder, which draws on a cleared picture.
void redrawWithPlainDecoder(benchmark::State& state, const Case* c) {
    RedrawState s(*c);
    for (auto _ : state) {
        s.app->display.pixelBuffer.clear();
        decodeTilesReference(s.app->display.pixelBuffer, s.bytes(), s.app->sample.count(),
                             s.app->parameters);
        drawOverlay(*s.app);
        s.done();
    }
}

// The parts of the defaults' redraw on their own, to see where its time goes.
void overlayOnly(benchmark::State& state) {
    RedrawState s(kCases[0]);
    for (auto _ : state) {
        drawOverlay(*s.app);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(overlayOnly)->Unit(benchmark::kMillisecond);

void decodeOnly(benchmark::State& state) {
    RedrawState s(kCases[0]);
    for (auto _ : state) {
        decodeTiles(s.app->fillColor, s.app->display, s.bytes(), s.app->sample.count(),
                    s.app->parameters);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(decodeOnly)->Unit(benchmark::kMillisecond);

// Upload and swap through the real window; needs a display (Xvfb will do).
void present(benchmark::State& state) {
    if (!std::getenv("DISPLAY")) {
        state.SkipWithError("no DISPLAY");
        return;
    }
    SDL_Init(SDL_INIT_VIDEO);
    static auto display = std::make_unique<Display>();
    if (!display->window) display->create();
    for (auto _ : state) display->present();
}

const bool registered = [] {
    for (const Case& c : kCases) {
        benchmark::RegisterBenchmark((std::string("redraw/") + c.name).c_str(), redraw, &c)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("plain_decoder/") + c.name).c_str(),
                                     redrawWithPlainDecoder, &c)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("present", present)->Unit(benchmark::kMillisecond);
    return true;
}();

}  // namespace

BENCHMARK_MAIN();
