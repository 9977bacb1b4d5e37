#include "cli/find/glyph_rows.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <vector>

#include "cli/find/beyond_chance.h"

namespace {

constexpr int64_t kShortest = 6, kTallest = 32;
constexpr int64_t kLooked = 8192;  // bytes looked at, at most
constexpr int64_t kSkipped = 2048;
constexpr int64_t kTrailing = 10;     // the share of a run left out at its end
constexpr double kClearPeak = 0.12;   // how much better than usual the period must repeat
constexpr double kSameAsBest = 0.02;  // multiples of the height repeat about as well
constexpr double kDivisorSlack = 0.08;
constexpr double kSameHalves = 0.2;
// How much better every even period repeats than any odd one where rows are dots a blank row
// apart, and what share of the disagreement left the glyph's height must take away.
constexpr double kDottedRows = 0.1;
constexpr double kClearShare = 0.25;
constexpr int64_t kWindowGlyphs = 32;  // glyphs a stretch of a run is judged on
constexpr int64_t kOpening = 16;       // a run opening with its first glyph has it here
// The share of glyphs in which a field of records is blank, or not, at most.
constexpr double kFieldShare = 0.05;

// Of the first n - lag bits, how many differ from the bit `lag` (1 to 63) on.
[[gnu::target_clones("popcnt", "default")]] int64_t changes(const std::vector<uint64_t>& bits,
                                                            int64_t n, int64_t lag) {
    int64_t differ = 0;
    for (int64_t w = 0; 64 * w < n - lag; ++w) {
        const uint64_t on = (bits[size_t(w)] >> lag) | (bits[size_t(w) + 1] << (64 - lag));
        uint64_t x = bits[size_t(w)] ^ on;
        const int64_t left = n - lag - 64 * w;  // bits of this word still compared
        if (left < 64) x &= (uint64_t(1) << left) - 1;
        differ += std::popcount(x);
    }
    return differ;
}

[[gnu::target_clones("popcnt", "default")]] double strokesOf(const uint8_t* bytes, int64_t length,
                                                             int64_t lag, int64_t step) {
    int64_t pairs = 0, agree = 0, ones = 0, inked = 0;
    for (int64_t i = 0; i + lag < length; i += step) {
        if (bytes[i] == 0) continue;
        ones += std::popcount(bytes[i]);
        ++inked;
        if (bytes[i + lag] == 0) continue;
        agree += 8 - std::popcount(uint8_t(bytes[i] ^ bytes[i + lag]));
        pairs += 8;
    }
    if (pairs == 0) return 0;
    return std::clamp(
        agreementBeyondChance(double(agree) / double(pairs), double(ones) / double(8 * inked)), 0.0,
        1.0);
}

// A glyph's height stands out from the two periods below it (agreement[h], how often a row's
// blankness repeats h rows on); a picture's blank rows agree the more, the nearer they are
// (every other period alike where rows are two bytes), down to the shortest period looked for.
bool standsOut(const std::vector<double>& agreement, int64_t h) {
    return agreement[size_t(h)] > std::max(agreement[size_t(h - 1)], agreement[size_t(h - 2)]);
}

// Braille keeps every other row blank: the even periods all repeat far better than the odd
// ones.
bool dottedRows(const std::vector<double>& agreement) {
    double oddMost = 0, evenLeast = 1;
    for (int64_t h = 1; h <= kTallest; h += 2) oddMost = std::max(oddMost, agreement[size_t(h)]);
    for (int64_t h = 2; h <= kTallest; h += 2)
        evenLeast = std::min(evenLeast, agreement[size_t(h)]);
    return evenLeast > oddMost + kDottedRows;
}

// The height of dotted rows' glyphs: the even period that stands out of its even neighbours
// most, where it takes away much of what little the usual even period leaves to agree; else 0.
int64_t dottedHeight(const std::vector<double>& agreement) {
    std::vector<double> even;
    for (int64_t h = 2; h <= kTallest; h += 2) even.push_back(agreement[size_t(h)]);
    std::nth_element(even.begin(), even.begin() + long(even.size() / 2), even.end());
    const double usualEven = even[even.size() / 2];
    int64_t height = 0;
    for (int64_t h = kShortest; h <= kTallest; h += 2) {
        const bool peak = agreement[size_t(h)] > agreement[size_t(h - 2)] &&
                          (h + 2 > kTallest || agreement[size_t(h)] > agreement[size_t(h + 2)]);
        if (peak && (height == 0 || agreement[size_t(h)] > agreement[size_t(height)])) height = h;
    }
    if (height == 0 || agreement[size_t(height)] - usualEven < kClearShare * (1 - usualEven)) {
        return 0;
    }
    return height;
}

// The height of glyphs with deep margins, whose nearest periods repeat best: the peak that
// rises most out of the periods down to half of it, by kClearPeak at least; else 0. It is
// taken as it is: the nearer periods repeat well for the margins' sake, not as a glyph's.
int64_t risingHeight(const std::vector<double>& agreement) {
    int64_t height = 0;
    double highest = kClearPeak;
    for (int64_t h = 2 * kShortest; h <= kTallest; ++h) {
        const bool peak = standsOut(agreement, h) &&
                          (h == kTallest || agreement[size_t(h + 1)] < agreement[size_t(h)]);
        if (!peak) continue;
        const double rise = agreement[size_t(h)] -
                            *std::min_element(&agreement[size_t(h / 2)], &agreement[size_t(h)]);
        if (rise >= highest) {
            highest = rise;
            height = h;
        }
    }
    return height;
}

// Which of bytes[0..n) are blank, a bit each (with a word to spare for changes).
std::vector<uint64_t> blankBitsOf(const uint8_t* bytes, int64_t n) {
    std::vector<uint64_t> bits(size_t(n / 64 + 2), 0);
    for (int64_t i = 0; i < n; ++i) bits[size_t(i / 64)] |= uint64_t(bytes[i] == 0) << (i % 64);
    return bits;
}

// How often the blankness of the first n bytes repeats `period` (1 to 63) bytes on.
double repeats(const std::vector<uint64_t>& blankBits, int64_t n, int64_t period) {
    return double(n - period - changes(blankBits, n, period)) / double(n - period);
}

// Where the glyphs before bytes[skip] start to be the font's: stretches of kWindowGlyphs
// glyphs, back from it, whose blank rows repeat with the glyphs' height better than with any
// other period (but its multiples and divisors). Code, or a font of another height, before the
// font repeats better with another, or with none.
int64_t fontOpening(const uint8_t* bytes, int64_t skip, int64_t height) {
    const int64_t window = kWindowGlyphs * height;
    int64_t opening = skip;
    while (opening >= window) {
        const std::vector<uint64_t> stretch = blankBitsOf(bytes + opening - window, window);
        const double glyphs = repeats(stretch, window, height);
        bool other = false;
        for (int64_t p = kShortest; p <= kTallest && !other; ++p) {
            other = p % height != 0 && height % p != 0 && repeats(stretch, window, p) >= glyphs;
        }
        if (other) break;
        opening -= window;
    }
    return opening;
}

}  // namespace

std::optional<GlyphRows> GlyphRows::of(const uint8_t* bytes, int64_t length) {
    // A run found by the block signal often opens with some of what precedes the font, and
    // may close with some of what follows (a table of the glyphs' code points, say, whose
    // zero bytes repeat with a short period): the rows are counted from a quarter into it to
    // a tenth before its end, and once the glyphs' height is known, back over the quarter as
    // far as it holds the font's glyphs. Fonts whose later glyphs (accented letters, say) are
    // cut as well elsewhere are told apart by the first ones.
    int64_t skip = std::min(length / 4, kSkipped);
    int64_t n = std::min(length - skip - length / kTrailing, kLooked);
    if (n < 4 * kTallest) return std::nullopt;
    std::vector<uint8_t> blank(static_cast<size_t>(n));
    int64_t blanks = 0;
    for (int64_t i = 0; i < n; ++i) blanks += blank[size_t(i)] = bytes[skip + i] == 0;
    const double density = double(blanks) / double(n);
    if (density < 0.1 || density > 0.8) return std::nullopt;

    // How often a row's blankness repeats a period later, for each period.
    const std::vector<uint64_t> blankBits = blankBitsOf(bytes + skip, n);
    std::vector<double> agreement(kTallest + 1, 0.0);
    for (int64_t h = 1; h <= kTallest; ++h) agreement[size_t(h)] = repeats(blankBits, n, h);
    std::vector<double> sorted(agreement.begin() + 1, agreement.end());
    std::sort(sorted.begin(), sorted.end());
    const double usual = sorted[sorted.size() / 2];
    const double best = *std::max_element(agreement.begin() + kShortest, agreement.end());
    int64_t height = kShortest;
    while (agreement[size_t(height)] < best - kSameAsBest) ++height;
    // Glyphs with deep margins (small letters in tall cells) keep rows blank for long: the
    // nearer the period, the better it repeats, up to the shortest looked for.
    const bool clear = best - usual >= kClearPeak && standsOut(agreement, height);
    const bool deepMargins =
        height == kShortest && !clear &&
        std::is_sorted(agreement.begin() + 1, agreement.begin() + kShortest + 1, std::greater<>());
    const bool dotted = !clear && dottedRows(agreement);
    if (dotted) {
        height = dottedHeight(agreement);
    } else if (deepMargins) {
        height = risingHeight(agreement);
    } else if (!clear) {
        return std::nullopt;
    }
    if (height == 0) return std::nullopt;
    // Twice a glyph's height repeats as well as once: take the glyph, not the pair.
    for (int64_t d = kShortest; d < height && !deepMargins; ++d) {
        if (height % d == 0 && agreement[size_t(d)] >= best - kDivisorSlack) {
            height = d;
            break;
        }
    }
    if (const int64_t opening = fontOpening(bytes, skip, height); opening < skip) {
        blank.insert(blank.begin(), size_t(skip - opening), 0);
        for (int64_t i = 0; i < skip - opening; ++i) blank[size_t(i)] = bytes[opening + i] == 0;
        n += skip - opening;
        skip = opening;
    }

    // Rows that are blank in most glyphs are margins; they run together across the cut from
    // one glyph to the next.
    std::vector<double> empty(static_cast<size_t>(height), 0.0);
    for (int64_t i = 0; i < n; ++i) empty[size_t((skip + i) % height)] += blank[size_t(i)];
    // Glyphs alike in pairs can make twice their height repeat best; the blank rows of its
    // two halves are then the same, where a glyph's top and bottom differ.
    while (!deepMargins && height % 2 == 0 && height / 2 >= kShortest) {
        const int64_t half = height / 2;
        double differ = 0, total = 0;
        for (int64_t r = 0; r < half; ++r) {
            differ += std::abs(empty[size_t(r)] - empty[size_t(r + half)]);
            total += empty[size_t(r)] + empty[size_t(r + half)];
        }
        if (differ > kSameHalves * total) break;
        for (int64_t r = 0; r < half; ++r) empty[size_t(r)] += empty[size_t(r + half)];
        empty.resize(size_t(half));
        height = half;
    }
    const auto [fewest, most] = std::minmax_element(empty.begin(), empty.end());
    const double margin = (*fewest + *most) / 2;
    auto marginRow = [&](int64_t r) {
        return empty[size_t(((r % height) + height) % height)] > margin;
    };
    int64_t runStart = 0, runLength = 0;
    double runBlank = 0;
    for (int64_t r = 0; r < height; ++r) {
        if (!marginRow(r) || marginRow(r - 1)) continue;  // runs start after a row with ink
        int64_t length = 0;
        double blankness = 0;
        for (; length < height && marginRow(r + length); ++length) {
            blankness += empty[size_t((r + length) % height)];
        }
        if (length > runLength || (length == runLength && blankness > runBlank)) {
            runLength = length;
            runStart = r;
            runBlank = blankness;
        }
    }
    if (runLength == 0 || runLength == height) return std::nullopt;
    // Glyphs are cut after the row blank in the most of them: the last row below a letter,
    // kept free so that lines of text do not touch, or the first above it. Where margins are
    // equally blank (to a glyph in a hundred, at least one), the bottom one is the deeper
    // (room for descenders): about a third of the run lies above the next glyph.
    const int64_t third = runLength - (runLength + 1) / 3 - 1;  // the row a third would cut after
    const double tie = std::max(1.0, 0.01 * double(n) / double(height));
    int64_t blankest = third;
    for (int64_t k = 0; k < runLength; ++k) {
        const double here = empty[size_t((runStart + k) % height)];
        const double best = empty[size_t((runStart + blankest) % height)];
        const bool closer = std::abs(k - third) < std::abs(blankest - third);
        if (here > best + tie || (here >= best - tie && closer)) blankest = k;
    }
    int64_t start = (runStart + blankest + 1) % height;
    // Strokes join the rows of a glyph, not the last row of one glyph to the first of the
    // next: where ink meets ink across one row boundary clearly less often than across the
    // blankest row, glyphs are cut there. Fonts whose top rows are as blank as their bottom
    // ones are told apart so.
    std::vector<int64_t> joined(static_cast<size_t>(height), 0);
    for (int64_t i = 1; i < n; ++i)
        joined[size_t((skip + i) % height)] += !blank[size_t(i)] && !blank[size_t(i - 1)];
    const auto seldom = std::min_element(joined.begin(), joined.end());
    if (double(*seldom) + tie < double(joined[size_t(start)])) start = seldom - joined.begin();

    // Where the run opens with a font's first glyph, that is where glyphs start.
    for (int64_t p = 1; p < kOpening && p + height <= length; ++p) {
        if (opensFont(bytes + p, height)) {
            start = p % height;
            break;
        }
    }
    // Kept off 0 and 1: one glyph unlike all the others does not rule a font out.
    std::vector<double> blankRows(static_cast<size_t>(height));
    const double glyphs = double(n) / double(height);
    for (int64_t r = 0; r < height; ++r)
        blankRows[size_t(r)] = std::clamp(empty[size_t((start + r) % height)] / glyphs, 0.02, 0.98);
    // Records whose fields are zero or not stay so from record to record: a row blank in almost
    // every glyph between rows blank in almost none. A font's letters leave each row blank in
    // some glyphs, and do not all stop at one row to go on below it.
    bool records = false;
    for (int64_t r = 1; r + 1 < height; ++r) {
        auto inked = [&](int64_t k) { return blankRows[size_t(k)] <= kFieldShare; };
        if (blankRows[size_t(r)] < 1 - kFieldShare) continue;
        bool above = false, below = false;
        for (int64_t k = 0; k < r; ++k) above |= inked(k);
        for (int64_t k = r + 1; k < height; ++k) below |= inked(k);
        records |= above && below;
    }
    return GlyphRows{height, start, blankRows, density, dotted, records};
}

bool GlyphRows::opensFont(const uint8_t* glyph, int64_t height) {
    return glyph[-1] != 0 && std::all_of(glyph, glyph + height, [](uint8_t b) { return b == 0; });
}

double GlyphRows::strokes(const uint8_t* bytes, int64_t length, int64_t lag, int64_t step) {
    return strokesOf(bytes, length, lag, step);
}

double GlyphRows::evidence(const uint8_t* glyph) const {
    double evidence = 0;
    const double p = std::clamp(blankBytes, 0.02, 0.98);
    for (int64_t r = 0; r < height; ++r) {
        const double q = blankRows[size_t(r)];
        evidence += glyph[r] == 0 ? std::log(q / p) : std::log((1 - q) / (1 - p));
    }
    return evidence;
}
