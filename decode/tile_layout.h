#pragma once
#include <algorithm>
#include <cstdint>
#include <string_view>

#include "decode/parameter_names.h"

struct ParameterList;

// Where the bits of every tile lie in a sample: the ten decoding values other than
// "scale". All addresses and distances count bits; bit address 0 is the lowest bit of the
// first byte, and addresses wrap around the sample.
struct TileLayout {
    int32_t offset;
    int32_t yDelta;
    int32_t xDelta;
    int32_t tileSize;
    int32_t tileDelta;
    int32_t bitplanes;
    int32_t bitplaneDelta;
    int32_t offsetBit4to7;
    int32_t offsetBit8to11;
    int32_t offsetBit12to15;

    static TileLayout read(const ParameterList& parameters);
    // Writes the ten values by name, in field order (the order a preset writes them).
    void write(ParameterList& parameters) const;

    // Extra bits for pixel column px: each group of four columns from 4 to 15 has its own.
    int64_t columnGroupOffset(int64_t px) const {
        if (px >= 4 && px <= 7) return offsetBit4to7;
        if (px >= 8 && px <= 11) return offsetBit8to11;
        if (px >= 12 && px <= 15) return offsetBit12to15;
        return 0;
    }
    // Unwrapped bit address of plane p of pixel (px, py) of tile n.
    int64_t bitAddress(int64_t n, int64_t px, int64_t py, int64_t p) const {
        return int64_t(offset) + n * tileDelta + py * yDelta + px * xDelta + p * bitplaneDelta +
               columnGroupOffset(px);
    }

    // Planes from the ninth on add nothing to an 8-bit grey level.
    int32_t greyPlanes() const { return std::clamp(bitplanes, 0, 8); }
    // Whether some column of a tile gets a column-group offset other than 0.
    bool hasColumnGroups() const {
        return (tileSize > 4 && offsetBit4to7 != 0) || (tileSize > 8 && offsetBit8to11 != 0) ||
               (tileSize > 12 && offsetBit12to15 != 0);
    }
    // +1 when the pixels of a row are consecutive bits lowest first, -1 when highest first,
    // 0 when they are not consecutive.
    int32_t consecutiveRowDirection() const {
        return (xDelta == 1 || xDelta == -1) && !hasColumnGroups() ? xDelta : 0;
    }

    bool operator==(const TileLayout&) const = default;
};

// A bit address wrapped into a sample of `bits` bits: negative addresses count back from the
// end, addresses past it start again at the beginning.
inline uint64_t wrapBitAddress(int64_t address, int64_t bits) {
    const int64_t r = address % bits;
    return uint64_t(r < 0 ? r + bits : r);
}

// Each layout value with the parameter that holds it, in field order.
inline constexpr struct {
    std::string_view name;
    int32_t TileLayout::*field;
} kLayoutFields[] = {
    {parameter::kOffset, &TileLayout::offset},
    {parameter::kYDelta, &TileLayout::yDelta},
    {parameter::kXDelta, &TileLayout::xDelta},
    {parameter::kTileSize, &TileLayout::tileSize},
    {parameter::kTileDelta, &TileLayout::tileDelta},
    {parameter::kBitplanes, &TileLayout::bitplanes},
    {parameter::kBitplaneDelta, &TileLayout::bitplaneDelta},
    {parameter::kOffsetBit4to7, &TileLayout::offsetBit4to7},
    {parameter::kOffsetBit8to11, &TileLayout::offsetBit8to11},
    {parameter::kOffsetBit12to15, &TileLayout::offsetBit12to15},
};
