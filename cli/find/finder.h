#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "decode/tile_layout.h"

class WorkPool;

// One place in a file that holds tile graphics, and the values that show them.
struct Find {
    int64_t start = 0;  // first byte of the range
    int64_t end = 0;    // one past its last byte
    std::string layout;
    TileLayout values{};  // relative to start: the offset lies within the first tile
    double score = 0;     // bits saved per bit covered (see scoreLayout)
    double confidence = 0;
};

struct FinderOptions {
    int threads = 1;
    int64_t top = 10;             // finds kept per file, best first
    double minConfidence = 0.55;  // finds below it are dropped
    // Called now and then with the bytes scanned so far.
    std::function<void(int64_t done, int64_t total)> progress;
};

// Scans a file for tile graphics: a fast pass over every block finds runs of bytes that are
// more alike nearby than far off, then every layout of the search is tried at every phase on
// each run and the best one that explains it is reported. Reads the file in windows, so
// memory stays the same for files of any size.
class Finder {
public:
    explicit Finder(FinderOptions options);

    // The finds of one file, best first; false with a reason when it cannot be read (a FIFO
    // or device is refused without waiting on it).
    bool scan(const std::string& path, std::vector<Find>& finds, std::string& reason) const;
    // The same over bytes in memory.
    std::vector<Find> scanBytes(const uint8_t* bytes, int64_t length) const;

    // The confidence that goes with a score and a number of tiles.
    static double confidenceOf(double score, int64_t tiles);

private:
    FinderOptions options_;
    // Its threads serve every scan, so that scanning many small files does not start and stop
    // them for each; scans may run side by side.
    std::shared_ptr<WorkPool> pool_;
};
