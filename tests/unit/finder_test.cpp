// The finder's parts on data made to have, or to lack, what each looks for.
#include "cli/find/finder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <random>
#include <tuple>

#include "cli/find/adaptive_bits.h"
#include "cli/find/bit_agreement.h"
#include "cli/find/blank_margin.h"
#include "cli/find/column_wrap.h"
#include "cli/find/block_signal.h"
#include "cli/find/candidates.h"
#include "cli/find/counting_bytes.h"
#include "cli/find/format_blanks.h"
#include "cli/find/glyph_rows.h"
#include "cli/find/grey_tiles.h"
#include "cli/find/plane_distance.h"
#include "cli/find/stride_cuts.h"
#include "cli/find/text_bytes.h"
#include "cli/find/tile_model.h"
#include "cli/find/tile_seams.h"
#include "cli/find/work_pool.h"
#include "decode/checksum_presets.h"
#include "support/random_bytes.h"
#include "tools/tile_encoder.h"

namespace {

// A font of 256 glyphs of the given height after a 4-byte header, drawn as letters are: a
// blank margin above (an eighth of the cell) and a deeper one below (a quarter, room for
// descenders), and between them a stem and a bar that differ from glyph to glyph.
std::vector<uint8_t> font(int height, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes = {0x36, 0x04, 0x00, uint8_t(height)};
    const int top = height / 8, bottom = height / 4;
    for (int glyph = 0; glyph < 256; ++glyph) {
        const uint8_t stem = uint8_t(0xC0 >> (random() % 4));
        const int bar = top + int(random() % unsigned(height - top - bottom));
        for (int row = 0; row < height; ++row) {
            const bool margin = row < top || row >= height - bottom;
            bytes.push_back(margin ? 0 : uint8_t(stem | (row == bar ? 0x7E : 0)));
        }
    }
    return bytes;
}

// A 128 x 128 picture of rings, one bit a pixel, cut into 16 x 16 tiles of rows of two bytes,
// highest bit first, tile after tile.
std::vector<uint8_t> ringTiles() {
    std::vector<uint8_t> bytes;
    for (int ty = 0; ty < 8; ++ty) {
        for (int tx = 0; tx < 8; ++tx) {
            for (int y = 0; y < 16; ++y) {
                for (int half = 0; half < 2; ++half) {
                    uint8_t b = 0;
                    for (int x = 0; x < 8; ++x) {
                        const int px = 16 * tx + 8 * half + x - 50, py = 16 * ty + y - 70;
                        if ((px * px + py * py) / 300 % 2) b |= uint8_t(0x80 >> x);
                    }
                    bytes.push_back(b);
                }
            }
        }
    }
    return bytes;
}

// Tiles cut from a picture continue each other where they meet; tiles of one picture put in
// another order, or read with the bits of each byte the other way round, do not.
TEST(TileSeams, TilesOfAPictureContinueEachOtherInTheirOwnOrderOnly) {
    const std::vector<uint8_t> picture = ringTiles();
    const TileLayout rows16{7, 16, -1, 16, 256, 1, 1, 0, 16, 16};
    const double truth = seamCoherence(picture.data(), int64_t(picture.size()), rows16, 64);
    std::vector<uint8_t> shuffled;
    for (int t : {37, 2, 61, 14, 50, 7, 29, 43, 18, 56, 3, 33, 11, 47, 25, 60}) {
        shuffled.insert(shuffled.end(), picture.begin() + 32 * t, picture.begin() + 32 * t + 32);
    }
    const TileLayout mirrored{0, 16, 1, 16, 256, 1, 1, 0, 0, 0};
    EXPECT_GT(truth, 0.7);
    EXPECT_LT(seamCoherence(shuffled.data(), int64_t(shuffled.size()), rows16, 16), 0.3);
    EXPECT_LT(seamCoherence(picture.data(), int64_t(picture.size()), mirrored, 64), truth - 0.3);
}

// A picture's pixels agree inside tiles far more often than any two of them do; noise read as
// eight planes, hardly: its seams are no share of anything, however they come out.
TEST(TileSeams, PixelsOfNoiseAgreeInsideTilesOnlyByChance) {
    const std::vector<uint8_t> picture = ringTiles();
    const TileLayout rows16{7, 16, -1, 16, 256, 1, 1, 0, 16, 16};
    double inside = 0;
    seamCoherence(picture.data(), std::ssize(picture), rows16, 64, &inside);
    EXPECT_GT(inside, 0.1);
    const std::vector<uint8_t> noise = randomBytes(1 << 14, 4);
    const TileLayout eightByRow{7, 64, -1, 8, 512, 8, 8, 0, 0, 0};
    seamCoherence(noise.data(), std::ssize(noise), eightByRow, 32, &inside);
    EXPECT_LT(std::abs(inside), 0.02);
    // Pixels of one bit agree half the time by chance alone.
    seamCoherence(noise.data(), std::ssize(noise), rows16, 64, &inside);
    EXPECT_LT(std::abs(inside), 0.02);
}

// The agreements at every start a row (or column) apart, counted in one pass, are those
// measured at each.
TEST(TileSeams, AgreementsAtEveryRowStartAreThoseMeasuredAtEach) {
    const std::vector<uint8_t> rings = ringTiles();
    const struct {
        TileLayout layout;
        int64_t rowBytes;
    } stacked[] = {
        {{7, 8, -1, 8, 64, 1, 1, 0, 0, 0}, 1},
        {{7, 16, -1, 16, 256, 1, 1, 0, 16, 16}, 2},
        {{10, 24, -1, 8, 192, 3, 8, 0, 0, 0}, 3},  // three planes a row apart, from inside a byte
        // A byte a column, every way round and up.
        {{0, 1, 8, 8, 64, 1, 1, 0, 0, 0}, 1},
        {{7, -1, 8, 8, 64, 1, 1, 0, 0, 0}, 1},
        {{56, 1, -8, 8, 64, 1, 1, 0, 0, 0}, 1},
        {{63, -1, -8, 8, 64, 1, 1, 0, 0, 0}, 1},
    };
    for (const auto& [layout, rowBytes] : stacked) {
        const int64_t starts = layout.tileDelta / 8 / rowBytes;
        // Some tiles, or as many as the bytes hold: starts further in hold one fewer.
        for (const int64_t tiles : {int64_t(20), int64_t(rings.size()) * 8 / layout.tileDelta}) {
            const std::vector<double> all = innerAgreements(rings.data(), int64_t(rings.size()),
                                                            layout, tiles, rowBytes, starts);
            ASSERT_EQ(int64_t(all.size()), starts);
            for (int64_t k = 0; k < starts; ++k) {
                TileLayout at = layout;
                at.offset += int32_t(8 * k * rowBytes);
                EXPECT_DOUBLE_EQ(all[size_t(k)],
                                 innerAgreement(rings.data(), int64_t(rings.size()), at, tiles));
            }
        }
    }
    const TileLayout tileApart{7, 8, -1, 8, 128, 2, 64, 0, 0, 0};
    EXPECT_TRUE(innerAgreements(rings.data(), int64_t(rings.size()), tileApart, 20, 1, 16).empty());
}

// Tiles read a byte and a place at a time must hold the bits the layout's own addresses name,
// wherever a tile starts within a byte and whichever way its pixels, rows and planes run.
TEST(GreyTiles, ReadEachPixelWhereTheLayoutPutsIt) {
    const std::vector<uint8_t> bytes = randomBytes(4096, 11);
    const TileLayout layouts[] = {
        {7, 16, -1, 16, 256, 1, 1, 0, 16, 16},  // rows of two bytes, column groups
        {63, -1, -8, 8, 60, 1, 1, 0, 0, 0},     // columns from the right, tiles 60 bits apart
        {5, 24, 1, 8, 197, 3, 8, 0, 0, 0},      // three planes a row apart, odd tile distance
    };
    for (const TileLayout& layout : layouts) {
        GreyTiles<1> one(layout);
        GreyTiles<3> three(layout);
        uint8_t grey[16 * 16];
        for (int64_t t = 0; t < 40; ++t) {
            const int64_t base = layout.offset + t * int64_t(layout.tileDelta);
            const int planes = layout.greyPlanes();
            ASSERT_TRUE(one.fits(base, 8 * int64_t(bytes.size())));
            if (planes == 1) {
                one.read(bytes.data(), base, grey, layout.tileSize);
            } else {
                three.read(bytes.data(), base, grey, layout.tileSize);
            }
            for (int y = 0; y < layout.tileSize; ++y) {
                for (int x = 0; x < layout.tileSize; ++x) {
                    unsigned expected = 0;
                    for (int p = 0; p < planes; ++p) {
                        const int64_t a = layout.bitAddress(0, x, y, p) + t * layout.tileDelta;
                        expected |= unsigned((bytes[size_t(a >> 3)] >> (a & 7)) & 1) << (7 - p);
                    }
                    ASSERT_EQ(grey[y * layout.tileSize + x], expected)
                        << "tile " << t << " pixel " << x << "," << y;
                }
            }
        }
    }
}

// Names padded to lines of a fixed length are text; glyph rows and the levels of a mid-grey
// picture, however many of their bytes are printable, are not.
TEST(TextBytes, TellsTablesOfNamesFromGlyphsAndGreyLevels) {
    std::vector<uint8_t> names;
    for (const char* name : {"_ZNSt13__facet_shims12_GLOBAL__N_", "transform_ucs2_internal",
                             "__gconv_transform_utf8_internal", "HostLinkNode"}) {
        std::string line(name);
        line.resize(32, '\0');
        names.insert(names.end(), line.begin(), line.end());
    }
    EXPECT_TRUE(looksLikeText(names.data(), int64_t(names.size())));
    const std::vector<uint8_t> glyphs = font(16, 3);
    EXPECT_FALSE(looksLikeText(glyphs.data(), int64_t(glyphs.size())));
    std::vector<uint8_t> grey;
    for (int i = 0; i < 4096; ++i) grey.push_back(uint8_t(0x20 + (i % 64 + i / 64) % 95));
    EXPECT_FALSE(looksLikeText(grey.data(), int64_t(grey.size())));
}

// Strings between tables of small numbers: the stretches of text are counted, whole ones only.
TEST(TextBytes, CountsTheStretchesOfTextAmongTables) {
    const std::string message = "Failed to run dumpbin on the file named here, see the log for ";
    std::vector<uint8_t> mixed;
    for (int stretch = 0; stretch < 8; ++stretch) {
        for (int64_t i = 0; i < kTextStretch; ++i) {
            const bool text = stretch == 1 || stretch == 4 || stretch == 6;
            mixed.push_back(text ? uint8_t(message[size_t(i) % message.size()])
                                 : uint8_t(i % 2 ? 0 : 6 + i % 24));
        }
    }
    mixed.insert(mixed.end(), message.begin(), message.begin() + 40);
    EXPECT_DOUBLE_EQ(textShare(mixed.data(), int64_t(mixed.size())), 3.0 / 8.0);
}

// Tables that count up (offsets a record apart, a gamma curve) are told from glyph rows and from
// the bytes of a picture, which seldom step evenly for long.
TEST(CountingBytes, TellsTablesThatCountUpFromGlyphsAndPictures) {
    std::vector<uint8_t> offsets, curve;
    for (uint32_t k = 0; k < 512; ++k) {
        const uint32_t offset = 0xFFF1B000u + 0x180u * k;
        const auto level = uint16_t(65535.0 * std::pow(k / 511.0, 1 / 2.2));
        for (int i = 0; i < 4; ++i) offsets.push_back(uint8_t(offset >> (8 * i)));
        for (int i = 0; i < 2; ++i) curve.push_back(uint8_t(level >> (8 * i)));
    }
    EXPECT_GT(countingShare(offsets.data(), int64_t(offsets.size())), 0.9);
    EXPECT_GT(countingShare(curve.data(), int64_t(curve.size())), 0.5);
    const std::vector<uint8_t> glyphs = font(16, 3), rings = ringTiles();
    EXPECT_LT(countingShare(glyphs.data(), int64_t(glyphs.size())), 0.2);
    EXPECT_LT(countingShare(rings.data(), int64_t(rings.size())), 0.2);
}

// Every index of every round is worked on once, whichever thread takes it.
TEST(WorkPool, WorksOnEachIndexOnceInEveryRound) {
    WorkPool pool(3);
    for (size_t count : {0, 1, 2, 7, 100, 3}) {
        std::vector<std::atomic<int>> times(count);
        pool.run(count, [&](size_t i) { ++times[i]; });
        for (size_t i = 0; i < count; ++i) EXPECT_EQ(times[i].load(), 1) << i << " of " << count;
    }
    // Rounds run from within the work, as a file's runs run their trials.
    std::vector<std::atomic<int>> times(9 * 13);
    pool.run(9, [&](size_t i) { pool.run(13, [&](size_t j) { ++times[13 * i + j]; }); });
    for (size_t k = 0; k < times.size(); ++k) EXPECT_EQ(times[k].load(), 1) << k;
}

// Pricing counts once must cost what coding the bits one by one costs, in any order, for the
// small counts of the table and the large ones of the series alike.
TEST(AdaptiveBits, PricesCountsAsCodingBitByBitDoes) {
    for (const auto& [zeros, ones] : {std::pair<uint32_t, uint32_t>{0, 0},
                                      {1, 0},
                                      {3, 5},
                                      {5000, 3000},
                                      {20000, 9},
                                      {40000, 40000}}) {
        double sequential = 0;
        uint32_t seen[2] = {0, 0};
        for (uint32_t i = 0; i < zeros + ones; ++i) {
            const unsigned bit = i % 3 == 0 && seen[1] < ones ? 1 : seen[0] < zeros ? 0 : 1;
            sequential -= std::log2((seen[bit] + 0.5) / (seen[0] + seen[1] + 1.0));
            ++seen[bit];
        }
        EXPECT_NEAR(adaptiveBits(zeros, ones), sequential, 1e-9 * (1 + sequential))
            << zeros << " zeros, " << ones << " ones";
    }
    // Symbols of 16 kinds, each coded with (its count so far + 1/2) / (symbols so far + 8).
    const uint32_t counts[16] = {9000, 0, 3, 1, 0, 0, 250, 0, 0, 0, 0, 0, 7, 0, 0, 1};
    uint32_t seen[16] = {}, total = 0;
    double sequential = 0;
    for (bool more = true; more;) {
        more = false;
        for (int k = 0; k < 16; ++k) {
            if (seen[k] == counts[k]) continue;
            sequential -= std::log2((seen[k] + 0.5) / (total + 8.0));
            ++seen[k];
            ++total;
            more = true;
        }
    }
    EXPECT_NEAR(adaptiveSymbols(counts, 16), sequential, 1e-9 * sequential);
}

TEST(GlyphRows, TellsTheHeightAndWhereGlyphsStart) {
    for (int height : {8, 14, 16}) {
        const std::vector<uint8_t> bytes = font(height, uint32_t(height));
        const auto rows = GlyphRows::of(bytes.data(), int64_t(bytes.size()));
        ASSERT_TRUE(rows) << height;
        EXPECT_EQ(rows->height, height);
        EXPECT_EQ(rows->start, 4 % height) << height;
    }
    const std::vector<uint8_t> noise = randomBytes(8192, 1);
    EXPECT_FALSE(GlyphRows::of(noise.data(), int64_t(noise.size())));
    // Two top rows blank but in the lines of box drawing, which run through every row, and
    // two bottom rows that descenders reach too: the top rows are the blankest, but the cut
    // lies above them, where ink seldom meets ink.
    std::mt19937 random(5);
    std::vector<uint8_t> boxes = {0x36, 0x04, 0x00, 16};
    for (int glyph = 0; glyph < 256; ++glyph) {
        const bool box = glyph % 8 == 0, descender = random() % 3 == 0;
        for (int row = 0; row < 16; ++row) {
            const bool ink = box || (row >= 2 && (row < 14 || descender));
            boxes.push_back(ink ? uint8_t(0x18 | (row == 8 ? random() & 0xE7 : 0)) : 0);
        }
    }
    const auto rows = GlyphRows::of(boxes.data(), int64_t(boxes.size()));
    ASSERT_TRUE(rows);
    EXPECT_EQ(rows->height, 16);
    EXPECT_EQ(rows->start, 4);
}

// A font whose letters fill their cells below a blank top row, and whose accented letters
// after them put the accent on the top two rows above a blank row: those alone would be cut
// below the accent, where ink never meets ink. The glyphs the run opens with, which counting
// from a quarter into it leaves out, tell where glyphs start.
TEST(GlyphRows, CountsTheGlyphsTheRunOpensWith) {
    std::mt19937 random(8);
    std::vector<uint8_t> glyphs = {0x36, 0x04, 0x00, 8};
    for (int glyph = 0; glyph < 256; ++glyph) {
        const uint8_t stem = uint8_t(0xC0 >> (random() % 4));
        const bool accented = glyph >= 64, descender = random() % 4 == 0;
        for (int row = 0; row < 8; ++row) {
            const bool ink = row == 7 ? descender : accented ? row != 2 : row > 0;
            glyphs.push_back(ink ? uint8_t(stem | (random() & 0x3C)) : 0);
        }
    }
    const auto rows = GlyphRows::of(glyphs.data(), int64_t(glyphs.size()));
    ASSERT_TRUE(rows);
    EXPECT_EQ(rows->height, 8);
    EXPECT_EQ(rows->start, 4);
}

// Letters in tall cells (24 rows, ink on 7 to 9 of them) keep rows blank for long, and box
// drawings after them half blank or all ink: the nearest periods repeat best, yet the height
// rises clearly out of the periods below it.
TEST(GlyphRows, TellsTheHeightOfLettersWithDeepMargins) {
    const int spans[4][2] = {{0, 12}, {11, 12}, {11, 24}, {0, 24}};
    for (uint32_t seed : {3u, 4u, 5u}) {
        std::mt19937 random(seed);
        std::vector<uint8_t> glyphs;
        for (int glyph = 0; glyph < 96; ++glyph) {
            const int* box = spans[random() % 4];
            const bool letter = glyph < 40;
            const int top = letter ? 7 + 2 * int(random() % 2) : box[0], end = letter ? 16 : box[1];
            const uint8_t stem = uint8_t(0xC0 >> (random() % 4));
            const int bar = top + int(random() % unsigned(end - top));
            for (int row = 0; row < 24; ++row) {
                const bool ink = row >= top && row < end;
                glyphs.push_back(ink ? uint8_t(stem | (row == bar ? 0x7E : 0)) : 0);
            }
        }
        const auto rows = GlyphRows::of(glyphs.data(), int64_t(glyphs.size()));
        ASSERT_TRUE(rows) << seed;
        EXPECT_EQ(rows->height, 24) << seed;
    }
}

// A font is followed back to its first glyph over what looks like its glyphs, not over the
// bytes of other data.
TEST(GlyphRows, TellsTheFontsGlyphsFromOtherBytes) {
    const std::vector<uint8_t> glyphs = font(10, 9);
    const auto rows = GlyphRows::of(glyphs.data(), int64_t(glyphs.size()));
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->height, 10);
    const std::vector<uint8_t> noise = randomBytes(2560, 10);
    int fitting = 0, misfitting = 0;
    for (size_t at = 4; at + 10 <= glyphs.size(); at += 10)
        fitting += rows->evidence(&glyphs[at]) > 0;
    for (size_t at = 0; at + 10 <= noise.size(); at += 10)
        misfitting += rows->evidence(&noise[at]) < 0;
    EXPECT_GT(fitting, 250);
    EXPECT_GT(misfitting, 250);
}

// A picture of blobs on a blank ground, in 8 x 8 tiles a byte a row: its blank rows agree the
// more, the nearer they are, with no height standing out as a glyph's does.
TEST(GlyphRows, APictureHasNoGlyphHeight) {
    std::vector<uint8_t> blobs;
    for (int ty = 0; ty < 16; ++ty) {
        for (int tx = 0; tx < 16; ++tx) {
            for (int y = 0; y < 8; ++y) {
                uint8_t b = 0;
                for (int x = 0; x < 8; ++x) {
                    for (const auto& [cx, cy, r] :
                         {std::tuple{30, 40, 22}, {90, 30, 15}, {70, 95, 28}, {20, 110, 9}}) {
                        const int dx = 8 * tx + x - cx, dy = 8 * ty + y - cy;
                        if (dx * dx + dy * dy < r * r) b |= uint8_t(0x80 >> x);
                    }
                }
                blobs.push_back(b);
            }
        }
    }
    EXPECT_FALSE(GlyphRows::of(blobs.data(), int64_t(blobs.size())));
}

// A table of 16-byte records whose last bytes are 0 repeats its blank rows as a font does;
// its rows, unlike a glyph's, do not continue each other.
TEST(GlyphRows, StrokesRunDownGlyphsNotDownRecords) {
    const std::vector<uint8_t> glyphs = font(16, 3);
    std::vector<uint8_t> table = randomBytes(4096, 2);
    for (size_t i = 0; i < table.size(); ++i) {
        if (i % 16 >= 11) table[i] = 0;
    }
    ASSERT_TRUE(GlyphRows::of(table.data(), int64_t(table.size())));
    EXPECT_GT(GlyphRows::strokes(glyphs.data(), int64_t(glyphs.size())), 0.5);
    EXPECT_LT(GlyphRows::strokes(table.data(), int64_t(table.size())), 0.1);
}

TEST(BlockSignal, RisesForRepeatedRowsOnlyNotForNoiseOrBlankRuns) {
    const std::vector<uint8_t> noise = randomBytes(8192, 2);
    const std::vector<uint8_t> blank(8192, 0);
    const std::vector<uint8_t> glyphs = font(16, 3);
    EXPECT_LT(BlockSignal::of(noise.data(), noise.data() + BlockSignal::kFar), 0.25f);
    EXPECT_LT(BlockSignal::of(blank.data(), blank.data() + BlockSignal::kFar), 0.01f);
    float rows = 0;
    for (int64_t b = 0; b < 32; ++b) {
        rows += BlockSignal::of(glyphs.data() + 64 * b, glyphs.data() + 64 * b + 2048) / 32;
    }
    EXPECT_GT(rows, 0.35f);
}

// The finds of a file holding one run: its best reading first, then other readings of the same
// bytes, each of a layout of its own and no more confident than the one before.
void expectOneRun(const std::vector<Find>& finds) {
    ASSERT_FALSE(finds.empty());
    for (size_t i = 1; i < finds.size(); ++i) {
        EXPECT_EQ(finds[i].start, finds[0].start);
        EXPECT_EQ(finds[i].end, finds[0].end);
        EXPECT_LE(finds[i].confidence, finds[i - 1].confidence);
        for (size_t k = 0; k < i; ++k) EXPECT_NE(finds[i].layout, finds[k].layout);
    }
}

TEST(Finder, FindsAFontInNoiseWithItsTilesInPlaceAndNothingInNoise) {
    std::vector<uint8_t> bytes = randomBytes(1 << 16, 4);
    const std::vector<uint8_t> glyphs = font(8, 5);
    const int64_t at = 20001;  // the header lands here, the glyphs 4 bytes on
    std::copy(glyphs.begin(), glyphs.end(), bytes.begin() + at);
    FinderOptions options;
    const std::vector<Find> finds = Finder(options).scanBytes(bytes.data(), int64_t(bytes.size()));
    ASSERT_NO_FATAL_FAILURE(expectOneRun(finds));
    const Find& f = finds[0];
    // Its range is the font's, not the run's, which reaches into the noise around it.
    EXPECT_LE(std::abs(f.start - (at + 4)), 8);
    EXPECT_LE(std::abs(f.end - (at + 4 + 2048)), 8);
    EXPECT_EQ(f.layout, "1 bit, highest first, 8 x 8");
    // Tiles start where glyphs do.
    EXPECT_EQ(((8 * f.start + f.values.offset - 7) / 8 - (at + 4)) % 8, 0);
    EXPECT_TRUE(Finder(options).scanBytes(bytes.data(), at).empty());
}

// Braille glyphs are dots a blank row apart, the dots of glyph n the bits of n: their ink never
// runs on to the next row, yet they are a font. In cells of 8 rows, every other row is blank,
// and read as eight planes the glyphs count up, which explains them better.
TEST(Finder, FindsAFontOfDotsABlankRowApart) {
    for (const int height : {10, 8}) {
        std::vector<uint8_t> bytes = randomBytes(1 << 15, 6);
        auto out = bytes.begin() + 10000;
        const int first = height == 8 ? 0 : 1;  // the first row of dots
        for (int glyph = 0; glyph < 256; ++glyph) {
            for (int row = 0; row < height; ++row) {
                const bool dotted = row % 2 == first && row < first + 8;
                const int dots = dotted ? glyph >> ((row - first) / 2 * 2) : 0;
                *out++ = uint8_t((dots & 1 ? 0x60 : 0) | (dots & 2 ? 0x0C : 0));
            }
        }
        const std::vector<Find> finds = Finder(FinderOptions{}).scanBytes(bytes.data(), 1 << 15);
        ASSERT_FALSE(finds.empty()) << height;
        const Find& f = finds[0];
        EXPECT_EQ(f.layout, "1 bit, highest first, 8 x 8") << height;
        EXPECT_LE(f.start, 10000 + 256 * height / 2) << height;
        EXPECT_GE(f.end, 10000 + 256 * height / 2) << height;
        if (height == 8) {
            EXPECT_EQ(((8 * f.start + f.values.offset - 7) / 8 - 10000) % 8, 0);
        }
    }
}

// Something else inside a font (a table, say) splits its run; the parts read alike and are
// judged as one, so the whole font is one find with its tiles in place.
TEST(Finder, JoinsTheTwoPartsOfASplitFont) {
    std::vector<uint8_t> bytes = randomBytes(1 << 16, 6);
    std::vector<uint8_t> glyphs = font(8, 7);
    const std::vector<uint8_t> table = randomBytes(8 * 80, 8);
    std::copy(table.begin(), table.end(), glyphs.begin() + 4 + 8 * 100);
    const int64_t at = 30003;
    std::copy(glyphs.begin(), glyphs.end(), bytes.begin() + at);
    const std::vector<Find> finds =
        Finder(FinderOptions{}).scanBytes(bytes.data(), int64_t(bytes.size()));
    ASSERT_NO_FATAL_FAILURE(expectOneRun(finds));
    EXPECT_LT(finds[0].start, at + 4 + 8 * 100);
    EXPECT_GT(finds[0].end, at + 4 + 8 * 180);
    EXPECT_EQ(((8 * finds[0].start + finds[0].values.offset - 7) / 8 - (at + 4)) % 8, 0);
}

// A font whose symbols come first, unlike its letters (ink in every row), opens at its first
// glyph, blank as most character sets' first is, right after what precedes it: glyphs 6 rows
// tall put 8 x 8 tiles in place only from there.
TEST(Finder, OpensAFontAtItsBlankFirstGlyphBeforeSymbolsUnlikeItsLetters) {
    for (uint32_t seed = 1; seed <= 3; ++seed) {
        std::vector<uint8_t> bytes = randomBytes(1 << 16, seed);
        std::vector<uint8_t> glyphs = font(6, seed);
        std::mt19937 random(seed);
        std::fill(glyphs.begin() + 4, glyphs.begin() + 4 + 6, 0);
        for (size_t i = 4 + 6; i < 4 + 6 * 32; ++i) glyphs[i] = uint8_t(random() | 0x81);
        const int64_t at = 40001;
        std::copy(glyphs.begin(), glyphs.end(), bytes.begin() + at);
        const std::vector<Find> finds =
            Finder(FinderOptions{}).scanBytes(bytes.data(), int64_t(bytes.size()));
        ASSERT_FALSE(finds.empty()) << "seed " << seed;
        EXPECT_EQ(finds[0].start, at + 4) << "seed " << seed;
        // Either bit order: the glyphs are nearly symmetric.
        EXPECT_EQ(((8 * finds[0].start + finds[0].values.offset) / 8 - (at + 4)) % 8, 0)
            << "seed " << seed;
    }
}

// The default search's finds in `length` random bytes with `picture` at byte 5000.
std::vector<Find> findsOfPlanted(const std::vector<uint8_t>& picture, size_t length) {
    std::vector<uint8_t> bytes = randomBytes(length, 12);
    std::copy(picture.begin(), picture.end(), bytes.begin() + 5000);
    return Finder(FinderOptions{}).scanBytes(bytes.data(), int64_t(bytes.size()));
}

// 128 x 128 pixels, blank but for `count` rectangles (each drawn over the others inverted) of
// `smallest` to `smallest + spread - 1` pixels a side, one bit a pixel, cut into 8 x 8 tiles
// stored lowest bit first, tile after tile.
std::vector<uint8_t> rectanglesLowestFirst(uint32_t seed, int count = 6, int smallest = 3,
                                           int spread = 20) {
    std::mt19937 random(seed);
    std::vector<std::vector<bool>> ink(128, std::vector<bool>(128, false));
    for (int i = 0; i < count; ++i) {
        const int x = int(random() % 128), y = int(random() % 128);
        const int w = smallest + int(random() % unsigned(spread));
        const int h = smallest + int(random() % unsigned(spread));
        for (int yy = y; yy < std::min(128, y + h); ++yy) {
            for (int xx = x; xx < std::min(128, x + w); ++xx) ink[yy][xx] = !ink[yy][xx];
        }
    }
    std::vector<uint8_t> bytes;
    for (int ty = 0; ty < 16; ++ty) {
        for (int tx = 0; tx < 16; ++tx) {
            for (int y = 0; y < 8; ++y) {
                uint8_t b = 0;
                for (int x = 0; x < 8; ++x) b |= uint8_t(ink[8 * ty + y][8 * tx + x] << x);
                bytes.push_back(b);
            }
        }
    }
    return bytes;
}

// Tiles of one bit a pixel stored lowest bit first, a byte a row, stored again in `layout`
// into `length` bytes.
std::vector<uint8_t> storedAs(const std::vector<uint8_t>& rows, const TileLayout& layout,
                              size_t length) {
    EncodedSample sample(length);
    sample.encode(layout, int64_t(rows.size()) / 8,
                  [&](int64_t n, int64_t px, int64_t py, int64_t) {
                      return (rows[size_t(8 * n + py)] >> px) & 1;
                  });
    return sample.bytes;
}

// The rectangles of rectanglesLowestFirst in 8 x 8 tiles of a byte a column, tile after tile:
// columns left to right or right to left, either bit at the top.
std::vector<uint8_t> rectangleColumns(uint32_t seed, bool fromTheRight, bool highestTop,
                                      int count = 6, int smallest = 3, int spread = 20) {
    const std::vector<uint8_t> rows = rectanglesLowestFirst(seed, count, smallest, spread);
    const TileLayout columns{(fromTheRight ? 56 : 0) + (highestTop ? 7 : 0),
                             highestTop ? -1 : 1,
                             fromTheRight ? -8 : 8,
                             8,
                             64,
                             1,
                             1,
                             0,
                             0,
                             0};
    return storedAs(rows, columns, rows.size());
}

// Columns the other way round read alike but for their seams, and columns upside down alike
// but for how tiles continue the tiles below them. (Reading a tile's columns as its rows
// explains these pictures about as well too; that is not what is tested here.)
// Planted a few bytes off a tile's start too: columns right to left read left to right run on
// from tile to tile nowhere, but right to left only from where their tiles start.
TEST(Finder, ReadsColumnsTheirOwnWayRoundAndUp) {
    int readAsColumns = 0;
    for (const bool fromTheRight : {false, true}) {
        for (const bool highestTop : {false, true}) {
            const std::string name =
                std::string("1 bit, a byte a column") + (fromTheRight ? " from the right" : "") +
                (highestTop ? ", highest bit at the top" : ", lowest bit at the top");
            for (uint32_t seed = 1; seed <= 12; ++seed) {
                std::vector<uint8_t> picture = randomBytes(seed > 6 ? seed - 6 : 0, seed);
                const std::vector<uint8_t> columns =
                    seed > 6 ? rectangleColumns(seed - 6, fromTheRight, highestTop, 40, 4, 30)
                             : rectangleColumns(seed, fromTheRight, highestTop);
                picture.insert(picture.end(), columns.begin(), columns.end());
                const std::vector<Find> finds = findsOfPlanted(picture, 1 << 14);
                if (finds.empty() || finds[0].layout.find("a byte a column") == std::string::npos) {
                    continue;
                }
                ++readAsColumns;
                EXPECT_EQ(finds[0].layout, name) << "seed " << seed;
            }
        }
    }
    EXPECT_GE(readAsColumns, 36);
}

// Read with each tile's columns as its rows, a few large shapes explain themselves about as
// well, and their tiles meet side by side nearly as well; only their own reading's tiles also
// continue the tiles below them.
// Columns continue each other across their tiles' seams wherever tiles start; a picture with a
// blank margin shows where its first column is by where the margin starts, even where the
// first shapes in it save too little to be kept.
TEST(Finder, ReadsLargeShapesStoredAsColumnsAsColumnsFromTheirFirstColumn) {
    int ownReading = 0, inPlace = 0;
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        for (const bool fromTheRight : {false, true}) {
            for (const bool highestTop : {false, true}) {
                const std::string name =
                    std::string("1 bit, a byte a column") +
                    (fromTheRight ? " from the right" : "") +
                    (highestTop ? ", highest bit at the top" : ", lowest bit at the top");
                const std::vector<Find> finds = findsOfPlanted(
                    rectangleColumns(seed, fromTheRight, highestTop, 3, 10, 60), 1 << 14);
                if (finds.empty() || finds[0].layout != name) continue;
                ++ownReading;
                const int64_t first = 8 * (finds[0].start - 5000) + finds[0].values.offset;
                inPlace += (first - (fromTheRight ? 56 : 0) - (highestTop ? 7 : 0)) % 64 == 0;
            }
        }
    }
    EXPECT_GE(ownReading, 46);  // of 80
    EXPECT_GE(inPlace, 46);     // of those read so
}

// Tiles read upside down continue each other side by side as well as the right way up, but only
// the right way up do they continue the tiles below them.
TEST(TileSeams, TilesContinueTheTilesBelowThemOnlyTheRightWayUp) {
    const TileLayout upright{0, 8, 1, 8, 64, 1, 1, 0, 0, 0};
    const TileLayout upsideDown{56, -8, 1, 8, 64, 1, 1, 0, 0, 0};
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        const std::vector<uint8_t> picture = rectanglesLowestFirst(seed);
        const auto length = int64_t(picture.size());
        const DownSeams read = downSeams(picture.data(), length, upright, length / 8);
        EXPECT_GT(read.upright, read.upsideDown + 0.1) << "seed " << seed;
        const DownSeams turned = downSeams(picture.data(), length, upsideDown, length / 8);
        EXPECT_GT(turned.upsideDown, turned.upright + 0.1) << "seed " << seed;
    }
}

// A picture kept a bit a byte, the other bits blank, explains the bytes its tiles cover as well
// as the same picture packed eight pixels a byte: blank bits need no explaining.
TEST(TileModel, BlankBitsALayoutLeavesUnreadDoNotCount) {
    const std::vector<uint8_t> packed = rectanglesLowestFirst(3);
    std::vector<uint8_t> spread;
    for (const uint8_t b : packed) {
        for (int x = 0; x < 8; ++x) spread.push_back((b >> x) & 1);
    }
    const TileLayout rows{0, 8, 1, 8, 64, 1, 1, 0, 0, 0};
    const TileLayout bitAByte{0, 64, 8, 8, 512, 1, 0, 0, 0, 0};
    const double dense = scoreLayout(packed.data(), int64_t(packed.size()), rows, 256, 8);
    const double sparse = scoreLayout(spread.data(), int64_t(spread.size()), bitAByte, 256, 64);
    EXPECT_GT(dense, 0.1);
    EXPECT_NEAR(sparse, dense, 0.05);
    // Kept instead with the halves of each row in the low bits of some bytes and the high bits
    // of others, blank bits read as pixels look coherent: as a format's blank bits they save
    // nothing, for a layout that reads them or not. Random bytes have none.
    const TileLayout halves = *presetLayout(318732);
    const std::vector<uint8_t> kept = storedAs(packed, halves, 2 * packed.size());
    const std::vector<uint8_t> blank = formatBlanks(kept.data(), int64_t(kept.size()));
    ASSERT_EQ(blank.size(), kept.size());
    EXPECT_EQ(std::count(blank.begin(), blank.end(), 0xF0), std::ssize(kept) / 2);
    EXPECT_EQ(std::count(blank.begin(), blank.end(), 0x0F), std::ssize(kept) / 2);
    const double readAll = scoreLayout(kept.data(), int64_t(kept.size()), rows, 512, 8);
    const double readPicture =
        scoreLayout(kept.data(), int64_t(kept.size()), rows, 512, 8, true, blank.data());
    const double halvesRead = scoreLayout(kept.data(), int64_t(kept.size()), halves, 256, 16);
    EXPECT_LT(readPicture, readAll - 0.01);
    EXPECT_DOUBLE_EQ(
        scoreLayout(kept.data(), int64_t(kept.size()), halves, 256, 16, true, blank.data()),
        halvesRead);
    EXPECT_TRUE(formatBlanks(randomBytes(4096, 5).data(), 4096).empty());
    // Nor where a few tiles are of something else.
    const std::vector<uint8_t> noise = randomBytes(4 * 64, 3);
    std::copy(noise.begin(), noise.end(), spread.begin());
    EXPECT_NEAR(scoreLayout(spread.data(), int64_t(spread.size()), bitAByte, 256, 64), dense, 0.05);
}

// Tiles of one plane whose rows (or columns) are bytes are read a byte at a time: they are
// scored as the pixel-by-pixel reading (which a blank mask that leaves nothing out makes) scores
// them, for every such layout of the search, at any byte the tiles start at, with each first
// column's left neighbour in the tile before.
TEST(TileModel, LinesReadAByteAtATimeScoreAsPixelByPixel) {
    std::vector<uint8_t> bytes = ringTiles();
    const std::vector<uint8_t> noise = randomBytes(2048, 6);
    bytes.insert(bytes.end(), noise.begin(), noise.end());
    const std::vector<uint8_t> none(bytes.size(), 0);
    int compared = 0;
    for (const Candidate& c : searchCandidates()) {
        if (c.layout.bitplanes != 1 || c.layout.tileSize != 8) continue;
        for (const int32_t bytesOn : {0, 3}) {
            TileLayout layout = c.layout;
            layout.offset += 8 * bytesOn;
            const int64_t tiles = (std::ssize(bytes) - bytesOn) / c.coveredBytes - 1;
            EXPECT_DOUBLE_EQ(
                scoreLayout(bytes.data(), std::ssize(bytes), layout, tiles, c.coveredBytes),
                scoreLayout(bytes.data(), std::ssize(bytes), layout, tiles, c.coveredBytes, true,
                            none.data()))
                << c.name << " " << bytesOn;
            ++compared;
        }
    }
    EXPECT_GE(compared, 12);
}

// Tiles that start inside a byte: of the bits a bit-a-byte layout leaves unread, those that
// vary (two of each byte's eight, or one where the layout reads the other) are not blank.
TEST(TileModel, CountsTheBlankBitsOfTilesStartingInsideAByte) {
    std::vector<uint8_t> bytes = randomBytes(64 * 64, 9);
    for (uint8_t& b : bytes) b = uint8_t((b & 0x48) | 0x21);
    for (const auto& [offset, blank] :
         {std::pair{3, 512 - 64 - 64}, std::pair{5, 512 - 64 - 128}}) {
        const TileLayout bitAByte{offset, 64, 8, 8, 512, 1, 0, 0, 0, 0};
        EXPECT_EQ(blankUnreadBits(bytes.data(), std::ssize(bytes), bitAByte, 63, 64), blank)
            << offset;
    }
}

// Large rectangles in 8 x 8 tiles stored as a preset keeps them: the left half of each row in
// the low bits of a byte, the right half in the high bits of the byte 8 on, the other halves
// blank. Tiles a row off read other halves of rows; planted among random bytes, a little of
// those is read with every tile. Where a tenth of the pixels are flipped, reading the blank
// halves as pixels too explains more of the bytes than the picture alone does.
TEST(Finder, ReadsRowsWhoseHalvesLieBytesApartFromWhereTheyStart) {
    const TileLayout halves = *presetLayout(318732);
    for (const bool noisy : {false, true}) {
        for (uint32_t seed = 1; seed <= 3; ++seed) {
            std::vector<uint8_t> rows = rectanglesLowestFirst(seed, 20, 8, 40);
            std::mt19937 random(seed);
            for (uint8_t& row : rows) {
                for (int x = 0; x < 8 && noisy; ++x) row ^= uint8_t((random() % 10 == 0) << x);
            }
            const std::vector<Find> finds =
                findsOfPlanted(storedAs(rows, halves, 2 * rows.size()), 1 << 14);
            ASSERT_FALSE(finds.empty()) << "seed " << seed << " noisy " << noisy;
            EXPECT_EQ(finds[0].layout, "preset $0004dd0c layout")
                << "seed " << seed << " noisy " << noisy;
            EXPECT_EQ((finds[0].start - 5000) % 16, 0) << "seed " << seed << " noisy " << noisy;
        }
    }
}

// A picture read mirrored (highest bit first, the more common order) can explain its bytes a
// little better, but only in its own order do its tiles continue each other.
TEST(Finder, TakesTheBitOrderInWhichAPictureTilesContinueEachOther) {
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        const std::vector<Find> finds = findsOfPlanted(rectanglesLowestFirst(seed), 1 << 14);
        ASSERT_FALSE(finds.empty()) << "seed " << seed;
        EXPECT_EQ(finds[0].layout, "1 bit, lowest first, 8 x 8") << "seed " << seed;
    }
}

// A picture of 16 grey levels that change smoothly, rings around a random centre, in 8 x 8
// tiles of four planes, highest bit first, the first plane the highest bit: a tile apart, or
// where `apart`, each plane whole after the one before.
std::vector<uint8_t> smoothFourPlanes(uint32_t seed, bool apart = false) {
    std::mt19937 random(seed);
    const int cx = int(random() % 128), cy = int(random() % 128), scale = 200 + int(random() % 300);
    auto level = [&](int x, int y) {
        const int ring = ((x - cx) * (x - cx) + (y - cy) * (y - cy)) / scale % 32;
        return ring < 16 ? ring : 31 - ring;
    };
    std::vector<uint8_t> bytes(128 * 128 / 2);
    auto out = bytes.begin();
    for (int outer = 0; outer < (apart ? 4 : 256); ++outer) {
        for (int inner = 0; inner < (apart ? 256 : 4); ++inner) {
            const int tile = apart ? inner : outer, p = apart ? outer : inner;
            for (int y = 0; y < 8; ++y) {
                uint8_t b = 0;
                for (int x = 0; x < 8; ++x) {
                    if ((level(8 * (tile % 16) + x, 8 * (tile / 16) + y) >> (3 - p)) & 1) {
                        b |= uint8_t(0x80 >> x);
                    }
                }
                *out++ = b;
            }
        }
    }
    return bytes;
}

// Bit by bit, the lower planes of a smooth picture look like noise, and one plane of it reads
// as well as all four; its grey levels tell.
TEST(Finder, ReadsTheGreyLevelsOfASmoothPictureOfManyPlanes) {
    for (uint32_t seed : {1, 3, 4}) {
        const std::vector<Find> finds = findsOfPlanted(smoothFourPlanes(seed), 1 << 15);
        ASSERT_FALSE(finds.empty()) << "seed " << seed;
        EXPECT_EQ(finds[0].layout, "4 planes, highest first, a tile apart") << "seed " << seed;
        EXPECT_EQ((finds[0].start - 5000) % 32, 0) << "seed " << seed;
    }
}

// 128 x 128 pixels of rings of 256 grey levels around a random centre (the wider, the larger
// `smallest` to `smallest + spread - 1`), in 8 x 8 tiles of eight planes stored in `layout`,
// the first plane the highest bit (or the lowest).
std::vector<uint8_t> eightPlaneRings(uint32_t seed, const TileLayout& layout, int smallest,
                                     int spread, bool highestFirst = true) {
    std::mt19937 random(seed);
    const int cx = int(random() % 128), cy = int(random() % 128);
    const int scale = smallest + int(random() % unsigned(spread));
    EncodedSample sample(128 * 128);
    sample.encode(layout, 256, [&](int64_t n, int64_t px, int64_t py, int64_t p) {
        const int64_t x = 8 * (n % 16) + px - cx, y = 8 * (n / 16) + py - cy;
        const int64_t ring = (x * x + y * y) / scale % 512;
        const int64_t bit = highestFirst ? 7 - p : p;
        return (((ring < 256 ? ring : 511 - ring) >> bit) & 1) != 0;
    });
    return sample.bytes;
}

// A picture of a byte a pixel with two rows of tiles of noise across it (2 KB, beyond what the
// first pass bridges): its two parts read alike, a few dozen tiles apart, and are judged as one.
TEST(Finder, JoinsPartsOfAPictureOfBigTilesAcrossNoise) {
    const TileLayout pixels{7, 64, 8, 8, 512, 8, -1, 0, 0, 0};
    int whole = 0;
    for (uint32_t seed = 1; seed <= 8; ++seed) {
        std::vector<uint8_t> picture = eightPlaneRings(seed, pixels, 40, 40);
        const std::vector<uint8_t> noise = randomBytes(64 * 32, seed);
        std::copy(noise.begin(), noise.end(), picture.begin() + 64 * 64);
        const std::vector<Find> finds = findsOfPlanted(picture, 1 << 16);
        whole += !finds.empty() && finds[0].layout == "8 bits a pixel" &&
                 finds[0].start < 5000 + 64 * 60 && finds[0].end > 5000 + 64 * 100;
    }
    EXPECT_GE(whole, 5);  // of 8; none where runs are joined only 1 KB apart
}

// Rows of two planes a byte each pair each row's planes, or one row's second plane with the next
// row's first, about as well: the pairs are told where a tile's last row meets the next tile's
// first, which lies beside it. Rectangles of four levels, the first plane the highest bit or the
// lowest (as the Game Boy keeps them).
TEST(Finder, PairsThePlanesOfRowsOfTwoPlanes) {
    const TileLayout byRow{7, 16, -1, 8, 128, 2, 8, 0, 0, 0};
    int inPlace = 0;
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        for (const bool highestFirst : {true, false}) {
            std::mt19937 random(seed);
            std::vector<int> level(128 * 128, 0);
            for (int r = 0; r < 12; ++r) {
                const int x0 = int(random() % 128), y0 = int(random() % 128);
                const int w = 8 + int(random() % 40), h = 8 + int(random() % 40);
                const int shade = int(random() % 4);
                for (int y = y0; y < std::min(128, y0 + h); ++y)
                    for (int x = x0; x < std::min(128, x0 + w); ++x)
                        level[size_t(128 * y + x)] = shade;
            }
            EncodedSample sample(128 * 128 / 4);
            sample.encode(byRow, 256, [&](int64_t n, int64_t px, int64_t py, int64_t p) {
                const int64_t x = 8 * (n % 16) + px, y = 8 * (n / 16) + py;
                return ((level[size_t(128 * y + x)] >> (highestFirst ? 1 - p : p)) & 1) != 0;
            });
            const std::vector<Find> finds = findsOfPlanted(sample.bytes, 1 << 15);
            inPlace += !finds.empty() &&
                       finds[0].layout == "2 planes, highest first, interleaved by row" &&
                       (finds[0].start + finds[0].values.offset / 8 - 5000) % 16 == 0;
        }
    }
    EXPECT_GE(inPlace, 23) << "of 24";
}

// Rings of 256 grey levels, a byte of each plane a row, the highest bit's plane first or the
// lowest's: whichever byte a row starts at, the tiles explain the picture about as well; where
// the least coherent plane meets the most tells, and where rows continue the rows before them
// least tells which row a tile starts at.
TEST(Finder, StartsRowsOfEightPlanesAtTheirFirstPlaneAndRow) {
    const TileLayout byRow{7, 64, -1, 8, 512, 8, 8, 0, 0, 0};
    int inPlace = 0;
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        for (const bool highestFirst : {true, false}) {
            const std::vector<Find> finds =
                findsOfPlanted(eightPlaneRings(seed, byRow, 40, 40, highestFirst), 1 << 16);
            if (finds.empty() || finds[0].layout != "8 planes, highest first, interleaved by row") {
                continue;
            }
            inPlace += (finds[0].start + (finds[0].values.offset - 7) / 8 - 5000) % 64 == 0;
        }
    }
    EXPECT_GE(inPlace, 20);  // of 24
}

// A picture's planes agree with each other less than its neighbouring pixels: stored as eight
// planes by row, a tile apart or a byte a pixel, the axis of its tiles whose bits agree least
// (bytes one on, eight on, or the bits of a byte) is the planes'.
TEST(BitAgreement, ThePlanesOfTilesOfEightPlanesAgreeLeast) {
    const TileLayout layouts[] = {{7, 64, -1, 8, 512, 8, 8, 0, 0, 0},
                                  {7, 8, -1, 8, 512, 8, 64, 0, 0, 0},
                                  {7, 64, 8, 8, 512, 8, -1, 0, 0, 0}};
    for (uint32_t seed = 1; seed <= 4; ++seed) {
        for (const TileLayout& layout : layouts) {
            const std::vector<uint8_t> b = eightPlaneRings(seed, layout, 100, 200);
            const int64_t n = int64_t(b.size());
            const double within = agreementWithinBytes(b.data(), n);
            const double one = agreementAtLag(b.data(), n, 1),
                         eight = agreementAtLag(b.data(), n, 8);
            const double planes = layout.bitplaneDelta == 8    ? one
                                  : layout.bitplaneDelta == 64 ? eight
                                                               : within;
            EXPECT_EQ(planes, std::min({within, one, eight})) << "seed " << seed;
            EXPECT_GT(std::max({within, one, eight}), 0.3) << "seed " << seed;
        }
    }
}

// The two bytes of a row of 16 pixels meet as neighbouring pixels; two planes of 8 pixels,
// a byte each, do not.
TEST(BitAgreement, HalvesOfRowsOfSixteenPixelsContinueEachOtherPlanesDoNot) {
    const std::vector<uint8_t> rows = ringTiles();
    EXPECT_GT(halvesContinue(rows.data(), int64_t(rows.size()), true), 0.75);
    for (uint32_t seed = 1; seed <= 4; ++seed) {
        std::mt19937 random(seed);
        const int cx = int(random() % 128), cy = int(random() % 128), scale = 100;
        EncodedSample planes(128 * 128 / 4);
        planes.encode({7, 16, -1, 8, 128, 2, 8, 0, 0, 0}, 256,
                      [&](int64_t n, int64_t px, int64_t py, int64_t p) {
                          const int64_t x = 8 * (n % 16) + px - cx, y = 8 * (n / 16) + py - cy;
                          return (((x * x + y * y) / scale % 4) >> (1 - p) & 1) != 0;
                      });
        EXPECT_LT(halvesContinue(planes.bytes.data(), int64_t(planes.bytes.size()), true), 0.75)
            << "seed " << seed;
    }
}

// A run of one value opens graphics where other data, of many values, precedes it; not where
// a picture's own columns do, nor where it is short.
TEST(BlankMargin, OpensGraphicsOnlyAfterOtherData) {
    std::vector<uint8_t> bytes = randomBytes(100, 3);
    bytes.insert(bytes.end(), 12, 0xFF);
    bytes.insert(bytes.end(), {0x3C, 0x18, 0x7E});
    EXPECT_EQ(marginBefore(bytes.data(), int64_t(bytes.size()), 112), 100);
    EXPECT_EQ(marginBefore(bytes.data(), int64_t(bytes.size()), 106), -1);  // 6 bytes of it
    for (int i = 84; i < 100; ++i) bytes[size_t(i)] = i % 2 ? 0x0F : 0x00;
    EXPECT_EQ(marginBefore(bytes.data(), int64_t(bytes.size()), 112), -1);
    EXPECT_EQ(marginBefore(bytes.data(), int64_t(bytes.size()), 0), -1);
}

// Rings that fill a picture of 8 x 5 tiles to its edges, a byte a column with the highest bit
// at the top, read from any byte: the next row of tiles opens where neighbouring columns
// differ most. With blank margins on both sides, or in noise, nothing stands out.
TEST(ColumnWrap, OpensRowsOfTilesWhereTheEdgesMeet) {
    std::vector<uint8_t> columns;
    for (int ty = 0; ty < 5; ++ty) {
        for (int x = 0; x < 64; ++x) {
            uint8_t b = 0;
            for (int y = 0; y < 8; ++y) {
                const int dx = x - 80, dy = 8 * ty + y + 30;
                b |= uint8_t(((dx * dx + dy * dy) / 1000 % 2) << (7 - y));
            }
            columns.push_back(b);
        }
    }
    for (const int64_t at : {0, 5, 19, 63}) {
        EXPECT_EQ(columnWrap(columns.data() + at, int64_t(columns.size()) - at, 7), (64 - at) % 64)
            << "from byte " << at;
    }
    std::vector<uint8_t> framed = columns;
    for (size_t i = 0; i < framed.size(); ++i) {
        if (i % 64 < 6 || i % 64 >= 58) framed[i] = 0;
    }
    EXPECT_EQ(columnWrap(framed.data(), int64_t(framed.size()), 7), -1);
    const std::vector<uint8_t> noise = randomBytes(320, 4);
    EXPECT_EQ(columnWrap(noise.data(), int64_t(noise.size()), 7), -1);
}

// A margin with a few columns of ink in it: the graphics open at the first margin after other
// data, not at the blank stretch after the ink, whose bytes before it are the margin's own.
TEST(BlankMargin, TheFirstAfterOtherDataBeforeWhatIsKept) {
    std::vector<uint8_t> bytes = randomBytes(100, 5);
    bytes.insert(bytes.end(), 30, 0xFF);
    bytes.insert(bytes.end(), {0xBF, 0xFB, 0x8B});
    bytes.insert(bytes.end(), 20, 0xFF);
    bytes.insert(bytes.end(), {0xFC, 0xF8, 0xF1});
    const int64_t length = int64_t(bytes.size());
    EXPECT_EQ(firstMarginBefore(bytes.data(), length, length), 100);
    EXPECT_EQ(firstMarginBefore(bytes.data(), length, 120), 100);
    EXPECT_EQ(firstMarginBefore(bytes.data(), length, 105), -1);  // 5 bytes of it before 105
    EXPECT_EQ(firstMarginBefore(bytes.data(), length, 90), -1);
}

// Records padded with zeros before a picture's blank margin: tiles kept from a byte of the
// padding start one column early.
TEST(BlankMargin, FollowsTheRunTheTilesKeptOpenIn) {
    std::vector<uint8_t> bytes = {0xBD, 0x32, 0, 0, 0, 0, 0, 0, 0};
    bytes.insert(bytes.end(), 10, 0xFF);
    bytes.insert(bytes.end(), {0x3C, 0x18, 0x7E});
    const int64_t length = int64_t(bytes.size());
    EXPECT_EQ(marginAfterRun(bytes.data(), length, 7, 8), 9);
    EXPECT_EQ(marginAfterRun(bytes.data(), length, 3, 8), 9);
    EXPECT_EQ(marginAfterRun(bytes.data(), length, 3, 6), -1);  // 6 bytes of padding left
    EXPECT_EQ(marginAfterRun(bytes.data(), length, 2, 8), -1);  // no run before the tiles
    EXPECT_EQ(marginAfterRun(bytes.data(), length, 9, 8), -1);  // the margin itself
    bytes[12] = 0x3C;  // a picture's own columns, with too short a blank stretch after them
    EXPECT_EQ(marginAfterRun(bytes.data(), length, 7, 8), -1);
}

// A stretch of blocks alike at one distance, among blocks that look like graphics less and
// are alike at others, is cut out of its run; not beside cold blocks, nor where it is the
// less alike, nor where it is short.
TEST(StrideCuts, CutOutAPictureAmongTablesOnly) {
    auto run = [](float left, float middle, float right, int64_t middleBlocks = 24) {
        std::vector<BlockSignal::Measure> blocks;
        for (int i = 0; i < 20; ++i) blocks.push_back({left, uint8_t(i % 3 ? 8 : 16)});
        for (int64_t i = 0; i < middleBlocks; ++i)
            blocks.push_back({middle, uint8_t(i == 5 ? 4 : 1)});
        for (int i = 0; i < 20; ++i) blocks.push_back({right, 4});
        return blocks;
    };
    EXPECT_EQ(strideCuts(run(0.6f, 0.9f, 0.7f)), (std::vector<int64_t>{20, 44}));
    EXPECT_TRUE(strideCuts(run(0.1f, 0.9f, 0.7f)).empty());
    EXPECT_TRUE(strideCuts(run(0.6f, 0.65f, 0.7f)).empty());
    EXPECT_TRUE(strideCuts(run(0.6f, 0.9f, 0.7f, 12)).empty());
}

// A table of offsets that wander (a jump table, say) looks like graphics, less so than a
// picture; the picture among it is found on its own, though the table fills the middle of
// their run.
TEST(Finder, FindsAPictureAmongTablesThatLookLikeGraphics) {
    for (const uint32_t seed : {5u, 6u, 7u}) {
        std::mt19937 random(seed);
        std::vector<uint8_t> bytes = randomBytes(4096, seed);
        uint32_t offset = 0xFFEE0000;
        auto table = [&](int count) {
            for (int i = 0; i < count; ++i) {
                offset += random() % 4;
                const auto* at = reinterpret_cast<const uint8_t*>(&offset);
                bytes.insert(bytes.end(), at, at + 4);
            }
        };
        table(1500);
        const int64_t pictureAt = int64_t(bytes.size());
        const std::vector<uint8_t> picture = rectanglesLowestFirst(seed, 8, 6, 24);
        bytes.insert(bytes.end(), picture.begin(), picture.end());
        table(4500);
        const std::vector<uint8_t> tail = randomBytes(4096, seed + 1);
        bytes.insert(bytes.end(), tail.begin(), tail.end());
        bool found = false;
        for (const Find& f :
             Finder(FinderOptions{}).scanBytes(bytes.data(), int64_t(bytes.size()))) {
            found = found || (f.start < pictureAt + int64_t(picture.size()) && f.end > pictureAt &&
                              f.layout == "1 bit, lowest first, 8 x 8" &&
                              (f.start + f.values.offset / 8 - pictureAt) % 8 == 0);
        }
        EXPECT_TRUE(found) << "seed " << seed;
    }
}

// A parser's tables of small counters: runs of a number, each the one before or a step on from
// it, now and then starting over. Read a byte a column, they are stripes that continue each
// other across every seam; but their bytes step across carries (0x2F to 0x30), as pictures'
// seldom do.
TEST(Finder, LeavesTablesOfCountersSteppingAcrossCarries) {
    int reported = 0;
    for (uint32_t seed = 1; seed <= 4; ++seed) {
        std::mt19937 random(seed);
        std::vector<uint8_t> bytes = randomBytes(4096, seed);
        int number = 0x20;
        for (int run = 0; run < 1200; ++run) {
            if (random() % 24 == 0) number = int(random() % 0x40);
            bytes.insert(bytes.end(), 1 + random() % 4, uint8_t(number));
            number = (number + int(random() % 2)) % 0x40;
        }
        const std::vector<uint8_t> tail = randomBytes(4096, seed + 1);
        bytes.insert(bytes.end(), tail.begin(), tail.end());
        reported += !Finder(FinderOptions{}).scanBytes(bytes.data(), int64_t(bytes.size())).empty();
    }
    EXPECT_EQ(reported, 0) << "of 4";
}

// A program's table of records of 32 bytes: fields that are zero in every record (the high
// bytes of numbers and of addresses) between fields that are never zero (negative offsets,
// addresses of one region, flags). Their blank bytes repeat with the record's length as a
// font's blank rows repeat with a glyph's height, and the records continue each other as tiles
// do.
TEST(Finder, LeavesTablesOfRecordsWithFieldsThatAreNeverBlank) {
    int reported = 0;
    for (uint32_t seed = 1; seed <= 4; ++seed) {
        std::mt19937 random(seed);
        std::vector<uint8_t> bytes = randomBytes(4096, seed);
        uint32_t address = 0x7bac00 + random() % 0x100, offset = 0xF1F0;
        for (int record = 0; record < 500; ++record) {
            uint8_t r[32] = {};
            address += 1 + random() % 8;
            offset -= std::array{0u, 0u, 8u, 16u, 0x101u}[random() % 5];
            r[4] = uint8_t(offset);
            r[5] = uint8_t(offset >> 8);
            std::fill(r + 6, r + 12, 0xFF);
            for (int i = 0; i < 3; ++i) r[20 + i] = uint8_t(address >> (8 * i));
            r[28] = random() % 3 ? 0x0C : 0x06;
            r[29] = 1;
            bytes.insert(bytes.end(), r, r + 32);
        }
        const std::vector<uint8_t> tail = randomBytes(4096, seed + 1);
        bytes.insert(bytes.end(), tail.begin(), tail.end());
        reported += !Finder(FinderOptions{}).scanBytes(bytes.data(), int64_t(bytes.size())).empty();
    }
    EXPECT_EQ(reported, 0) << "of 4";
}

// Rows of eight planes and eight planes a tile apart read each other's tiles transposed, rows
// for planes, and explain them about as well: a plane's next row agrees with it more than the
// next plane does.
TEST(Finder, TellsEightPlanesByRowFromEightPlanesATileApart) {
    const TileLayout byRow{7, 64, -1, 8, 512, 8, 8, 0, 0, 0},
        byTile{7, 8, -1, 8, 512, 8, 64, 0, 0, 0};
    int right = 0;
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        for (const TileLayout& layout : {byRow, byTile}) {
            const std::vector<Find> finds =
                findsOfPlanted(eightPlaneRings(seed, layout, 100, 200), 1 << 16);
            right += !finds.empty() && finds[0].values.yDelta == layout.yDelta &&
                     finds[0].values.bitplanes == 8;
        }
    }
    EXPECT_GE(right, 10) << "of 12";
}

// Planes stored whole one after the other read as well one at a time; that they share their
// edges tells them apart from a picture's rows of tiles, which share theirs too.
TEST(PlaneSplit, FindsPlanesOneAfterTheOtherNotRowsOfTiles) {
    for (uint32_t seed : {1, 2, 3}) {
        std::vector<uint8_t> bytes = randomBytes(1000, seed);
        const std::vector<uint8_t> planes = smoothFourPlanes(seed, true);
        bytes.insert(bytes.end(), planes.begin(), planes.end());
        const auto split = planeSplitOf(bytes.data(), int64_t(bytes.size()));
        ASSERT_TRUE(split) << "seed " << seed;
        EXPECT_EQ(split->planes, 4) << "seed " << seed;
        EXPECT_EQ(split->distanceBytes, 2048) << "seed " << seed;
        EXPECT_LE(std::abs(split->start - 1000), 64) << "seed " << seed;

        const std::vector<uint8_t> plane(planes.begin(), planes.begin() + 2048);
        EXPECT_FALSE(planeSplitOf(plane.data(), int64_t(plane.size()))) << "seed " << seed;
        const std::vector<Find> finds = findsOfPlanted(planes, 1 << 15);
        ASSERT_FALSE(finds.empty()) << "seed " << seed;
        EXPECT_EQ(finds[0].layout, "4 planes, highest first, 2048 bytes apart") << "seed " << seed;
    }
}

// 128 x 80 pixels of upright stripes of `planes` bits of grey, each changing its level now and
// then further down, in 8 x 8 tiles of a byte a row, highest bit first: each plane whole after the
// one before, the highest bit first.
std::vector<uint8_t> stripesOneAfterTheOther(uint32_t seed, int planes) {
    std::mt19937 random(seed);
    std::vector<int> level(128 * 80);
    for (int x = 0, width = 0; x < 128; x += width) {
        width = 1 + int(random() % 6);
        int shade = int(random() % (1u << planes));
        for (int y = 0; y < 80; ++y) {
            if (random() % 32 == 0) shade = int(random() % (1u << planes));
            for (int i = x; i < std::min(128, x + width); ++i) level[size_t(128 * y + i)] = shade;
        }
    }
    std::vector<uint8_t> bytes;
    for (int p = planes - 1; p >= 0; --p) {
        for (int tile = 0; tile < 160; ++tile) {
            for (int y = 8 * (tile / 16); y < 8 * (tile / 16) + 8; ++y) {
                uint8_t b = 0;
                for (int x = 8 * (tile % 16); x < 8 * (tile % 16) + 8; ++x)
                    b = uint8_t(b << 1 | ((level[size_t(128 * y + x)] >> p) & 1));
                bytes.push_back(b);
            }
        }
    }
    return bytes;
}

// Upright stripes share their edges between every two rows of tiles as much as between their
// planes: where a picture's planes fill its run, they are told by the distance its length over
// their number gives; one plane is still read as one.
TEST(PlaneSplit, FindsPlanesThatFillTheirRun) {
    int right = 0, split = 0;
    for (uint32_t seed = 1; seed <= 8; ++seed) {
        for (int planes = 1; planes <= 4; ++planes) {
            const std::vector<Find> finds =
                findsOfPlanted(stripesOneAfterTheOther(seed, planes), 1 << 14);
            ASSERT_FALSE(finds.empty()) << "seed " << seed << ", " << planes << " planes";
            if (planes == 1) {
                split += finds[0].layout != "1 bit, highest first, 8 x 8";
            } else {
                right += finds[0].layout ==
                         std::to_string(planes) + " planes, highest first, 1280 bytes apart";
            }
        }
    }
    EXPECT_EQ(split, 0) << "of 8";
    EXPECT_GE(right, 20) << "of 24";
}

// A picture of rectangles shares its upright edges between bands of its rows of tiles, but
// less than planes do: it is read as one plane.
TEST(PlaneSplit, ReadsBandsOfOnePictureAsOnePlane) {
    int apart = 0;
    for (uint32_t seed = 1; seed <= 8; ++seed) {
        for (const auto& [count, smallest, spread] : {std::tuple{12, 32, 64}, {20, 16, 48}}) {
            const std::vector<Find> finds =
                findsOfPlanted(rectanglesLowestFirst(seed, count, smallest, spread), 1 << 14);
            apart += !finds.empty() && finds[0].layout.find("apart") != std::string::npos;
        }
    }
    EXPECT_EQ(apart, 0) << "of 16";
}

// Each tile shares its edges with the next more where that is its place's next plane than
// where it is the next place's first: so are planes a tile apart counted, and where they start.
// The lowest planes of a picture of 256 levels are noise; code, text and a picture's own
// planes are not, and a few bytes cannot tell.
TEST(PlaneSplit, TellsNoisePlanesFromOtherBytes) {
    const std::vector<uint8_t> noise = randomBytes(320, 9);
    EXPECT_TRUE(noisePlane(noise.data(), int64_t(noise.size())));
    EXPECT_FALSE(noisePlane(noise.data(), 200));
    std::vector<uint8_t> text = noise;
    for (uint8_t& b : text) b = uint8_t(0x20 + b % 0x5F);
    EXPECT_FALSE(noisePlane(text.data(), int64_t(text.size())));
    std::vector<uint8_t> sparse = noise;  // a plane of a picture: ink on a blank ground
    for (size_t i = 0; i < sparse.size(); i += 2) sparse[i] = 0;
    EXPECT_FALSE(noisePlane(sparse.data(), int64_t(sparse.size())));
}

TEST(PlaneSplit, FindsPlanesATileApartAndTheFirst) {
    for (uint32_t seed : {1, 2, 3}) {
        const std::vector<uint8_t> tiles = smoothFourPlanes(seed);
        const std::vector<uint8_t> late(tiles.begin() + 8, tiles.end());
        const auto split = tilePlanesOf(late.data(), int64_t(late.size()));
        ASSERT_TRUE(split) << "seed " << seed;
        EXPECT_EQ(split->planes, 4) << "seed " << seed;
        EXPECT_EQ(split->first, 3) << "seed " << seed;

        const std::vector<uint8_t> plane = smoothFourPlanes(seed, true);
        EXPECT_FALSE(tilePlanesOf(plane.data(), 2048)) << "seed " << seed;
    }
}

// Tiles started some rows off hold the seam between two tiles of the picture inside them.
TEST(TileSeams, NeighboursInsideTilesAgreeMostWhereThePictureStartsThem) {
    const std::vector<uint8_t> picture = ringTiles();
    const TileLayout rows16{7, 16, -1, 16, 256, 1, 1, 0, 16, 16};
    const double truth = innerAgreement(picture.data(), int64_t(picture.size()), rows16, 64);
    for (int32_t row = 1; row < 16; ++row) {
        TileLayout shifted = rows16;
        shifted.offset += 16 * row;
        EXPECT_LT(innerAgreement(picture.data(), int64_t(picture.size()), shifted, 64), truth)
            << row << " rows off";
    }
    // Blank tiles agree everywhere; a tile reaching past the end is left out, not read.
    const std::vector<uint8_t> blank(picture.size(), 0);
    EXPECT_EQ(innerAgreement(blank.data(), int64_t(blank.size()), rows16, 64), 1.0);
    TileLayout past = rows16;
    past.offset += 8 * int32_t(picture.size());
    EXPECT_EQ(innerAgreement(picture.data(), int64_t(picture.size()), past, 64), 0);
}

}  // namespace
