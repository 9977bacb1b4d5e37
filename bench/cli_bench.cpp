// The command-line programs end to end, as a user's shell runs them: process start, reading
// the file, decoding and writing the PNG, measured in wall time.
//   build/bench/quorvane_cli_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

extern char** environ;

namespace {

const std::filesystem::path kWork = std::filesystem::temp_directory_path() / "quorvane-cli-bench";

std::string randomFile(const std::string& name, size_t bytes) {
    std::filesystem::create_directories(kWork);
    const auto path = kWork / name;
    std::mt19937 random(11);
    std::vector<char> data(bytes);
    for (char& b : data) b = char(random());
    std::ofstream(path, std::ios::binary).write(data.data(), std::streamsize(data.size()));
    return path.string();
}

void run(benchmark::State& state, std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto _ : state) {
        pid_t pid;
        if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) std::abort();
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the program failed");
            return;
        }
    }
}

void renderWindowDefaults64KiB(benchmark::State& state) {
    run(state, {QUORVANE_RENDER_BIN, randomFile("64KiB.bin", 64 << 10), "--window", "--font",
                QUORVANE_SOURCE_DIR "/font2.bmp", "-o", (kWork / "window.png").string()});
}
BENCHMARK(renderWindowDefaults64KiB)->Unit(benchmark::kMillisecond)->UseRealTime();

// 512 KiB at the defaults' 8 bytes a tile: 65,536 tiles, the most a sheet shows by default.
void renderSheet65536Tiles(benchmark::State& state) {
    run(state, {QUORVANE_RENDER_BIN, randomFile("512KiB.bin", 512 << 10), "-o",
                (kWork / "sheet.png").string()});
}
BENCHMARK(renderSheet65536Tiles)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
