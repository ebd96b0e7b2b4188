// Loads arbitrary bytes as a .qcs tape image into a cassette that already holds
// a tape. A refused image leaves the cassette exactly as it was; an accepted
// one gives the header's length, accuracy and size and the decoded body as the
// tape. The tape saved and loaded again into a new cassette is the same.
#include "fuzz_support.h"

#include "peripherals/cassette.h"

#include <tuple>

namespace {

std::int32_t Little32(const std::uint8_t* bytes) {
    return static_cast<std::int32_t>(bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (std::uint32_t(bytes[3]) << 24));
}

auto State(const TCassette& cassette) {
    return std::make_tuple(cassette.GetFileName(), cassette.GetLength(), cassette.GetAccuracy(), cassette.GetTapeBits(),
                           cassette.GetPosition(), cassette.GetInstructionsPerSample(), cassette.IsReadOnly(),
                           cassette.IsRecording(), cassette.GetTape());
}

// A small tape to start from, so that a load that wrongly changes something has something to change.
std::filesystem::path PreviousTape() {
    TBytes body;
    FUZZ_CHECK(Lzrw1Code(TBytes(1000, 0xF0), true, body));
    const std::uint8_t low = body.size() & 0xFF, high = body.size() >> 8;  // after length 1, accuracy 2, 8000 bits
    TBytes image = {'Q', 'C', 'S', '0', '0', 1, 2, 0x40, 0x1F, 0, 0, low, high, 0, 0};
    image.insert(image.end(), body.begin(), body.end());
    return WriteFile("previous.qcs", image);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path previous = PreviousTape();
    static TCassette cassette;
    static const bool loaded = cassette.Load(previous);
    const auto input = WriteFile("input.qcs", TBytes(data, data + size));
    const auto before = State(cassette);
    if (!cassette.Load(input)) {
        FUZZ_CHECK(loaded && State(cassette) == before);
        return 0;
    }
    constexpr std::size_t headerSize = 15;
    FUZZ_CHECK(size >= headerSize);
    const std::int32_t tapeBits = Little32(data + 7), bodySize = Little32(data + 11);
    FUZZ_CHECK(bodySize >= 0 && headerSize + static_cast<std::size_t>(bodySize) <= size);
    TBytes tape;
    FUZZ_CHECK(Lzrw1Code({data + headerSize, data + headerSize + bodySize}, false, tape));
    FUZZ_CHECK(cassette.GetFileName() == input && cassette.GetLength() == data[5] && cassette.GetAccuracy() == data[6]);
    FUZZ_CHECK(cassette.GetInstructionsPerSample() == (data[6] == 0 ? 15 : data[6] == 2 ? 5 : 10));
    FUZZ_CHECK(cassette.GetTapeBits() == tapeBits && tapeBits % 8 == 0 && cassette.GetTape() == tape);
    FUZZ_CHECK(cassette.GetPosition() >= 0 && cassette.GetPosition() <= tapeBits);
    // Only small tapes are saved and read back: megabytes would slow every run. Then the small tape comes back.
    if (tape.size() <= 65536) {
        FUZZ_CHECK(cassette.Save(FuzzFile("saved.qcs")));
        TCassette readBack;
        FUZZ_CHECK(readBack.Load(FuzzFile("saved.qcs")) && readBack.GetTape() == tape);
        FUZZ_CHECK(readBack.GetTapeBits() == tapeBits && readBack.GetLength() == data[5]);
        FUZZ_CHECK(readBack.GetAccuracy() == data[6]);
    }
    FUZZ_CHECK(cassette.Load(previous));
    return 0;
}
