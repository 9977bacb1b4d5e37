#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct Parameter {
    std::string name;
    int32_t value = 0;
};

// The decoding parameters in display order. Entries are only ever appended, so a
// position keeps its name for the whole run.
struct ParameterList {
    std::vector<Parameter> entries;

    void set(const std::string& name, int32_t value);
    // 0 for a name that is not in the list.
    int32_t get(const std::string& name) const;
    void resetToDefaults();

    size_t size() const { return entries.size(); }
    Parameter& operator[](size_t position) { return entries[position]; }
    const Parameter& operator[](size_t position) const { return entries[position]; }
};
