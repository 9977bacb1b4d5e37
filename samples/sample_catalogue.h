#pragma once
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

inline constexpr const char* kSampleDirectory = "examples";

// The entries of the sample directory, listed once, in the order the platform yields them.
struct SampleCatalogue {
    std::filesystem::path directory;
    std::vector<std::string> entries;

    void scan(const std::string& directoryName);
    size_t count() const { return entries.size(); }
    const std::string& entry(size_t index) const { return entries[index]; }
    std::string directoryText() const { return directory.string(); }
};
