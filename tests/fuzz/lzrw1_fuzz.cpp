// Feeds arbitrary bytes to the LZRW1-KH decoder as a whole WRZL stream and as
// the data of one block, and compresses them to decode them again. The stream
// decoder either refuses with its own exception or returns exactly the size
// its header announced; a block never decodes to more than one chunk (the
// output buffer holds exactly one, so the sanitizer sees any byte beyond);
// whatever is compressed decodes to itself.
#include "fuzz_support.h"

#include "compression/lzrw1.h"
#include "compression/stream.h"

namespace {

std::int64_t DeclaredSize(const std::uint8_t* data) {
    const std::uint32_t value = data[4] | (data[5] << 8) | (data[6] << 16) | (static_cast<std::uint32_t>(data[7]) << 24);
    return static_cast<std::int32_t>(value);
}

void DecodeStream(const std::uint8_t* data, std::size_t size) {
    TMemoryStream input(std::vector<std::uint8_t>(data, data + size));
    TMemoryStream output;
    Tlzrw1 decoder;
    decoder.InputStream = &input;
    decoder.OutputStream = &output;
    try {
        const std::int64_t written = decoder.Decompress();
        FUZZ_CHECK(size >= 8);
        FUZZ_CHECK(written == DeclaredSize(data));
        FUZZ_CHECK(written == output.GetSize());
    } catch (const ELzrw1Exception&) {
    }
}

void DecodeBlock(const std::uint8_t* data, std::size_t size) {
    // Copies of exactly the block's and the bound's size, so that a read past
    // the block or a write past the bound is caught where it happens.
    const std::vector<std::uint8_t> block(data, data + size);
    std::vector<std::uint8_t> output(TLZR::chunkSize);
    TLZR coder;
    try {
        const int decoded = coder.Decompression(block.data(), output.data(), static_cast<int>(size));
        FUZZ_CHECK(decoded >= 0 && decoded <= TLZR::chunkSize);
    } catch (const ELzrw1Exception&) {
    }
}

void RoundTrip(const std::vector<std::uint8_t>& original) {
    TMemoryStream source(original);
    TMemoryStream compressed;
    Tlzrw1 coder;
    coder.InputStream = &source;
    coder.OutputStream = &compressed;
    const std::int64_t written = coder.Compress();
    FUZZ_CHECK(written == compressed.GetSize());
    // Never more than stored chunks: header, then per chunk a length and the
    // chunk behind its marker byte, and the closing short block.
    const std::int64_t chunks = static_cast<std::int64_t>(original.size()) / TLZR::chunkSize + 1;
    FUZZ_CHECK(written <= 8 + chunks * 3 + static_cast<std::int64_t>(original.size()));

    compressed.SetPosition(0);
    TMemoryStream decoded;
    Tlzrw1 decoder;
    decoder.InputStream = &compressed;
    decoder.OutputStream = &decoded;
    FUZZ_CHECK(decoder.Decompress() == static_cast<std::int64_t>(original.size()));
    FUZZ_CHECK(decoded.GetData() == original);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    DecodeStream(data, size);
    DecodeBlock(data, size);
    std::vector<std::uint8_t> original(data, data + size);
    RoundTrip(original);
    // Now and then the input tiled past two chunks, so that the chunk borders
    // and a full chunk are crossed.
    if (size > 0 && data[0] % 8 == 0) {
        while (original.size() < 2 * TLZR::chunkSize) {
            original.insert(original.end(), data, data + size);
        }
        RoundTrip(original);
    }
    return 0;
}
