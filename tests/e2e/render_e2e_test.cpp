// quorvane-render run as a user runs it: its pictures against the viewer's real window and
// the plain decoder, and what it does with bad input.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "decode/grid_geometry.h"
#include "decode/parameter_names.h"
#include "e2e/harness.h"
#include "e2e/reference_run.h"
#include "support/random_bytes.h"
#include "support/reference_decoder.h"

namespace {

// A PNG read back through ImageMagick as 8-bit RGB, top row first.
struct ReadPicture {
    int32_t width = 0, height = 0;
    std::vector<uint8_t> rgb;
    uint8_t red(int64_t x, int64_t y) const { return rgb[size_t(3 * (y * width + x))]; }
};

ReadPicture readPng(const std::filesystem::path& path) {
    const CommandResult ppm = runCommand({"convert", path.string(), "-depth", "8", "ppm:-"}, "");
    std::istringstream in(ppm.out);
    std::string magic;
    int maxValue = 0;
    ReadPicture picture;
    in >> magic >> picture.width >> picture.height >> maxValue;
    in.get();
    if (magic != "P6" || maxValue != 255) return {};
    picture.rgb.resize(size_t(3 * picture.width * picture.height));
    in.read(reinterpret_cast<char*>(picture.rgb.data()), std::streamsize(picture.rgb.size()));
    return picture;
}

using Values = std::vector<std::pair<std::string_view, int32_t>>;

std::vector<std::string> valueOptions(const Values& values) {
    std::vector<std::string> options;
    for (const auto& [name, value] : values) {
        options.push_back("--" + std::string(name));
        options.push_back(std::to_string(value));
    }
    return options;
}

SDL_Keycode keycodeOf(const std::string& key) {
    static const std::map<std::string, SDL_Keycode> named = {{"Return", SDLK_RETURN},
                                                             {"minus", SDLK_MINUS},
                                                             {"j", SDLK_j},
                                                             {"k", SDLK_k},
                                                             {"F5", SDLK_F5}};
    if (key.size() == 1 && key[0] >= '0' && key[0] <= '9') return SDLK_0 + (key[0] - '0');
    return named.at(key);
}

// Loads the only file with an unbound key, types each value into its parameter and moves
// the selection back to "scale", in the window and in the reference alike.
void typeValues(ProgramRun& run, ReferenceRun& reference, const Values& values) {
    std::vector<std::string> keys = {"F5"};
    size_t selected = 0;
    for (const auto& [name, value] : values) {
        size_t position = 0;
        while (kParameterDefaults[position].name != name) ++position;
        for (; selected < position; ++selected) keys.push_back("j");
        for (; selected > position; --selected) keys.push_back("k");
        keys.push_back("Return");
        for (char c : std::to_string(value)) keys.push_back(c == '-' ? "minus" : std::string(1, c));
        keys.push_back("Return");
    }
    for (; selected > 0; --selected) keys.push_back("k");
    run.keys(keys);
    for (const std::string& key : keys) reference.press(keycodeOf(key));
}

TEST(RenderWindow, IsTheViewersPictureOfTheSameFileAndValues) {
    XServer x;
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        Values values;
    } cases[] = {
        {"split-nibbles.bin", {}, {}},  // a preset file, bytes from the shipped examples
        {"random.bin", randomBytes(64 << 10, 1), {}},
        {"tiny-tiles.bin",
         randomBytes(5000, 2),
         {{parameter::kScale, 1},
          {parameter::kOffset, -5},
          {parameter::kYDelta, -9},
          {parameter::kXDelta, -3},
          {parameter::kTileSize, 1},
          {parameter::kTileDelta, -77},
          {parameter::kBitplanes, 8},
          {parameter::kBitplaneDelta, -1001}}},
        {"large-tiles.bin",
         randomBytes(3000, 3),
         {{parameter::kScale, 1},
          {parameter::kXDelta, -1},
          {parameter::kTileSize, 300},
          {parameter::kTileDelta, -123},
          {parameter::kBitplanes, 8},
          {parameter::kOffsetBit8to11, -40}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WorkDirectory dir;
        dir.copyFontFromSource();
        const std::string entry = std::string("examples/") + c.name;
        if (c.bytes.empty()) {
            std::filesystem::create_directory(dir.path / "examples");
            std::filesystem::copy_file(sourceDirectory() / entry, dir.path / entry);
        } else {
            dir.write(entry, c.bytes);
        }
        ProgramRun run(viewerProgram(), dir, x.display);
        ASSERT_TRUE(run.waitForWindow());
        ReferenceRun reference(dir);
        typeValues(run, reference, c.values);

        std::vector<std::string> args = {renderProgram(),
                                         entry,
                                         "--window",
                                         "-o",
                                         "window.png",
                                         "--frame",
                                         std::to_string(reference.app->frameCounter - 1)};
        for (const std::string& option : valueOptions(c.values)) args.push_back(option);
        const ProgramResult rendered = runProgram(args, dir.path);
        ASSERT_EQ(rendered.status, 0) << rendered.err;
        const ReadPicture png = readPng(dir.path / "window.png");
        ASSERT_EQ(png.width, 1800);
        ASSERT_EQ(png.height, 1000);
        PixelBuffer expected;
        ASSERT_TRUE(expected.allocate());
        for (int32_t y = 0; y < 1000; ++y) {
            std::memcpy(expected.pixelAt(0, y), png.rgb.data() + size_t(y) * 5400, 5400);
        }
        expectPicture(run, expected);
        run.keys({"q"});
        EXPECT_EQ(run.waitForExit(), 0);
    }
}

// The sheet's tile n against cell n of the plain decoder's grid, pixel block for block.
TEST(RenderSheet, ShowsTheTilesThePlainDecoderDraws) {
    WorkDirectory dir;
    const std::vector<uint8_t> bytes = randomBytes(3001, 4);
    dir.write("data.bin", bytes);
    const Values sets[] = {
        {{parameter::kScale, 2}},
        {{parameter::kScale, 1},
         {parameter::kOffset, 7},
         {parameter::kXDelta, -1},
         {parameter::kTileSize, 16},
         {parameter::kTileDelta, 256},
         {parameter::kBitplanes, 3},
         {parameter::kBitplaneDelta, 256},
         {parameter::kOffsetBit8to11, 128}},
        {{parameter::kScale, 3},
         {parameter::kYDelta, -7},
         {parameter::kXDelta, 13},
         {parameter::kTileSize, 5},
         {parameter::kTileDelta, -100},
         {parameter::kBitplanes, 8}},
    };
    for (const Values& values : sets) {
        std::vector<std::string> args = {
            renderProgram(), "data.bin", "-o",      "sheet.png", "--no-preset",
            "--columns",     "7",        "--tiles", "40"};
        for (const std::string& option : valueOptions(values)) args.push_back(option);
        const ProgramResult rendered = runProgram(args, dir.path);
        ASSERT_EQ(rendered.status, 0) << rendered.err;
        const ReadPicture sheet = readPng(dir.path / "sheet.png");

        ParameterList parameters;
        parameters.resetToDefaults();
        for (const auto& [name, value] : values) parameters.set(name, value);
        PixelBuffer grid;
        ASSERT_TRUE(grid.allocate());
        grid.clear();
        decodeTilesReference(grid, bytes.data(), int32_t(bytes.size()), parameters);
        const int64_t s = parameters.get(parameter::kScale);
        const int64_t edge = parameters.get(parameter::kTileSize) * s;
        const int64_t pitch = edge + s;
        const int64_t columns = GridGeometry::kAreaWidth / pitch;
        ASSERT_EQ(sheet.width, 7 * edge);
        ASSERT_EQ(sheet.height, 6 * edge);
        int64_t mismatches = 0;
        for (int64_t n = 0; n < 40; ++n) {
            const int64_t cellX = GridGeometry::kLeft + s + (n % columns) * pitch;
            const int64_t cellY = GridGeometry::kTop + (n / columns) * pitch;
            for (int64_t y = 0; y < edge; ++y) {
                for (int64_t x = 0; x < edge; ++x) {
                    mismatches += sheet.red((n % 7) * edge + x, (n / 7) * edge + y) !=
                                  pixel(grid, int32_t(cellX + x), int32_t(cellY + y)).r;
                }
            }
        }
        EXPECT_EQ(mismatches, 0) << valueOptions(values).size() / 2 << " values set";
    }
}

TEST(RenderRefusals, NameThePathAndTheReasonAndLeaveNoFile) {
    WorkDirectory dir;
    dir.write("data.bin", randomBytes(4096, 5));
    dir.write("sparse.bin", {});
    ASSERT_EQ(truncate((dir.path / "sparse.bin").c_str(), off_t(3) << 30), 0);
    std::filesystem::create_directory(dir.path / "folder");
    ASSERT_EQ(mkfifo((dir.path / "fifo").c_str(), 0644), 0);
    const auto listing = [&] {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    const std::vector<std::string> before = listing();
    const struct {
        std::vector<std::string> args;
        int status;
        const char* says;
    } cases[] = {
        {{"missing.bin", "-o", "out.png"}, 1, "missing.bin: No such file or directory"},
        {{"folder", "-o", "out.png"}, 1, "folder: it is not a regular file"},
        {{"fifo", "-o", "out.png"}, 1, "fifo: it is not a regular file"},
        {{"/dev/zero", "-o", "out.png"}, 1, "/dev/zero: it is not a regular file"},
        {{"data.bin", "--start", "4097", "-o", "out.png"}, 1, "data.bin: the window starts at"},
        {{"data.bin", "--start", "4000", "--length", "97", "-o", "out.png"}, 1, "past the end"},
        {{"sparse.bin", "-o", "out.png"}, 1, "choose a part with --start and --length"},
        {{"data.bin", "-o", "nowhere/out.png"}, 1, "nowhere/out.png: No such file"},
        {{"data.bin", "-o", "folder"}, 1, "folder: Is a directory"},
        {{"data.bin", "--window", "--font", "fifo", "-o", "out.png"}, 1, "not a regular file"},
        {{"data.bin", "-o", "out.png", "--bogus"}, 2, "--bogus"},
        {{"data.bin", "-o", "out.png", "--offset", "1.5"}, 2, "'1.5' is not a whole number"},
        {{"data.bin", "-o", "out.png", "--scale", "2147483648"}, 2, "2147483648"},
        {{"data.bin", "-o", "out.png", "--start", "-1"}, 2, "'-1' is not a whole number"},
        {{"data.bin", "--sheet", "--window", "-o", "out.png"}, 2, "excludes"},
        {{"data.bin"}, 2, "--output is required"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {renderProgram()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ProgramResult result = runProgram(args, dir.path, 20);
        EXPECT_EQ(result.status, c.status) << c.says << "\n" << result.err;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
        EXPECT_TRUE(result.out.empty());
        EXPECT_EQ(listing(), before) << c.says;
    }
}

TEST(RenderOutput, EmptyFilesFilesPast4GiBAndStandardOutput) {
    WorkDirectory dir;
    dir.write("empty.bin", {});
    ASSERT_EQ(runProgram({renderProgram(), "empty.bin", "-o", "empty.png"}, dir.path).status, 0);
    const ReadPicture empty = readPng(dir.path / "empty.png");
    EXPECT_EQ(empty.width, 1);
    EXPECT_EQ(empty.height, 1);
    ASSERT_EQ(runProgram({renderProgram(), "empty.bin", "--window", "--font",
                          (sourceDirectory() / "font2.bmp").string(), "-o", "empty-window.png"},
                         dir.path)
                  .status,
              0);
    EXPECT_EQ(readPng(dir.path / "empty-window.png").width, 1800);

    // The same kilobyte alone and at the end of a sparse 5 GiB file gives the same PNG.
    const std::vector<uint8_t> tail = randomBytes(1024, 6);
    dir.write("tail.bin", tail);
    dir.write("huge.bin", {});
    const off_t at = (off_t(5) << 30) - 1024;
    {
        const int fd = open((dir.path / "huge.bin").c_str(), O_WRONLY);
        ASSERT_EQ(pwrite(fd, tail.data(), tail.size(), at), ssize_t(tail.size()));
        close(fd);
    }
    ASSERT_EQ(runProgram({renderProgram(), "tail.bin", "-o", "tail.png"}, dir.path).status, 0);
    const ProgramResult huge = runProgram(
        {renderProgram(), "huge.bin", "--start", std::to_string(at), "-o", "-"}, dir.path);
    ASSERT_EQ(huge.status, 0) << huge.err;
    std::ifstream in(dir.path / "tail.png", std::ios::binary);
    const std::string expected((std::istreambuf_iterator<char>(in)), {});
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(huge.out, expected);
}

}  // namespace
