#pragma once
#include <cstdint>
#include <optional>

// Planes of one bit a pixel stored one after the other, each a whole picture of byte rows: how
// many and how far apart.
struct PlaneSplit {
    int planes;
    int64_t distanceBytes;
    int64_t start;     // where the first plane starts, within a block of 64 bytes
    bool cut;          // the last plane reaches the run's end: more may follow
    double threshold;  // what a block must share with the next plane's to count
};

// The planes a run of bytes holds one after the other, where it holds some. The planes of one
// picture have their edges in the same places, so the bytes a plane apart share their edges
// far more than the bytes a little nearer or further. A picture's rows of tiles share theirs
// too, the more the nearer they are: a distance counts only where it shares clearly more
// edges than any up to half as near or as far again, and only as many planes as share them,
// at most 8.
std::optional<PlaneSplit> planeSplitOf(const uint8_t* bytes, int64_t length);

// The planes that fill a run of bytes whose tiles start at bytes[0], where they share their
// edges less than its rows of tiles do: of the numbers of planes whose distance, the length
// over their number, shares clearly more edges than those near it, the one that shares the
// most, or more planes that split each of its own evenly (planes two apart share theirs too).
std::optional<PlaneSplit> planeSplitFilling(const uint8_t* bytes, int64_t length);

// The planes of `split`, found in other bytes, counted in these: the bytes that follow a run
// its planes reach to the end of.
std::optional<PlaneSplit> planeSplitAt(const uint8_t* bytes, int64_t length,
                                       const PlaneSplit& split);

// Planes of one bit a pixel in 8 x 8 tiles of a byte a row, each tile the next plane of the
// one before: how many, and which tile from the first holds a first plane.
struct TilePlanes {
    int planes;
    int64_t first;
};

// The planes that tiles starting at bytes[0] hold a tile apart, where they hold some: a
// tile shares its edges with the next more where that is the same place's next plane than
// where it is the next place's first plane.
std::optional<TilePlanes> tilePlanesOf(const uint8_t* bytes, int64_t length);

// Whether a plane's bytes are noise, as the lowest planes of a picture of many levels are:
// their values spread nearly evenly over all 256, half their bits set. They share no edges
// with the planes above, and look cold to the first pass. Code and tables do not spread so.
constexpr int64_t kNoisePlaneBytes = 256;  // fewer bytes cannot spread so
bool noisePlane(const uint8_t* bytes, int64_t length);
