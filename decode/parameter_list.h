#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct Parameter {
    std::string name;
    int32_t value = 0;
};

// The decoding parameters in display order. Entries are only ever appended, so a
// position keeps its name for the whole run.
struct ParameterList {
    std::vector<Parameter> entries;

    // Names are looked up as views, so that the decoder's lookups on every redraw
    // allocate nothing.
    void set(std::string_view name, int32_t value);
    // 0 for a name that is not in the list.
    int32_t get(std::string_view name) const;
    void resetToDefaults();

    size_t size() const { return entries.size(); }
    Parameter& operator[](size_t position) { return entries[position]; }
    const Parameter& operator[](size_t position) const { return entries[position]; }
};
