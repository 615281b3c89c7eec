// Sample decoding: any 64-byte block, channel mask and sign choice.
#include "scope/SamplingEngine.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    static dr420::AcquisitionBuffers buffers;
    if (data[0] == 0xFF)
        buffers.reset();
    const unsigned mask = data[0] & 0x0F;
    const std::array<bool, 4> isSigned{bool(data[1] & 1), bool(data[1] & 2), bool(data[1] & 4), bool(data[1] & 8)};
    uint8_t block[64] = {};
    std::memcpy(block, data + 2, std::min<size_t>(size - 2, 64));
    buffers.decode(block, mask, isSigned, 2.0f);
    for (unsigned c : buffers.counts)
        if (c >= unsigned(dr420::kAcquisitionCapacity))
            std::abort();
    return 0;
}
