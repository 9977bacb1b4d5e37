#pragma once
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

// Writes a generated file, or in check mode reports whether the committed one differs.
inline bool emitGeneratedFile(const std::string& path, const std::vector<uint8_t>& bytes,
                              bool check) {
    if (check) {
        std::ifstream in(path, std::ios::binary);
        const std::vector<uint8_t> committed((std::istreambuf_iterator<char>(in)),
                                             std::istreambuf_iterator<char>());
        if (committed != bytes) {
            std::cerr << path << " is not what its generator makes; run the generator again\n";
            return false;
        }
        return true;
    }
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}
