// quorvane-find: finds where tile graphics lie in files and which values show them.
//   quorvane-find FILE... [options]     (quorvane-find --help)
#include <fcntl.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <thread>

#include "cli/command_line.h"
#include "cli/file_window.h"
#include "cli/find/finder.h"
#include "cli/integer_option.h"
#include "cli/png_output.h"
#include "cli/tile_sheet.h"
#include "decode/parameter_list.h"
#include "decode/parameter_names.h"

namespace {

constexpr int kFailed = 1;
constexpr int32_t kShownScale = 3;  // the viewer's default block size, for previews

void complain(const std::string& path, const std::string& reason) {
    std::fprintf(stderr, "quorvane-find: %s: %s\n", path.c_str(), reason.c_str());
}

// The eleven values of a find, "scale" at the viewer's default.
ParameterList parametersOf(const Find& find) {
    ParameterList parameters;
    parameters.resetToDefaults();
    find.values.write(parameters);
    return parameters;
}

std::string shellQuoted(const std::string& text) {
    if (text.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
                               "_-./+,:@") == std::string::npos &&
        !text.empty()) {
        return text;
    }
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// The command that shows a find: its window of the file and every value that differs from
// the default, with presets off so that the values stand as they are.
std::string renderCommand(const std::string& path, const Find& find) {
    std::string command = "quorvane-render " + shellQuoted(path) + " --start " +
                          std::to_string(find.start) + " --length " +
                          std::to_string(find.end - find.start) + " --no-preset";
    const ParameterList parameters = parametersOf(find);
    for (const ParameterDefault& d : kParameterDefaults) {
        const int32_t value = parameters.get(d.name);
        if (value != d.value) command += " --" + std::string(d.name) + " " + std::to_string(value);
    }
    return command + " -o find.png";
}

std::string baseName(const std::string& path, const Find& find, const char* extension) {
    return std::filesystem::path(path).filename().string() + "-" + std::to_string(find.start) +
           "-" + std::to_string(find.end) + extension;
}

// Writes the find's bytes as a file of their own; an existing file is never replaced.
bool extract(const std::string& path, const Find& find, const std::string& directory) {
    std::string reason;
    FileWindow window;
    if (!window.read(path, find.start, find.end - find.start, reason)) {
        complain(path, reason);
        return false;
    }
    const std::string target =
        (std::filesystem::path(directory) / baseName(path, find, ".bin")).string();
    const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        complain(target, std::generic_category().message(errno));
        return false;
    }
    size_t done = 0;
    while (done < window.bytes.size()) {
        const ssize_t n = ::write(fd, window.bytes.data() + done, window.bytes.size() - done);
        if (n <= 0) break;
        done += size_t(n);
    }
    const bool ok = done == window.bytes.size() && ::close(fd) == 0;
    if (!ok) {
        complain(target, std::generic_category().message(errno));
        ::unlink(target.c_str());
    }
    return ok;
}

bool preview(const std::string& path, const Find& find, const std::string& directory) {
    std::string reason;
    FileWindow window;
    const int64_t length = std::min(find.end - find.start, FileWindow::kMaxLength);
    if (!window.read(path, find.start, length, reason)) {
        complain(path, reason);
        return false;
    }
    Picture picture;
    TileSheet sheet;
    sheet.grid = true;
    const std::string target =
        (std::filesystem::path(directory) / baseName(path, find, ".png")).string();
    if (!sheet.render(window.bytes.data(), int64_t(window.bytes.size()), find.values, kShownScale,
                      picture, reason) ||
        !writePng(picture, target, reason)) {
        complain(target, reason);
        return false;
    }
    return true;
}

// Percent, speed and time left on one line, redrawn at most ten times a second.
struct Progress {
    std::string path;
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point shown{};

    void show(int64_t done, int64_t total) {
        const auto now = std::chrono::steady_clock::now();
        if (now - shown < std::chrono::milliseconds(100) && done < total) return;
        shown = now;
        const double seconds = std::chrono::duration<double>(now - started).count();
        const double rate = seconds > 0 ? double(done) / seconds : 0;
        const double left = rate > 0 ? double(total - done) / rate : 0;
        std::fprintf(stderr, "\r\033[Kquorvane-find: %s %3.0f%% %.1f MB/s %d:%02d left",
                     path.c_str(), total > 0 ? 100.0 * double(done) / double(total) : 100.0,
                     rate / 1e6, int(left) / 60, int(left) % 60);
        std::fflush(stderr);
    }
    void clear() const { std::fprintf(stderr, "\r\033[K"); }
};

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{
        "Finds where tile graphics lie in files and which values of the viewer's eleven "
        "parameters show them."};
    app.footer(
        "Each find gives its byte range, the layout, the values relative to the start of the "
        "range, a score (bits saved per bit read when the tiles are predicted from their "
        "neighbours) and a confidence from 0 to 1, with the quorvane-render command that shows "
        "it.\nExit status: 0 every file was searched, 1 a file could not be read or a find not "
        "written (the other files are still searched), 2 a wrong command line.");
    describeProgram(app, "quorvane-find");
    std::vector<std::string> files;
    app.add_option("FILE", files, "the files to search")->required();
    std::optional<int64_t> top, threads;
    addIntegerOption<int64_t>(app, "--top", top, 0, 1000000, "10", "finds per file, best first");
    char defaultConfidence[16];
    std::snprintf(defaultConfidence, sizeof defaultConfidence, "%g", FinderOptions{}.minConfidence);
    std::string minConfidenceText = defaultConfidence;
    app.add_option("--min-confidence", minConfidenceText,
                   "leave out finds below this confidence, from 0 to 1")
        ->capture_default_str()
        ->check(CLI::Range(0.0, 1.0))
        ->type_name("C");
    bool json = false;
    app.add_flag("--json", json, "print one JSON array of all finds");
    std::string extractDir, previewDir;
    app.add_option("--extract", extractDir,
                   "write each find's bytes as a file of its own into DIR (never replacing one)")
        ->type_name("DIR")
        ->check(CLI::ExistingDirectory);
    app.add_option("--previews", previewDir, "write a PNG sheet of each find into DIR")
        ->type_name("DIR")
        ->check(CLI::ExistingDirectory);
    const int64_t cores = std::max<int64_t>(1, std::thread::hardware_concurrency());
    addIntegerOption<int64_t>(app, "--threads", threads, 1, 1024, std::to_string(cores),
                              "threads to search with (default: every core)");
    if (const std::optional<int> status = parseCommandLine(app, argc, argv)) return *status;

    FinderOptions options;
    options.threads = int(threads.value_or(cores));
    options.top = top.value_or(10);
    options.minConfidence = std::stod(minConfidenceText);
    const bool showProgress = ::isatty(STDERR_FILENO);
    int status = 0;
    nlohmann::json all = nlohmann::json::array();
    for (const std::string& path : files) {
        Progress progress{path};
        if (showProgress) options.progress = [&](int64_t d, int64_t t) { progress.show(d, t); };
        std::vector<Find> finds;
        std::string reason;
        const bool scanned = Finder(options).scan(path, finds, reason);
        if (showProgress) progress.clear();
        if (!scanned) {
            complain(path, reason);
            status = kFailed;
            continue;
        }
        for (size_t i = 0; i < finds.size(); ++i) {
            const Find& find = finds[i];
            if (json) {
                nlohmann::json parameters = nlohmann::json::object();
                const ParameterList list = parametersOf(find);
                for (const Parameter& p : list.entries) parameters[p.name] = p.value;
                all.push_back({{"file", path},
                               {"start", find.start},
                               {"end", find.end},
                               {"layout", find.layout},
                               {"score", find.score},
                               {"confidence", find.confidence},
                               {"parameters", parameters}});
            } else {
                std::printf("%s: bytes %lld-%lld (%lld bytes): %s, score %.3f, confidence %.2f\n",
                            path.c_str(), (long long)find.start, (long long)find.end,
                            (long long)(find.end - find.start), find.layout.c_str(), find.score,
                            find.confidence);
                std::printf("  %s\n", renderCommand(path, find).c_str());
            }
            if (!extractDir.empty() && !extract(path, find, extractDir)) status = kFailed;
            if (!previewDir.empty() && !preview(path, find, previewDir)) status = kFailed;
        }
    }
    if (json) std::printf("%s\n", all.dump(2).c_str());
    return status;
}
