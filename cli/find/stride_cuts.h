#pragma once
#include <cstdint>
#include <vector>

#include "cli/find/block_signal.h"

// A run of blocks that look like graphics can hold a picture among tables, and its readings
// are tried on its middle, which the tables may fill. Blocks of one kind of data are most
// alike at one near distance (BlockSignal::Measure::stride): a picture's rows a byte apart,
// a table's records some bytes apart, and a table's blocks at different ones in turn.
// Where a run is cut, from its blocks' measures: at the ends of each stretch of at least 16
// blocks of one stride (0, no clear one, aside; 2 blocks of others may come between them)
// with 16 blocks on each side that mostly do not share it and look like graphics (a signal of
// 0.5 on average), but less so than the stretch: a picture among tables. A stretch beside
// cold blocks is what its run holds already; one less alike than its sides is more tables.
// Block indices, ascending.
std::vector<int64_t> strideCuts(const std::vector<BlockSignal::Measure>& blocks);
