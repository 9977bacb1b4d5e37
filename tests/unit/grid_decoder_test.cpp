// The window-free decoding library on its own: this target sees no SDL header.
#include "decode/grid_decoder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "decode/checksum_presets.h"
#include "support/reference_decoder.h"

namespace {

TEST(TileLayout, ReadsAndWritesEachValueUnderItsOwnName) {
    const TileLayout distinct{11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
    ParameterList parameters;
    parameters.resetToDefaults();
    distinct.write(parameters);
    EXPECT_EQ(parameters.size(), 11u);
    EXPECT_EQ(parameters.get(parameter::kScale), 3);
    EXPECT_EQ(parameters.get(parameter::kOffset), 11);
    EXPECT_EQ(parameters.get(parameter::kXDelta), 13);
    EXPECT_EQ(parameters.get(parameter::kBitplanes), 16);
    EXPECT_EQ(parameters.get(parameter::kOffsetBit12to15), 20);
    EXPECT_EQ(TileLayout::read(parameters), distinct);
    EXPECT_EQ(distinct.bitAddress(2, 5, 3, 1), 11 + 2 * 15 + 3 * 12 + 5 * 13 + 17 + 18);
}

// Every preset layout, at several block sizes, over a sample long enough for whole rows to
// be read a word at a time and over one so short that rows wrap around its end.
TEST(GridDecoder, DrawsEveryPresetLayoutAsThePlainDecoderDoes) {
    std::mt19937 random(3);
    auto fast = std::make_unique<PixelBuffer>();
    auto plain = std::make_unique<PixelBuffer>();
    ASSERT_TRUE(fast->allocate() && plain->allocate());
    GridDecoder decoder;
    for (size_t length : {size_t(4099), size_t(37)}) {
        std::vector<uint8_t> sample(length);
        for (uint8_t& b : sample) b = uint8_t(random());
        for (const ChecksumPreset& preset : kChecksumPresets) {
            for (int32_t scale : {1, 2, 5}) {
                ParameterList parameters;
                parameters.resetToDefaults();
                preset.layout.write(parameters);
                parameters.set(parameter::kScale, scale);
                fillWithLeftovers(*fast);
                plain->clear();
                EXPECT_TRUE(
                    decoder.draw(*fast, sample.data(), int64_t(length), preset.layout, scale));
                decodeTilesReference(*plain, sample.data(), int32_t(length), parameters);
                EXPECT_EQ(std::memcmp(fast->data, plain->data, PixelBuffer::kBytes), 0)
                    << "preset " << preset.checksum << ", scale " << scale << ", " << length
                    << " bytes";
            }
        }
    }
}

// Every block width and line length, from the portable code and from the shuffles where
// the processor has them: both must write exactly the blocks, and nothing past them.
TEST(LineExpander, WritesExactlyTheBlocksOnEitherPath) {
    std::mt19937 random(5);
    std::vector<uint8_t> grey(64 + LineExpander::kReadSlack);
    for (uint8_t& g : grey) g = uint8_t(random());
    for (bool allowShuffles : {false, true}) {
        for (int64_t scale = 1; scale <= 12; ++scale) {
            LineExpander expander;
            expander.prepare(scale, allowShuffles);
            for (int64_t count = 0; count <= 40; ++count) {
                const size_t bytes = size_t(count * 3 * scale);
                std::vector<uint8_t> out(bytes + 64, 0xEE);
                expander.expand(grey.data(), count, out.data());
                std::vector<uint8_t> expected(bytes + 64, 0xEE);
                for (size_t i = 0; i < bytes; ++i) expected[i] = grey[i / size_t(3 * scale)];
                ASSERT_EQ(out, expected) << "scale " << scale << ", " << count << " levels, "
                                         << (allowShuffles ? "shuffles" : "portable");
            }
        }
    }
}

}  // namespace
