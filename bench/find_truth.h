#pragma once
// The truth of the finder's evaluation corpus: where tile graphics lie and which values show
// them, one line a region ("kind path start end layout values..."; kind is "planted", "font"
// or "clean", the last a file without graphics and no range).
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "decode/tile_layout.h"

struct TruthRegion {
    std::string kind;
    std::string path;  // relative to the corpus
    int64_t start = 0, end = 0;
    std::string layout;  // a name without spaces
    TileLayout values{};
};

inline std::vector<uint8_t> readWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), {});
}

inline std::string truthLine(const TruthRegion& r) {
    std::ostringstream line;
    line << r.kind << ' ' << r.path << ' ' << r.start << ' ' << r.end << ' ' << r.layout;
    for (const auto& f : kLayoutFields) line << ' ' << r.values.*f.field;
    return line.str();
}

inline std::vector<TruthRegion> readTruth(const std::string& file) {
    std::vector<TruthRegion> all;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        TruthRegion r;
        fields >> r.kind >> r.path >> r.start >> r.end >> r.layout;
        for (const auto& f : kLayoutFields) fields >> r.values.*f.field;
        if (fields) all.push_back(r);
    }
    return all;
}
