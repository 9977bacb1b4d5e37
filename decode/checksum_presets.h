#pragma once
#include <cstdint>

#include "decode/parameter_list.h"
#include "decode/tile_layout.h"

// Stored layout of one known sample; a preset sets every value but "scale".
struct ChecksumPreset {
    uint32_t checksum;
    TileLayout layout;
};

inline constexpr ChecksumPreset kChecksumPresets[] = {
    {32640, {0, 8, 1, 8, 64, 1, 0, 0, 0, 0}},
    {124179, {-1, -1, 8, 8, 64, 1, 0, 0, 0, 0}},
    {136228, {63, -1, -8, 8, 64, 1, 1, 0, 0, 0}},
    {138874, {120, 1, -8, 8, 64, 1, 0, 0, 0, 0}},
    {318732, {0, 8, 1, 8, 128, 1, 0, 64, 128, 128}},
    {3495332, {128, 8, 1, 16, 256, 3, 256, 0, 128, 128}},
    {3675755, {128, 8, 1, 16, 256, 3, 256, 0, 128, 128}},
    {5663088, {0, 64, 8, 8, 512, 1, 0, 0, 0, 0}},
    {58948611, {7, 16, -1, 8, 128, 2, 8, 0, 0, 0}},
};

// The stored layout of a known checksum, or nullptr.
const TileLayout* presetLayout(uint32_t checksum);

// Writes the stored values of a known checksum; any other checksum changes nothing.
void applyChecksumPreset(ParameterList& parameters, uint32_t checksum);
