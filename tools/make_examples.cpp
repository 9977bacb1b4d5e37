// Makes the shipped example samples: one for each stored preset, whose byte sum is the
// preset's checksum so that it opens with it, and a few in layouts no preset covers.
//   make_examples [--check] GLYPH_SOURCE EXAMPLES_DIR
#include <cmath>
#include <iostream>

#include "decode/checksum_presets.h"
#include "generated_file.h"
#include "glyph_source.h"
#include "tile_encoder.h"

namespace {

GlyphRows glyphs;

bool glyphPixel(char c, int64_t x, int64_t y) {
    if (x < 0 || x > 7 || y < 0 || y > 7) return false;
    return glyphs[static_cast<unsigned char>(c)][size_t(y)] & (0x80 >> x);
}

// Character k of the text, repeated without end.
char at(const std::string& text, int64_t k) {
    return text[size_t(k) % text.size()];
}

// Text laid out in lines as wide as the default grid, so lines start at the left edge.
std::string lines(std::initializer_list<std::string> rows, size_t width) {
    std::string out;
    for (const std::string& row : rows) out += row + std::string(width - row.size() % width, ' ');
    return out;
}

struct Sample {
    std::string name;
    std::vector<uint8_t> bytes;
};

// Lays out content tiles followed by tiles of bits nobody reads, with as many of
// those as it takes to make up the checksum.
Sample presetSample(const std::string& name, uint32_t checksum, int64_t contentTiles,
                    const TileBits& bits) {
    const TileLayout& layout = *presetLayout(checksum);
    const int64_t tileBytes = layout.tileDelta / 8;
    for (int64_t paddingTiles = 0; paddingTiles < 1000000; paddingTiles += 1 + paddingTiles / 8) {
        EncodedSample sample(size_t((contentTiles + paddingTiles) * tileBytes));
        sample.encode(layout, contentTiles, bits);
        if (sample.sum() > checksum) break;
        if (sample.fillToSum(checksum)) return {name, sample.bytes};
    }
    throw std::runtime_error(name + ": cannot make up the checksum " + std::to_string(checksum));
}

std::vector<Sample> makeSamples() {
    std::vector<Sample> samples;

    // 1 bpp, 8 bytes a tile, a byte per row, lowest bit leftmost.
    const std::string plain =
        lines({"QUORVANE SAMPLE: 1 BPP, LOWEST BIT FIRST", "abc xyz 0123"}, 66);
    samples.push_back(presetSample("text-1bpp-lsb.bin", 32640, int64_t(plain.size()),
                                   [&](int64_t n, int64_t px, int64_t py, int64_t) {
                                       return glyphPixel(at(plain, n), px, py);
                                   }));

    // 1 bpp stored in columns: a byte per column, highest bit at the top.
    const std::string columns =
        lines({"COLUMN-MAJOR TILES, TOP BIT HIGHEST", "SHIFTED BY A BYTE"}, 66);
    samples.push_back(presetSample("columns-1bpp.bin", 124179, int64_t(columns.size()),
                                   [&](int64_t n, int64_t px, int64_t py, int64_t) {
                                       return glyphPixel(at(columns, n), px, py);
                                   }));

    const std::string mirrored = lines({"COLUMNS FROM THE RIGHT", "Mirrored storage"}, 66);
    samples.push_back(presetSample("columns-reversed-1bpp.bin", 136228, int64_t(mirrored.size()),
                                   [&](int64_t n, int64_t px, int64_t py, int64_t) {
                                       return glyphPixel(at(mirrored, n), px, py);
                                   }));

    const std::string lowTop = lines({"COLUMNS, LOWEST BIT AT THE TOP", "starting 8 bytes in"}, 66);
    samples.push_back(presetSample("columns-lowbit-top.bin", 138874, int64_t(lowTop.size()),
                                   [&](int64_t n, int64_t px, int64_t py, int64_t) {
                                       return glyphPixel(at(lowTop, n), px, py);
                                   }));

    // Halves of each tile 8 bytes apart: columns 4 to 7 come from the upper nibbles of
    // the second 8 bytes; the other nibbles are unused and carry the checksum.
    const std::string split = lines({"SPLIT NIBBLES: COLUMNS 4-7 STORED 8 BYTES ON"}, 66) +
                              lines({"The quick brown fox jumps over the lazy dog."}, 66) +
                              lines({"THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG!"}, 66);
    samples.push_back(presetSample("split-nibbles.bin", 318732, int64_t(split.size()),
                                   [&](int64_t n, int64_t px, int64_t py, int64_t) {
                                       return glyphPixel(at(split, n), px, py);
                                   }));

    // 16 x 16 tiles, three planes 32 bytes apart, so each plane of a tile is the first
    // plane of a later tile: a letter shows bright with its followers as faint ghosts.
    // The letters are drawn dark on light, twice the font's size, a row lower.
    auto bigLetters = [](const std::string& text) {
        return [text](int64_t n, int64_t px, int64_t py, int64_t p) {
            return !glyphPixel(at(text, n + p), px / 2, (py - 1) / 2 - (py == 0 ? 1 : 0));
        };
    };
    const std::string big1 = lines({"QUORVANE 16X16", "THREE PLANES", "32 BYTES APART"}, 34);
    samples.push_back(presetSample("big-3planes-a.bin", 3495332, 34 * 12, bigLetters(big1)));
    const std::string big2 = lines({"SECOND SAMPLE", "SAME PRESET", "OTHER SUM"}, 34);
    samples.push_back(presetSample("big-3planes-b.bin", 3675755, 34 * 12, bigLetters(big2)));

    // A byte per pixel, of which the decoding reads only the lowest bit.
    const std::string chunky = lines({"CHUNKY PIXELS: ONE BYTE EACH, LOWEST BIT SHOWN"}, 66);
    samples.push_back(presetSample("chunky-8bit.bin", 5663088, 66 * 6,
                                   [&](int64_t n, int64_t px, int64_t py, int64_t) {
                                       return glyphPixel(at(chunky, n), px, py);
                                   }));

    // Two planes a row, two bytes a row, highest bit first: light text with a dark
    // shadow on a light grey background.
    const std::string twoPlanes = lines({"TWO PLANES INTERLEAVED BY ROW, HIGHEST BIT FIRST.",
                                         "Shadowed letters: grey 0, 64, 128 and 192."},
                                        66);
    samples.push_back(presetSample("text-2bpp-rows.bin", 58948611, 66 * 28 * 8,
                                   [&](int64_t n, int64_t px, int64_t py, int64_t p) {
                                       const char c = at(twoPlanes, n);
                                       const bool letter = glyphPixel(c, px, py);
                                       const bool shadow = glyphPixel(c, px - 1, py - 1);
                                       return p == 0 ? !shadow || letter : !letter;
                                   }));

    // Layouts that no preset covers.
    {
        // The font itself, rows stored highest bit first: x_delta -1, offset 7.
        const TileLayout msbFirst{7, 8, -1, 8, 64, 1, 1, 0, 0, 0};
        EncodedSample font(95 * 8);
        font.encode(msbFirst, 95, [](int64_t n, int64_t px, int64_t py, int64_t) {
            return glyphPixel(char(0x20 + n), px, py);
        });
        samples.push_back({"font-1bpp-msb.bin", font.bytes});
    }
    {
        // A full screen of 66 x 28 tiles with 16 grey levels: four planes, each 8 bytes
        // of a 32-byte tile, rows highest bit first.
        const TileLayout fourPlanes{7, 8, -1, 8, 256, 4, 64, 0, 0, 0};
        EncodedSample picture(66 * 28 * 32);
        const std::string word = "QUORVANE";
        picture.encode(fourPlanes, 66 * 28, [&](int64_t n, int64_t px, int64_t py, int64_t p) {
            const int64_t x = (n % 66) * 8 + px, y = (n / 66) * 8 + py;  // 528 x 224
            const double dx = (x - 264) / 264.0, dy = (y - 112) / 112.0;
            int level = int(15.0 * (1.0 - std::min(1.0, std::sqrt(dx * dx + dy * dy))));
            const int64_t gx = (x - 8) / 8, gy = (y - 80) / 8;  // big letters, 8x the font
            const int64_t letter = gx / 8;
            if (x >= 8 && y >= 80 && gy < 8 && letter < int64_t(word.size()) &&
                glyphPixel(word[size_t(letter)], gx % 8, gy)) {
                level = level >= 8 ? 1 : 15;  // stands out from light and dark alike
            }
            return ((level >> (3 - p)) & 1) != 0;
        });
        samples.push_back({"picture-4planes.bin", picture.bytes});
    }
    return samples;
}

}  // namespace

int main(int argc, char** argv) {
    return runGenerator(
        argc, argv, "make_examples",
        [](const std::string& glyphSource, const std::string& dir, bool check) {
            glyphs = readGlyphSource(glyphSource);
            bool ok = true;
            for (const Sample& sample : makeSamples()) {
                ok = emitGeneratedFile(dir + "/" + sample.name, sample.bytes, check) && ok;
            }
            return ok;
        });
}
