#pragma once
#include <cstdint>
#include <vector>

#include "decode/tile_layout.h"

// How well a layout explains a run of bytes, in bits saved per bit of the bytes its tiles
// cover: the tiles are decoded and each bit read is coded twice with adaptive counts, once
// knowing only its place in its byte (what any data of the same bit densities gives, whatever
// the layout) and once knowing that and its pixel's neighbours to the left and above and the
// plane above it (what coherent pictures give).
// Bits a layout leaves unread save nothing, so reading too few planes does not pay; but bits
// it leaves unread that are the same in every tile (but those at the ends, which may reach into
// other data) are left out of the count, as a format's blank bits (a picture kept a bit a byte)
// need no explaining.
// Tiles are laid side by side, so a tile's left column is predicted from the right column of
// the one before it: tiles cut from one picture in the right orientation continue each other.
// Random data, text and code save about nothing; blank runs have nothing to save.
//
// Scores up to `tiles` tiles of the layout read from bytes[0..length), stopping at the first
// that would reach outside; coveredBytes is what one tile's bits lie in. Tiles must be 1 to
// 16 pixels wide.
//
// Where there are planes, whole grey levels are also predicted from their neighbours (unless
// `greyLevels` is false), and the better of the two models counts: a smooth picture's lower
// planes look like noise bit by bit.
//
// `blank`, where given, is as long as the bytes and sets a format's blank bits (see
// formatBlanks): a layout that reads them saves nothing on them, though they count as
// covered, so that one that leaves them unread is judged on the rest of the bits alone.
double scoreLayout(const uint8_t* bytes, int64_t length, const TileLayout& layout, int64_t tiles,
                   int64_t coveredBytes, bool greyLevels = true, const uint8_t* blank = nullptr);

// Of the bits of the bytes a tile covers that the layout leaves unread, how many are the same
// in every one of the middle half of up to `tiles` tiles: bits a layout's format leaves blank,
// which need no explaining. The tiles at the ends may reach into what precedes and follows.
int64_t blankUnreadBits(const uint8_t* bytes, int64_t length, const TileLayout& layout,
                        int64_t tiles, int64_t coveredBytes);

// What each of up to `tiles` tiles saves, in bits, coded with the neighbour counts of them
// all against what its own share of ones costs: near 0 or below for tiles of other data
// (code, text, noise) that a run of graphics reaches into.
std::vector<float> savedByTile(const uint8_t* bytes, int64_t length, const TileLayout& layout,
                               int64_t tiles);
