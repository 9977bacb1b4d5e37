#pragma once
#include <cstring>
#include <fstream>
#include <functional>
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

// The command line shared by the generators: [--check] GLYPH_SOURCE OUTPUT. make() writes
// (or, with --check, compares) the output and returns whether that went well.
inline int runGenerator(int argc, char** argv, const char* name,
                        const std::function<bool(const std::string& glyphs,
                                                 const std::string& output, bool check)>& make) {
    const bool check = argc == 4 && std::strcmp(argv[1], "--check") == 0;
    if (argc != 3 + int(check)) {
        std::cerr << "usage: " << name << " [--check] GLYPH_SOURCE OUTPUT\n";
        return 2;
    }
    try {
        return make(argv[1 + int(check)], argv[2 + int(check)], check) ? 0 : 1;
    } catch (const std::exception& error) {
        std::cerr << error.what() << '\n';
        return 2;
    }
}
