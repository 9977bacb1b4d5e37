#pragma once
#include <cstdint>
#include <vector>

#include "decode/tile_layout.h"

// How often neighbouring pixels inside tiles are equal, over up to `tiles` tiles of the
// layout read from bytes[0..length) (tiles that would reach outside are left out).
//
// Where tiles start decides which pairs of pixels count as inside a tile: at the true start
// every such pair is a pair of neighbours in the picture, while a start a few rows (or
// columns) off puts the seam between two tiles, whose pixels are unrelated, inside each one.
// The tile model barely tells these starts apart, as it learns from any neighbours alike.
// Tiles must be 2 to 16 pixels wide.
double innerAgreement(const uint8_t* bytes, int64_t length, const TileLayout& layout,
                      int64_t tiles);

// innerAgreement at `count` starts rowBytes apart, the first the layout's own, in one pass over
// the rows: for layouts whose tiles are rows one after the other (a row rowBytes on from the
// one before, a tile as many rows on as it is tall) or columns so, and empty for others, or
// where a tile would reach outside.
std::vector<double> innerAgreements(const uint8_t* bytes, int64_t length, const TileLayout& layout,
                                    int64_t tiles, int64_t rowBytes, int64_t count);

// How well tiles continue each other from one to the next, as a share of how well pixels
// continue each other inside them, both beyond what any two pixels of the run share: near 1
// where tiles are laid as the picture they were cut from (or meet at blank margins), near 0
// where each tile's last column has nothing to do with the next one's first. `inside`, where
// given, is set to how much more often pixels inside tiles are equal than any two of the run.
double seamCoherence(const uint8_t* bytes, int64_t length, const TileLayout& layout, int64_t tiles,
                     double* inside = nullptr);

// How well tiles of one bit a pixel continue the tiles below them, for tiles stored row after
// row of a picture from its top: each tile's bottom row against the top row of the tile a
// picture's width on, as a correlation, at the width (of 2 tiles or more) where it is
// greatest; and the same for the tiles turned upside down (each tile's top row against the
// bottom row of the tile below). A picture's tiles continue the tiles below them only the
// right way up, which their seams side by side do not show.
struct DownSeams {
    double upright, upsideDown;
};
DownSeams downSeams(const uint8_t* bytes, int64_t length, const TileLayout& layout, int64_t tiles);
