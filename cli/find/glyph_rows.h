#pragma once
#include <cstdint>
#include <optional>
#include <vector>

// Fonts stored a byte a row repeat their blank rows with the height of a glyph: rows above and
// below each letter are empty. Where a run shows that period, the blank rows tell where each
// glyph starts.
struct GlyphRows {
    int64_t height;  // bytes from one glyph to the next
    int64_t start;   // where a glyph starts, counted from the first byte of the run, below height
    std::vector<double> blankRows;  // the share of glyphs blank at each row, from the top
    double blankBytes;              // the share of blank bytes in the run
    bool dotted = false;            // every other row blank: braille
    // Fields blank in nearly every glyph between fields blank in nearly none: not glyphs but
    // records.
    bool records = false;

    // How much more the blank rows of the `height` bytes of a glyph look like the font's
    // glyphs' than like the run's bytes taken at random (in nats; below 0, less).
    double evidence(const uint8_t* glyph) const;

    // The glyph rows of bytes[0..length), if they show clearly.
    static std::optional<GlyphRows> of(const uint8_t* bytes, int64_t length);

    // Whether the `height` bytes from glyph[0] are a blank glyph right after a byte that is
    // not blank (glyph[-1]): most character sets begin with one (NUL) right after whatever
    // precedes the font, a header or code.
    static bool opensFont(const uint8_t* glyph, int64_t height);

    // How well bytes with ink continue the ink of the byte `lag` before, beyond chance, where
    // that byte is the row above (or the column before): strokes run down a glyph or across
    // a picture (near 1), while the bytes of a record have little to do with each other (near
    // 0), whatever zero bytes repeat with its length. Only every `step`-th byte is followed:
    // one plane of rows of planes a byte each.
    static double strokes(const uint8_t* bytes, int64_t length, int64_t lag = 1, int64_t step = 1);
};
