#pragma once
#include <CLI/CLI.hpp>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string>

// Parses a whole decimal number (or 0x and hexadecimal digits) within [low, high]. Unlike a
// plain strtoll it refuses octal surprises ("010" is ten) and values past the range.
template <typename T>
std::optional<T> parseInteger(const std::string& text, T low, T high) {
    std::string_view digits = text;
    bool negative = false;
    if (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) {
        negative = digits[0] == '-';
        digits.remove_prefix(1);
    }
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        digits.remove_prefix(2);
    }
    uint64_t magnitude = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), magnitude, base);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    // Compare in 128 bits, where every magnitude and both limits fit.
    const __int128 value = negative ? -__int128(magnitude) : __int128(magnitude);
    if (value < low || value > high) return std::nullopt;
    return T(value);
}

// An integer option that stores into target only when given, with its default for --help.
template <typename T>
CLI::Option* addIntegerOption(CLI::App& app, const std::string& names, std::optional<T>& target,
                              T low, T high, const std::string& defaultText,
                              const std::string& meaning) {
    auto* option = app.add_option_function<std::string>(
        names,
        [&target, low, high, names](const std::string& text) {
            const std::optional<T> value = parseInteger<T>(text, low, high);
            if (!value) {
                throw CLI::ValidationError(names, "'" + text + "' is not a whole number from " +
                                                      std::to_string(low) + " to " +
                                                      std::to_string(high));
            }
            target = *value;
        },
        meaning);
    option->type_name("INT");
    if (!defaultText.empty()) option->default_str(defaultText);
    return option;
}
