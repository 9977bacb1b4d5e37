// The pieces of the command-line programs that need no process: numbers as typed, the
// sheet's default tile count and size, and windows of files near the limits.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <limits>

#include "cli/file_window.h"
#include "cli/integer_option.h"
#include "cli/tile_sheet.h"

namespace {

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kMin = std::numeric_limits<int64_t>::min();

TEST(IntegerOption, ReadsDecimalAndHexadecimalWithinTheRangeOnly) {
    EXPECT_EQ(parseInteger<int64_t>("010", 0, 100), 10);  // no octal surprise
    EXPECT_EQ(parseInteger<int64_t>("0x1F", 0, 100), 31);
    EXPECT_EQ(parseInteger<int64_t>("-0x10", -100, 100), -16);
    EXPECT_EQ(parseInteger<int64_t>("+7", 0, 100), 7);
    EXPECT_EQ(parseInteger<int64_t>("-9223372036854775808", kMin, kMax), kMin);
    EXPECT_EQ(parseInteger<int64_t>("9223372036854775807", kMin, kMax), kMax);
    EXPECT_EQ(parseInteger<int32_t>("-2147483648", INT32_MIN, INT32_MAX), INT32_MIN);
    for (const char* refused : {"", "-", "0x", "1.5", "1e3", " 5", "5 ", "12a", "--5",
                                "9223372036854775808", "99999999999999999999999"}) {
        EXPECT_FALSE(parseInteger<int64_t>(refused, kMin, kMax)) << refused;
    }
    EXPECT_FALSE(parseInteger<int32_t>("2147483648", INT32_MIN, INT32_MAX));
    EXPECT_FALSE(parseInteger<int64_t>("-1", 0, kMax));
}

TEST(TileSheet, CountsTheTilesThatStartInTheWindowInTheirDirection) {
    TileLayout layout{0, 8, 1, 8, 64, 1, 1, 0, 0, 0};
    EXPECT_EQ(TileSheet::defaultTiles(100, layout), 13);  // 800 bits, a partial tile at the end
    layout.offset = -64;                                  // wraps to bit 736: one tile left
    EXPECT_EQ(TileSheet::defaultTiles(100, layout), 1);
    layout.tileDelta = -64;  // from bit 736 back to the start
    EXPECT_EQ(TileSheet::defaultTiles(100, layout), 12);
    layout.tileDelta = 0;
    EXPECT_EQ(TileSheet::defaultTiles(100, layout), 1);
    layout = {0, 8, 1, 8, 8, 1, 1, 0, 0, 0};
    EXPECT_EQ(TileSheet::defaultTiles(1 << 20, layout), TileSheet::kMaxDefaultTiles);
    EXPECT_EQ(TileSheet::defaultTiles(0, layout), 0);
}

TEST(TileSheet, LaysTilesOutInRowsWithOptionalBarsAndRefusesHugePictures) {
    const std::vector<uint8_t> bytes(64, 0xFF);  // every pixel set
    const TileLayout layout{0, 8, 1, 8, 64, 1, 1, 0, 0, 0};
    TileSheet sheet;
    sheet.columns = 3;
    sheet.tiles = 5;
    Picture picture;
    std::string reason;
    ASSERT_TRUE(sheet.render(bytes.data(), 64, layout, 2, picture, reason));
    EXPECT_EQ(picture.width, 3 * 16);
    EXPECT_EQ(picture.height, 2 * 16);
    EXPECT_EQ(picture.row(0)[0], 128);
    EXPECT_EQ(picture.row(31)[47], 0);  // the sixth cell holds no tile
    sheet.grid = true;
    ASSERT_TRUE(sheet.render(bytes.data(), 64, layout, 2, picture, reason));
    EXPECT_EQ(picture.width, 3 * 17 + 1);
    EXPECT_EQ(picture.channels, 3);
    EXPECT_EQ(picture.row(0)[2], 255);  // a bar
    EXPECT_EQ(picture.row(1)[3], 128);  // the first pixel of the first tile
    sheet.tiles = 0;
    ASSERT_TRUE(sheet.render(bytes.data(), 64, layout, 2, picture, reason));
    EXPECT_EQ(picture.width * picture.height, 1);
    sheet.tiles = 1;
    EXPECT_FALSE(sheet.render(bytes.data(), 64, layout, 1 << 20, picture, reason));
    EXPECT_NE(reason.find("--scale"), std::string::npos) << reason;
}

TEST(FileWindow, RefusesWindowsPastTheEndWithoutOverflowing) {
    const std::string path =
        (std::filesystem::temp_directory_path() / ("quorvane-window-" + std::to_string(getpid())))
            .string();
    std::ofstream(path, std::ios::binary) << std::string(100, '\x07');
    FileWindow window;
    std::string reason;
    ASSERT_TRUE(window.read(path, 90, 10, reason));
    EXPECT_EQ(window.bytes, std::vector<uint8_t>(10, 7));
    ASSERT_TRUE(window.read(path, 100, std::nullopt, reason));  // empty, at the very end
    EXPECT_TRUE(window.bytes.empty());
    EXPECT_FALSE(window.read(path, 101, std::nullopt, reason));
    EXPECT_NE(reason.find("starts at byte 101"), std::string::npos) << reason;
    EXPECT_FALSE(window.read(path, 50, kMax, reason));
    EXPECT_NE(reason.find("ends at byte 9223372036854775857"), std::string::npos) << reason;
    std::filesystem::remove(path);
}

}  // namespace
