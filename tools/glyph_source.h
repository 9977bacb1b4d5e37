#pragma once
#include <array>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

// The 256 glyphs of the font as rows of bits, bit 7 the leftmost pixel.
using GlyphRows = std::array<std::array<uint8_t, 8>, 256>;

// Reads the readable glyph source: "glyph HEX name" followed by eight rows of
// '#' and '.'; blank lines and lines starting with '#' outside a block are comments.
inline GlyphRows readGlyphSource(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path);
    GlyphRows glyphs{};
    std::string line;
    int lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (line.rfind("glyph ", 0) != 0) continue;
        std::istringstream header(line.substr(6));
        unsigned code = 256;
        header >> std::hex >> code;
        if (code > 255)
            throw std::runtime_error(path + ": bad code on line " + std::to_string(lineNumber));
        for (int row = 0; row < 8; ++row) {
            if (!std::getline(in, line) || line.size() != 8) {
                throw std::runtime_error(path + ": glyph " + std::to_string(code) +
                                         " needs eight rows of eight cells");
            }
            ++lineNumber;
            uint8_t bits = 0;
            for (int column = 0; column < 8; ++column) {
                if (line[size_t(column)] == '#') bits = uint8_t(bits | (0x80 >> column));
            }
            glyphs[code][size_t(row)] = bits;
        }
    }
    return glyphs;
}
