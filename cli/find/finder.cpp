#include "cli/find/finder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <mutex>
#include <optional>
#include <tuple>

#include "cli/find/beyond_chance.h"
#include "cli/find/bit_agreement.h"
#include "cli/find/blank_margin.h"
#include "cli/find/block_signal.h"
#include "cli/find/candidates.h"
#include "cli/find/column_wrap.h"
#include "cli/find/counting_bytes.h"
#include "cli/find/format_blanks.h"
#include "cli/find/glyph_rows.h"
#include "cli/find/plane_distance.h"
#include "cli/find/stride_cuts.h"
#include "cli/find/text_bytes.h"
#include "cli/find/tile_model.h"
#include "cli/find/tile_seams.h"
#include "cli/find/work_pool.h"
#include "samples/regular_file.h"

namespace {

using ReadAt = std::function<int64_t(int64_t offset, uint8_t* out, int64_t count)>;

constexpr int64_t kBlock = BlockSignal::kBlockBytes;
constexpr int64_t kChunkBytes = int64_t(4) << 20;  // one thread's share of a pass
constexpr float kHot = 0.35f;                      // a block that looks like graphics
constexpr int kMaxGap = 8;                         // cold blocks a run may bridge
constexpr int64_t kMinHotBlocks = 3;
constexpr int kSmoothing = 4;  // blocks a signal is averaged over: a run opens with them
// Gaps between runs that read alike and are joined: bytes, or tiles where those are more (a
// stretch of a picture that looks cold spans as many tiles whatever bytes a tile takes).
constexpr int64_t kJoinBytes = 1024;
constexpr int64_t kJoinTiles = 64;
constexpr int64_t kSampleBytes = 48 << 10;  // what the layouts are tried on, at most
// Layouts are compared on the same bytes: each reads as many tiles as cover this many.
constexpr int64_t kCoarseBytes = 512;
constexpr int64_t kPhaseBytes = 512;
constexpr int64_t kFineBytes = 6144;
constexpr int64_t kBlankTrialBytes = 2048;  // readings weighed without a format's blank bits
constexpr int64_t kWrapBytes = 8192;        // where rows of tiles of columns are looked for
constexpr size_t kFinalists = 4;
// Finalists with planes tried at every phase, and the most bytes their tiles may hold.
constexpr size_t kEveryPhaseFinalists = 2;
constexpr int64_t kEveryPhaseBytes = 32;
constexpr int64_t kSeamBits = 16384;  // bits read for each start the seams are compared at
// Where tiles continue each other across their seams less than this share of how they do
// inside (or lines of a plane continue the line before less than this, beyond chance), the
// confidence falls in proportion.
constexpr double kSeamTrust = 0.4;
// How much more often than any two pixels of a run neighbours inside a picture's tiles of many
// levels (of kManyLevelPlanes planes or more) are equal, at least.
constexpr double kCoherentInside = 0.05;
constexpr int kManyLevelPlanes = 5;
// Readings within this much of the best one's score (bits per bit) whose seams are better by
// this much (as a share, as kSeamTrust) replace it.
constexpr double kMirrorGap = 0.03;
constexpr double kMirrorSeams = 0.4;
// Or by this much, where the mirror also explains the run better: only the layouts' priors put
// the best one first.
constexpr double kBetterSeams = 0.3;
// How much a byte's rows must explain the first bytes tried for their transpose, a byte a
// column, to be tried too (bits a bit).
constexpr double kTransposedScore = 0.2;
// Or by this much, where the mirror's tiles also continue the tiles below them clearly better
// (by kBelowSeams, as a correlation): a transposed picture's tiles meet their neighbours at
// rows that were columns, and rarely continue them either way.
constexpr double kSideSeams = 0.1;
constexpr double kBelowSeams = 0.05;
// How much better a byte-a-column reading's tiles must continue the tiles below them upside
// down (as a correlation) for the other bit to be taken as the top.
constexpr double kUpsideDown = 0.05;
// The seams another reading than a mirror must reach to replace a best one that is not a
// picture: tables read coherently within tiles continue each other across seams a little.
constexpr double kCoherentSeams = 0.8;
constexpr double kPlacingSlack = 0.2;  // how much placing its tiles may add to a reading's seams
// Seams of a best reading so poor that it keeps a quarter of its confidence at most.
constexpr double kLostSeams = 0.1;
// How much less than such a best reading another that is not its mirror may explain and
// still replace it: bigger tiles explain a blocky picture better, fewer of their rows lacking
// a row above, even where they put unrelated tiles together.
constexpr double kLostGap = 0.15;
// The seams planes read together must reach to replace the best reading: less than another
// reading's, as their shared edges already tell that they belong together.
constexpr double kApartSeams = 0.6;
// Rows of at least this many planes, a byte each, start at the plane the coherence of the
// planes tells (below); with fewer, the trials at every phase tell it well enough.
constexpr int kOrderedPlanes = 5;
// Planes one after the other that may be followed by a picture's lowest planes, of noise, at
// least (fewer planes are a format's own: 32 levels and less).
constexpr int kNoisyPlanes = 6;
constexpr double kStrokeTrust = 0.4;
constexpr int64_t kStrokeBytes = 8192;  // bytes the strokes are followed over, at most
// Strokes (beyond chance) so weak that a run is no font, and a reading no picture.
constexpr double kGlyphStrokes = 0.1;
constexpr double kNoStrokes = 0.05;
constexpr double kCounting = 0.5;  // the share of numbers counting on of a table
constexpr double kText = 0.5;      // the share of stretches of text of a run of text
// The share of neighbouring bytes that differ by a carry (carryShare) in a table of counters
// read as lines of pixels at least; pictures reach half of it.
constexpr double kCarries = 0.035;
// How much a picture's neighbouring pixels agree at least, bit by bit beyond chance, along the
// axes of tiles of eight planes that are not the planes'.
constexpr double kPixelAgreement = 0.2;
// How well the two bytes of a row must continue each other, as a share of how well pixels do
// within a byte, to be the halves of a row of 16 pixels rather than two planes.
constexpr double kHalvesContinue = 0.75;
// How much less a font's rows may explain than the best reading: transposed and stacked
// readings of a font explain it about as well, other data clearly better.
constexpr double kFontSlack = 0.08;
// Braille's cells hold every pattern of their dots in counting order: read as eight planes, a
// cell is a row of pixels a count on from the one above, which explains it far better.
constexpr double kDottedSlack = 0.3;
// Glyphs a font is followed back over, at most: a character set's, as a run may open near
// the end of a font whose first glyphs look cold (blank and shaded ones, braille dots).
constexpr int64_t kFollowedGlyphs = 256;
constexpr int64_t kSymbolGlyphs = 32;   // and past those, to a blank first glyph
constexpr double kPriorWeight = 0.006;  // orders layouts that explain the data equally well
// Other readings of a run follow the best: at most this many, explaining at most this much
// less (in bits per bit), their confidence at most this share of the best one's, so that by
// default only the best is shown.
constexpr size_t kAlternatives = 2;
constexpr double kAlternativeGap = 0.05;
constexpr double kAlternativeShare = 0.5;

struct Region {
    int64_t start, end;
};

// Runs of blocks whose signal, averaged over a few blocks, is hot; short cold gaps are
// bridged. Code and tables reach the threshold now and then in a single block, seldom in
// several running. A run is cut where a long stretch of blocks alike at one distance starts
// or ends (strideCuts).
class RegionBuilder {
public:
    void push(int64_t blockStart, BlockSignal::Measure m, std::vector<Region>& done) {
        recent_[count_ % kSmoothing] = m;
        ++count_;
        float sum = 0;
        for (const BlockSignal::Measure& r : recent_) sum += r.signal;
        const bool hot = count_ >= kSmoothing && sum / kSmoothing >= kHot;
        if (hot) {
            if (hot_ == 0) {
                start_ = blockStart - (kSmoothing - 1) * kBlock;
                measures_.clear();
                for (int64_t i = count_ - kSmoothing; i < count_ - 1; ++i)
                    measures_.push_back(recent_[i % kSmoothing]);
            }
            ++hot_;
            end_ = blockStart + kBlock;
            gap_ = 0;
        } else if (hot_ > 0 && ++gap_ > kMaxGap) {
            finish(done);
        }
        if (hot_ > 0 && int64_t(measures_.size()) < kMostMeasures) measures_.push_back(m);
    }
    // Where the run still open starts, or end when none is.
    int64_t openStart(int64_t end) const { return hot_ > 0 ? std::max<int64_t>(0, start_) : end; }
    void finish(std::vector<Region>& done) {
        if (hot_ >= kMinHotBlocks) {
            measures_.resize(
                size_t(std::min<int64_t>(int64_t(measures_.size()), (end_ - start_) / kBlock)));
            int64_t from = start_;
            for (const int64_t cut : strideCuts(measures_)) {
                done.push_back({std::max<int64_t>(0, from), start_ + cut * kBlock});
                from = start_ + cut * kBlock;
            }
            done.push_back({std::max<int64_t>(0, from), end_});
        }
        hot_ = 0;
        gap_ = 0;
    }

private:
    // Measures kept for a run, at most: a run longer than this is cut in its first part only.
    static constexpr int64_t kMostMeasures = int64_t(1) << 16;
    BlockSignal::Measure recent_[kSmoothing] = {};
    int64_t count_ = 0;
    int64_t start_ = 0, end_ = 0, hot_ = 0;
    int gap_ = 0;
    std::vector<BlockSignal::Measure> measures_;  // of the run's blocks from its start
};

// The signals of the blocks in [from, to) of a file of `size` bytes.
std::vector<BlockSignal::Measure> blockSignals(const ReadAt& read, int64_t size, int64_t far,
                                               int64_t from, int64_t to) {
    std::vector<BlockSignal::Measure> signals(size_t((to - from) / kBlock), {0.0f, 0});
    if (far < 48) return signals;
    const int64_t first = std::max<int64_t>(0, from - far);
    const int64_t last = std::min(size, to + far + kBlock + BlockSignal::kNearReach);
    std::vector<uint8_t> data(size_t(last - first + kBlock + BlockSignal::kNearReach), 0);
    read(first, data.data(), last - first);
    for (size_t k = 0; k < signals.size(); ++k) {
        const int64_t b = from + int64_t(k) * kBlock;
        const int64_t farAt = b + far + kBlock <= size ? b + far : std::max<int64_t>(0, b - far);
        signals[k] = BlockSignal::measure(&data[size_t(b - first)], &data[size_t(farAt - first)]);
    }
    return signals;
}

int64_t tileBitsOf(const TileLayout& layout) {
    return std::max<int64_t>(1, int64_t(layout.tileSize) * layout.tileSize * layout.greyPlanes());
}

// Planes that are the next tiles' first planes would let a layout predict each tile from its
// neighbours: such a layout is judged by its first plane alone.
TileLayout judgedLayout(const Candidate& c) {
    TileLayout judged = c.layout;
    const int64_t tilesOn = judged.tileDelta ? judged.bitplaneDelta / judged.tileDelta : 0;
    if (judged.bitplanes > 1 && judged.bitplaneDelta % judged.tileDelta == 0 && tilesOn >= 1 &&
        tilesOn <= 4) {
        judged.bitplanes = 1;
    }
    return judged;
}

// The stretch [from, to) of tiles whose savings add up to the most; all of them where none
// saves anything.
std::pair<size_t, size_t> mostSaving(const std::vector<float>& saved) {
    std::pair<size_t, size_t> stretch = {0, saved.size()};
    double most = 0, run = 0;
    size_t runFrom = 0;
    for (size_t t = 0; t < saved.size(); ++t) {
        if (run <= 0) {
            run = 0;
            runFrom = t;
        }
        run += saved[t];
        if (run > most) {
            most = run;
            stretch = {runFrom, t + 1};
        }
    }
    return stretch;
}

// Bytes from a line of a plane to the next, where each byte of a plane holds 8 pixels of one
// line: of a row (the next row lies y_delta on) or of a column (the next column lies x_delta
// on); 0 otherwise.
int64_t lineLag(const TileLayout& layout) {
    if (layout.tileSize % 8 != 0) return 0;
    if (std::abs(layout.xDelta) == 1 && layout.yDelta % 8 == 0) return std::abs(layout.yDelta) / 8;
    if (std::abs(layout.yDelta) == 1 && layout.xDelta % 8 == 0) return std::abs(layout.xDelta) / 8;
    return 0;
}

// Tiles whose rows are a byte of each plane in turn, the first plane first: 8 pixels a row.
bool rowsOfPlaneBytes(const TileLayout& layout) {
    return layout.tileSize == 8 && std::abs(layout.xDelta) == 1 && layout.bitplaneDelta == 8 &&
           layout.yDelta == 8 * layout.bitplanes;
}

// How well the ink of each line of a plane runs on to the next line's (GlyphRows::strokes),
// where a line of a plane is a byte; 1 where it is not. Rows of planes a byte each count by
// their most coherent plane: a picture's lowest planes, many of them, are noise.
double lineStrokes(const uint8_t* bytes, int64_t length, const TileLayout& layout) {
    const int64_t lag = lineLag(layout);
    if (lag == 0) return 1.0;
    double strokes = GlyphRows::strokes(bytes, length, lag);
    if (rowsOfPlaneBytes(layout)) {
        for (int64_t p = 0; p < lag && p < length; ++p)
            strokes = std::max(strokes, GlyphRows::strokes(bytes + p, length - p, lag, lag));
    }
    return strokes;
}

// The strokes of glyphs: followed to the next row, and to the one after it where glyphs are
// dots a blank row apart (braille). Braille's dots, each a pattern of its own, run on along
// their rows only: their bytes with ink agree bit by bit with their neighbours in the byte
// (near 1), where the bytes of a record are any numbers (near 0).
double glyphStrokes(const uint8_t* bytes, int64_t length, bool dotted) {
    const double strokes =
        std::max(GlyphRows::strokes(bytes, length), GlyphRows::strokes(bytes, length, 2));
    return dotted ? std::max(strokes, agreementWithinBytes(bytes, length, true)) : strokes;
}

// Of rows of `planes` bytes, one a plane, starting at bytes[0], the byte the first plane is
// at. A picture's planes grow less coherent from its highest bit down (each byte against the
// same plane a row on, beyond chance), so a row ends where the least coherent plane meets the
// most, whichever comes first in the bytes.
int64_t firstPlaneOfRows(const uint8_t* bytes, int64_t length, int planes) {
    if (2 * planes - 1 >= length) return 0;  // a plane without a row after it
    std::vector<double> coherence(static_cast<size_t>(planes), 0.0);
    for (int r = 0; r < planes; ++r)
        coherence[size_t(r)] = agreementAtLag(bytes + r, length - r, planes, 1, planes);
    int64_t first = 0;
    double widest = -1;
    for (int r = 0; r < planes; ++r) {
        const double step =
            std::abs(coherence[size_t(r)] - coherence[size_t((r + planes - 1) % planes)]);
        if (step > widest) {
            widest = step;
            first = r;
        }
    }
    return first;
}

// Of `tiles` tiles of `rows` rows of `planes` bytes, one a plane, starting at bytes[0] with
// a row's first plane, the row tiles start at. A picture's rows continue the rows before them
// (each byte agrees with the same plane's a row on, beyond chance) but where a tile's last row
// meets the next tile's first, which lies beside it in the picture, not below. Many planes hide
// this from pixels compared whole: their lowest planes are noise.
int64_t firstRowOfPlaneRows(const uint8_t* bytes, int64_t length, int64_t planes, int64_t rows,
                            int64_t tiles) {
    // Whole rows, each with the row after it, of the tiles counted.
    const int64_t counted = std::min(length - length % planes, (tiles * rows + 1) * planes);
    int64_t last = rows - 1;  // a tile's last row: where rows continue the next least
    double least = INFINITY;
    for (int64_t r = 0; r < rows && (r + 2) * planes <= counted; ++r) {
        const double beyond =
            agreementAtLag(bytes + r * planes, counted - r * planes, planes, planes, rows * planes);
        if (beyond < least) {
            least = beyond;
            last = r;
        }
    }
    return (last + 1) % rows;
}

// Eight planes in 8 x 8 tiles of 64 bytes, read three ways that swap two of the axes of each
// other's tiles: a byte a row of a plane with the planes of a row one after the other (planes
// 8 bits apart), a tile apart (64 bits apart), or a byte a pixel (1 bit apart).
bool eightPlaneTiles(const TileLayout& l) {
    return l.bitplanes == 8 && l.tileSize == 8 && l.tileDelta == 512 &&
           ((std::abs(l.xDelta) == 1 && (l.bitplaneDelta == 8 || l.bitplaneDelta == 64)) ||
            (l.xDelta == 8 && l.bitplaneDelta == -1));
}

// Of the search's layouts of eight planes in tiles of 64 bytes, the one whose planes lie
// `apart` bits apart (see eightPlaneTiles), with the bit order of `like` where both have one
// (highest first where `like` has none).
const Candidate* eightPlanesApart(const Candidate& like, int32_t apart) {
    const int32_t xDelta = std::abs(like.layout.xDelta) == 1 ? like.layout.xDelta : -1;
    for (const Candidate& m : searchCandidates()) {
        const TileLayout& t = m.layout;
        if (eightPlaneTiles(t) && std::abs(t.bitplaneDelta) == apart &&
            (apart == 1 || t.xDelta == xDelta)) {
            return &m;
        }
    }
    return nullptr;
}

// 8 x 8 tiles whose every byte is a row of a plane, the next row the next byte: one plane, or
// planes a tile apart, which is also how planes stored further apart read one at a time.
bool byteRows8(const Candidate& c) {
    return c.layout.tileSize == 8 && c.layout.yDelta == 8 && std::abs(c.layout.xDelta) == 1;
}

// Whether tiles a row on read the rows a row on, as they do where a row's pixels lie within a
// row's bytes; not where its columns come from bytes rows apart (tiles a row on read other
// halves of rows).
bool rowsShiftWhole(const TileLayout& layout) {
    if (std::abs(layout.yDelta) == 1) return true;  // columns: a byte on is a column on
    int64_t lowest = INT64_MAX, highest = INT64_MIN;
    for (int64_t x = 0; x < layout.tileSize; ++x) {
        lowest = std::min(lowest, layout.bitAddress(0, x, 0, 0));
        highest = std::max(highest, layout.bitAddress(0, x, 0, 0));
    }
    return highest - lowest < std::abs(layout.yDelta);
}

// The byte of a tile its first column of pixels lies in, from the tile's first byte.
int64_t firstColumnByte(const TileLayout& layout) {
    int64_t lowest = INT64_MAX;
    for (int64_t x = 0; x < layout.tileSize; ++x) {
        for (int64_t y = 0; y < layout.tileSize; ++y)
            lowest = std::min(lowest, layout.bitAddress(0, x, y, 0) / 8);
    }
    return lowest;
}

// A byte a column, either way along the row and either bit at the top.
bool byteColumns(const Candidate& c) {
    return c.layout.tileSize == 8 && std::abs(c.layout.xDelta) == 8 &&
           std::abs(c.layout.yDelta) == 1 && c.layout.bitplanes == 1;
}

// The layout of the search that reads the tiles of rows of a byte (one bit a pixel, 8 x 8)
// transposed: a byte a column, left to right, the bit at the top that was leftmost.
const Candidate* columnsTransposed(const Candidate& c) {
    if (!byteRows8(c) || c.layout.bitplanes != 1) return nullptr;
    for (const Candidate& m : searchCandidates()) {
        if (byteColumns(m) && m.tileBytes == c.tileBytes && m.layout.xDelta == 8 &&
            m.layout.yDelta == c.layout.xDelta && firstColumnByte(m.layout) == 0) {
            return &m;
        }
    }
    return nullptr;
}

// The layout of the search that reads the tiles of a byte-a-column layout mirrored: left to
// right (the columns the other way along the row) or top to bottom (the other bit at the top).
const Candidate* columnsMirrored(const Candidate& c, bool leftToRight) {
    const int32_t topBit = c.layout.offset % 8;
    for (const Candidate& m : searchCandidates()) {
        if (byteColumns(m) && m.tileBytes == c.tileBytes &&
            m.layout.xDelta == (leftToRight ? -1 : 1) * c.layout.xDelta &&
            m.layout.yDelta == (leftToRight ? 1 : -1) * c.layout.yDelta &&
            m.layout.offset % 8 == (leftToRight ? topBit : 7 - topBit)) {
            return &m;
        }
    }
    return nullptr;
}

struct Trial {
    double rank;  // the score with the layout's prior
    double score;
    const Candidate* candidate;
    int64_t phase;
};

// The layout and phase that explain a run best, then other readings that explain it nearly as
// well.
// `pool`, where given, shares out the trials.
std::vector<Find> readingsOf(const ReadAt& read, const Region& region, double minConfidence,
                             WorkPool* pool) {
    const int64_t length = region.end - region.start;
    const int64_t sampleLength = std::min(length, kSampleBytes);
    std::vector<uint8_t> bytes(size_t(std::min(length, int64_t(1) << 20)), 0);
    read(region.start, bytes.data(), int64_t(bytes.size()));
    // The blank bits of these bytes: trials on the planes read apart below, which take their
    // place, leave none out.
    const std::vector<uint8_t> blanks = formatBlanks(bytes.data(), int64_t(bytes.size()));

    // Trials read from the middle of the run, which what precedes and follows the graphics
    // reaches least, a whole number of tiles in, so that phases keep their meaning.
    auto middle = [&](const Candidate& c, int64_t read) {
        const int64_t spare =
            std::max<int64_t>(0, (int64_t(bytes.size()) - read - c.spanBytes) / 2);
        return spare - spare % c.tileBytes;
    };
    auto trials = [&](int64_t budget,
                      const std::vector<std::pair<const Candidate*, int64_t>>& which,
                      bool greyLevels = true, bool leaveBlanks = false) {
        std::vector<std::optional<Trial>> tried(which.size());
        auto tryOne = [&](size_t k) {
            const auto& [c, phase] = which[k];
            const int64_t at = middle(*c, std::min(budget, sampleLength)) + phase;
            const int64_t room =
                std::min<int64_t>(int64_t(bytes.size()), at + sampleLength + c->spanBytes) - at -
                c->spanBytes;
            const int64_t fit =
                std::min(std::min(budget, sampleLength) / c->coveredBytes, room / c->tileBytes);
            if (fit < 4) return;
            const double s = scoreLayout(
                bytes.data() + at, int64_t(bytes.size()) - at, judgedLayout(*c), fit,
                c->coveredBytes, greyLevels,
                leaveBlanks && blanks.size() == bytes.size() ? blanks.data() + at : nullptr);
            tried[k] = Trial{s + kPriorWeight * c->prior, s, c, phase};
        };
        if (pool) {
            pool->run(which.size(), tryOne);
        } else {
            for (size_t k = 0; k < which.size(); ++k) tryOne(k);
        }
        std::vector<Trial> out;
        for (const std::optional<Trial>& t : tried) {
            if (t) out.push_back(*t);
        }
        std::sort(out.begin(), out.end(),
                  [](const Trial& a, const Trial& b) { return a.rank > b.rank; });
        return out;
    };
    // First every layout at the first byte, on a few tiles. A layout that leaves some bits of
    // its tiles unread and whose rows are not read whole a row on reads little but blank bits
    // where it starts out of place: it starts where most of what it leaves unread is blank.
    std::vector<std::pair<const Candidate*, int64_t>> first, sparse;
    for (const Candidate& c : searchCandidates()) {
        int64_t phase = 0;
        if (tileBitsOf(c.layout) < 8 * c.tileBytes && !rowsShiftWhole(c.layout)) {
            const int64_t at = middle(c, std::min(kCoarseBytes, sampleLength));
            int64_t most = 0;
            for (int64_t k = 0; k < c.tileBytes && at + k < int64_t(bytes.size());
                 k += c.rowBytes) {
                const int64_t blank =
                    blankUnreadBits(bytes.data() + at + k, int64_t(bytes.size()) - at - k, c.layout,
                                    kCoarseBytes / c.coveredBytes, c.coveredBytes);
                if (blank > most) {
                    most = blank;
                    phase = k;
                }
            }
            sparse.push_back({&c, phase});
        }
        first.push_back({&c, phase});
    }
    std::vector<Trial> finalists;
    for (const Trial& t : trials(kCoarseBytes, first)) {
        finalists.push_back(t);
        if (finalists.size() == kFinalists) break;
    }
    // Then the finalists at the phases that decide whether rows and planes are read in place
    // (bit by bit: the grey levels tell one layout's phases apart no better, at more cost), and
    // the best two of each on many tiles. Which row tiles start at is told better by the
    // seams inside them (below), but planes can trade a plane's place in a row for a row's
    // place in a tile, and still read coherently: the leading finalists with planes are tried
    // at every phase, where their tiles are small enough for it to pay.
    std::vector<std::pair<const Candidate*, int64_t>> best;
    for (size_t i = 0; i < finalists.size(); ++i) {
        const Candidate& c = *finalists[i].candidate;
        const bool everyPhase =
            c.layout.bitplanes > 1 && c.tileBytes <= kEveryPhaseBytes && i < kEveryPhaseFinalists;
        std::vector<std::pair<const Candidate*, int64_t>> phases;
        for (int64_t phase = 0; phase < (everyPhase ? c.tileBytes : c.rowBytes); ++phase) {
            phases.push_back({&c, finalists[i].phase + phase});
        }
        const std::vector<Trial> ranked = phases.size() > 1 ? trials(kPhaseBytes, phases, false)
                                                            : std::vector<Trial>{finalists[i]};
        for (size_t k = 0; k < std::min<size_t>(2, ranked.size()); ++k) {
            best.push_back({ranked[k].candidate, ranked[k].phase});
        }
    }
    // A byte a column and its mirror left to right read alike but for their seams, which
    // the trials do not see (and their priors decide): the mirror of each is tried too, at
    // the start within a tile that reads it best. Columns stored right to left run on from
    // tile to tile only where the tiles start, so each start reads them otherwise. So do rows
    // of a byte and their transpose, a byte a column, which the priors put after them.
    // The transpose is tried once, for the leading rows, and where they explain the run well
    // enough to be a picture's: it costs a trial on many tiles.
    bool transposed = false;
    for (size_t i = 0, readings = best.size(); i < readings; ++i) {
        const auto [c, phase] = best[i];
        const Candidate* mirrored = byteColumns(*c) ? columnsMirrored(*c, true) : nullptr;
        const Candidate* columns = mirrored || transposed ? nullptr : columnsTransposed(*c);
        if (columns) {
            const Candidate* rows = c;  // a structured binding, which lambdas cannot capture
            const auto finalist =
                std::find_if(finalists.begin(), finalists.end(),
                             [rows](const Trial& f) { return f.candidate == rows; });
            transposed = true;
            if (finalist != finalists.end() && finalist->score >= kTransposedScore) {
                mirrored = columns;
            }
        }
        if (!mirrored) continue;
        std::vector<std::pair<const Candidate*, int64_t>> starts;
        for (int64_t k = 0; k < c->tileBytes; ++k) starts.push_back({mirrored, k});
        const std::vector<Trial> ranked = trials(kPhaseBytes, starts, false);
        if (ranked.empty()) continue;
        const std::pair<const Candidate*, int64_t> mirror = {mirrored, ranked.front().phase};
        if (std::find(best.begin(), best.end(), mirror) == best.end()) best.push_back(mirror);
    }
    const std::vector<Trial> fine = trials(kFineBytes, best);
    if (fine.empty()) return {};

    // A reading's tiles where its seams are measured: from the middle of the run, at the
    // reading's phase, as many as hold kSeamBits.
    struct SeamSample {
        const uint8_t* bytes;
        int64_t length;
        TileLayout layout;
        int64_t tiles;
    };
    // Where the stretch kept is known, from its middle instead (whole tiles from the run's
    // start, so that phases keep their meaning).
    std::optional<std::pair<int64_t, int64_t>> seamStretch;
    auto seamSample = [&](const Trial& t) {
        const Candidate& c = *t.candidate;
        TileLayout at = c.layout;
        at.offset = int32_t(8 * t.phase + c.layout.offset);
        const auto [seamFrom, seamTo] =
            seamStretch.value_or(std::pair<int64_t, int64_t>{0, int64_t(bytes.size())});
        const int64_t span = seamTo - seamFrom;
        const int64_t tiles =
            std::min<int64_t>(kSeamBits / tileBitsOf(c.layout), span / c.tileBytes);
        const int64_t spare = std::max<int64_t>(0, (span - tiles * c.tileBytes - c.spanBytes) / 2);
        const int64_t skip = (seamFrom + spare) / c.tileBytes * c.tileBytes;
        return SeamSample{bytes.data() + skip, int64_t(bytes.size()) - skip, at, tiles};
    };
    // Many planes a byte each explain their bytes about as well wherever a row starts among
    // them; which byte is the first plane is told by the planes' coherence instead.
    auto orderPlanes = [&](Trial& t) {
        if (rowsOfPlaneBytes(t.candidate->layout) &&
            t.candidate->layout.bitplanes >= kOrderedPlanes) {
            const int64_t first =
                firstPlaneOfRows(bytes.data() + t.phase, int64_t(bytes.size()) - t.phase,
                                 t.candidate->layout.bitplanes);
            t.phase = (t.phase + first) % t.candidate->tileBytes;
        }
    };
    // Of the starts that keep a reading's rows in place, the one whose tiles hold no seam
    // between unrelated pixels (its own where they tie). The score stays the one measured:
    // the best reading's is measured again on the tiles it keeps.
    auto placeTiles = [&](Trial t) {
        const Candidate& c = *t.candidate;
        // Every start a row apart within a tile (a byte apart where a byte is a column), where
        // rows shift whole: planes a tile apart also start a plane off, and read as a picture
        // with the planes of two tiles mixed.
        // Rows of two planes a byte each pair a row's second plane with the next row's first
        // about as coherently as with its own first: they are placed a byte at a time too.
        const bool twoPlanes = rowsOfPlaneBytes(c.layout) && c.layout.bitplanes == 2;
        const int64_t step = std::abs(c.layout.yDelta) == 1 || twoPlanes ? 1 : c.rowBytes;
        const int64_t starts = rowsShiftWhole(c.layout) ? c.tileBytes / step : 1;
        if (starts == 1) return t;
        const SeamSample s = seamSample(t);
        // Rows of many planes a byte each: from their first plane, where the rows a tile apart
        // meet (see firstRowOfPlaneRows).
        if (rowsOfPlaneBytes(c.layout) && c.layout.bitplanes >= kOrderedPlanes) {
            orderPlanes(t);
            const int64_t planes = c.layout.bitplanes;
            const int64_t row = firstRowOfPlaneRows(s.bytes + t.phase, s.length - t.phase, planes,
                                                    c.tileBytes / planes, s.tiles);
            t.phase = (t.phase + row * planes) % c.tileBytes;
            return t;
        }
        TileLayout inRow = c.layout;  // at the start within a row that the phase is at
        inRow.offset = int32_t(8 * (t.phase % c.rowBytes) + c.layout.offset);
        // Counted in one pass for starts a row apart only.
        const std::vector<double> everyRow =
            twoPlanes ? std::vector<double>{}
                      : innerAgreements(s.bytes, s.length, inRow, s.tiles, c.rowBytes,
                                        c.tileBytes / c.rowBytes);
        auto agreementAt = [&](int64_t phase) {
            if (!everyRow.empty()) return everyRow[size_t(phase / c.rowBytes)];
            TileLayout at = c.layout;
            at.offset = int32_t(8 * phase + c.layout.offset);
            return innerAgreement(s.bytes, s.length, at, s.tiles);
        };
        const int64_t scoredAt = t.phase;
        auto phaseAt = [&](int64_t k) {
            return k == 0 ? scoredAt
                          : ((scoredAt + k * step) % c.tileBytes + c.tileBytes) % c.tileBytes;
        };
        // Measured side by side where each start is read on its own.
        std::vector<double> agreements(static_cast<size_t>(starts));
        auto measure = [&](size_t i) {
            agreements[i] = agreementAt(phaseAt(int64_t(i) - starts / 2));
        };
        if (pool && everyRow.empty()) {
            pool->run(agreements.size(), measure);
        } else {
            for (size_t i = 0; i < agreements.size(); ++i) measure(i);
        }
        double best = agreements[size_t(starts / 2)];
        for (int64_t k = -(starts / 2); k < starts - starts / 2; ++k) {
            if (k != 0 && agreements[size_t(k + starts / 2)] > best) {
                best = agreements[size_t(k + starts / 2)];
                t.phase = phaseAt(k);
            }
        }
        return t;
    };
    // Measures of the bytes read (strokes, on kStrokeBytes at most) are taken in their middle,
    // which what precedes and follows the graphics reaches least.
    auto inMiddle = [&](auto&& measure, int64_t most = kStrokeBytes) {
        const int64_t n = std::min<int64_t>(int64_t(bytes.size()), most);
        return measure(bytes.data() + (int64_t(bytes.size()) - n) / 2, n);
    };
    Trial winner = fine.front();
    bool font = false, dotted = false;
    // Where a font's first glyph is, from the run's start, where it was followed back to.
    int64_t fontStart = INT64_MAX;
    // A run that repeats blank rows with a glyph's height is a font stored a byte a row, even
    // when a transposed, stacked or many-plane reading explains it as well: the two bit
    // orders stay to choose from, at the phase where glyphs start.
    const auto glyphs = GlyphRows::of(bytes.data(), int64_t(bytes.size()));
    const bool records = glyphs && glyphs->records;
    if (glyphs && !records) {
        std::vector<std::pair<const Candidate*, int64_t>> rows;
        // Glyphs whose height is not a multiple of 8 rows start at every row of a tile in
        // turn: tiles are in place only from the font's first glyph, which may lie before the
        // run (blank and shaded glyphs look cold). Glyphs are followed back as far as together
        // they look like the font's.
        int64_t first = glyphs->start;
        const int64_t h = glyphs->height;
        // The bytes before the run's first glyph, with the byte before them where there is
        // one (else 0) and the first glyph after them.
        const int64_t back = std::min(region.start + first, kFollowedGlyphs * h);
        std::vector<uint8_t> around(static_cast<size_t>(1 + back + h), 0);
        const int64_t from = region.start + first - back;
        const int64_t lead = from > 0 ? 1 : 0;
        read(from - lead, around.data() + 1 - lead, back + h + lead);
        const uint8_t* preceding = around.data() + 1;
        if (h % 8 != 0) {
            double sum = 0, most = 0;
            int64_t followed = 0;
            for (int64_t k = 1; k <= back / h; ++k) {
                sum += glyphs->evidence(preceding + back - k * h);
                if (sum > most) {
                    most = sum;
                    followed = k;
                }
            }
            // The glyphs of control characters come first in many fonts, and are symbols
            // unlike the letters: a blank glyph among them opens the font.
            for (int64_t k = followed + 1; k <= std::min(back / h, followed + kSymbolGlyphs); ++k) {
                if (GlyphRows::opensFont(preceding + back - k * h, h)) {
                    followed = k;
                    break;
                }
            }
            first -= followed * h;
            if (followed > 0) fontStart = first;
        } else {
            // Glyphs a multiple of 8 rows tall put tiles in place from any glyph, but where
            // their blank rows were counted with a table of code points after the font, they
            // can be cut a row or two off. A blank glyph that opens the font, before one
            // with ink in its first row, tells where glyphs start.
            auto opensBeforeInk = [&](const uint8_t* glyph) {
                return GlyphRows::opensFont(glyph, h) && glyph[h] != 0;
            };
            for (int64_t p = back - 1; p >= 0; --p) {
                if (opensBeforeInk(preceding + p)) {
                    first -= back - p;
                    fontStart = first;
                    break;
                }
            }
            // Braille's blank rows, every other one, cannot tell which starts a cell: there the
            // blank glyph is also looked for in what the run opens with before its first hot
            // block.
            for (int64_t p = 1; glyphs->dotted && fontStart == INT64_MAX &&
                                p < kSmoothing * kBlock && p + h < int64_t(bytes.size());
                 ++p) {
                if (opensBeforeInk(bytes.data() + p)) {
                    first = p;
                    fontStart = first;
                }
            }
        }
        const int64_t fontPhase = (first % 8 + 8) % 8;
        for (const Candidate& c : searchCandidates()) {
            if (byteRows8(c) && c.layout.bitplanes == 1) {
                rows.push_back({&c, fontPhase});
            }
        }
        const std::vector<Trial> rowsTried = trials(kFineBytes, rows);
        // Glyphs have strokes: blank rows with a glyph's height in bytes whose ink does not run
        // on from row to row are planes or records (a plane of a picture of many planes, blank
        // where the picture is dark).
        const double slack = glyphs->dotted ? kDottedSlack : kFontSlack;
        if (!rowsTried.empty() && rowsTried.front().score >= winner.score - slack &&
            inMiddle([&](const uint8_t* b, int64_t n) {
                return glyphStrokes(b, n, glyphs->dotted);
            }) >= kGlyphStrokes) {
            winner = rowsTried.front();
            font = true;
            dotted = glyphs->dotted;
        }
    }
    auto seamsOf = [&](const Trial& t) {
        const SeamSample s = seamSample(t);
        return seamCoherence(s.bytes, s.length, s.layout, s.tiles);
    };
    auto downSeamsOf = [&](const Trial& t) {
        const SeamSample s = seamSample(t);
        return downSeams(s.bytes, s.length, s.layout, s.tiles);
    };
    // Readings that mirror or transpose a picture's tiles explain it about as well, and a
    // layout's prior would always pick the same one; but only the picture's own keeps its
    // tiles continuing each other across their seams. Of the readings that explain the run
    // nearly as well as the best, one whose seams are clearly better is taken (another than
    // a mirror only where its tiles clearly continue each other). Glyphs need not continue
    // each other, so fonts are left to their rows.
    if (!font) {
        winner = placeTiles(winner);
        const Trial best = winner;
        const double bestSeams = seamsOf(best);
        double winnerSeams = bestSeams;
        // Placing tiles tries every start a row apart: a reading met again at another of
        // those is placed already.
        std::vector<std::pair<const Candidate*, int64_t>> placed = {
            {best.candidate, best.phase % best.candidate->rowBytes}};
        // How well a one-bit reading's tiles continue the tiles below them, either way up.
        auto belowOf = [&](const Trial& t) {
            const DownSeams down = downSeamsOf(t);
            return std::max(down.upright, down.upsideDown);
        };
        std::optional<double> bestBelow;
        // A mirror that continues its neighbours both side by side and below, taken where no
        // reading's seams alone are better enough.
        std::optional<Trial> continuing;
        double continuingSeams = 0;
        for (const Trial& t : fine) {
            const Candidate& c = *t.candidate;
            const Candidate& b = *best.candidate;
            const std::pair<const Candidate*, int64_t> reading = {&c, t.phase % c.rowBytes};
            if (std::find(placed.begin(), placed.end(), reading) != placed.end()) continue;
            // The same bits of each tile, laid out otherwise in it (or the best reading itself,
            // at another start within a row).
            const bool mirror = c.tileBytes == b.tileBytes && c.coveredBytes == b.coveredBytes &&
                                c.layout.tileSize == b.layout.tileSize &&
                                c.layout.bitplanes == b.layout.bitplanes;
            // Or any other reading, where the best one's tiles do not continue each other:
            // readings with more planes or bigger tiles than the picture's pair up unrelated
            // tiles, and explain it about as well.
            const bool other = !mirror && winnerSeams < kSeamTrust;
            const double gap = other && bestSeams <= kLostSeams ? kLostGap : kMirrorGap;
            if (!(mirror || other) || t.score < best.score - gap) continue;
            // Seams hardly depend on which row tiles start at (neighbouring tiles start at the
            // same one): a reading whose seams are far from coherent is not placed.
            if (!mirror && seamsOf(t) < kCoherentSeams - kPlacingSlack) continue;
            placed.push_back(reading);
            const Trial atBest = placeTiles(t);
            const double seams = seamsOf(atBest);
            const bool better =
                mirror && t.score > winner.score && seams > winnerSeams + kBetterSeams;
            // A best reading whose tiles hardly continue each other at all is hardly a find:
            // any reading whose tiles do is a better one.
            const double coherent =
                winnerSeams <= kLostSeams ? kCoherentSeams - kPlacingSlack : kCoherentSeams;
            if ((seams > winnerSeams + kMirrorSeams && (mirror || seams >= coherent)) || better) {
                winner = atBest;
                winnerSeams = seams;
            }
            if (mirror && c.layout.bitplanes == 1 && seams > bestSeams + kSideSeams &&
                (!continuing || seams > continuingSeams)) {
                if (!bestBelow) bestBelow = belowOf(best);
                if (belowOf(atBest) > *bestBelow + kBelowSeams) {
                    continuing = atBest;
                    continuingSeams = seams;
                }
            }
        }
        if (continuing && winner.candidate == best.candidate && winner.phase == best.phase) {
            winner = *continuing;
        }
    }

    // A reading whose lines are bytes whose ink never runs on from one line to the next is no
    // picture, however well its tiles meet: it reads a plane of many, or records. Another
    // reading nearly as good whose lines do (or its planes' transpose) is taken.
    auto strokesOf = [&](const Candidate* c) {
        return inMiddle(
            [&](const uint8_t* lines, int64_t n) { return lineStrokes(lines, n, c->layout); });
    };
    if (!font && strokesOf(winner.candidate) < kNoStrokes) {
        std::optional<Trial> taken;
        for (const Trial& t : fine) {
            if (taken) break;
            if (t.score < winner.score - kMirrorGap) continue;
            // Rows of eight planes for eight planes a tile apart, and the reverse.
            const int32_t apart = t.candidate->layout.bitplaneDelta;
            const Candidate* transposed =
                eightPlaneTiles(t.candidate->layout) && (apart == 8 || apart == 64)
                    ? eightPlanesApart(*t.candidate, apart == 8 ? 64 : 8)
                    : nullptr;
            for (const Candidate* c : {t.candidate, transposed}) {
                if (taken || !c || c == winner.candidate || strokesOf(c) < kStrokeTrust / 2) {
                    continue;
                }
                const std::vector<Trial> tried =
                    c == t.candidate ? std::vector<Trial>{t} : trials(kFineBytes, {{c, t.phase}});
                if (!tried.empty()) taken = tried.front();
            }
        }
        if (taken) winner = placeTiles(*taken);
    }

    // Where a format leaves many bits blank, readings of all bits read them as pixels, which
    // explain nothing yet look coherent; a layout that leaves them unread is measured on the
    // rest alone. Without them, one that leaves them unread and explains the rest better is
    // the format's.
    if (!font && !blanks.empty() && !sparse.empty()) {
        const std::vector<Trial> leaving = trials(kBlankTrialBytes, sparse, true, true);
        const std::vector<Trial> reading =
            trials(kBlankTrialBytes, {{winner.candidate, winner.phase}}, true, true);
        if (!leaving.empty() && !reading.empty() && leaving.front().score > reading.front().score) {
            winner = leaving.front();
        }
    }

    if (!font) orderPlanes(winner);

    // Columns upside down continue each other side by side as well as the right way up, but
    // not the tiles below them.
    if (!font && byteColumns(*winner.candidate)) {
        const DownSeams down = downSeamsOf(winner);
        const Candidate* flipped = columnsMirrored(*winner.candidate, false);
        if (flipped && down.upsideDown > down.upright + kUpsideDown) {
            const std::vector<Trial> upright = trials(kFineBytes, {{flipped, winner.phase}});
            if (!upright.empty()) winner = upright.front();
        }
    }

    // Planes a tile apart read one at a time pair up each place's planes as neighbours, and
    // explain the bytes about as well; and many planes read as fewer, or fewer as many. Where
    // each tile shares its edges with the next more within groups of some number of tiles
    // than across them, the tiles are read as that many planes.
    if (!font && byteRows8(*winner.candidate)) {
        const int64_t phase = winner.phase % 8;  // where single tiles start
        if (const auto split = tilePlanesOf(bytes.data() + phase, int64_t(bytes.size()) - phase)) {
            for (const Candidate& m : searchCandidates()) {
                if (!byteRows8(m) || &m == winner.candidate ||
                    m.layout.bitplanes != split->planes || m.layout.bitplaneDelta != 64 ||
                    m.layout.xDelta != winner.candidate->layout.xDelta) {
                    continue;
                }
                const std::vector<Trial> tried =
                    trials(kFineBytes, {{&m, (phase + 8 * split->first) % m.tileBytes}});
                if (tried.empty()) continue;
                const Trial planes = placeTiles(tried.front());
                if (planes.score >= winner.score - kMirrorGap && seamsOf(planes) >= kApartSeams) {
                    winner = planes;
                }
            }
        }
    }

    // Eight planes by row, a tile apart and a byte a pixel explain each other's bytes about as
    // well, the plane above standing in for a neighbour. But a picture's planes agree with each
    // other less than its neighbouring pixels do: of the bits of a byte, the bytes one on and
    // the bytes eight on, those that agree least are the planes, where the other two agree as
    // neighbouring pixels do (else no reading is a picture's). A byte a pixel also reads as
    // one bit a pixel (a byte a column of its bits): where the bits of a byte agree least, a
    // byte a pixel replaces any reading that explains the run hardly better.
    if (!font) {
        // Each axis's agreement, with how many bits apart planes along it lie.
        const auto axes = inMiddle(
            [](const uint8_t* b, int64_t n) {
                return std::array<std::pair<double, int32_t>, 3>{{{agreementWithinBytes(b, n), 1},
                                                                  {agreementAtLag(b, n, 1), 8},
                                                                  {agreementAtLag(b, n, 8), 64}}};
            },
            kFineBytes);
        const auto least = std::min_element(axes.begin(), axes.end());
        const int32_t apart = least->second;
        bool pixels = true;
        for (const auto& axis : axes)
            pixels = pixels && (&axis == least || axis.first >= kPixelAgreement);
        const bool eight = eightPlaneTiles(winner.candidate->layout);
        const Candidate* planes =
            pixels && (eight || apart == 1) ? eightPlanesApart(*winner.candidate, apart) : nullptr;
        if (planes && planes != winner.candidate) {
            const std::vector<Trial> tried = trials(kFineBytes, {{planes, winner.phase}});
            if (!tried.empty() && (eight || tried.front().score >= winner.score - kMirrorGap)) {
                winner = placeTiles(tried.front());
            }
        }
    }

    // One bit a pixel in rows of 16 and two planes by row both read rows of two bytes; where
    // the two bytes of a row do not continue each other as the halves of a row of pixels do,
    // they are the two planes of 8 pixels.
    if (!font && winner.candidate->layout.tileSize == 16 &&
        winner.candidate->layout.greyPlanes() == 1 &&
        std::abs(winner.candidate->layout.xDelta) == 1) {
        const TileLayout& l = winner.candidate->layout;
        const int64_t sample =
            std::min<int64_t>(kFineBytes, int64_t(bytes.size()) - winner.phase % 2);
        const uint8_t* rows = bytes.data() + winner.phase % 2 +
                              (int64_t(bytes.size()) - winner.phase % 2 - sample) / 4 * 2;
        if (halvesContinue(rows, sample, l.xDelta < 0) < kHalvesContinue) {
            for (const Candidate& m : searchCandidates()) {
                if (m.layout.bitplanes != 2 || m.layout.yDelta != 16 ||
                    m.layout.bitplaneDelta != 8 || m.layout.xDelta != l.xDelta) {
                    continue;
                }
                const std::vector<Trial> tried =
                    trials(kFineBytes, {{&m, winner.phase % m.tileBytes}});
                if (!tried.empty() && tried.front().score >= winner.score - kMirrorGap) {
                    winner = placeTiles(tried.front());
                }
            }
        }
    }

    // Planes stored one after the other read as well one at a time as together: what the
    // plane above tells adds too little to the score to show. Where the run's stretches a
    // plane apart share their edges, they are read together, from the first plane's start so
    // that what precedes it does not dilute the trials. A picture's lower planes can look cold
    // enough to end the run early: planes that go on to its end are followed further.
    std::vector<Candidate> apart;
    apart.reserve(4);  // two splits at most, each both ways: the trials point into it
    int64_t origin = region.start, end = region.end;  // of the bytes read
    // The planes of `split` read together, where they may replace the best reading.
    struct Apart {
        Trial trial;
        std::vector<uint8_t> bytes;
        int64_t origin;
    };
    auto readApart = [&](PlaneSplit split) -> std::optional<Apart> {
        const int64_t first = region.start + split.start;
        std::vector<uint8_t> planes;
        auto readPlanes = [&](int64_t count) {
            planes.assign(
                size_t(std::min<int64_t>(count * split.distanceBytes + kBlock, int64_t(1) << 20)),
                0);
            planes.resize(
                size_t(std::max<int64_t>(0, read(first, planes.data(), int64_t(planes.size())))));
        };
        if (split.cut) {
            readPlanes(8);
            const auto further = planeSplitAt(planes.data(), int64_t(planes.size()), split);
            if (further && further->distanceBytes == split.distanceBytes &&
                further->planes > split.planes) {
                split.planes = further->planes;
            }
            // Six or seven planes that end the run and are followed by noise up to eight: the
            // lowest planes of a picture of 256 levels.
            if (split.planes >= kNoisyPlanes && split.planes < 8) {
                int64_t noisy = split.planes;
                while (
                    noisy < 8 && (noisy + 1) * split.distanceBytes <= int64_t(planes.size()) &&
                    noisePlane(planes.data() + noisy * split.distanceBytes, split.distanceBytes)) {
                    ++noisy;
                }
                if (noisy == 8) split.planes = 8;
            }
        }
        readPlanes(split.planes);
        std::swap(bytes, planes);
        std::vector<std::pair<const Candidate*, int64_t>> which, alone;
        // Their tiles start where the best reading's were placed: of the planes read
        // together, only the first few look like a picture to the seams inside tiles.
        const int64_t rows = ((winner.phase - split.start) % 8 + 8) % 8;
        for (bool high : {true, false}) {
            apart.push_back(planesApart(split.planes, split.distanceBytes, high));
            which.push_back({&apart.back(), rows});
        }
        // Read together, planes must explain their bytes about as well as one at a time:
        // readings that take tiles of one plane for the planes of one tile may do better.
        // Both start at the same row, so that neither is judged on tiles cut elsewhere.
        for (const Candidate& c : searchCandidates()) {
            if (byteRows8(c) && c.layout.bitplanes == 1) alone.push_back({&c, rows});
        }
        const std::vector<Trial> together = trials(kFineBytes, which);
        const std::vector<Trial> single = trials(kFineBytes, alone);
        if (!together.empty() && !single.empty() &&
            together.front().score >= single.front().score - kMirrorGap &&
            seamsOf(together.front()) >= kApartSeams) {
            std::swap(bytes, planes);
            return Apart{together.front(), std::move(planes), first};
        }
        std::swap(bytes, planes);
        return std::nullopt;
    };
    auto take = [&](Apart& a) {
        winner = a.trial;
        std::swap(bytes, a.bytes);
        origin = a.origin;
        end = origin + int64_t(bytes.size());
    };
    // What each tile of the best reading saves, where measured already (below).
    std::optional<std::vector<float>> savedByBest;
    auto savedAt = [&](int64_t phase) {
        const Candidate& c = *winner.candidate;
        TileLayout placed = c.layout;
        placed.offset = int32_t(8 * phase + placed.offset);
        return savedByTile(bytes.data(), int64_t(bytes.size()), placed,
                           (int64_t(bytes.size()) - phase) / c.tileBytes);
    };
    if (!font && byteRows8(*winner.candidate)) {
        const auto split = planeSplitOf(bytes.data(), int64_t(bytes.size()));
        std::optional<Apart> planes = split ? readApart(*split) : std::nullopt;
        if (!planes && winner.candidate->layout.bitplanes == 1) {
            // Planes that share their edges less than the picture's rows of tiles do are
            // looked for where the one-plane reading puts the picture: its planes fill it.
            savedByBest = savedAt(winner.phase);
            const auto [from, to] = mostSaving(*savedByBest);
            const int64_t tileBytes = winner.candidate->tileBytes;
            const int64_t keptFrom = winner.phase + int64_t(from) * tileBytes;
            if (auto filling =
                    planeSplitFilling(bytes.data() + keptFrom, int64_t(to - from) * tileBytes)) {
                filling->start = keptFrom;
                planes = readApart(*filling);
            }
        }
        if (planes) {
            take(*planes);
            savedByBest.reset();
        }
    }

    // The graphics end where the reading stops explaining the bytes: of the tiles from the
    // run's start, the stretch that saves the most together is kept (what precedes and follows
    // it saves nothing, or costs). A run longer than was read keeps its end.
    const Candidate& c = *winner.candidate;
    std::vector<float> saved = savedByBest ? std::move(*savedByBest) : savedAt(winner.phase);
    size_t from = 0, to = 0;
    std::tie(from, to) = mostSaving(saved);
    // Tiles that start at another phase keep another stretch.
    auto keepFrom = [&](int64_t phase) {
        if (phase == winner.phase) return;
        winner.phase = phase;
        saved = savedAt(winner.phase);
        std::tie(from, to) = mostSaving(saved);
    };
    // Columns a byte each continue each other across their tiles' seams as well wherever tiles
    // start, but where a picture's edges hold something, its rows of tiles wrap where
    // neighbouring columns differ most, which tells where columns left to right start. Else,
    // where the graphics open with a blank margin (which saves nothing, so is not kept), their
    // first column is where the margin starts (which a picture's own blank columns may carry
    // on, so the wrap comes first). A picture's margin may hold a few columns of ink, which
    // save too little to be kept: then its first column is where the first margin in the run
    // before the kept stretch starts. Tiles kept may also start a few bytes before a margin,
    // in a run of what precedes the graphics that those bytes carry on.
    if (!font && byteColumns(c)) {
        const int64_t keptAt = winner.phase + int64_t(from) * c.tileBytes;
        const int64_t length = int64_t(bytes.size());
        int64_t firstColumn = -1;
        if (c.layout.xDelta > 0) {
            const int64_t wrap = columnWrap(
                bytes.data() + keptAt, std::min(length - keptAt, kWrapBytes), c.layout.offset % 8);
            if (wrap >= 0) firstColumn = keptAt + wrap;
        }
        if (firstColumn < 0) firstColumn = marginBefore(bytes.data(), length, keptAt);
        if (firstColumn < 0 && c.layout.xDelta > 0) {
            firstColumn = firstMarginBefore(bytes.data(), length, keptAt);
        }
        if (firstColumn < 0)
            firstColumn = marginAfterRun(bytes.data(), length, keptAt, c.tileBytes);
        if (firstColumn >= 0) {
            const int64_t phase =
                ((firstColumn - firstColumnByte(c.layout)) % c.tileBytes + c.tileBytes) %
                c.tileBytes;
            keepFrom(phase);
        }
    }
    // Tiles were placed on the run's middle, which may lie outside graphics that fill only part
    // of it: they are placed again on the middle of what is kept, where they were placed on
    // other bytes. (Not columns a byte each, which continue each other as well wherever tiles
    // start, nor planes read apart, whose bytes are the planes one after the other.)
    if (!font && !byteColumns(c) && origin == region.start) {
        const int64_t first = winner.phase + int64_t(from) * c.tileBytes;
        const int64_t last =
            std::min(int64_t(bytes.size()), first + int64_t(to - from) * c.tileBytes);
        const SeamSample placedOn = seamSample(winner);
        const int64_t placedFrom = placedOn.bytes - bytes.data();
        if (placedFrom < first || placedFrom + placedOn.tiles * c.tileBytes > last) {
            seamStretch = {first, last};
            keepFrom(placeTiles(winner).phase);
        }
    }
    const int64_t keptFrom = winner.phase + int64_t(from) * c.tileBytes;
    const int64_t keptTiles = int64_t(to - from);
    const int64_t keptBytes = std::min(int64_t(bytes.size()), keptFrom + keptTiles * c.tileBytes +
                                                                  c.spanBytes - c.tileBytes) -
                              keptFrom;
    const uint8_t* kept = bytes.data() + keptFrom;
    // The score, the seams and so the confidence are those of what is kept, in its middle. Its
    // blank bits save nothing: tables of numbers whose high bytes are 0 look coherent through
    // them alone.
    const double runScore = winner.score;
    double score = winner.score;
    const int64_t fineTiles = std::min(kFineBytes / c.coveredBytes, keptTiles);
    if (fineTiles >= 4) {
        const int64_t skip = (keptTiles - fineTiles) / 2 * c.tileBytes;
        const std::vector<uint8_t> keptBlanks = formatBlanks(kept, keptBytes);
        score =
            scoreLayout(kept + skip, keptBytes - skip, judgedLayout(c), fineTiles, c.coveredBytes,
                        true, keptBlanks.empty() ? nullptr : keptBlanks.data() + skip);
    }
    const int64_t seamTiles = std::min(kSeamBits / tileBitsOf(c.layout), keptTiles);
    const int64_t seamSkip = (keptTiles - seamTiles) / 2 * c.tileBytes;
    // Tiles cut from a picture continue each other where they meet; tables and code read as
    // tiles are coherent inside each tile but seldom across. Where a line of a plane is a byte,
    // strokes also run from one line to the next, where the bytes of a record read as lines
    // do not (their zero bytes aside). Glyphs are pictures of their own, which need not meet
    // at all: only their strokes count.
    const int64_t strokeBytes = std::min(keptBytes, kStrokeBytes);
    const uint8_t* strokeSample = kept + (keptBytes - strokeBytes) / 2;
    double coherence = 0;
    if (font) {
        coherence = glyphStrokes(strokeSample, strokeBytes, dotted) / kStrokeTrust;
    } else {
        double inside = 0;
        coherence =
            seamCoherence(kept + seamSkip, keptBytes - seamSkip, c.layout, seamTiles, &inside) /
            kSeamTrust;
        // Tiles of many levels whose pixels agree hardly more than any two of the run (code,
        // compressed data) give the seams nothing to be measured against. Pixels of one bit
        // agree by chance so often that a sparse picture's agree little more.
        if (c.layout.greyPlanes() >= kManyLevelPlanes && inside < kCoherentInside) coherence = 0;
        coherence =
            std::min(coherence, lineStrokes(strokeSample, strokeBytes, c.layout) / kStrokeTrust);
    }
    // Text, tables that count up and records whose fields stay blank or not are not graphics,
    // however their lines line up; nor are bytes read as lines of one bit a pixel that step
    // from number to number across carries. Text is judged a stretch at a time: a small
    // picture's find may reach into the text around it.
    const int64_t sampled = std::min(keptBytes, kSampleBytes);
    const double text = textShare(kept + (keptBytes - sampled) / 2, sampled);
    if (records || text >= kText || countingShare(strokeSample, strokeBytes) >= kCounting ||
        (c.layout.bitplanes == 1 && carryShare(strokeSample, strokeBytes) >= kCarries)) {
        coherence = 0;
    }
    // Stretches of text in the rest (strings between tables, say) are no evidence of graphics
    // either, however well the reading explains the rest.
    const double confidence =
        Finder::confidenceOf(score, int64_t(double(sampled / c.tileBytes) * (1 - text))) *
        std::min(1.0, coherence);
    Find graphics;
    // A font followed back to its first glyph opens with it.
    const int64_t rangeFrom = font ? std::min(keptFrom, fontStart) : keptFrom;
    graphics.start = origin + rangeFrom;
    graphics.end = to < saved.size() ? std::min(end, origin + keptFrom + keptBytes) : end;
    graphics.layout = c.name;
    graphics.values = c.layout;
    graphics.score = score;
    graphics.confidence = confidence;
    std::vector<Find> finds = {graphics};
    // Another reading of the same bytes, its tiles a whole number on from where they start.
    auto readingOf = [&](const Trial& t, double confidence) {
        Find find = graphics;
        const int64_t tileBytes = t.candidate->tileBytes;
        find.layout = t.candidate->name;
        find.values = t.candidate->layout;
        find.values.offset =
            int32_t(8 * (((t.phase - rangeFrom) % tileBytes + tileBytes) % tileBytes) +
                    t.candidate->layout.offset);
        find.score = t.score;
        find.confidence = confidence;
        return find;
    };
    // Other readings that explain the run nearly as well follow it, so that one of them can
    // be tried where the best is not the picture: each with a share of the best one's
    // confidence, less as it explains less.
    auto share = [&](double score) {
        return kAlternativeShare * std::exp(-std::max(0.0, runScore - score) / kAlternativeGap);
    };
    std::vector<const Candidate*> shown = {winner.candidate};
    for (Trial t : fine) {
        if (finds.size() > kAlternatives || t.score < runScore - kAlternativeGap) break;
        if (std::find(shown.begin(), shown.end(), t.candidate) != shown.end()) continue;
        if (confidence * share(t.score) < minConfidence) continue;  // it would not be shown
        shown.push_back(t.candidate);
        // Its phase from where the bytes are now read from.
        const int64_t tileBytes = t.candidate->tileBytes;
        t.phase = ((t.phase - (origin - region.start)) % tileBytes + tileBytes) % tileBytes;
        const Trial other = placeTiles(t);
        finds.push_back(readingOf(other, confidence * share(other.score)));
    }
    return finds;
}

// The gap up to which a run after `f`'s that reads alike is joined to it.
int64_t joinGap(const Find& f) {
    return std::max(kJoinBytes, kJoinTiles * std::abs(int64_t(f.values.tileDelta)) / 8);
}

// The widest such gap, that runs wait for where a run still to come could join them.
int64_t widestJoinGap() {
    int64_t widest = kJoinBytes;
    for (const Candidate& c : searchCandidates())
        widest = std::max(widest, kJoinTiles * c.tileBytes);
    return widest;
}

std::vector<Find> scanSource(const FinderOptions& options, WorkPool& pool, const ReadAt& read,
                             int64_t size) {
    const int threads = std::max(1, options.threads);
    // The far neighbour: at most half the file away, at the same alignment.
    const int64_t far = std::min<int64_t>(BlockSignal::kFar, (size / 2) / 48 * 48);
    const int64_t blocks = (size + kBlock - 1) / kBlock;
    std::vector<Find> kept;
    RegionBuilder builder;

    auto judge = [&](std::vector<Region>& regions) {
        std::vector<std::vector<Find>> found(regions.size());
        // The runs side by side, and the trials of each shared out too: a long run's trials
        // keep a thread busy that is done with the short ones.
        pool.run(regions.size(), [&](size_t i) {
            found[i] = readingsOf(read, regions[i], options.minConfidence, &pool);
        });
        auto layoutOf = [&](size_t i) {
            return found[i].empty() ? std::string() : found[i].front().layout;
        };
        // A run can break where it looks cold for a while (a stretch of blank glyphs, say):
        // neighbours that read the same way are judged again as one, so that their tiles
        // are placed from one start. Runs joined across more than kJoinBytes (as tiles) that
        // together read otherwise (the middle judged may be the cold stretch) are joined only
        // within kJoinBytes instead.
        struct Joined {
            size_t first, last;  // the runs joined
            bool farApart;       // across more than kJoinBytes somewhere
        };
        auto joinRuns = [&](size_t from, size_t to, bool far) {
            std::vector<Joined> joins;
            for (size_t i = from; i + 1 < to; ++i) {
                size_t j = i;
                bool farApart = false;
                while (j + 1 < to && !layoutOf(j).empty() && layoutOf(j + 1) == layoutOf(j)) {
                    const int64_t gap = regions[j + 1].start - regions[j].end;
                    if (gap > (far ? joinGap(found[j].front()) : kJoinBytes)) break;
                    farApart = farApart || gap > kJoinBytes;
                    ++j;
                }
                if (j > i) joins.push_back({i, j, farApart});
                i = j;
            }
            return joins;
        };
        auto judgeJoined = [&](const std::vector<Joined>& joins) {
            std::vector<std::vector<Find>> wholes(joins.size());
            pool.run(joins.size(), [&](size_t k) {
                const Region whole = {regions[joins[k].first].start, regions[joins[k].last].end};
                wholes[k] = readingsOf(read, whole, options.minConfidence, &pool);
            });
            return wholes;
        };
        auto take = [&](const Joined& join, std::vector<Find>& whole) {
            for (size_t m = join.first + 1; m <= join.last; ++m) found[m].clear();
            found[join.first] = std::move(whole);
        };
        const std::vector<Joined> joins = joinRuns(0, found.size(), true);
        std::vector<std::vector<Find>> wholes = judgeJoined(joins);
        std::vector<Joined> nearer;  // joins read otherwise, joined again within kJoinBytes
        for (size_t k = 0; k < joins.size(); ++k) {
            const Joined& join = joins[k];
            if (join.farApart &&
                (wholes[k].empty() || wholes[k].front().layout != layoutOf(join.first))) {
                const std::vector<Joined> again = joinRuns(join.first, join.last + 1, false);
                nearer.insert(nearer.end(), again.begin(), again.end());
            } else {
                take(join, wholes[k]);
            }
        }
        std::vector<std::vector<Find>> nearWholes = judgeJoined(nearer);
        for (size_t k = 0; k < nearer.size(); ++k) take(nearer[k], nearWholes[k]);
        // Planes followed past their run's end may take in the runs after it.
        for (size_t i = 0; i < found.size(); ++i) {
            if (found[i].empty()) continue;
            for (size_t j = i + 1; j < found.size() && regions[j].start < found[i].front().end;
                 ++j) {
                found[j].clear();
            }
        }
        for (const std::vector<Find>& readings : found) {
            for (const Find& f : readings) {
                if (f.confidence >= options.minConfidence) kept.push_back(f);
            }
        }
        std::sort(kept.begin(), kept.end(), [](const Find& a, const Find& b) {
            return a.confidence != b.confidence ? a.confidence > b.confidence : a.score > b.score;
        });
        if (int64_t(kept.size()) > options.top)
            kept.resize(size_t(std::max<int64_t>(options.top, 0)));
        regions.clear();
    };

    const int64_t widestJoin = widestJoinGap();
    const int64_t batchBytes = kChunkBytes * threads;
    std::vector<Region> regions;
    for (int64_t batch = 0; batch < blocks * kBlock; batch += batchBytes) {
        const int64_t batchEnd = std::min(blocks * kBlock, batch + batchBytes);
        // A short batch (a small file, or the end of one) is shared out among all the threads
        // too: each block is measured on its own, wherever the chunks are cut.
        const int64_t batchBlocks = (batchEnd - batch) / kBlock;
        const int64_t chunkBytes =
            std::min(kChunkBytes, (batchBlocks + threads - 1) / threads * kBlock);
        const size_t chunks = size_t((batchEnd - batch + chunkBytes - 1) / chunkBytes);
        std::vector<std::vector<BlockSignal::Measure>> signals(chunks);
        pool.run(chunks, [&](size_t c) {
            const int64_t from = batch + int64_t(c) * chunkBytes;
            signals[c] = blockSignals(read, size, far, from, std::min(batchEnd, from + chunkBytes));
        });
        for (size_t c = 0; c < chunks; ++c) {
            const int64_t from = batch + int64_t(c) * chunkBytes;
            for (size_t k = 0; k < signals[c].size(); ++k) {
                builder.push(from + int64_t(k) * kBlock, signals[c][k], regions);
            }
        }
        // Runs that a run still to come could join wait for it.
        size_t settled = regions.size();
        while (settled > 0 && regions[settled - 1].end + widestJoin >=
                                  (settled < regions.size() ? regions[settled].start
                                                            : builder.openStart(batchEnd))) {
            --settled;
        }
        std::vector<Region> now(regions.begin(), regions.begin() + long(settled));
        regions.erase(regions.begin(), regions.begin() + long(settled));
        judge(now);
        if (options.progress) options.progress(batchEnd, size);
    }
    builder.finish(regions);
    for (Region& r : regions) r.end = std::min(r.end, size);
    judge(regions);
    return kept;
}

}  // namespace

Finder::Finder(FinderOptions options)
    : options_(std::move(options)),
      pool_(std::make_shared<WorkPool>(std::max(1, options_.threads))) {}

double Finder::confidenceOf(double score, int64_t tiles) {
    const double certainty = 1.0 - std::exp(-double(tiles) / 24.0);
    return certainty / (1.0 + std::exp(-(score - 0.08) / 0.02));
}

std::vector<Find> Finder::scanBytes(const uint8_t* bytes, int64_t length) const {
    const ReadAt read = [&](int64_t offset, uint8_t* out, int64_t count) {
        const int64_t n = std::clamp<int64_t>(length - offset, 0, count);
        if (n > 0) std::memcpy(out, bytes + offset, size_t(n));
        return n;
    };
    return scanSource(options_, *pool_, read, length);
}

bool Finder::scan(const std::string& path, std::vector<Find>& finds, std::string& reason) const {
    RegularFile file;
    if (!file.open(path)) {
        reason = file.reason();
        return false;
    }
    // The reads themselves could run side by side, but a failed one records its reason.
    std::mutex reading;
    const ReadAt read = [&](int64_t offset, uint8_t* out, int64_t count) {
        const std::lock_guard<std::mutex> lock(reading);
        return file.readAt(offset, out, count);
    };
    finds = scanSource(options_, *pool_, read, file.size());
    return true;
}
