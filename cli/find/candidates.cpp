#include "cli/find/candidates.h"

#include <algorithm>

#include "decode/checksum_presets.h"

namespace {

const char* order(bool highestFirst) {
    return highestFirst ? "highest first" : "lowest first";
}

// Rows of a byte per plane, eight pixels, either bit order: the planes are planeDelta bits
// apart and a row is rowDelta bits after the previous one.
TileLayout rows8(bool highestFirst, int32_t rowDelta, int32_t tileDelta, int32_t planes,
                 int32_t planeDelta) {
    return {highestFirst ? 7 : 0,
            rowDelta,
            highestFirst ? -1 : 1,
            8,
            tileDelta,
            planes,
            planeDelta,
            0,
            0,
            0};
}

std::vector<Candidate> makeCandidates() {
    std::vector<Candidate> all;
    for (bool high : {true, false}) {
        const int prior = high ? 10 : 8;
        all.push_back({std::string("1 bit, ") + order(high) + ", 8 x 8", rows8(high, 8, 64, 1, 1),
                       8, 8, 8, 1, prior});
        // Pixels 8 to 15 of a row come from the second byte: lowest bit first they follow on,
        // highest bit first the column-group offsets move them there.
        const int32_t second = high ? 16 : 0;
        all.push_back({std::string("1 bit, ") + order(high) + ", 16 x 16",
                       {high ? 7 : 0, 16, high ? -1 : 1, 16, 256, 1, 1, 0, second, second},
                       32,
                       32,
                       32,
                       2,
                       prior - 1});
    }
    // A byte a column, columns left to right or right to left, either bit at the top.
    for (int32_t xDelta : {8, -8}) {
        for (bool highTop : {true, false}) {
            const int32_t offset = (xDelta < 0 ? 56 : 0) + (highTop ? 7 : 0);
            all.push_back({std::string("1 bit, a byte a column") +
                               (xDelta < 0 ? " from the right" : "") +
                               (highTop ? ", highest bit at the top" : ", lowest bit at the top"),
                           {offset, highTop ? -1 : 1, xDelta, 8, 64, 1, 1, 0, 0, 0},
                           8,
                           8,
                           8,
                           1,
                           xDelta > 0 ? 6 : 5});
        }
    }
    for (int planes : {2, 3, 4, 8}) {
        for (bool high : {true, false}) {
            const int prior = high ? 7 : 5;
            const std::string name = std::to_string(planes) + " planes, " + order(high);
            all.push_back({name + ", interleaved by row",
                           rows8(high, 8 * planes, 64 * planes, planes, 8), 8 * planes, 8 * planes,
                           8 * planes, planes, prior});
            all.push_back({name + ", a tile apart", rows8(high, 8, 64 * planes, planes, 64),
                           8 * planes, 8 * planes, 8 * planes, 1, prior});
        }
    }
    // A byte a pixel: eight planes one bit apart, the highest bit brightest.
    all.push_back({"8 bits a pixel", {7, 64, 8, 8, 512, 8, -1, 0, 0, 0}, 64, 64, 64, 1, 6});
    for (const ChecksumPreset& preset : kChecksumPresets) {
        const TileLayout& l = preset.layout;
        // A preset's offset may reach past its first tile; the phase search covers it.
        TileLayout layout = l;
        const int64_t tileBytes = std::max<int64_t>(1, l.tileDelta / 8);
        layout.offset =
            int32_t(((int64_t(l.offset) % (8 * tileBytes)) + 8 * tileBytes) % (8 * tileBytes));
        // With one plane, the distance to the next plane reads nothing.
        auto same = [](TileLayout a, TileLayout b) {
            if (a.bitplanes == 1) a.bitplaneDelta = 0;
            if (b.bitplanes == 1) b.bitplaneDelta = 0;
            return a == b;
        };
        const bool known = std::any_of(all.begin(), all.end(),
                                       [&](const Candidate& c) { return same(c.layout, layout); });
        if (known) continue;
        const int64_t span = std::max<int64_t>(
            tileBytes, (int64_t(l.bitplanes - 1) * std::abs(l.bitplaneDelta)) / 8 + tileBytes);
        all.push_back({"preset $" +
                           [&] {
                               char hex[9];
                               std::snprintf(hex, sizeof hex, "%08x", preset.checksum);
                               return std::string(hex);
                           }() +
                           " layout",
                       layout, tileBytes, span, tileBytes,
                       std::max<int64_t>(1, std::abs(l.yDelta) / 8), 4});
    }
    return all;
}

}  // namespace

const std::vector<Candidate>& searchCandidates() {
    static const std::vector<Candidate> all = makeCandidates();
    return all;
}

Candidate planesApart(int planes, int64_t distanceBytes, bool highestFirst) {
    return {std::to_string(planes) + " planes, " + order(highestFirst) + ", " +
                std::to_string(distanceBytes) + " bytes apart",
            rows8(highestFirst, 8, 64, planes, int32_t(8 * distanceBytes)),
            8,
            8 + (planes - 1) * distanceBytes,
            8 * planes,
            1,
            6};
}
