// Runs quorvane-find's search over the evaluation corpus and prints how well it does: the
// share of regions found at rank 1 and within the first 5, the fonts of the real files at
// rank 1, finds above the default confidence per 10 MiB of files without graphics, and the
// scanning speed.
//   find_eval CORPUS_DIR [--threads N] [--verbose] [--require-rank1 SHARE] [--require-rank5 SHARE]
//             [--require-fonts N]      (exit status 1 when a requirement is not met)
//
// A region counts as found at rank k when, among the file's finds that overlap it (best
// first), the k-th is the first whose values decode the region's tiles to the same shapes:
// tiles at the same bit addresses (so a shift by whole tiles is allowed) whose grey levels
// agree up to a one-to-one relabelling on at least 90% of their pixels. The share at rank 1
// is also given without the regions that decode to one grey level nearly throughout, which
// are blank runs rather than graphics.
#include <chrono>
#include <cstring>
#include <iostream>
#include <map>
#include <thread>

#include "cli/find/finder.h"
#include "find_truth.h"

namespace {

bool bitAt(const std::vector<uint8_t>& bytes, int64_t address) {
    return (bytes[size_t(address >> 3)] >> (address & 7)) & 1;
}

int greyAt(const std::vector<uint8_t>& bytes, const TileLayout& l, int64_t base, int64_t x,
           int64_t y, bool& inside) {
    int g = 0;
    for (int p = 0; p < l.greyPlanes(); ++p) {
        const int64_t a = base + l.bitAddress(0, x, y, p) - l.offset;
        if (a < 0 || a >= 8 * int64_t(bytes.size())) {
            inside = false;
            return 0;
        }
        g |= int(bitAt(bytes, a)) << (7 - p);
    }
    return g;
}

bool sameShapes(const std::vector<uint8_t>& bytes, const TruthRegion& truth, const Find& find) {
    const TileLayout& t = truth.values;
    const TileLayout& f = find.values;
    if (t.tileSize != f.tileSize || t.tileDelta != f.tileDelta || t.tileDelta <= 0) return false;
    const int64_t truthFirst = 8 * truth.start + t.offset;
    const int64_t findFirst = 8 * find.start + f.offset;
    if ((((truthFirst - findFirst) % t.tileDelta) + t.tileDelta) % t.tileDelta != 0) return false;
    const int64_t tiles = std::min<int64_t>(512, 8 * (truth.end - truth.start) / t.tileDelta);
    std::map<std::pair<int, int>, int64_t> joint;
    int64_t pixels = 0;
    for (int64_t k = 0; k < tiles; ++k) {
        const int64_t base = truthFirst + k * t.tileDelta;
        for (int64_t y = 0; y < t.tileSize; ++y) {
            for (int64_t x = 0; x < t.tileSize; ++x) {
                bool inside = true;
                const int a = greyAt(bytes, t, base, x, y, inside);
                const int b = greyAt(bytes, f, base, x, y, inside);
                if (!inside) continue;
                ++joint[{a, b}];
                ++pixels;
            }
        }
    }
    // The best one-to-one relabelling, taken greedily from the most common pairs.
    std::vector<std::pair<int64_t, std::pair<int, int>>> pairs;
    for (const auto& [key, count] : joint) pairs.push_back({count, key});
    std::sort(pairs.rbegin(), pairs.rend());
    std::map<int, int> forward, backward;
    int64_t agree = 0;
    for (const auto& [count, key] : pairs) {
        if (forward.count(key.first) || backward.count(key.second)) continue;
        forward[key.first] = key.second;
        backward[key.second] = key.first;
        agree += count;
    }
    return pixels > 0 && agree >= pixels * 9 / 10;
}

// A region whose pixels, decoded with its own values, have one grey level in at least this
// share is a blank run: a picture reduced to few levels can come out so (a texture of middle
// greys at 2 or 4 levels).
constexpr double kOneLevel = 0.98;

// The share of a region's pixels, decoded with its own values, that have its most common
// grey level: 1 where the picture planted there has come out as one level throughout.
double mostCommonLevel(const std::vector<uint8_t>& bytes, const TruthRegion& truth) {
    const TileLayout& t = truth.values;
    if (t.tileDelta <= 0) return 0;
    const int64_t tiles = std::min<int64_t>(512, 8 * (truth.end - truth.start) / t.tileDelta);
    std::map<int, int64_t> levels;
    int64_t pixels = 0;
    for (int64_t k = 0; k < tiles; ++k) {
        const int64_t base = 8 * truth.start + t.offset + k * t.tileDelta;
        for (int64_t y = 0; y < t.tileSize; ++y) {
            for (int64_t x = 0; x < t.tileSize; ++x) {
                bool inside = true;
                const int g = greyAt(bytes, t, base, x, y, inside);
                if (!inside) continue;
                ++levels[g];
                ++pixels;
            }
        }
    }
    int64_t most = 0;
    for (const auto& [level, count] : levels) most = std::max(most, count);
    return pixels ? double(most) / double(pixels) : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: find_eval CORPUS_DIR [--threads N] [--verbose] [--require-rank1 S] "
                     "[--require-rank5 S]\n";
        return 2;
    }
    const std::string corpus = argv[1];
    FinderOptions options;
    options.threads = int(std::max(1u, std::thread::hardware_concurrency()));
    // Every find counts, not only the ten a file shows by default: a region is ranked among
    // the finds that overlap it, and every find above the default confidence in a file without
    // graphics is a false one. The speed is that of the default search. The other readings of
    // a run lie below the default confidence: where they come within the first five is shown
    // apart.
    options.top = INT64_MAX;
    bool verbose = false;
    double requireRank1 = 0, requireRank5 = 0;
    int64_t requireFonts = 0;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--threads" && i + 1 < argc) options.threads = std::atoi(argv[++i]);
        if (a == "--verbose") verbose = true;
        if (a == "--require-rank1" && i + 1 < argc) requireRank1 = std::atof(argv[++i]);
        if (a == "--require-rank5" && i + 1 < argc) requireRank5 = std::atof(argv[++i]);
        if (a == "--require-fonts" && i + 1 < argc) requireFonts = std::atoll(argv[++i]);
    }
    const Finder finder(options);
    FinderOptions everything = options;
    everything.minConfidence = 0;
    const Finder ranking(everything);
    std::map<std::string, std::vector<TruthRegion>> byFile;
    for (const TruthRegion& r : readTruth(corpus + "/truth.txt")) byFile[r.path].push_back(r);

    int64_t regions = 0, rank1 = 0, rank5 = 0, rank5All = 0, fonts = 0, fonts1 = 0;
    int64_t oneLevel = 0, oneLevelRank1 = 0;  // regions that decode to one grey level, nearly
    int64_t cleanBytes = 0, cleanFinds = 0, scannedBytes = 0;
    double seconds = 0;
    std::map<std::string, std::pair<int, int>> byLayout;  // found at rank 1, of
    for (const auto& [path, truths] : byFile) {
        const std::vector<uint8_t> bytes = readWhole(corpus + "/" + path);
        const auto started = std::chrono::steady_clock::now();
        std::vector<Find> finds;
        std::string reason;
        if (!finder.scan(corpus + "/" + path, finds, reason)) {
            std::cerr << path << ": " << reason << '\n';
            return 1;
        }
        seconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        scannedBytes += int64_t(bytes.size());
        const std::vector<Find> ranked = ranking.scanBytes(bytes.data(), int64_t(bytes.size()));
        for (const TruthRegion& truth : truths) {
            if (truth.kind == "clean") {
                cleanBytes += int64_t(bytes.size());
                cleanFinds += int64_t(finds.size());
                if (verbose) {
                    for (const Find& f : finds)
                        std::cout << "false  " << path << " " << f.start << "-" << f.end << " "
                                  << f.layout << " score " << f.score << " confidence "
                                  << f.confidence << '\n';
                }
                continue;
            }
            // The rank among all finds, and the same among those shown by default (a prefix,
            // as finds come most confident first), 0 where it is not among them.
            int rankAll = 0, position = 0;
            bool shown = false;
            for (const Find& f : ranked) {
                if (f.end <= truth.start || f.start >= truth.end) continue;
                ++position;
                if (sameShapes(bytes, truth, f)) {
                    rankAll = position;
                    shown = f.confidence >= options.minConfidence;
                    break;
                }
            }
            const int rank = shown ? rankAll : 0;
            if (mostCommonLevel(bytes, truth) >= kOneLevel) {
                ++oneLevel;
                oneLevelRank1 += rank == 1;
            }
            ++regions;
            rank1 += rank == 1;
            rank5 += rank >= 1 && rank <= 5;
            rank5All += rankAll >= 1 && rankAll <= 5;
            const std::string family = truth.layout.substr(truth.layout.find('-') + 1);
            auto& tally = byLayout[truth.kind == "font" ? "font" : family];
            tally.first += rank == 1;
            tally.second += 1;
            if (truth.kind == "font") {
                ++fonts;
                fonts1 += rank == 1;
            }
            if (verbose && rank == 1) {
                for (const Find& f : ranked) {
                    if (f.end > truth.start && f.start < truth.end && sameShapes(bytes, truth, f)) {
                        std::cout << "found  " << path << " score " << f.score << " confidence "
                                  << f.confidence << '\n';
                        break;
                    }
                }
            }
            if (verbose && rank != 1) {
                // Whether the first overlapping find has the truth's values but where its tiles
                // start, or shows the region but lies below the default confidence.
                std::string phaseOnly;
                for (const Find& f : ranked) {
                    if (f.end <= truth.start || f.start >= truth.end) continue;
                    TileLayout a = f.values, b = truth.values;
                    a.offset = b.offset = 0;
                    if (sameShapes(bytes, truth, f)) {
                        phaseOnly = " (shown right, below the default confidence)";
                    } else if (a == b) {
                        phaseOnly = " (its layout, tiles starting elsewhere)";
                    }
                    break;
                }
                std::cout << "missed " << path << " " << truth.layout << " " << truth.start << "-"
                          << truth.end << " rank " << rank << phaseOnly;
                for (const Find& f : ranked) {
                    if (f.end <= truth.start || f.start >= truth.end) continue;
                    std::cout << " | " << f.start << "-" << f.end << " " << f.layout << " "
                              << f.confidence;
                }
                std::cout << '\n';
            }
        }
    }
    const double share1 = regions ? double(rank1) / double(regions) : 0;
    const double share5 = regions ? double(rank5) / double(regions) : 0;
    const double falsePer10MiB =
        cleanBytes ? double(cleanFinds) * 10.0 * 1048576 / double(cleanBytes) : 0;
    std::cout << "| measure | reached | target |\n|---|---|---|\n";
    std::printf("| regions found at rank 1 | %.1f%% (%lld of %lld) | 90%% |\n", 100 * share1,
                (long long)rank1, (long long)regions);
    std::printf(
        "| the same, leaving out the %lld regions of one grey level in 98%% of their pixels "
        "| %.1f%% (%lld of %lld) | |\n",
        (long long)oneLevel,
        regions > oneLevel ? 100.0 * double(rank1 - oneLevelRank1) / double(regions - oneLevel)
                           : 0.0,
        (long long)(rank1 - oneLevelRank1), (long long)(regions - oneLevel));
    std::printf("| regions found within the first 5 | %.1f%% | 98%% |\n", 100 * share5);
    std::printf("| the same, with finds below the default confidence | %.1f%% | |\n",
                regions ? 100.0 * double(rank5All) / double(regions) : 0.0);
    std::printf("| fonts of the real files at rank 1 | %lld of %lld | all |\n", (long long)fonts1,
                (long long)fonts);
    std::printf(
        "| finds above the default confidence per 10 MiB without graphics | %.1f (%lld in %.1f "
        "MiB) | 1 |\n",
        falsePer10MiB, (long long)cleanFinds, double(cleanBytes) / 1048576);
    std::printf("| scanning speed, %d thread%s | %.1f MB/s | 20 MB/s |\n", options.threads,
                options.threads == 1 ? "" : "s",
                seconds > 0 ? double(scannedBytes) / seconds / 1e6 : 0);
    std::cout << "\n| layout | found at rank 1 |\n|---|---|\n";
    for (const auto& [name, tally] : byLayout)
        std::printf("| %s | %d of %d |\n", name.c_str(), tally.first, tally.second);
    return share1 >= requireRank1 && share5 >= requireRank5 && fonts1 >= requireFonts ? 0 : 1;
}
