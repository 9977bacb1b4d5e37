// Draws the glyph source into font2.bmp: a 24-bit BMP of 128 x 128 pixels holding
// 16 x 16 cells of 8 x 8 in character-code order, white glyphs on black.
//   make_font [--check] GLYPH_SOURCE FONT_BMP
#include "generated_file.h"
#include "glyph_source.h"

namespace {

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
void put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

std::vector<uint8_t> fontBitmap(const GlyphRows& glyphs) {
    constexpr int kSide = 128;
    constexpr uint32_t kRowBytes = kSide * 3;  // already a multiple of 4
    constexpr uint32_t kPixelBytes = kRowBytes * kSide;
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    put32(out, 54 + kPixelBytes);
    put32(out, 0);
    put32(out, 54);
    put32(out, 40);  // BITMAPINFOHEADER
    put32(out, kSide);
    put32(out, kSide);  // positive: rows stored bottom-up
    put16(out, 1);
    put16(out, 24);
    put32(out, 0);  // no compression
    put32(out, kPixelBytes);
    put32(out, 2835);
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    for (int y = kSide - 1; y >= 0; --y) {
        for (int x = 0; x < kSide; ++x) {
            const int code = (y / 8) * 16 + x / 8;
            const bool lit = glyphs[size_t(code)][size_t(y % 8)] & (0x80 >> (x % 8));
            for (int c = 0; c < 3; ++c) out.push_back(lit ? 255 : 0);
        }
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    return runGenerator(argc, argv, "make_font",
                        [](const std::string& glyphs, const std::string& output, bool check) {
                            return emitGeneratedFile(output, fontBitmap(readGlyphSource(glyphs)),
                                                     check);
                        });
}
