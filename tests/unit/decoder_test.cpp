#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "decode/tile_decoder.h"
#include "support/picture.h"
#include "support/reference_decoder.h"

namespace {

constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kGrey{128, 128, 128};
constexpr Rgb kBlack{0, 0, 0};

struct Decoded {
    std::unique_ptr<Display> display = makeDisplay();
    ParameterList parameters;
    Decoded() { parameters.resetToDefaults(); }
    const PixelBuffer& draw(const std::vector<uint8_t>& sample) {
        display->pixelBuffer.clear();
        FillColor color;
        decodeTiles(color, *display, sample.data(), int32_t(sample.size()), parameters);
        return display->pixelBuffer;
    }
};

std::vector<uint8_t> firstByteSet() {
    std::vector<uint8_t> sample(16384, 0);
    sample[0] = 0x01;
    return sample;
}

// Compares both decoders on one parameter set; describes the set on a mismatch.
::testing::AssertionResult sameAsPlain(const ParameterList& p, const std::vector<uint8_t>& sample,
                                       Display& fast, Display& plain) {
    // The decoder draws over leftovers, which must all be gone; the plain one draws on black.
    fillWithLeftovers(fast.pixelBuffer);
    plain.pixelBuffer.clear();
    FillColor a;
    decodeTiles(a, fast, sample.data(), int32_t(sample.size()), p);
    decodeTilesReference(plain.pixelBuffer, sample.data(), int32_t(sample.size()), p);
    if (std::memcmp(fast.pixelBuffer.data, plain.pixelBuffer.data, PixelBuffer::kBytes) == 0) {
        return ::testing::AssertionSuccess();
    }
    std::string values;
    for (size_t i = 0; i < p.size(); ++i)
        values += " " + p[i].name + "=" + std::to_string(p[i].value);
    return ::testing::AssertionFailure() << sample.size() << " bytes:" << values;
}

TEST(Decoder, DefaultsGiveTheWorkedLayout) {
    Decoded d;
    const PixelBuffer& b = d.draw(std::vector<uint8_t>(16384, 0));
    // 67 vertical and 29 horizontal bars, 3 pixels thick, framing 66 x 28 cells.
    EXPECT_EQ(pixel(b, 1, 217), kBlue);
    EXPECT_EQ(pixel(b, 1785, 975), kBlue);
    EXPECT_EQ(pixel(b, 0, 500), kBlack);
    EXPECT_EQ(pixel(b, 1786, 500), kBlack);
    EXPECT_EQ(pixel(b, 900, 216), kBlack);
    EXPECT_EQ(pixel(b, 900, 976), kBlack);
    EXPECT_EQ(pixel(b, 28, 500), kBlue);
    EXPECT_EQ(pixel(b, 30, 500), kBlue);
    EXPECT_EQ(pixel(b, 31, 500), kBlack);
    int64_t blue = 0;
    for (int32_t x = 0; x < 1800; ++x) blue += pixel(b, x, 500) == kBlue;
    EXPECT_EQ(blue, 67 * 3);
    // Each cell's inner square is 24 x 24 and black for an all-zero sample.
    EXPECT_EQ(countColor(b, kBlack, 4, 220, 27, 243).inside, 24 * 24);
}

TEST(Decoder, TilesLandInScreenOrder) {
    Decoded d;
    std::vector<uint8_t> sample(16384, 0);
    sample[8] = 0x01;       // tile 1, pixel (0, 0)
    sample[66 * 8] = 0x01;  // tile 66, the first of the second row
    const PixelBuffer& b = d.draw(sample);
    const RegionCount tile1 = countColor(b, kGrey, 31, 220, 33, 222);
    const RegionCount tile66 = countColor(b, kGrey, 4, 247, 6, 249);
    EXPECT_EQ(tile1.inside, 9);
    EXPECT_EQ(tile66.inside, 9);
    EXPECT_EQ(tile1.outside, 9);  // the other one
}

TEST(Decoder, SingleSetBitFollowsOffsetAndDirection) {
    const std::vector<uint8_t> sample = firstByteSet();
    Decoded d;
    RegionCount grey = countColor(d.draw(sample), kGrey, 4, 220, 6, 222);
    EXPECT_EQ(grey.inside, 9);
    EXPECT_EQ(grey.outside, 0);

    d.parameters.set("x_delta", -1);
    d.parameters.set("offset", 7);
    grey = countColor(d.draw(sample), kGrey, 25, 220, 27, 222);
    EXPECT_EQ(grey.inside, 9);
    EXPECT_EQ(grey.outside, 0);

    d.parameters.resetToDefaults();
    d.parameters.set("offset", -1);  // pixel 0 reads the last bit of the file
    grey = countColor(d.draw(sample), kGrey, 7, 220, 9, 222);
    EXPECT_EQ(grey.inside, 9);
    EXPECT_EQ(grey.outside, 0);
}

TEST(Decoder, ScaleBelowOneDrawsAsOne) {
    const std::vector<uint8_t> sample = firstByteSet();
    Decoded one, zero, negative;
    one.parameters.set("scale", 1);
    zero.parameters.set("scale", 0);
    negative.parameters.set("scale", -5);
    const PixelBuffer& expected = one.draw(sample);
    EXPECT_EQ(std::memcmp(zero.draw(sample).data, expected.data, PixelBuffer::kBytes), 0);
    EXPECT_EQ(std::memcmp(negative.draw(sample).data, expected.data, PixelBuffer::kBytes), 0);
    // pitch 9: tile 198 starts the second row.
    EXPECT_EQ(pixel(expected, 2, 220), kGrey);
}

TEST(Decoder, DegenerateTileSizes) {
    const std::vector<uint8_t> sample(64, 0xFF);
    Decoded d;
    d.parameters.set("scale", 1);
    d.parameters.set("tile_size", 0);  // bars touch: one solid block
    RegionCount blue = countColor(d.draw(sample), kBlue, 1, 219, 1785, 991);
    EXPECT_EQ(blue.inside, 1785 * 773);
    EXPECT_EQ(blue.outside, 0);

    d.parameters.set("tile_size", 1000);  // one bar at y 219, no tiles
    blue = countColor(d.draw(sample), kBlue, 1, 219, 1002, 219);
    EXPECT_EQ(blue.inside, 1002);
    EXPECT_EQ(blue.outside, 0);

    for (int32_t size : {-1, -2}) {  // pitch 0 and -1: nothing at all
        d.parameters.set("tile_size", size);
        EXPECT_EQ(countColor(d.draw(sample), kBlack, 0, 0, 1799, 999).inside, 1800 * 1000);
    }
}

TEST(Decoder, PlanesMakeTheGreyLevel) {
    Decoded d;
    d.parameters.set("bitplanes", 2);
    d.parameters.set("bitplane_delta", 8);
    // Pixel 0: first plane only; pixel 1: second only; pixel 2: both.
    const std::vector<uint8_t> sample = {0x05, 0x06};
    const PixelBuffer& b = d.draw(sample);
    EXPECT_EQ(pixel(b, 4, 220), (Rgb{128, 128, 128}));
    EXPECT_EQ(pixel(b, 7, 220), (Rgb{64, 64, 64}));
    EXPECT_EQ(pixel(b, 10, 220), (Rgb{192, 192, 192}));

    d.parameters.set("bitplanes", 0);  // only the grid
    EXPECT_EQ(countColor(d.draw(sample), kBlack, 4, 220, 27, 243).inside, 24 * 24);

    std::vector<uint8_t> ramp(4096);
    for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = uint8_t(i * 37 + (i >> 3));
    d.parameters.set("bitplane_delta", 3);
    d.parameters.set("bitplanes", 8);
    const std::vector<uint8_t> eight(d.draw(ramp).data, d.draw(ramp).data + PixelBuffer::kBytes);
    for (int32_t planes : {9, std::numeric_limits<int32_t>::max()}) {
        d.parameters.set("bitplanes", planes);
        EXPECT_EQ(std::memcmp(d.draw(ramp).data, eight.data(), eight.size()), 0) << planes;
    }
}

TEST(Decoder, LastBarStopsAtTheRightEdge) {
    // From a block size of about 257 the bar after the last tile reaches past x = 1799.
    const std::vector<uint8_t> sample(64, 0xA5);
    auto fast = makeDisplay();
    auto plain = makeDisplay();
    for (int32_t scale : {257, 258, 300, 386, 595}) {
        for (int32_t tileSize : {1, 2}) {
            ParameterList p;
            p.resetToDefaults();
            p.set("scale", scale);
            p.set("tile_size", tileSize);
            EXPECT_TRUE(sameAsPlain(p, sample, *fast, *plain));
        }
    }
}

TEST(Decoder, EmptySampleDrawsNothing) {
    Decoded d;
    FillColor color;
    decodeTiles(color, *d.display, nullptr, 0, d.parameters);
    EXPECT_EQ(countColor(d.display->pixelBuffer, kBlack, 0, 0, 1799, 999).inside, 1800 * 1000);
}

TEST(Decoder, HugeSamplesWrapOverTheirWholeLength) {
    // 8 x length no longer fits in 31 bits: the wrap must still be exact.
    std::vector<uint8_t> sample((size_t(1) << 28) + 3, 0);
    sample.back() = 0x80;
    Decoded d;
    d.parameters.set("offset", -1);
    EXPECT_EQ(pixel(d.draw(sample), 4, 220), kGrey);
    d.parameters.set("offset", -65);  // tile 1 starts at the last bit
    EXPECT_EQ(pixel(d.draw(sample), 31, 220), kGrey);
    EXPECT_EQ(pixel(d.draw(sample), 4, 220), kBlack);
    auto expected = makeDisplay();
    decodeTilesReference(expected->pixelBuffer, sample.data(), int32_t(sample.size()),
                         d.parameters);
    EXPECT_EQ(std::memcmp(d.draw(sample).data, expected->pixelBuffer.data, PixelBuffer::kBytes), 0);
}

// Values from the whole 32-bit range, from small ranges, and from around the edges.
int32_t drawValue(std::mt19937_64& random, int32_t typicalLow, int32_t typicalHigh) {
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    const int32_t edges[] = {0,          1,   -1,   2,    7,        8,        64,
                             128,        256, kMin, kMax, kMin + 1, kMax - 1, 1 << 30,
                             -(1 << 30), 771, 772,  773,  1783,     1784,     1785};
    switch (random() % 10) {
        case 0:
        case 1:
            return int32_t(uint32_t(random()));
        case 2:
        case 3:  // near an edge, wrapping past the ends of the range
            return int32_t(uint32_t(edges[random() % std::size(edges)]) + uint32_t(random() % 5) -
                           2u);
        case 4:
            return int32_t(random() % 41) - 20;
        default:
            return typicalLow + int32_t(random() % uint64_t(int64_t(typicalHigh) - typicalLow + 1));
    }
}

TEST(Decoder, MatchesThePlainDecoderWhereRowsAreReadByTheWord) {
    // Consecutive bits in either direction, whole rows or runs of column groups: rows near
    // the ends of the sample, rows that wrap, tile sizes that are not whole bytes.
    std::mt19937_64 random(0xB175);
    auto fast = makeDisplay();
    auto plain = makeDisplay();
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> sample(1 + random() % 300);
        for (uint8_t& b : sample) b = uint8_t(random());
        ParameterList p;
        p.resetToDefaults();
        const int32_t tileSize = 1 + int32_t(random() % 40);
        p.set("scale", 1 + int32_t(random() % 4));
        p.set("tile_size", tileSize);
        p.set("x_delta", random() % 2 ? 1 : -1);
        p.set("offset", int32_t(random() % 4000) - 2000);
        p.set("y_delta", int32_t(random() % 200) - 100);
        p.set("tile_delta", int32_t(random() % 2000) - 1000);
        p.set("bitplanes", int32_t(random() % 9));
        p.set("bitplane_delta", int32_t(random() % 300) - 150);
        // Half the rows whole, half in column groups with offsets of their own.
        const bool groups = random() % 2;
        p.set("offset_bit4to7", groups ? int32_t(random() % 301) - 150 : 0);
        p.set("offset_bit8to11", groups ? int32_t(random() % 301) - 150 : 0);
        p.set("offset_bit12to15", groups ? int32_t(random() % 301) - 150 : 0);
        ASSERT_TRUE(sameAsPlain(p, sample, *fast, *plain)) << "round " << round;
    }
}

TEST(Decoder, MatchesThePlainDecoderOverRandomParameters) {
    std::mt19937_64 random(0x51A7E);
    const size_t sizes[] = {1, 7, 8, 64, 4096, 16387};
    std::vector<std::vector<uint8_t>> samples;
    for (size_t size : sizes) {
        std::vector<uint8_t> bytes(size);
        for (uint8_t& b : bytes) b = uint8_t(random());
        samples.push_back(bytes);
    }
    auto fast = makeDisplay();
    auto plain = makeDisplay();
    for (int round = 0; round < 1200; ++round) {
        ParameterList p;
        p.resetToDefaults();
        p.set("scale", random() % 8 ? drawValue(random, -2, 6) : drawValue(random, 7, 400));
        p.set("offset", drawValue(random, -4096, 4096));
        p.set("y_delta", drawValue(random, -64, 64));
        p.set("x_delta", drawValue(random, -16, 16));
        p.set("tile_size", drawValue(random, -3, 24));
        p.set("tile_delta", drawValue(random, -1024, 1024));
        p.set("bitplanes", drawValue(random, -1, 10));
        p.set("bitplane_delta", drawValue(random, -512, 512));
        p.set("offset_bit4to7", drawValue(random, -256, 256));
        p.set("offset_bit8to11", drawValue(random, -256, 256));
        p.set("offset_bit12to15", drawValue(random, -256, 256));
        const std::vector<uint8_t>& sample = samples[size_t(round) % samples.size()];
        ASSERT_TRUE(sameAsPlain(p, sample, *fast, *plain)) << "round " << round;
    }
}

}  // namespace
