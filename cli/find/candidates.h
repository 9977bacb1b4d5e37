#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "decode/tile_layout.h"

// A tile layout the finder tries, at every byte at which its tiles could start. Its
// offset is the bit at which tile 0 starts within its first byte (7 for rows stored highest
// bit first), so a find's offset is 8 x phase plus that.
struct Candidate {
    std::string name;      // "1 bit, highest first, 8 x 8"
    TileLayout layout;     // relative to a tile that starts at byte 0
    int64_t tileBytes;     // bytes from one tile to the next: the phases to try
    int64_t spanBytes;     // from a tile's first byte to its last, its planes included
    int64_t coveredBytes;  // bytes holding a tile's bits: its span without the other tiles
    int64_t rowBytes;      // phases that can matter before whole tiles do: the bytes of a row
    int prior;             // how common the layout is, to order finds the data cannot tell apart
};

// Every layout of the search: one bit a pixel in rows of 8 and 16 and in columns, planes
// interleaved by row and by tile, a byte a pixel, and the stored presets' layouts.
const std::vector<Candidate>& searchCandidates();

// Planes of one bit each at a fixed distance, which the search finds for each region.
Candidate planesApart(int planes, int64_t distanceBytes, bool highestFirst);
