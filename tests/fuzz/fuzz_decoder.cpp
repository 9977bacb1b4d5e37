// The decoder over arbitrary sample bytes and all eleven values, held to the plain decoder.
// Input: eleven 32-bit values (little-endian, in list order), then the sample bytes.
#include <cstdlib>
#include <cstring>
#include <memory>

#include "decode/tile_decoder.h"
#include "support/reference_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::unique_ptr<Display> fast, plain;
    if (!fast) {
        fast = std::make_unique<Display>();
        plain = std::make_unique<Display>();
        fast->pixelBuffer.allocate();
        plain->pixelBuffer.allocate();
    }
    if (size < 44) return 0;
    ParameterList parameters;
    parameters.resetToDefaults();
    for (size_t i = 0; i < 11; ++i) std::memcpy(&parameters[i].value, data + 4 * i, 4);
    // The sample in an array of its own size, so that any read past it is caught.
    const size_t length = size - 44;
    std::unique_ptr<uint8_t[]> sample(new uint8_t[length ? length : 1]);
    std::memcpy(sample.get(), data + 44, length);

    fillWithLeftovers(fast->pixelBuffer);
    plain->pixelBuffer.clear();
    FillColor a;
    decodeTiles(a, *fast, length ? sample.get() : nullptr, int32_t(length), parameters);
    decodeTilesReference(plain->pixelBuffer, sample.get(), int32_t(length), parameters);
    if (std::memcmp(fast->pixelBuffer.data, plain->pixelBuffer.data, PixelBuffer::kBytes) != 0) {
        std::abort();
    }
    return 0;
}
