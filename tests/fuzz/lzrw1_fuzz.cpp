// Feeds arbitrary bytes to the LZRW1-KH decoder as a whole WRZL stream and as
// the data of one block, and compresses them to decode them again. The stream
// decoder either refuses with its own exception or returns exactly the size
// its header announced; a block never decodes to more than one chunk (the
// output buffer holds exactly one, so the sanitizer sees any byte beyond);
// whatever is compressed decodes to itself.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TBytes input(data, data + size), coded, decoded;
    if (Lzrw1Code(input, false, decoded)) {
        FUZZ_CHECK(size >= 8);
        const std::uint32_t declared = data[4] | data[5] << 8 | data[6] << 16 | std::uint32_t(data[7]) << 24;
        FUZZ_CHECK(decoded.size() == declared);
    }
    // A copy of exactly the block's size and an output of exactly one chunk, so
    // that the sanitizer catches a read past the block or a write past the chunk.
    TBytes output(TLZR::chunkSize);
    try {
        TLZR coder;
        const int length = coder.Decompression(input.data(), output.data(), static_cast<int>(size));
        FUZZ_CHECK(length >= 0 && length <= TLZR::chunkSize);
    } catch (const ELzrw1Exception&) {
    }
    const auto roundTrip = [&] {
        FUZZ_CHECK(Lzrw1Code(input, true, coded));
        // Never more than stored chunks: the header, per chunk a length and a marker byte, the closing block.
        FUZZ_CHECK(coded.size() <= 8 + (input.size() / TLZR::chunkSize + 1) * 3 + input.size());
        FUZZ_CHECK(Lzrw1Code(coded, false, decoded) && decoded == input);
    };
    roundTrip();
    // Now and then the input tiled past two chunks, so that the chunk borders and a full chunk are crossed.
    if (size > 0 && data[0] % 8 == 0) {
        while (input.size() < 2 * TLZR::chunkSize) input.insert(input.end(), data, data + size);
        roundTrip();
    }
    return 0;
}
