// Writes the planted cases of the finder's evaluation corpus and the truth of every region:
// each picture, reduced to 2, 4, 8, 16 or 256 grey levels, encoded in each layout family and
// embedded at a random byte of a random host; the fonts of the real files, located by their
// headers or by the first glyphs of the PC's character set; the hosts as files without graphics.
//   find_corpus CORPUS_DIR     (after bench/make_find_corpus.sh has laid out its inputs)
#include <algorithm>
#include <filesystem>
#include <iostream>
#include <random>

#include "decode/checksum_presets.h"
#include "find_truth.h"
#include "tile_encoder.h"

namespace fs = std::filesystem;

namespace {

struct Grey {
    int64_t width = 0, height = 0;
    std::vector<uint8_t> pixels;
};

Grey readPgm(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxValue = 0;
    Grey g;
    in >> magic >> g.width >> g.height >> maxValue;
    in.get();
    g.pixels.resize(size_t(g.width * g.height));
    in.read(reinterpret_cast<char*>(g.pixels.data()), std::streamsize(g.pixels.size()));
    return g;
}

struct Family {
    std::string name;
    TileLayout layout;
    int planes;
    bool apart;  // planes a fixed distance apart: bitplane_delta is set per picture
};

TileLayout rows(bool high, int32_t rowDelta, int32_t tileDelta, int32_t planes,
                int32_t planeDelta) {
    return {high ? 7 : 0, rowDelta, high ? -1 : 1, 8, tileDelta, planes, planeDelta, 0, 0, 0};
}

std::vector<Family> families() {
    std::vector<Family> all = {
        {"rows-msb-8x8", rows(true, 8, 64, 1, 1), 1, false},
        {"rows-lsb-8x8", rows(false, 8, 64, 1, 1), 1, false},
        {"rows-msb-16x16", {7, 16, -1, 16, 256, 1, 1, 0, 16, 16}, 1, false},
        {"rows-lsb-16x16", {0, 16, 1, 16, 256, 1, 1, 0, 0, 0}, 1, false},
        {"columns-high-top", {7, -1, 8, 8, 64, 1, 1, 0, 0, 0}, 1, false},
        {"columns-low-top", {0, 1, 8, 8, 64, 1, 1, 0, 0, 0}, 1, false},
        {"chunky-8bpp", {7, 64, 8, 8, 512, 8, -1, 0, 0, 0}, 8, false},
    };
    for (int p : {2, 3, 4, 8}) {
        const std::string n = std::to_string(p);
        all.push_back({"planes" + n + "-rows", rows(true, 8 * p, 64 * p, p, 8), p, false});
        all.push_back({"planes" + n + "-tiles", rows(true, 8, 64 * p, p, 64), p, false});
        all.push_back({"planes" + n + "-apart", rows(true, 8, 64, p, 0), p, true});
    }
    for (const ChecksumPreset& preset : kChecksumPresets) {
        const TileLayout& l = preset.layout;
        // A preset whose planes are later tiles cannot hold an arbitrary picture.
        if (l.bitplanes > 1 && l.bitplaneDelta % l.tileDelta == 0) continue;
        all.push_back({"preset-" + std::to_string(preset.checksum), l, l.bitplanes, false});
    }
    return all;
}

// The picture as tiles in row-major order, reduced to 2^planes levels, the first plane the
// brightest bit; returns the encoded bytes and the layout that shows them from byte 0.
std::vector<uint8_t> encodePicture(const Grey& g, const Family& f, TileLayout& layout) {
    layout = f.layout;
    const int64_t side = layout.tileSize;
    const int64_t across = g.width / side, down = g.height / side;
    const int64_t tiles = across * down;
    const int64_t tileBytes = layout.tileDelta / 8;
    // A negative offset (the presets') counts back from the first tile: start one tile on.
    const int64_t lead = layout.offset < 0 ? tileBytes : 0;
    int64_t length = tiles * tileBytes + lead + tileBytes;
    if (f.apart) {
        layout.bitplaneDelta = int32_t(8 * tiles * tileBytes);
        length = f.planes * tiles * tileBytes + lead;
    }
    layout.offset += int32_t(8 * lead);
    EncodedSample sample(static_cast<size_t>(length));
    sample.encode(layout, tiles, [&](int64_t n, int64_t px, int64_t py, int64_t p) {
        const int64_t x = (n % across) * side + px, y = (n / across) * side + py;
        const int level = (g.pixels[size_t(y * g.width + x)] * (1 << f.planes)) >> 8;
        return ((level >> (f.planes - 1 - p)) & 1) != 0;
    });
    return sample.bytes;
}

void fontRegions(const fs::path& file, const std::string& relative, std::vector<TruthRegion>& out) {
    const std::vector<uint8_t> d = readWhole(file.string());
    const TileLayout msb{7, 8, -1, 8, 64, 1, 1, 0, 0, 0};
    auto add = [&](int64_t start, int64_t length) {
        if (start >= 0 && start + length <= int64_t(d.size()))
            out.push_back({"font", relative, start, start + length, "font-rows-msb-8x8", msb});
    };
    if (d.size() > 4 && d[0] == 0x36 && d[1] == 0x04) {  // PSF 1: 256 or 512 glyphs, 8 wide
        add(4, ((d[2] & 1) ? 512 : 256) * int64_t(d[3]));
        return;
    }
    if (d.size() > 32 && d[0] == 0x72 && d[1] == 0xb5 && d[2] == 0x4a && d[3] == 0x86) {
        auto word = [&](size_t at) {
            return int64_t(d[at]) | int64_t(d[at + 1]) << 8 | int64_t(d[at + 2]) << 16 |
                   int64_t(d[at + 3]) << 24;
        };
        if (word(28) <= 8) add(word(8), word(16) * word(20));  // header, glyphs x their bytes
        return;
    }
    // The PC character set opens with a blank glyph and a smiling face.
    for (size_t i = 16; i + 16 < d.size(); ++i) {
        if (!(d[i] == 0x7E && d[i + 1] == 0x81 && d[i + 2] == 0xA5 && d[i + 3] == 0x81)) continue;
        if (d[i + 4] == 0xBD) {
            add(int64_t(i) - 8, 256 * 8);
        } else if (d[i + 4] == 0x81 && d[i + 5] == 0xBD) {
            const int64_t height = d[i + 8] == 0x7E ? 14 : 16;
            add(int64_t(i) - 2 - height, 256 * height);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::cerr << "usage: find_corpus CORPUS_DIR [SEED]\n";
        return 2;
    }
    const fs::path corpus = argv[1];
    // Another seed plants the same pictures at other places, to check that what was tuned on
    // one corpus holds on another.
    const uint64_t seed = argc == 3 ? std::stoull(argv[2]) : 20261208;
    std::vector<TruthRegion> truth;
    std::vector<fs::path> hosts, pictures, reals;
    for (const auto& e : fs::directory_iterator(corpus / "hosts")) hosts.push_back(e.path());
    for (const auto& e : fs::directory_iterator(corpus / "pictures")) pictures.push_back(e.path());
    for (const auto& e : fs::directory_iterator(corpus / "real")) reals.push_back(e.path());
    std::sort(hosts.begin(), hosts.end());
    std::sort(pictures.begin(), pictures.end());
    std::sort(reals.begin(), reals.end());

    std::mt19937_64 random(seed);
    int cases = 0;
    for (const fs::path& picture : pictures) {
        const Grey g = readPgm(picture);
        for (const Family& f : families()) {
            TileLayout layout;
            const std::vector<uint8_t> data = encodePicture(g, f, layout);
            const std::vector<uint8_t> host = readWhole(hosts[random() % hosts.size()].string());
            // A window of the host around the planted bytes, at a random byte.
            const size_t around = std::min<size_t>(host.size(), 96 << 10);
            const size_t from = host.size() > around ? random() % (host.size() - around) : 0;
            std::vector<uint8_t> bytes(host.begin() + long(from),
                                       host.begin() + long(from + around));
            const size_t at = random() % (bytes.size() + 1);
            bytes.insert(bytes.begin() + long(at), data.begin(), data.end());
            const std::string name = "planted/case-" + std::to_string(cases++) + ".bin";
            std::ofstream(corpus / name, std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
            truth.push_back({"planted", name, int64_t(at), int64_t(at + data.size()),
                             picture.stem().string() + "-" + f.name, layout});
        }
    }
    for (const fs::path& real : reals) fontRegions(real, "real/" + real.filename().string(), truth);
    for (const auto& e : fs::directory_iterator(corpus / "clean")) {
        truth.push_back({"clean", "clean/" + e.path().filename().string(), 0, 0, "none", {}});
    }
    std::ofstream out(corpus / "truth.txt");
    for (const TruthRegion& r : truth) out << truthLine(r) << '\n';
    std::cout << cases << " planted cases, " << truth.size() << " lines of truth\n";
    return 0;
}
