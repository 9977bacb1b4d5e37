// quorvane-render: the picture of any file at any parameter values, as a PNG.
//   quorvane-render FILE -o OUT.png [options]     (quorvane-render --help)
#include <CLI/CLI.hpp>
#include <array>
#include <cstdio>
#include <filesystem>
#include <limits>

#include "cli/command_line.h"
#include "cli/file_window.h"
#include "cli/integer_option.h"
#include "cli/png_output.h"
#include "cli/tile_sheet.h"
#include "cli/window_picture.h"
#include "decode/checksum_presets.h"
#include "decode/parameter_names.h"
#include "samples/byte_sum.h"

namespace {

constexpr int kFailed = 1;  // a file could not be read or written

constexpr int32_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();
constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();

int fail(const std::string& path, const std::string& reason) {
    std::fprintf(stderr, "quorvane-render: %s: %s\n", path.c_str(), reason.c_str());
    return kFailed;
}

// The font of the working directory, else the one installed beside the program (found from
// where the program itself lies, so that any installation prefix works).
std::string defaultFont() {
    if (std::filesystem::exists("font2.bmp")) return "font2.bmp";
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    return (program.parent_path().parent_path() / QUORVANE_DATA_DIR / "font2.bmp").string();
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{
        "Draws a file's tile graphics at the given decoding values as a PNG: the tiles alone "
        "(--sheet) or exactly the viewer's picture (--window)."};
    app.footer(
        "Values count bits; bit 0 is the lowest bit of the first byte of the window. A window "
        "whose byte sum is a preset checksum starts from that preset, as in the viewer.\n"
        "Exit status: 0 written, 1 a file could not be read or written (nothing is left "
        "behind), 2 a wrong command line.");
    describeProgram(app, "quorvane-render");

    std::string input, output;
    app.add_option("FILE", input, "the file to decode")->required();
    app.add_option("-o,--output", output, "the PNG to write; - for standard output")
        ->required()
        ->type_name("OUT.png");

    std::array<std::optional<int32_t>, std::size(kParameterDefaults)> values;
    for (size_t i = 0; i < values.size(); ++i) {
        const std::string name(kParameterDefaults[i].name);
        std::string names = "--" + name;
        if (name.find('_') != std::string::npos) {
            std::string dashed = name;
            std::replace(dashed.begin(), dashed.end(), '_', '-');
            names += ",--" + dashed;
        }
        addIntegerOption<int32_t>(app, names, values[i], kInt32Min, kInt32Max,
                                  std::to_string(kParameterDefaults[i].value),
                                  std::string(kParameterDefaults[i].meaning))
            ->group("Decoding values (the viewer's parameters)");
    }
    bool noPreset = false;
    app.add_flag("--no-preset", noPreset, "do not start from a preset, even for a known checksum")
        ->group("Decoding values (the viewer's parameters)");

    std::optional<int64_t> start, length;
    addIntegerOption<int64_t>(app, "--start", start, 0, kInt64Max, "0",
                              "first byte of the window of the file that is decoded");
    addIntegerOption<int64_t>(app, "--length", length, 0, kInt64Max, "to the end",
                              "bytes in the window (below 2^31)");

    bool sheet = false, window = false;
    auto* sheetFlag = app.add_flag("--sheet", sheet, "the tiles alone, in order (the default)");
    app.add_flag("--window", window, "the viewer's whole 1800 x 1000 picture, overlay included")
        ->excludes(sheetFlag);
    std::optional<int64_t> columns, tiles;
    addIntegerOption<int64_t>(app, "--columns", columns, 1, 65536, "16", "sheet: tiles in a row");
    addIntegerOption<int64_t>(app, "--tiles", tiles, 0, kInt32Max, "",
                              "sheet: how many tiles (default: each tile starting in the window "
                              "in the direction tiles advance, at most 65536; 1 for tile_delta 0)");
    bool grid = false;
    app.add_flag("--grid", grid, "sheet: one-pixel blue bars between tiles (an RGB picture)");
    std::string font;
    app.add_option("--font", font,
                   "window: the font bitmap (default: font2.bmp here, else the installed one)")
        ->type_name("PATH");
    std::optional<int32_t> frame;
    addIntegerOption<int32_t>(app, "--frame", frame, kInt32Min, kInt32Max, "1",
                              "window: the redraw counter the overlay shows");

    if (const std::optional<int> status = parseCommandLine(app, argc, argv)) return *status;

    std::string reason;
    FileWindow file;
    if (!file.read(input, start.value_or(0), length, reason)) return fail(input, reason);

    // The values as the viewer holds them after the load: defaults, the preset of a known
    // checksum, then what the command line sets.
    ParameterList parameters;
    parameters.resetToDefaults();
    const int32_t count = int32_t(file.bytes.size());
    if (!noPreset) applyChecksumPreset(parameters, byteSum(file.bytes.data(), count));
    for (size_t i = 0; i < values.size(); ++i) {
        if (values[i]) parameters.set(kParameterDefaults[i].name, *values[i]);
    }

    Picture picture;
    if (window) {
        WindowScene scene{std::filesystem::path(input).filename().string(), std::move(file.bytes),
                          parameters, frame.value_or(1)};
        const std::string fontPath = font.empty() ? defaultFont() : font;
        if (!renderWindow(scene, fontPath, picture, reason)) return fail(fontPath, reason);
    } else {
        TileSheet sheetLayout;
        sheetLayout.columns = columns.value_or(sheetLayout.columns);
        sheetLayout.tiles = tiles;
        sheetLayout.grid = grid;
        if (!sheetLayout.render(file.bytes.data(), int64_t(file.bytes.size()),
                                TileLayout::read(parameters), parameters.get(parameter::kScale),
                                picture, reason)) {
            return fail(input, reason);
        }
    }
    if (!writePng(picture, output, reason)) return fail(output, reason);
    return 0;
}
