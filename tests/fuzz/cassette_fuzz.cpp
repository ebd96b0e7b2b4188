// Loads arbitrary bytes as a .qcs tape image into a cassette that already holds
// a tape. A refused image leaves the cassette exactly as it was; an accepted
// one gives the header's length, accuracy and size and the decoded body as the
// tape. The tape saved and loaded again into a new cassette is the same.
#include "fuzz_support.h"

#include "compression/lzrw1.h"
#include "compression/stream.h"
#include "peripherals/cassette.h"

#include <cstring>
#include <memory>

namespace {

constexpr std::size_t headerSize = 15;
constexpr std::size_t largestRoundTrip = 65536;

std::int32_t Little32(const std::uint8_t* bytes) {
    return static_cast<std::int32_t>(bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) |
                                     (static_cast<std::uint32_t>(bytes[3]) << 24));
}

struct TCassetteState {
    explicit TCassetteState(const TCassette& cassette)
        : fileName(cassette.GetFileName()), length(cassette.GetLength()), accuracy(cassette.GetAccuracy()),
          tapeBits(cassette.GetTapeBits()), position(cassette.GetPosition()),
          instructionsPerSample(cassette.GetInstructionsPerSample()), readOnly(cassette.IsReadOnly()),
          recording(cassette.IsRecording()), tape(cassette.GetTape()) {}
    bool operator==(const TCassetteState&) const = default;

    std::filesystem::path fileName;
    std::uint8_t length;
    std::uint8_t accuracy;
    std::int32_t tapeBits;
    std::int32_t position;
    std::int32_t instructionsPerSample;
    bool readOnly;
    bool recording;
    std::vector<std::uint8_t> tape;
};

// The body as the decompressor gives it, or nothing when it refuses it.
bool DecodeBody(const std::uint8_t* body, std::size_t size, std::vector<std::uint8_t>& decoded) {
    TMemoryStream input(std::vector<std::uint8_t>(body, body + size));
    TMemoryStream output;
    Tlzrw1 decoder;
    decoder.InputStream = &input;
    decoder.OutputStream = &output;
    try {
        decoder.Decompress();
    } catch (const ELzrw1Exception&) {
        return false;
    }
    decoded = output.GetData();
    return true;
}

std::int32_t InstructionsPerSample(std::uint8_t accuracy) {
    switch (accuracy) {
    case 0: return 15;
    case 1: return 10;
    case 2: return 5;
    default: return 10;
    }
}

// A small tape to start from, so that a load that wrongly changes something
// has something to change.
std::unique_ptr<TCassette> PreviousCassette() {
    std::vector<std::uint8_t> tape(1000);
    for (std::size_t index = 0; index < tape.size(); ++index) {
        tape[index] = static_cast<std::uint8_t>(index % 40 < 20 ? 0xF0 : 0x0F);
    }
    TMemoryStream source(tape);
    TMemoryStream body;
    Tlzrw1 coder;
    coder.InputStream = &source;
    coder.OutputStream = &body;
    coder.Compress();
    std::vector<std::uint8_t> image = {'Q', 'C', 'S', '0', '0', 1, 2};
    const auto tapeBits = static_cast<std::uint32_t>(tape.size() * 8);
    const auto bodySize = static_cast<std::uint32_t>(body.GetSize());
    for (const auto value : {tapeBits, bodySize}) {
        for (int shift = 0; shift < 32; shift += 8) {
            image.push_back(static_cast<std::uint8_t>(value >> shift));
        }
    }
    image.insert(image.end(), body.GetData().begin(), body.GetData().end());
    const auto path = FuzzFile("previous.qcs");
    WriteBytes(path, image.data(), image.size());
    auto cassette = std::make_unique<TCassette>();
    FUZZ_CHECK(cassette->Load(path));
    return cassette;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::unique_ptr<TCassette> cassette = PreviousCassette();

    const auto input = FuzzFile("input.qcs");
    WriteBytes(input, data, size);
    const TCassetteState before(*cassette);
    if (!cassette->Load(input)) {
        FUZZ_CHECK(TCassetteState(*cassette) == before);
        return 0;
    }

    FUZZ_CHECK(size >= headerSize);
    const std::int32_t tapeBits = Little32(data + 7);
    const std::int32_t bodySize = Little32(data + 11);
    FUZZ_CHECK(bodySize >= 0 && headerSize + static_cast<std::size_t>(bodySize) <= size);
    std::vector<std::uint8_t> decoded;
    FUZZ_CHECK(DecodeBody(data + headerSize, static_cast<std::size_t>(bodySize), decoded));
    FUZZ_CHECK(cassette->GetFileName() == input);
    FUZZ_CHECK(cassette->GetLength() == data[5] && cassette->GetAccuracy() == data[6]);
    FUZZ_CHECK(cassette->GetInstructionsPerSample() == InstructionsPerSample(data[6]));
    FUZZ_CHECK(cassette->GetTapeBits() == tapeBits && tapeBits % 8 == 0);
    FUZZ_CHECK(cassette->GetTape() == decoded);
    FUZZ_CHECK(cassette->GetPosition() >= 0 && cassette->GetPosition() <= tapeBits);
    // Tapes of megabytes make every later run slow: they are checked as loaded,
    // then the small tape comes back.
    if (decoded.size() > largestRoundTrip) {
        FUZZ_CHECK(cassette->Load(FuzzFile("previous.qcs")));
        return 0;
    }

    const auto saved = FuzzFile("saved.qcs");
    FUZZ_CHECK(cassette->Save(saved));
    const auto image = ReadBytes(saved);
    FUZZ_CHECK(image.size() >= headerSize && std::memcmp(image.data(), "QCS00", 5) == 0);
    FUZZ_CHECK(image[5] == data[5] && image[6] == data[6] && Little32(image.data() + 7) == tapeBits);
    FUZZ_CHECK(static_cast<std::size_t>(Little32(image.data() + 11)) == image.size() - headerSize);
    TCassette readBack;
    FUZZ_CHECK(readBack.Load(saved));
    FUZZ_CHECK(readBack.GetLength() == data[5] && readBack.GetAccuracy() == data[6]);
    FUZZ_CHECK(readBack.GetTapeBits() == tapeBits && readBack.GetTape() == decoded);
    return 0;
}
