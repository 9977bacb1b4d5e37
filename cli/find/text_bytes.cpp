#include "cli/find/text_bytes.h"

namespace {

constexpr double kPrintable = 0.75;  // of the bytes that are not zero
constexpr double kLowerCase = 0.4;

}  // namespace

bool looksLikeText(const uint8_t* bytes, int64_t length) {
    int64_t inked = 0, printable = 0, lower = 0;
    for (int64_t i = 0; i < length; ++i) {
        const uint8_t b = bytes[i];
        if (b == 0) continue;
        ++inked;
        printable += (b >= 0x20 && b < 0x7F) || b == '\t' || b == '\n' || b == '\r';
        lower += b >= 'a' && b <= 'z';
    }
    return inked > 0 && double(printable) >= kPrintable * double(inked) &&
           double(lower) >= kLowerCase * double(inked);
}

double textShare(const uint8_t* bytes, int64_t length) {
    int64_t stretches = 0, text = 0;
    for (int64_t at = 0; at + kTextStretch <= length; at += kTextStretch) {
        ++stretches;
        text += looksLikeText(bytes + at, kTextStretch);
    }
    return stretches > 0 ? double(text) / double(stretches) : 0.0;
}
