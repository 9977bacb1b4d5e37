#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "decode/checksum_presets.h"
#include "display/bitmap_font.h"
#include "samples/sample_buffer.h"

namespace {

const std::filesystem::path kSource = QUORVANE_SOURCE_DIR;

TEST(ShippedData, EveryPresetHasOneSampleThatOpensWithIt) {
    std::map<uint32_t, std::string> byChecksum;
    int64_t total = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kSource / "examples")) {
        SampleBuffer sample;
        const uint32_t sum = sample.load(entry.path().string());
        total += sample.size;
        EXPECT_FALSE(byChecksum.count(sum)) << entry.path() << " and " << byChecksum[sum];
        byChecksum[sum] = entry.path().filename().string();
    }
    for (const ChecksumPreset& preset : kChecksumPresets) {
        EXPECT_TRUE(byChecksum.count(preset.checksum)) << "no sample sums to " << preset.checksum;
    }
    EXPECT_LT(total, 4 << 20);  // a few MiB at most
}

TEST(ShippedData, FontHoldsEveryPrintableCharacterDistinctly) {
    BitmapFont font;
    ASSERT_TRUE(loadFont(font, (kSource / "font2.bmp").c_str()));
    auto cell = [&](int code) {
        std::string bits;
        const auto* pixels = static_cast<const uint8_t*>(font.surface->pixels);
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                const uint8_t* p = pixels + font.surface->pitch * ((code / 16) * 8 + y) +
                                   3 * ((code % 16) * 8 + x);
                EXPECT_TRUE((p[0] == 0 || p[0] == 255) && p[0] == p[1] && p[1] == p[2]);
                bits += p[0] ? '#' : '.';
            }
        }
        return bits;
    };
    const std::string blank(64, '.');
    std::map<std::string, int> seen;
    for (int code = 0; code < 256; ++code) {
        const std::string bits = cell(code);
        if (code > 0x20 && code < 0x7F) {
            EXPECT_NE(bits, blank) << "glyph " << code << " is blank";
            EXPECT_FALSE(seen.count(bits)) << "glyphs " << code << " and " << seen[bits];
            seen[bits] = code;
        } else {
            EXPECT_EQ(bits, blank) << "glyph " << code << " should be blank";
        }
    }
}

}  // namespace
