#pragma once
#include <cstdint>
#include <string_view>

// The names of the decoding parameters as the overlay shows them. Code reads and writes
// parameters through these constants, so a misspelt name fails to compile instead of
// silently decoding with 0.
namespace parameter {
inline constexpr std::string_view kScale = "scale";
inline constexpr std::string_view kOffset = "offset";
inline constexpr std::string_view kYDelta = "y_delta";
inline constexpr std::string_view kXDelta = "x_delta";
inline constexpr std::string_view kTileSize = "tile_size";
inline constexpr std::string_view kTileDelta = "tile_delta";
inline constexpr std::string_view kBitplanes = "bitplanes";
inline constexpr std::string_view kBitplaneDelta = "bitplane_delta";
inline constexpr std::string_view kOffsetBit4to7 = "offset_bit4to7";
inline constexpr std::string_view kOffsetBit8to11 = "offset_bit8to11";
inline constexpr std::string_view kOffsetBit12to15 = "offset_bit12to15";
}  // namespace parameter

struct ParameterDefault {
    std::string_view name;
    int32_t value;
    std::string_view meaning;
};

// The eleven parameters in display order, with their defaults.
inline constexpr ParameterDefault kParameterDefaults[] = {
    {parameter::kScale, 3, "size of a drawn pixel in screen pixels (below 1 counts as 1)"},
    {parameter::kOffset, 0, "bit address of the first tile"},
    {parameter::kYDelta, 8, "bits from one pixel row of a tile to the next"},
    {parameter::kXDelta, 1, "bits from one pixel to the next in a row"},
    {parameter::kTileSize, 8, "width and height of a tile in pixels"},
    {parameter::kTileDelta, 64, "bits from one tile to the next"},
    {parameter::kBitplanes, 1, "planes per pixel; the first plane is the brightest bit"},
    {parameter::kBitplaneDelta, 1, "bits from one plane to the next"},
    {parameter::kOffsetBit4to7, 0, "extra bits for pixel columns 4 to 7 of a tile"},
    {parameter::kOffsetBit8to11, 0, "extra bits for pixel columns 8 to 11"},
    {parameter::kOffsetBit12to15, 0, "extra bits for pixel columns 12 to 15"},
};
