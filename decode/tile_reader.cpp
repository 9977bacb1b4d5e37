#include "decode/tile_reader.h"

#include <cstring>

namespace tile_reader_detail {

BitSpread::BitSpread() {
    for (int v = 0; v < 256; ++v) {
        lowFirst[v] = highFirst[v] = 0;
        for (int i = 0; i < 8; ++i) {
            if (v & (1 << i)) {
                lowFirst[v] |= uint64_t(0x80) << (8 * i);
                highFirst[v] |= uint64_t(0x80) << (8 * (7 - i));
            }
        }
    }
}

const BitSpread kBitSpread;

}  // namespace tile_reader_detail

void TileReader::prepare(const uint8_t* bytes, int64_t length, const TileLayout& layout) {
    bytes_ = bytes;
    length_ = length;
    bits_ = 8 * uint64_t(length);
    tileSize_ = layout.tileSize;
    planes_ = layout.greyPlanes();
    const int64_t bits = int64_t(bits_);
    const bool unitSteps = layout.xDelta == 1 || layout.xDelta == -1;
    direction_ = tileSize_ <= bits && unitSteps ? layout.xDelta : 0;
    // Columns 0-3, 4-7, 8-11 and 12-15 may each have their own offset; a run goes on while
    // the offset does.
    runCount_ = 0;
    for (int64_t px = 0; px < tileSize_; ++px) {
        if (px == 0 || layout.columnGroupOffset(px) != layout.columnGroupOffset(px - 1)) {
            runs_[runCount_++] = {px, 0};
        }
        ++runs_[runCount_ - 1].count;
    }
    path_ = direction_ == 0                    ? RowPath::Bits
            : runCount_ == 1 && tileSize_ <= 8 ? RowPath::NarrowWords
                                               : RowPath::Words;
    firstTile_ = wrapBitAddress(layout.offset, bits);
    tileStep_ = wrapBitAddress(layout.tileDelta, bits);
    doubleTileStep_ = wrapBitAddress(2 * int64_t(layout.tileDelta), bits);
    for (int64_t px = 0; px < tileSize_; ++px) {
        columnStep_[px] = wrapBitAddress(px * layout.xDelta + layout.columnGroupOffset(px), bits);
    }
    for (int p = 0; p < planes_; ++p) {
        for (int64_t py = 0; py < tileSize_; ++py) {
            rowStep_[p][py] =
                wrapBitAddress(py * layout.yDelta + p * int64_t(layout.bitplaneDelta), bits);
        }
    }
}
