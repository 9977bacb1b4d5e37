#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "display/bitmap_font.h"
#include "support/font_fixture.h"
#include "support/log_capture.h"
#include "support/picture.h"
#include "support/scratch.h"

namespace {

// Every source pixel says which glyph, row and column it belongs to:
// blue = glyph number, green = 16 * row + column + 1, red = 200.
SyntheticFont labelledFont() {
    return SyntheticFont(128, 128, [](int x, int y, uint8_t* bgr) {
        bgr[0] = uint8_t((y / 8) * 16 + x / 8);
        bgr[1] = uint8_t(16 * (y % 8) + (x % 8) + 1);
        bgr[2] = 200;
    });
}

// Which (glyph, row, column) landed at a buffer pixel, or -1 for untouched black.
int labelAt(const PixelBuffer& b, int32_t x, int32_t y) {
    const Rgb c = pixel(b, x, y);
    if (c == Rgb{0, 0, 0}) return -1;
    return c.b * 1000 + (c.g - 1);
}
int label(int glyph, int row, int column) {
    return glyph * 1000 + 16 * row + column;
}

int64_t touched(const PixelBuffer& b) {
    return 1800 * 1000 - countColor(b, {0, 0, 0}, 0, 0, -1, -1).outside;
}

TEST(Glyphs, ClipPerPixelAtEveryEdge) {
    SyntheticFont f = labelledFont();
    auto d = makeDisplay();
    f.font.drawGlyph(*d, -3, 10, 'A');
    EXPECT_EQ(labelAt(d->pixelBuffer, 0, 10), label('A', 0, 3));
    EXPECT_EQ(labelAt(d->pixelBuffer, 4, 17), label('A', 7, 7));
    EXPECT_EQ(touched(d->pixelBuffer), 5 * 8);

    d = makeDisplay();
    f.font.drawGlyph(*d, 1797, 10, 'B');
    EXPECT_EQ(labelAt(d->pixelBuffer, 1797, 10), label('B', 0, 0));
    EXPECT_EQ(labelAt(d->pixelBuffer, 1799, 10), label('B', 0, 2));
    EXPECT_EQ(touched(d->pixelBuffer), 3 * 8);

    d = makeDisplay();
    f.font.drawGlyph(*d, 20, 996, 'C');
    EXPECT_EQ(labelAt(d->pixelBuffer, 20, 999), label('C', 3, 0));
    EXPECT_EQ(touched(d->pixelBuffer), 8 * 4);

    d = makeDisplay();
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    for (int32_t y : {-8, 1000, kMin, kMax}) f.font.drawGlyph(*d, 20, y, 'D');
    for (int32_t x : {-8, 1800, kMin, kMax}) f.font.drawGlyph(*d, x, 20, 'D');
    f.font.drawText(*d, kMax - 3, 20, "long enough to pass the end of the range");
    EXPECT_EQ(touched(d->pixelBuffer), 0);
}

TEST(Glyphs, CodesSelectCellsByTheirLowEightBits) {
    SyntheticFont f = labelledFont();
    auto d = makeDisplay();
    f.font.drawText(*d, 0, 0, "\xE9");
    EXPECT_EQ(labelAt(d->pixelBuffer, 0, 0), label(233, 0, 0));
    f.font.drawGlyph(*d, 100, 0, 256);
    EXPECT_EQ(labelAt(d->pixelBuffer, 107, 7), label(0, 7, 7));
    f.font.drawGlyph(*d, 200, 0, -1);
    EXPECT_EQ(labelAt(d->pixelBuffer, 200, 0), label(255, 0, 0));
}

TEST(Glyphs, A225CharacterLineEndsAtTheRightEdge) {
    SyntheticFont f = labelledFont();
    auto d = makeDisplay();
    std::string line(225, 'x');
    line += 'Y';
    f.font.drawText(*d, 0, 0, line);
    EXPECT_EQ(labelAt(d->pixelBuffer, 1799, 0), label('x', 0, 7));
    EXPECT_EQ(touched(d->pixelBuffer), 1800 * 8);
    EXPECT_EQ(countColor(d->pixelBuffer, {200, 'Y', 1}, 0, 0, -1, -1).outside, 0);
    d = makeDisplay();
    f.font.drawText(*d, 0, 0, "");
    EXPECT_EQ(touched(d->pixelBuffer), 0);
}

TEST(Glyphs, ColourMultipliesAndTruncates) {
    SyntheticFont white(8, 2048,
                        [](int, int y, uint8_t* bgr) { std::memset(bgr, y < 1024 ? 255 : 1, 3); });
    auto d = makeDisplay();
    white.font.color = {0.5f, 0.5f, 1.0f};
    white.font.drawGlyph(*d, 0, 0, 0);    // rows of 255
    white.font.drawGlyph(*d, 8, 0, 128);  // rows of 1
    EXPECT_EQ(pixel(d->pixelBuffer, 0, 0), (Rgb{127, 127, 255}));
    EXPECT_EQ(pixel(d->pixelBuffer, 8, 0), (Rgb{0, 0, 1}));
}

// Text is copied from glyphs converted once per colour; it must show what drawing each glyph
// by itself shows, through every change of colour and at the picture's edges.
TEST(Glyphs, TextDrawsWhatItsGlyphsDrawThroughColourChanges) {
    SyntheticFont f(128, 128, [](int x, int y, uint8_t* bgr) {
        bgr[0] = uint8_t(x * 3 + y);
        bgr[1] = uint8_t(y * 5);
        bgr[2] = uint8_t(255 - x);
    });
    const TextColor colours[] = {{1, 1, 1}, {0.5f, 0.5f, 1}, {1, 1, 1}, {0.3f, 0.9f, 0.6f}};
    const std::string text = "Az\x01\xFF~";
    auto byText = makeDisplay();
    auto byGlyph = makeDisplay();
    const int32_t rows[] = {-4, 327, 658, 995};  // clipped at the top and at the bottom
    for (size_t c = 0; c < std::size(colours); ++c) {
        f.font.color = colours[c];
        const int32_t y = rows[c];
        for (int32_t x : {-13, 300, 1780}) {
            f.font.drawText(*byText, x, y, text);
            for (size_t i = 0; i < text.size(); ++i) {
                f.font.drawGlyph(*byGlyph, x + 8 * int32_t(i), y,
                                 static_cast<unsigned char>(text[i]));
            }
        }
    }
    EXPECT_EQ(std::memcmp(byText->pixelBuffer.data, byGlyph->pixelBuffer.data, PixelBuffer::kBytes),
              0);
}

// A font of four cells: text in it reads only those, as glyph by glyph does (the sanitizer
// build would catch a read of the 252 cells it lacks).
TEST(Glyphs, TextInAFontOfFewCellsReadsOnlyThem) {
    SyntheticFont small(16, 16, [](int x, int y, uint8_t* bgr) { std::memset(bgr, x * 9 + y, 3); });
    auto byText = makeDisplay();
    auto byGlyph = makeDisplay();
    small.font.drawText(*byText, 10, 10, std::string("\0\1\2\3", 4));
    for (int code = 0; code < 4; ++code) small.font.drawGlyph(*byGlyph, 10 + 8 * code, 10, code);
    EXPECT_EQ(std::memcmp(byText->pixelBuffer.data, byGlyph->pixelBuffer.data, PixelBuffer::kBytes),
              0);
}

TEST(Glyphs, ColourKeySkipsOnlyExactMatchesWhenEnabled) {
    SyntheticFont keyed(128, 128, [](int x, int, uint8_t* bgr) {
        bgr[0] = x % 2 ? 254 : 255;  // blue byte first: (255, 0, 255) and (255, 0, 254)
        bgr[1] = 0;
        bgr[2] = 255;
    });
    auto d = makeDisplay();
    FillColor{9, 9, 9}.fillRect(d->pixelBuffer, 0, 0, 100, 100);
    keyed.font.drawGlyph(*d, 0, 0, 'k');
    EXPECT_EQ(pixel(d->pixelBuffer, 0, 0), (Rgb{255, 0, 255}));
    keyed.font.colorKeyEnabled = 1;
    keyed.font.drawGlyph(*d, 20, 0, 'k');
    EXPECT_EQ(pixel(d->pixelBuffer, 20, 0), (Rgb{9, 9, 9}));
    EXPECT_EQ(pixel(d->pixelBuffer, 21, 0), (Rgb{255, 0, 254}));
}

TEST(FormatText, FormatsAndTruncatesToTheLineBuffer) {
    LineBuffer buffer;
    std::memset(buffer, 'Z', sizeof buffer);
    EXPECT_EQ(formatText(buffer, "frame: %d", 12), 9);
    EXPECT_STREQ(buffer, "frame: 12");
    const std::string longText(400, 'w');
    EXPECT_EQ(formatText(buffer, "> %s %s_", "offset", longText.c_str()), 255);
    EXPECT_EQ(buffer[255], '\0');
    EXPECT_EQ(std::string(buffer).substr(0, 9), "> offset ");
}

TEST(FontLayout, RefusesBitmapsThatDoNotHoldTheGlyphs) {
    auto problem = [](int w, int h, uint32_t format) {
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 0, format);
        const char* p = fontLayoutProblem(s);
        SDL_FreeSurface(s);
        return std::string(p ? p : "");
    };
    EXPECT_EQ(problem(128, 128, SDL_PIXELFORMAT_BGR24), "");
    EXPECT_EQ(problem(8, 2048, SDL_PIXELFORMAT_BGR24), "");
    EXPECT_EQ(problem(24, 688, SDL_PIXELFORMAT_BGR24), "");  // 3 cells a row, 86 rows
    EXPECT_NE(problem(24, 680, SDL_PIXELFORMAT_BGR24).find("fewer than 256"), std::string::npos);
    EXPECT_NE(problem(128, 120, SDL_PIXELFORMAT_BGR24).find("fewer than 256"), std::string::npos);
    EXPECT_NE(problem(7, 4096, SDL_PIXELFORMAT_BGR24).find("narrower"), std::string::npos);
    EXPECT_NE(problem(128, 128, SDL_PIXELFORMAT_ARGB8888).find("24 bits"), std::string::npos);
    EXPECT_NE(problem(128, 128, SDL_PIXELFORMAT_INDEX8).find("24 bits"), std::string::npos);
    EXPECT_NE(fontLayoutProblem(nullptr), nullptr);
}

TEST(FontLayout, LoadingLogsTheFileAndTheReason) {
    ScratchDirectory scratch;
    BitmapFont font;
    {
        LogCapture log;
        EXPECT_FALSE(loadFont(font, "font2.bmp"));
        EXPECT_TRUE(log.mentions("Unable to open surface: font2.bmp")) << log.text;
    }
    SDL_Surface* small = SDL_CreateRGBSurfaceWithFormat(0, 64, 64, 24, SDL_PIXELFORMAT_BGR24);
    SDL_SaveBMP(small, "font2.bmp");
    SDL_FreeSurface(small);
    {
        LogCapture log;
        EXPECT_FALSE(loadFont(font, "font2.bmp"));
        EXPECT_TRUE(log.mentions("font2.bmp")) << log.text;
        EXPECT_TRUE(log.mentions("fewer than 256 glyph cells")) << log.text;
        EXPECT_EQ(font.surface, nullptr);
    }
    const std::string shipped = std::string(QUORVANE_SOURCE_DIR) + "/font2.bmp";
    ASSERT_TRUE(loadFont(font, shipped.c_str()));
    EXPECT_EQ(font.glyphsPerRow, 16);
}

// Neither may stall start-up: a FIFO would block an open by path, and SDL would ask for
// gigabytes for the picture the 25-byte header claims before finding the file too short.
TEST(FontLayout, RefusesAFifoAndAHugeHeaderBeforeReadingThem) {
    ScratchDirectory scratch;
    BitmapFont font;
    ASSERT_EQ(mkfifo("font2.bmp", 0644), 0);
    {
        LogCapture log;
        EXPECT_FALSE(loadFont(font, "font2.bmp"));
        EXPECT_TRUE(log.mentions("Unable to open surface: font2.bmp")) << log.text;
        EXPECT_TRUE(log.mentions("not a regular file")) << log.text;
    }
    const std::string huge =
        std::string(QUORVANE_SOURCE_DIR) + "/tests/fuzz/corpus/font_bmp/font-huge-header.bmp";
    LogCapture log;
    EXPECT_FALSE(loadFont(font, huge.c_str()));
    EXPECT_TRUE(log.mentions("larger than 4096 x 4096 pixels")) << log.text;
    EXPECT_EQ(font.surface, nullptr);
}

}  // namespace
