#include <gtest/gtest.h>

#include <limits>
#include <numeric>

#include "decode/checksum_presets.h"
#include "decode/parameter_list.h"
#include "samples/sample_buffer.h"

namespace {

ParameterList defaults() {
    ParameterList list;
    list.resetToDefaults();
    return list;
}

std::vector<int32_t> valuesOf(const ParameterList& list) {
    std::vector<int32_t> values;
    for (const Parameter& p : list.entries) values.push_back(p.value);
    return values;
}

TEST(Parameters, ElevenNamedEntriesInDisplayOrder) {
    const ParameterList list = defaults();
    std::vector<std::string> names;
    for (const Parameter& p : list.entries) names.push_back(p.name);
    EXPECT_EQ(names,
              (std::vector<std::string>{"scale", "offset", "y_delta", "x_delta", "tile_size",
                                        "tile_delta", "bitplanes", "bitplane_delta",
                                        "offset_bit4to7", "offset_bit8to11", "offset_bit12to15"}));
    EXPECT_EQ(valuesOf(list), (std::vector<int32_t>{3, 0, 8, 1, 8, 64, 1, 1, 0, 0, 0}));
}

TEST(Parameters, ResetRestoresValuesInPlace) {
    ParameterList list = defaults();
    list[0].value = 7;
    list.set("offset", -40);
    list.set("y_delta", 64);
    list.resetToDefaults();
    EXPECT_EQ(list.size(), 11u);
    EXPECT_EQ(list[0].name, "scale");
    EXPECT_EQ(valuesOf(list), valuesOf(defaults()));
}

TEST(Parameters, SetMatchesNamesExactly) {
    ParameterList list = defaults();
    list.set("tile_delta", std::numeric_limits<int32_t>::min());
    EXPECT_EQ(list.size(), 11u);
    EXPECT_EQ(list[5].value, std::numeric_limits<int32_t>::min());
    list.set("Scale", 9);
    ASSERT_EQ(list.size(), 12u);
    EXPECT_EQ(list[11].name, "Scale");
    EXPECT_EQ(list.get("scale"), 3);
    EXPECT_EQ(list.get("no such name"), 0);
}

TEST(Presets, EachChecksumSetsItsTenValuesAndLeavesScale) {
    const struct {
        uint32_t checksum;
        std::vector<int32_t> values;  // scale first, then the ten preset values
    } rows[] = {
        {32640, {5, 0, 8, 1, 8, 64, 1, 0, 0, 0, 0}},
        {124179, {5, -1, -1, 8, 8, 64, 1, 0, 0, 0, 0}},
        {136228, {5, 63, -1, -8, 8, 64, 1, 1, 0, 0, 0}},
        {138874, {5, 120, 1, -8, 8, 64, 1, 0, 0, 0, 0}},
        {318732, {5, 0, 8, 1, 8, 128, 1, 0, 64, 128, 128}},
        {3495332, {5, 128, 8, 1, 16, 256, 3, 256, 0, 128, 128}},
        {3675755, {5, 128, 8, 1, 16, 256, 3, 256, 0, 128, 128}},
        {5663088, {5, 0, 64, 8, 8, 512, 1, 0, 0, 0, 0}},
        {58948611, {5, 7, 16, -1, 8, 128, 2, 8, 0, 0, 0}},
    };
    for (const auto& row : rows) {
        ParameterList list = defaults();
        for (Parameter& p : list.entries) p.value = 12345;
        list[0].value = 5;
        applyChecksumPreset(list, row.checksum);
        EXPECT_EQ(valuesOf(list), row.values) << row.checksum;
        EXPECT_EQ(list.size(), 11u);
    }
}

TEST(Presets, UnknownChecksumsChangeNothing) {
    for (uint32_t checksum : {0u, 32641u, 0xFFFFFFFFu, 58948610u}) {
        ParameterList list = defaults();
        list.set("offset", -77);
        applyChecksumPreset(list, checksum);
        std::vector<int32_t> expected = valuesOf(defaults());
        expected[1] = -77;
        EXPECT_EQ(valuesOf(list), expected) << checksum;
    }
}

TEST(Presets, TheByteRampOpensWithTheFirstRow) {
    std::vector<uint8_t> ramp(256);
    std::iota(ramp.begin(), ramp.end(), 0);
    const uint32_t sum = byteSum(ramp.data(), 256);
    EXPECT_EQ(sum, 32640u);
    ParameterList list = defaults();
    applyChecksumPreset(list, sum);
    std::vector<int32_t> expected = valuesOf(defaults());
    expected[7] = 0;  // bitplane_delta
    EXPECT_EQ(valuesOf(list), expected);
}

}  // namespace
